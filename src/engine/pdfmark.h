#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "engine/outline.h"

namespace quiremark::engine {

// Every pdfmark line the temporary PostScript file carries is made here, and
// every text in them goes through PdfMarkString.

// A PostScript string for a pdfmark from UTF-8 text. Text that PDFDocEncoding
// holds byte for byte (ASCII and the Latin-1 letters such as å ä ö) is written
// as a literal "(...)" with "\", "(" and ")" escaped and control characters as
// octal escapes; anything else (– € “ ” or letters beyond Latin-1) as a UTF-16BE
// hex string with a byte-order mark, "<FEFF...>". Invalid UTF-8 is read as
// U+FFFD.
std::string PdfMarkString(std::string_view utf8);

// PDF date of a local time: "D:YYYYMMDDHHmmSS+hh'mm'" (tm_gmtoff gives the offset).
std::string PdfDate(const std::tm& local);

// "[/Page p /View [/XYZ null null 0] /Title (T) /OUT pdfmark" or
// "[/Page p/Count -k  /Title (T) /OUT pdfmark".
std::string OutlineLine(const OutlineRecord& record);

// The key a plot file's first outline entry carries with the file's number
// in the bind (1 for the first): the converter keeps it in the PDF's outline
// item, which then tells on which page the file began.
inline constexpr std::string_view kPlotFileKey = "QuiremarkPlotFile";

// The same entry without "/Page p": it goes to the page being made when the
// converter reads it. Written right before a plot file, that is the page
// where the file begins; with `plotFile` above 0 it carries kPlotFileKey.
std::string OutlineLineAtCurrentPage(const OutlineRecord& record, int plotFile);

// Document information. Each field is the text to show; the placeholder
// replacement order of the DOCINFO template is applied by DocInfoLine.
struct DocInfo {
  std::string title;
  std::string author;
  std::string subject;
  std::string keywords;
  std::string date;       // a PdfDate, for /ModDate
  std::string shownDate;  // the same time in the program's date and time format, for the other fields
};

inline constexpr const char* kCreator = "Quiremark https://www.norv.se/quiremark";

// "[ /Title (...) /Author (...) /Subject (...) /Keywords (...) /Creator (...) /ModDate (...) /DOCINFO pdfmark".
// Like the template it stands for, a field holding one of the later placeholders
// ("%NORV_Author", "%NORV_Subject", "%NORV_Keywords", "%NORV_Date") gets that
// value in its place; the date there is the readable `shownDate`.
std::string DocInfoLine(const DocInfo& info);

// The three stored catalog choices, list indexes as the options dialog stores them.
struct CatalogChoices {
  std::string show = "1";    // "Visa:" -> page mode
  std::string layout = "0";  // "Sidlayout:" -> page layout
  std::string zoom = "1";    // "Förstoring:" -> opening zoom
};

// The three catalog lines: page layout, page mode, opening view. A stored index
// outside its list is taken as the options dialog shows it (settings::ListChoice).
std::vector<std::string> CatalogLines(const CatalogChoices& choices);

}  // namespace quiremark::engine
