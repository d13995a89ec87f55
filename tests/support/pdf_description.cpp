#include "support/pdf_description.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <map>
#include <cctype>

namespace quiremark::testing {

namespace {

using Pages = std::map<QPDFObjGen, int>;

// An object in text, references to pages as "page n", others followed.
std::string Text(QPDFObjectHandle object, const Pages& pages, int depth = 0) {
  if (object.isIndirect()) {
    const auto page = pages.find(object.getObjGen());
    if (page != pages.end()) return "page " + std::to_string(page->second);
    if (depth > 8) return "...";
  }
  if (object.isArray()) {
    std::string text = "[";
    for (int k = 0; k < object.getArrayNItems(); ++k) text += " " + Text(object.getArrayItem(k), pages, depth + 1);
    return text + " ]";
  }
  if (object.isDictionary()) {
    std::string text = "<<";
    for (const std::string& key : object.getKeys()) text += " " + key + " " + Text(object.getKey(key), pages, depth + 1);
    return text + " >>";
  }
  if (object.isStream()) return "stream " + Text(object.getDict(), pages, depth + 1);
  return object.unparseResolved();
}

// Content with its resource names ("/R12") numbered as they come.
std::string Content(QPDFPageObjectHelper& page) {
  std::string bytes;
  for (QPDFObjectHandle& stream : page.getPageContents()) {
    const auto data = stream.getStreamData(qpdf_dl_generalized);
    bytes.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  }
  std::map<std::string, std::string> names;
  std::string out;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = at + 2;
    while (end < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[end]))) ++end;
    if (bytes.compare(at, 2, "/R") != 0 || end == at + 2) {
      out += bytes[at++];
      continue;
    }
    auto [found, added] = names.emplace(bytes.substr(at, end - at), "/N" + std::to_string(names.size()));
    out += found->second;
    at = end;
  }
  return out;
}

void Outline(QPDFObjectHandle item, const Pages& pages, const std::string& indent, std::string& text) {
  for (int guard = 0; item.isDictionary() && guard < 100000; ++guard, item = item.getKey("/Next")) {
    text += indent;
    for (const std::string& key : item.getKeys()) {
      if (key == "/Parent" || key == "/Prev" || key == "/Next" || key == "/First" || key == "/Last") continue;
      text += key + " " + Text(item.getKey(key), pages) + " ";
    }
    text += "\n";
    Outline(item.getKey("/First"), pages, indent + "  ", text);
  }
}

}  // namespace

std::string DescribePdf(const std::filesystem::path& pdf) {
  QPDF file;
  file.setSuppressWarnings(true);
  file.processFile(pdf.c_str());
  Pages pages;
  std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(file).getAllPages();
  for (size_t k = 0; k < all.size(); ++k) pages[all[k].getObjectHandle().getObjGen()] = static_cast<int>(k + 1);

  std::string text = "pages " + std::to_string(all.size()) + "\n";
  for (size_t k = 0; k < all.size(); ++k) {
    QPDFObjectHandle page = all[k].getObjectHandle();
    text += "page " + std::to_string(k + 1) + " " + Text(page.getKey("/MediaBox"), pages) + " rotate " +
            Text(page.getKey("/Rotate"), pages) + "\n" + Content(all[k]) + "\n";
  }
  text += "info " + Text(file.getTrailer().getKey("/Info"), pages) + "\n";
  QPDFObjectHandle root = file.getRoot();
  text += "catalog";
  for (const std::string& key : root.getKeys()) {
    if (key != "/Pages" && key != "/Outlines") text += " " + key + " " + Text(root.getKey(key), pages);
  }
  text += "\noutline";
  QPDFObjectHandle outlines = root.getKey("/Outlines");
  if (outlines.isDictionary()) {
    text += " count " + Text(outlines.getKey("/Count"), pages) + "\n";
    Outline(outlines.getKey("/First"), pages, "  ", text);
  }
  return text;
}

}  // namespace quiremark::testing
