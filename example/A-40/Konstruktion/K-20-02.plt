%!PS-Adobe-3.0
%%Creator: plot driver
%%Title: K-20-02.plt
%Pages: 3
%%EndComments
%%BeginProlog
/F { /Helvetica findfont exch scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
(%%[Page: 1]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 60 120 moveto 780 120 lineto stroke 60 200 moveto 780 200 lineto stroke 60 280 moveto 780 280 lineto stroke
24 F 60 440 moveto (K-20-02 Plan 1) show
showpage
%%Page: 2 2
(%%[Page: 2]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 80 80 moveto 760 80 lineto 760 400 lineto 80 400 closepath stroke 80 240 moveto 760 240 lineto stroke
24 F 60 440 moveto (K-20-02 Plan 2) show
showpage
%%Page: 3 3
(%%[Page: 3]%%) = flush
<< /PageSize [842 595] >> setpagedevice
2 setlinewidth 36 36 770 523 rectstroke
1 setlinewidth 60 120 moveto 780 120 lineto stroke 60 200 moveto 780 200 lineto stroke 60 280 moveto 780 280 lineto stroke
24 F 60 440 moveto (K-20-02 Plan 3) show
showpage
%%EOF
