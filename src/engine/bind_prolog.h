#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quiremark::engine {

// The PostScript that opens every temporary file of a bind, and every part
// of one converted on its own, so that each plot file is converted as a
// converter makes it alone:
//
// - Nothing a plot file sets or defines reaches the next file: it runs inside
//   a save and restore of its own. A file that allocates in global VM (a
//   downloaded font or procedure set) ends what the bind holds in global VM
//   with it, when the converter makes our saves the outermost ones (gs with
//   -dNOOUTERSAVE), so a later file finds no more than it would alone.
// - What it draws after its last page (as its page comments count them) goes
//   nowhere, as it would alone; pages it makes beyond those are counted, so
//   the bind fails naming it. A file without showpage gets the page it would
//   get alone.
// - Its own pdfmarks act on its own pages: "/Page n" is page n of the file,
//   its named destinations and named objects carry the file's number ("pf3.")
//   so that those of different files never meet, "/PAGES" applies to its own
//   pages, and its own bookmarks come under the file's outline entry, however
//   their counts run, so the bind's folder groups keep their children. What
//   would change the whole document (document information, the catalog, the
//   viewer's opening, page labels, form fields, threads, attached files) is
//   left to the bind.
// - The file's outline entry, written after it, goes to the page where the
//   file began as the converter counted its pages, and carries the file's
//   number (kPlotFileKey) and, where it made another number of pages than
//   its page comments say, the pages it made (kPlotFilePagesKey).
std::string_view BindProlog();

// The key of an outline entry that tells how many pages its plot file made
// where that is not the number it was bound with.
inline constexpr std::string_view kPlotFilePagesKey = "QuiremarkPages";

// The line in front of plot file `number` (1 for the first) of `pages`
// pages as counted; `eps` places it as an EPS file (its own showpage does
// nothing, the bind ends its page); `empty` for a file of no bytes, which
// makes no page.
std::string PlotFileBeginLine(int number, int pages, bool eps, bool empty);

// The line after it, with the titles of its outline entries as pdfmark
// strings (PdfMarkString): none, the file's own, or a group's and those of
// its pages.
std::string PlotFileEndLine(const std::vector<std::string>& titles);

}  // namespace quiremark::engine
