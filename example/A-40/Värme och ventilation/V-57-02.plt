%!PS-Adobe-3.0
%%Creator: plot driver
%%Title: V-57-02.plt
%Pages: 1
%%EndComments
%%BeginProlog
/F { /Helvetica findfont exch scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
(%%[Page: 1]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
3 setlinewidth 100 100 moveto 300 100 lineto 300 350 lineto 700 350 lineto stroke
24 F 60 440 moveto (V-57-02 Radiatorer) show
showpage
%%EOF
