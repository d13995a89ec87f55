#include "support/pdf_description.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cctype>
#include <map>
#include <set>

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

// Where a destination goes: a named one as the document's names say.
struct Destinations {
  std::map<std::string, std::string> named;
  const Pages* pages = nullptr;

  std::string Of(QPDFObjectHandle dest) const {
    if (dest.isName() || dest.isString()) {
      const auto found = named.find(dest.isName() ? dest.getName().substr(1) : dest.getUTF8Value());
      return found == named.end() ? "nowhere" : found->second;
    }
    if (dest.isDictionary() && dest.hasKey("/D")) return Of(dest.getKey("/D"));
    return Text(dest, *pages);
  }
  std::string OfAction(QPDFObjectHandle action) const {
    if (!action.isDictionary()) return Text(action, *pages);
    if (action.getKey("/S").isNameAndEquals("/GoTo")) return Of(action.getKey("/D"));
    return Text(action, *pages);
  }
};

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

// The page's boxes but its media box, and its annotations with where they go.
std::string PageExtras(QPDFObjectHandle page, const Destinations& dests) {
  std::string text;
  for (const char* box : {"/CropBox", "/TrimBox", "/BleedBox", "/ArtBox"}) {
    if (page.hasKey(box)) text += std::string(" ") + box + " " + Text(page.getKey(box), *dests.pages);
  }
  QPDFObjectHandle annots = page.getKey("/Annots");
  for (int k = 0; annots.isArray() && k < annots.getArrayNItems(); ++k) {
    QPDFObjectHandle annot = annots.getArrayItem(k);
    text += "\n  annot " + annot.getKey("/Subtype").unparse() + " " + Text(annot.getKey("/Rect"), *dests.pages);
    if (annot.hasKey("/Dest")) text += " -> " + dests.Of(annot.getKey("/Dest"));
    if (annot.hasKey("/A")) text += " -> " + dests.OfAction(annot.getKey("/A"));
  }
  return text;
}

void Outline(QPDFObjectHandle item, const Destinations& dests, const std::string& indent, std::string& text) {
  for (int guard = 0; item.isDictionary() && guard < 100000; ++guard, item = item.getKey("/Next")) {
    text += indent;
    for (const std::string& key : item.getKeys()) {
      if (key == "/Parent" || key == "/Prev" || key == "/Next" || key == "/First" || key == "/Last") continue;
      text += key + " " + (key == "/Dest" ? dests.Of(item.getKey(key)) : Text(item.getKey(key), *dests.pages)) + " ";
    }
    text += "\n";
    Outline(item.getKey("/First"), dests, indent + "  ", text);
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
  QPDFObjectHandle root = file.getRoot();
  Destinations dests;
  dests.pages = &pages;
  if (QPDFObjectHandle tree = root.getKeyIfDict("/Names").getKeyIfDict("/Dests"); tree.isDictionary()) {
    for (const auto& [name, dest] : QPDFNameTreeObjectHelper(tree, file)) dests.named[name] = Text(dest, pages);
  }

  std::string text = "pages " + std::to_string(all.size()) + "\n";
  std::set<QPDFObjGen> images;
  for (size_t k = 0; k < all.size(); ++k) {
    QPDFObjectHandle page = all[k].getObjectHandle();
    text += "page " + std::to_string(k + 1) + " " + Text(page.getKey("/MediaBox"), pages) + " rotate " +
            Text(page.getKey("/Rotate"), pages) + PageExtras(page, dests) + "\n" + Content(all[k]) + "\n";
    for (auto& [name, image] : all[k].getImages()) images.insert(image.getObjGen());
  }
  text += "images " + std::to_string(images.size()) + "\n";
  text += "info " + Text(file.getTrailer().getKey("/Info"), pages) + "\n";
  text += "catalog";
  for (const std::string& key : root.getKeys()) {
    if (key != "/Pages" && key != "/Outlines" && key != "/Names") text += " " + key + " " + Text(root.getKey(key), pages);
  }
  text += "\nnamed destinations";
  for (const auto& [name, dest] : dests.named) text += "\n  " + name + " -> " + dest;
  text += "\noutline";
  QPDFObjectHandle outlines = root.getKey("/Outlines");
  if (outlines.isDictionary()) {
    text += " count " + Text(outlines.getKey("/Count"), pages) + "\n";
    Outline(outlines.getKey("/First"), dests, "  ", text);
  }
  return text;
}

}  // namespace quiremark::testing
