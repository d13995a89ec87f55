%!PS-Adobe-3.0
%%Creator: plot driver
%%Title: K-20-01.plt
%Pages: 1
%%EndComments
%%BeginProlog
/F { /Helvetica findfont exch scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
(%%[Page: 1]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 80 80 moveto 760 80 lineto 760 400 lineto 80 400 closepath stroke 80 240 moveto 760 240 lineto stroke
24 F 60 440 moveto (K-20-01 Grundplan) show
showpage
%%EOF
