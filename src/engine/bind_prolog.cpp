#include "engine/bind_prolog.h"

namespace quiremark::engine {

namespace {

// QuiremarkBind holds the procedures (local VM, made once); its S the state
// of the plot file being converted, in global VM, where neither the file's
// own save and restore nor ours take it back. Each procedure that changes
// the state puts into S; what it defines is scratch in QuiremarkBind.
constexpr std::string_view kProlog = R"PS(%
% Each plot file of this bind is converted as it would be alone.
/QuiremarkBind 96 dict def
QuiremarkBind begin
/Device currentdevice def
/RealPdfmark /pdfmark where { /pdfmark get } { { cleartomark } } ifelse def
/RealShowpage /showpage load def
/RealSetglobal /setglobal load def
/RealRestore /restore load def
/RealCurrentpagedevice /currentpagedevice load def
/S currentglobal true setglobal 32 dict exch setglobal def
S begin /Shown 0 def /InFile false def end
% A copy in global VM, for what must outlive the file's restores.
/GCopy {
  dup type /stringtype eq { dup length string copy } {
  dup type dup /arraytype eq exch /packedarraytype eq or { dup xcheck exch [ exch { GCopy } forall ] exch { cvx } if } {
  dup type /dicttype eq { dup length dict exch { GCopy exch GCopy exch 3 copy put pop pop } forall } if } ifelse } ifelse
} bind def
/Global { currentglobal true RealSetglobal exch GCopy exch RealSetglobal } bind def
/Lazy { S 2 index get null eq { currentglobal true RealSetglobal S 3 index 4 -1 roll exec put RealSetglobal } { pop } ifelse S exch get } bind def
/Concat { 1 index length 1 index length add string dup 0 4 index putinterval dup 3 index length 4 -1 roll putinterval exch pop } bind def
% Names of the file's own: destinations and named objects get its prefix.
/Prefix* { /Prefix { (pf) File 10 string cvs Concat (.) Concat } Lazy } bind def
/Prefixed { dup type /nametype eq { dup length string cvs Prefix* exch Concat cvn } { Prefix* exch Concat } ifelse } bind def
/IsName { type dup /nametype eq exch /stringtype eq or } bind def
/Builtin << /Catalog 0 /DocInfo 0 /ThisPage 0 /PrevPage 0 /NextPage 0 /Pages 0 >> def
/Whole << /Catalog 0 /DocInfo 0 /Pages 0 >> def
/PageNumber { dup length string cvs dup length 4 gt { dup 0 4 getinterval (Page) eq { dup length 4 sub 4 exch getinterval { cvi } stopped { pop null } if } { pop null } ifelse } { pop null } ifelse } bind def
/IsRef { dup type /arraytype eq 1 index xcheck and { dup length 1 eq { 0 get type /nametype eq } { pop false } ifelse } { pop false } ifelse } bind def
/PageRef { Start add 10 string cvs (Page) exch Concat cvn cvx 1 array astore cvx } bind def
/Ref { 0 get dup Builtin exch known { cvx 1 array astore cvx } { dup PageNumber dup type /integertype eq { exch pop PageRef } { pop Prefixed cvx 1 array astore cvx } ifelse } ifelse } bind def
% Whether an action dictionary goes to a destination of this document.
/Local { dup /S known { /S get } { dup /Subtype known { /Subtype get } { pop /GoTo } ifelse } ifelse dup /GoTo eq exch /GoToDp eq or } bind def
% A value with the file's named objects and destinations renamed.
/Fix {
  dup IsRef { Ref } {
  dup type dup /arraytype eq exch /packedarraytype eq or { dup xcheck exch [ exch { Fix } forall ] exch { cvx } if } {
  dup type /dicttype eq {
    dup length dict exch { Fix 2 index 3 1 roll put } forall
    dup Local { [ /D /Dest ] { 2 copy known { 2 copy get dup IsName { Prefixed 3 copy put } if pop } if pop } forall } if
  } if } ifelse } ifelse
} bind def
% key/value marks: a value by its key, the values renamed, a page of the file's a page of the bind's.
/Get { /K exch def /A exch def false 0 2 A length 2 sub { dup A exch get K eq { A exch 1 add get exch pop true exit } { pop } ifelse } for } bind def
/Remote {
  dup /Action Get { dup type /dicttype eq { Local not } { dup /GoToR eq exch /Launch eq or } ifelse } { false } ifelse
  exch /A Get { dup type /dicttype eq { Local not } { pop false } ifelse } { false } ifelse or
} bind def
/Pairs {
  0 2 2 index length 2 sub {
    1 index 1 index get exch 1 add exch 2 index 2 index get exch
    dup /Dest eq { pop dup IsName NoDest not and { Prefixed } { Fix } ifelse } {
      dup /Page eq { pop dup type /integertype eq { Start add } if } { pop Fix } ifelse } ifelse
    2 index 3 1 roll put
  } for
} bind def
/Pair { dup length 2 mod 1 eq } bind def
/Copied { dup length array copy } bind def
/Deliver { mark exch aload pop RealPdfmark } bind def
/Nulled { currentdevice Device ne } bind def
/PairMark { Pair { Copied /NoDest false def Pairs Deliver } { pop } ifelse } bind def
% Links; a form field is left out, its object made so that what names it still finds it.
/Widget { dup /Subtype Get { /Widget eq } { false } ifelse exch /FT Get { pop true } { false } ifelse or } bind def
/Link { Pair { dup Widget { /_objdef Get { Ref mark /_objdef 3 -1 roll /type /dict /OBJ RealPdfmark } if } { dup Remote /NoDest exch def Copied Pairs Deliver } ifelse } { pop } ifelse } bind def
/Other {
  dup length 1 gt { dup 0 get dup IsRef { 0 get Whole exch known } { pop false } ifelse } { false } ifelse
  { pop } { [ exch { Fix } forall ] Deliver } ifelse
} bind def
% What a file sets for all pages is set on each of its own pages at its end.
/PagesMark {
  Pair { Copied /NoDest false def Pairs
    0 2 2 index length 2 sub { 2 copy get dup /MediaBox eq exch /Rotate eq or { pop } { 1 index 1 index get exch 1 add 2 index exch get Global exch Global exch /PagesKeys { 4 dict } Lazy 3 1 roll put } ifelse } for pop
  } { pop } ifelse
} bind def
% The file's own bookmarks wait for its end, their counts apart; one without a place goes to the page being made.
/Outline {
  Pair not { pop } {
  Copied /NoDest false def Pairs /Src exch def
  Src /Count Get not { 0 } if /C exch def
  /Plain Src /Page Get { pop false } { Src /Dest Get { pop false } { Src /Action Get { pop false } { Src /A Get { pop false } { true } ifelse } ifelse } ifelse } ifelse def
  [ C [ 0 2 Src length 2 sub { dup Src exch get /Count eq { pop } { dup Src exch get exch 1 add Src exch get } ifelse } for
      Plain { /Page Shown Nulled not { 1 add } if } if /OUT ] ] Global
  /Outlines { 8 dict } Lazy OutlineCount 3 -1 roll put
  S /OutlineCount OutlineCount 1 add put
  } ifelse
} bind def
/Rules <<
  /OUT { Outline } /PAGES { PagesMark } /ANN { Link } /LNK { Link }
  /DEST { PairMark } /PAGE { PairMark } /OBJ { PairMark } /BP { PairMark } /NI { PairMark } /PS { PairMark }
  /DOCINFO { pop } /DOCVIEW { pop } /ARTICLE { pop } /EMBED { pop }
>> def
% After its last page a file's marks have no page; only its bookmarks are kept.
/Mark {
  dup dup length 1 sub get
  dup /OUT ne Nulled and { pop pop } { Rules 1 index known { Rules exch get exec } { pop Other } ifelse } ifelse
} bind def
% The file's entry, its pages' entries and its own bookmarks under it, each
% with as many children as follow it.
/Emit {
  /Top 0 def OutlineCount 0 gt {
  /Children OutlineCount array def /Stack OutlineCount array def /Left OutlineCount array def /Sp 0 def
  0 1 OutlineCount 1 sub { /I exch def
    Children I 0 put
    Sp 0 gt {
      /P Stack Sp 1 sub get def
      Children P Children P get 1 add put
      Left Sp 1 sub Left Sp 1 sub get 1 sub put
      Left Sp 1 sub get 0 eq { /Sp Sp 1 sub def } if
    } { /Top Top 1 add def } ifelse
    /C Outlines I get 0 get abs def
    C 0 gt { Stack Sp I put Left Sp C put /Sp Sp 1 add def } if
  } for
  } if
  mark /Page Start 1 add /Title Titles 0 get /QuiremarkPlotFile File Made Counted ne { /QuiremarkPages Made } if
  Titles length 1 gt { /Count Titles length 1 sub Top add neg } { /View [/XYZ null null 0] Top 0 gt { /Count Top neg } if } ifelse
  /OUT RealPdfmark
  1 1 Titles length 1 sub { /I exch def mark /Page Start I add /View [/XYZ null null 0] /Title Titles I get /OUT RealPdfmark } for
  0 1 OutlineCount 1 sub { /I exch def
    Outlines I get aload pop /Src exch def /C exch def
    mark Src aload pop pop
    Children I get dup 0 ne { C 0 lt { neg } if /Count exch } { pop } ifelse
    /OUT RealPdfmark
  } for
} bind def
/Finish {
  /Made Shown Start sub Wrapped max def
  Made 0 eq Empty not and { RealShowpage /Made 1 def } if
  S /Shown Start Made add put
  /Made Made Extra add def
  Titles length 0 gt { Emit } if
  PagesKeys null ne { Start 1 add 1 Shown { Start sub PageRef PagesKeys mark 3 1 roll /PUT RealPdfmark } for } if
} bind def
/Enter { QuiremarkBind /S get begin QuiremarkBind begin } bind def
% After the file's last page, drawing goes nowhere: to a null device in a
% graphics state of its own, which the file's end takes away again.
/Ends { dup /Shown get 1 index /Start get sub 1 index /Wrapped get max exch /Counted get ge { gsave nulldevice } if } bind def
end
% The operators a file uses by name, where a name the file looks up finds
% them but its own definitions in userdict do not meet them.
currentglobal true setglobal globaldict begin
/pdfmark { QuiremarkBind /S get /InFile get { counttomark array astore exch pop QuiremarkBind /Enter get exec Mark end end } { QuiremarkBind /RealPdfmark get exec } ifelse } bind def
/showpage {
  QuiremarkBind /S get dup /InFile get {
    dup /Eps get { pop } {
      currentdevice QuiremarkBind /Device get eq {
        QuiremarkBind /RealShowpage get exec
        dup /Wrapped 2 copy get 1 add put
        QuiremarkBind /Ends get exec
      } {
        QuiremarkBind /RealShowpage get exec
        /Extra 2 copy get 1 add put
      } ifelse
    } ifelse
  } { pop QuiremarkBind /RealShowpage get exec } ifelse
} bind def
/restore { QuiremarkBind /RealRestore get exec QuiremarkBind /S get dup /InFile get currentdevice QuiremarkBind /Device get eq and { QuiremarkBind /Ends get exec } { pop } ifelse } bind def
/setglobal { dup { QuiremarkBind /S get dup /InFile get { /WentGlobal true put } { pop } ifelse } if QuiremarkBind /RealSetglobal get exec } bind def
/currentpagedevice { QuiremarkBind /S get /InFile get currentdevice QuiremarkBind /Device get ne and { gsave QuiremarkBind /Device get setdevice QuiremarkBind /RealCurrentpagedevice get exec grestore } { QuiremarkBind /RealCurrentpagedevice get exec } ifelse } bind def
end setglobal
<< /BeginPage { QuiremarkBind /S get /Shown 3 -1 roll put } bind >> setpagedevice
% number pages eps empty QuiremarkFileBegin -
/QuiremarkFileBegin {
  userdict /QuiremarkPlotFileState save put
  QuiremarkBind /Enter get exec
  S /Empty 3 -1 roll put S /Eps 3 -1 roll put S /Counted 3 -1 roll put S /File 3 -1 roll put
  S /Start Shown put S /InFile true put S /Extra 0 put S /Wrapped 0 put S /WentGlobal false put S /OutlineCount 0 put
  S /Outlines null put S /PagesKeys null put S /Prefix null put
  end end
} bind def
% [titles] QuiremarkFileEnd -
/QuiremarkFileEnd {
  QuiremarkBind /Enter get exec
  /Titles exch def
  S /InFile false put
  % Back to the file's own graphics state, whose page device the restore
  % then puts back as it was before the file.
  { Nulled not { exit } if grestore } loop
  Finish
  Shown WentGlobal
  end end
  userdict /QuiremarkPlotFileState get restore
  { userdict /QuiremarkEpoch get restore userdict /QuiremarkEpoch save put } if
  QuiremarkBind /S get /Shown 3 -1 roll put
} bind def
userdict /QuiremarkEpoch save put
)PS";

}  // namespace

std::string_view BindProlog() { return kProlog; }

std::string PlotFileBeginLine(int number, int pages, bool eps, bool empty) {
  std::string line = std::to_string(number);
  line += ' ';
  line += std::to_string(pages);
  line += eps ? " true" : " false";
  line += empty ? " true" : " false";
  line += " QuiremarkFileBegin\r\n";
  return line;
}

std::string PlotFileEndLine(const std::vector<std::string>& titles) {
  // The file may leave anything on the stacks: they are emptied first.
  std::string line = "clear cleardictstack [";
  for (const std::string& title : titles) {
    line += title;
    line += ' ';
  }
  line += "] QuiremarkFileEnd\r\n";
  return line;
}

}  // namespace quiremark::engine
