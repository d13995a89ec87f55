#include "engine/pdfmark.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

// Code points that PDFDocEncoding holds at the same byte as Latin-1.
bool SingleByte(char32_t cp) { return cp < 0x80 || (cp >= 0xA1 && cp <= 0xFF && cp != 0xAD); }

std::string LiteralString(const std::u32string& text) {
  std::string out = "(";
  for (char32_t cp : text) {
    if (cp == '\\' || cp == '(' || cp == ')') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20 || cp == 0x7F) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(cp));
      out += octal;
    } else {
      out += static_cast<char>(static_cast<unsigned char>(cp));
    }
  }
  return out + ")";
}

std::string Utf16HexString(const std::u32string& text) {
  std::string out = "<FEFF";
  auto put = [&](char32_t unit) {
    for (int shift = 12; shift >= 0; shift -= 4) out += "0123456789ABCDEF"[(unit >> shift) & 0xF];
  };
  for (char32_t cp : text) {
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out + ">";
}

const char* Choose(const std::string& stored, int fallback, const std::array<const char*, 3>& names) {
  return names[settings::ListChoice(stored, fallback, static_cast<int>(names.size()))];
}

}  // namespace

std::string PdfMarkString(std::string_view utf8) {
  // Printable ASCII without a backslash or a parenthesis, most titles, is
  // written as it stands: the outline has a title per plot file.
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) {
        return c >= 0x20 && c < 0x7F && c != '\\' && c != '(' && c != ')';
      })) {
    std::string literal;
    literal.reserve(utf8.size() + 2);
    literal += '(';
    literal += utf8;
    literal += ')';
    return literal;
  }
  const std::u32string text = platform::DecodeUtf8(utf8);
  for (char32_t cp : text) {
    if (!SingleByte(cp)) return Utf16HexString(text);
  }
  return LiteralString(text);
}

std::string PdfDate(const std::tm& local) {
  const int offset = static_cast<int>(local.tm_gmtoff / 60);
  const int magnitude = offset < 0 ? -offset : offset;
  char text[96];
  std::snprintf(text, sizeof text, "D:%04d%02d%02d%02d%02d%02d%c%02d'%02d'", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+',
                magnitude / 60 % 100, magnitude % 60);
  return text;
}

namespace {

// An outline line: "/Page p" after its "[" unless `page` is 0, and the plot
// file's number when there is one.
std::string OutlineLine(const OutlineRecord& record, int page, int plotFile) {
  // Appended to one string: the outline has a line per plot file.
  std::string line = "[";
  if (plotFile > 0) {
    line += '/';
    line += kPlotFileKey;
    line += ' ';
    line += std::to_string(plotFile);
    line += ' ';
  }
  if (page > 0) {
    line += "/Page ";
    line += std::to_string(page);
  }
  if (record.kind == OutlineRecord::Kind::Group) {
    line += "/Count -";
    line += std::to_string(record.count);
    line += "  /Title ";
  } else {
    line += page > 0 ? " /View [/XYZ null null 0] /Title " : "/View [/XYZ null null 0] /Title ";
  }
  line += PdfMarkString(record.title);
  line += " /OUT pdfmark";
  return line;
}

}  // namespace

std::string OutlineLine(const OutlineRecord& record) { return OutlineLine(record, record.page, 0); }

std::string OutlineLineAtCurrentPage(const OutlineRecord& record, int plotFile) {
  return OutlineLine(record, 0, plotFile);
}

std::string DocInfoLine(const DocInfo& info) {
  // The template's placeholders are replaced one after the other over the whole
  // line, so a value can pick up the values of the placeholders after its own.
  const std::array<std::pair<std::string, std::string>, 5> fields = {{
      {"%NORV_Title", info.title},
      {"%NORV_Author", info.author},
      {"%NORV_Subject", info.subject},
      {"%NORV_Keywords", info.keywords},
      {"%NORV_Date", info.shownDate},
  }};
  std::array<std::string, 5> values;
  for (size_t i = 0; i < fields.size(); ++i) {
    values[i] = fields[i].second;
    for (size_t later = i + 1; later < fields.size(); ++later) {
      values[i] = settings::ReplaceAll(values[i], fields[later].first, fields[later].second);
    }
  }
  values[4] = info.date;  // /ModDate must be a PDF date
  return "[ /Title " + PdfMarkString(values[0]) + " /Author " + PdfMarkString(values[1]) + " /Subject " +
         PdfMarkString(values[2]) + " /Keywords " + PdfMarkString(values[3]) + " /Creator " +
         PdfMarkString(kCreator) + " /ModDate " + PdfMarkString(values[4]) + " /DOCINFO pdfmark";
}

std::vector<std::string> CatalogLines(const CatalogChoices& choices) {
  // List items: "En sida", "Kontinuerligt", "Motstående sidor".
  const char* layout = Choose(choices.layout, 0, {"SinglePage", "OneColumn", "TwoPageLeft"});
  // List items: "Endast sida", "Sida och bokmärken", "Sida och miniatyrer".
  const char* mode = Choose(choices.show, 1, {"UseNone", "UseOutlines", "UseThumbs"});
  // List items: "Sidbredd", "Anpassa till sida", "100%".
  const char* view = Choose(choices.zoom, 1, {"/FitH null", "/Fit", "/XYZ null null 1"});
  return {
      std::string("[ {Catalog} << /PageLayout /") + layout + " >> /PUT pdfmark",
      std::string("[ {Catalog} << /PageMode /") + mode + " >> /PUT pdfmark",
      std::string("[ {Catalog} << /OpenAction [{Page1} ") + view + "] >> /PUT pdfmark",
  };
}

}  // namespace quiremark::engine
