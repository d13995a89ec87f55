%!PS-Adobe-3.0
%%Creator: plot driver
%%Title: A-40-01.plt
%Pages: 1
%%EndComments
%%BeginProlog
/F { /Helvetica findfont exch scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
(%%[Page: 1]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 60 80 moveto 400 80 lineto 400 400 lineto 60 400 closepath stroke
24 F 60 440 moveto (A-40-01 Plan 1) show
showpage
%%EOF
