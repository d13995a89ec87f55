%!PS-Adobe-3.0
%%Creator: plot driver
%%Title: A-40-02.plt
%Pages: 2
%%EndComments
%%BeginProlog
/F { /Helvetica findfont exch scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
(%%[Page: 1]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 60 80 moveto 400 80 lineto 400 400 lineto 60 400 closepath stroke
24 F 60 440 moveto (A-40-02 Sektion A-A) show
showpage
%%Page: 2 2
(%%[Page: 2]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 60 80 moveto 400 80 lineto 400 400 lineto 60 400 closepath stroke
24 F 60 440 moveto (A-40-02 Sektion B-B) show
showpage
%%EOF
