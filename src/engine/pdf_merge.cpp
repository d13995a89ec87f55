#include "engine/pdf_merge.h"

#include <unistd.h>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "engine/pdfmark.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

uint64_t Key(const QPDFObjGen& id) { return static_cast<uint64_t>(id.getObj()) << 32 | static_cast<uint32_t>(id.getGen()); }

// A part's objects as the joined PDF holds them: the first part is the
// joined PDF itself; another part's objects are copied into it (its pages
// first, so that what goes to a page goes to the page copied).
class Importer {
 public:
  Importer(QPDF& whole, QPDF& part) : whole_(whole), part_(part) {}

  QPDFObjectHandle operator()(QPDFObjectHandle value) const {
    if (&whole_ == &part_) return value;
    if (value.isIndirect()) return whole_.copyForeignObject(value);
    if (value.isArray()) {
      QPDFObjectHandle array = QPDFObjectHandle::newArray();
      for (int k = 0; k < value.getArrayNItems(); ++k) array.appendItem((*this)(value.getArrayItem(k)));
      return array;
    }
    if (value.isDictionary()) {
      QPDFObjectHandle dict = QPDFObjectHandle::newDictionary();
      for (const std::string& key : value.getKeys()) dict.replaceKey(key, (*this)(value.getKey(key)));
      return dict;
    }
    if (value.isInteger()) return QPDFObjectHandle::newInteger(value.getIntValue());
    if (value.isReal()) return QPDFObjectHandle::newReal(value.getRealValue());
    if (value.isName()) return QPDFObjectHandle::newName(value.getName());
    if (value.isString()) return QPDFObjectHandle::newString(value.getStringValue());
    if (value.isBool()) return QPDFObjectHandle::newBool(value.getBoolValue());
    return QPDFObjectHandle::newNull();
  }

 private:
  QPDF& whole_;
  QPDF& part_;
};

// A page copied from another part refers to pages of that part copied after
// it (a link to a later page) only once those are copied too: qpdf copies
// no page it was not asked for, and leaves such a reference empty. Walks what
// `foreign` holds beside its copy and puts each page in.
void Relink(QPDF& whole, QPDFObjectHandle foreign, QPDFObjectHandle copy, std::unordered_map<uint64_t, bool>& walked) {
  if (foreign.isIndirect() && !walked.emplace(Key(foreign.getObjGen()), true).second) return;
  const auto relink = [&](QPDFObjectHandle from, QPDFObjectHandle to, const auto& put) {
    if (from.isIndirect() && from.isPageObject()) {
      QPDFObjectHandle page = whole.copyForeignObject(from);
      if (!page.isSameObjectAs(to)) put(page);
    } else {
      Relink(whole, from, to, walked);
    }
  };
  if (foreign.isArray() && copy.isArray() && foreign.getArrayNItems() == copy.getArrayNItems()) {
    for (int k = 0; k < foreign.getArrayNItems(); ++k) {
      relink(foreign.getArrayItem(k), copy.getArrayItem(k), [&](QPDFObjectHandle page) { copy.setArrayItem(k, page); });
    }
  } else if (foreign.isDictionary() && copy.isDictionary()) {
    for (const std::string& key : foreign.getKeys()) {
      if (key == "/Parent" || key == "/P" || !copy.hasKey(key)) continue;
      relink(foreign.getKey(key), copy.getKey(key), [&](QPDFObjectHandle page) { copy.replaceKey(key, page); });
    }
  }
}

// Where each plot file's outline entry stands in the parts' outlines, as
// the converter made it with the file's own entries under it.
struct MarkedEntry {
  QPDFObjectHandle item;
  const Importer* import = nullptr;
};

void FindMarked(QPDF& part, const Importer& import, std::unordered_map<int, MarkedEntry>& marked) {
  const std::string key = "/" + std::string(kPlotFileKey);
  QPDFObjectHandle outlines = part.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary()) return;
  std::unordered_map<uint64_t, bool> seen;
  std::vector<QPDFObjectHandle> pending{outlines.getKey("/First")};
  while (!pending.empty()) {
    QPDFObjectHandle item = pending.back();
    pending.pop_back();
    for (; item.isDictionary(); item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen.emplace(Key(item.getObjGen()), true).second) break;
      long long number = 0;
      if (item.getKey(key).getValueAsInt(number) && number > 0 && number <= INT_MAX) {
        marked.emplace(static_cast<int>(number), MarkedEntry{item, &import});
      } else {
        pending.push_back(item.getKey("/First"));
      }
    }
  }
}

// The outline items of `entries`, in the joined PDF, going to its `pages`:
// each group owns the entries after it, as a converter reads the pdfmark
// lines of the same entries. A plot file's entry is taken as the converter
// made it in its part, with all under it: the file's pages and its own
// bookmarks.
class OutlineWriter {
 public:
  OutlineWriter(QPDF& pdf, const std::vector<QPDFObjectHandle>& pages, const std::vector<WrittenOutlineEntry>& entries,
                const std::unordered_map<int, MarkedEntry>& marked)
      : pdf_(pdf), pages_(pages), entries_(entries), marked_(marked) {}

  // The outline root, or an empty handle when there is no entry.
  QPDFObjectHandle Root() {
    if (entries_.empty()) return {};
    QPDFObjectHandle root = pdf_.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    // All groups show closed: the root counts the items at the top.
    const int top = Children(root, -1);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(top));
    return root;
  }

 private:
  // Writes up to `count` items (all that are left when negative) under
  // `parent`, linked as siblings; returns how many it wrote.
  int Children(QPDFObjectHandle parent, int count) {
    std::vector<QPDFObjectHandle> items;
    while ((count < 0 || static_cast<int>(items.size()) < count) && next_ < entries_.size()) {
      const WrittenOutlineEntry& entry = entries_[next_++];
      const auto found = entry.plotFile > 0 ? marked_.find(entry.plotFile) : marked_.end();
      if (found != marked_.end()) {
        items.push_back(Copy(found->second.item, *found->second.import, parent));
        if (entry.record.kind == OutlineRecord::Kind::Group) next_ += static_cast<size_t>(entry.record.count);
        continue;
      }
      QPDFObjectHandle item = Item(entry, parent);
      items.push_back(item);
      if (entry.record.kind == OutlineRecord::Kind::Group) {
        const int children = Children(item, entry.record.count);
        if (children > 0) item.replaceKey("/Count", QPDFObjectHandle::newInteger(-children));
      }
    }
    Link(parent, items);
    return static_cast<int>(items.size());
  }

  static void Link(QPDFObjectHandle parent, std::vector<QPDFObjectHandle>& items) {
    if (items.empty()) return;
    for (size_t k = 1; k < items.size(); ++k) {
      items[k - 1].replaceKey("/Next", items[k]);
      items[k].replaceKey("/Prev", items[k - 1]);
    }
    parent.replaceKey("/First", items.front());
    parent.replaceKey("/Last", items.back());
  }

  // An item of a part's outline and the items under it, as they are.
  QPDFObjectHandle Copy(QPDFObjectHandle from, const Importer& import, QPDFObjectHandle parent) {
    QPDFObjectHandle item = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
    for (const std::string& key : from.getKeys()) {
      if (key == "/Parent" || key == "/Prev" || key == "/Next" || key == "/First" || key == "/Last") continue;
      item.replaceKey(key, import(from.getKey(key)));
    }
    item.replaceKey("/Parent", parent);
    std::vector<QPDFObjectHandle> children;
    std::unordered_map<uint64_t, bool> seen;
    for (QPDFObjectHandle child = from.getKey("/First"); child.isDictionary(); child = child.getKey("/Next")) {
      if (child.isIndirect() && !seen.emplace(Key(child.getObjGen()), true).second) break;
      children.push_back(Copy(child, import, item));
    }
    Link(item, children);
    return item;
  }

  QPDFObjectHandle Item(const WrittenOutlineEntry& entry, QPDFObjectHandle parent) {
    const OutlineRecord& record = entry.record;
    if (record.page < 1 || static_cast<size_t>(record.page) > pages_.size()) {
      throw std::runtime_error("the outline entry \"" + record.title + "\" goes to page " +
                               std::to_string(record.page) + " of " + std::to_string(pages_.size()));
    }
    QPDFObjectHandle item = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
    // The title as the converter reads it from the pdfmark line.
    item.replaceKey("/Title", QPDFObjectHandle::parse(PdfMarkString(record.title)));
    item.replaceKey("/Parent", parent);
    QPDFObjectHandle dest = QPDFObjectHandle::newArray();
    dest.appendItem(pages_[static_cast<size_t>(record.page) - 1]);
    dest.appendItem(QPDFObjectHandle::newName("/XYZ"));
    dest.appendItem(QPDFObjectHandle::newNull());
    dest.appendItem(QPDFObjectHandle::newNull());
    // A page entry's view is [/XYZ null null 0]; a group names none.
    dest.appendItem(record.kind == OutlineRecord::Kind::Group ? QPDFObjectHandle::newNull()
                                                              : QPDFObjectHandle::newInteger(0));
    item.replaceKey("/Dest", dest);
    if (entry.plotFile > 0) {
      item.replaceKey("/" + std::string(kPlotFileKey), QPDFObjectHandle::newInteger(entry.plotFile));
    }
    return item;
  }

  QPDF& pdf_;
  const std::vector<QPDFObjectHandle>& pages_;
  const std::vector<WrittenOutlineEntry>& entries_;
  const std::unordered_map<int, MarkedEntry>& marked_;
  size_t next_ = 0;
};

// The named destinations of the other parts join those of the first: the
// plot files' own names carry each file's number, so none meet.
void JoinNamedDestinations(QPDF& whole, const std::vector<std::unique_ptr<QPDF>>& others,
                           const std::vector<Importer>& imports) {
  std::optional<QPDFNameTreeObjectHelper> names;
  for (size_t k = 0; k < others.size(); ++k) {
    QPDFObjectHandle tree = others[k]->getRoot().getKeyIfDict("/Names").getKeyIfDict("/Dests");
    if (!tree.isDictionary()) continue;
    if (!names) {
      QPDFObjectHandle root = whole.getRoot();
      if (!root.getKey("/Names").isDictionary()) root.replaceKey("/Names", QPDFObjectHandle::newDictionary());
      QPDFObjectHandle catalogNames = root.getKey("/Names");
      if (!catalogNames.getKey("/Dests").isDictionary()) {
        catalogNames.replaceKey("/Dests", QPDFNameTreeObjectHelper::newEmpty(whole).getObjectHandle());
      }
      names.emplace(catalogNames.getKey("/Dests"), whole);
    }
    for (const auto& [name, dest] : QPDFNameTreeObjectHelper(tree, *others[k])) names->insert(name, imports[k](dest));
  }
}

// What the pages draw with (fonts, images, forms, patterns), stored once:
// the parts each hold their own copy of what pages of several parts use.
// An object is the same as another where its dictionary and its data are,
// with what it refers to the same in turn.
class StoreOnce {
 public:
  explicit StoreOnce(QPDF& pdf) : pdf_(pdf) {}

  void Run(std::vector<QPDFObjectHandle> pages) {
    for (QPDFObjectHandle& page : pages) Identity(page.getKey("/Resources"));
    for (QPDFObjectHandle& page : pages) Replace(page, "/Resources");
  }

 private:
  // The text that tells an object from others; an indirect one is named by
  // the object it is the same as.
  std::string Identity(QPDFObjectHandle object) {
    if (object.isIndirect()) {
      const uint64_t id = Key(object.getObjGen());
      if (const auto known = same_.find(id); known != same_.end()) return "R" + std::to_string(known->second);
      same_[id] = id;  // until it is known: an object that refers to itself is only the same as itself
      const std::string identity = Direct(object);
      auto [first, added] = byIdentity_.emplace(identity, object);
      if (!added && !SameData(first->second, object)) first = byIdentity_.end();
      const uint64_t to = first == byIdentity_.end() ? id : Key(first->second.getObjGen());
      same_[id] = to;
      return "R" + std::to_string(to);
    }
    return Direct(object);
  }

  std::string Direct(QPDFObjectHandle object) {
    if (object.isArray()) {
      std::string text = "[";
      for (int k = 0; k < object.getArrayNItems(); ++k) text += Identity(object.getArrayItem(k)) + " ";
      return text + "]";
    }
    if (object.isDictionary() || object.isStream()) {
      QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
      std::string text = object.isStream() ? "S<<" : "<<";
      for (const std::string& key : dict.getKeys()) {
        // A page's own keys lead to the page tree: what refers to a page is never stored once.
        if (key == "/Parent" || key == "/P") return "U" + std::to_string(unique_++);
        if (key == "/Length") continue;
        text += key + " " + Identity(dict.getKey(key)) + " ";
      }
      text += ">>";
      if (object.isStream()) {
        // The data by its size and a digest; SameData compares the bytes.
        const std::shared_ptr<Buffer> data = object.getRawStreamData();
        const std::string_view view(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        text += std::to_string(view.size()) + ":" + std::to_string(std::hash<std::string_view>()(view));
      }
      return text;
    }
    return object.unparseBinary();
  }

  // Two streams whose identities agree hold the same bytes, not only the same digest.
  static bool SameData(QPDFObjectHandle a, QPDFObjectHandle b) {
    if (!a.isStream()) return true;
    const std::shared_ptr<Buffer> x = a.getRawStreamData(), y = b.getRawStreamData();
    return x->getSize() == y->getSize() && std::memcmp(x->getBuffer(), y->getBuffer(), x->getSize()) == 0;
  }

  // What refers to an object stored once refers to the one kept.
  void Replace(QPDFObjectHandle holder, const std::string& key) {
    QPDFObjectHandle value = holder.getKey(key);
    QPDFObjectHandle kept = Kept(value);
    if (!kept.isSameObjectAs(value)) holder.replaceKey(key, kept);
    Walk(kept);
  }

  QPDFObjectHandle Kept(QPDFObjectHandle value) {
    if (!value.isIndirect()) return value;
    const auto same = same_.find(Key(value.getObjGen()));
    if (same == same_.end() || same->second == Key(value.getObjGen())) return value;
    return pdf_.getObjectByObjGen(QPDFObjGen(static_cast<int>(same->second >> 32), static_cast<int>(same->second & 0xFFFFFFFF)));
  }

  void Walk(QPDFObjectHandle object) {
    if (object.isIndirect() && !walked_.emplace(Key(object.getObjGen()), true).second) return;
    if (object.isArray()) {
      for (int k = 0; k < object.getArrayNItems(); ++k) {
        QPDFObjectHandle item = object.getArrayItem(k);
        QPDFObjectHandle kept = Kept(item);
        if (!kept.isSameObjectAs(item)) object.setArrayItem(k, kept);
        Walk(kept);
      }
    } else if (object.isDictionary() || object.isStream()) {
      QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
      for (const std::string& key : dict.getKeys()) {
        if (key == "/Parent" || key == "/P") continue;
        Replace(dict, key);
      }
    }
  }

  QPDF& pdf_;
  std::unordered_map<uint64_t, uint64_t> same_;  // an object and the one it is the same as
  std::map<std::string, QPDFObjectHandle> byIdentity_;
  std::unordered_map<uint64_t, bool> walked_;
  uint64_t unique_ = 0;
};

// The joined PDF's bytes to its file, in blocks. The first write that fails
// (a full disk) is kept, with the system's reason, and nothing more is
// written: qpdf goes on to its end, and the caller asks error() then.
class FileWriter : public Pipeline {
 public:
  explicit FileWriter(int fd) : Pipeline("joined PDF", nullptr), fd_(fd) { block_.reserve(kBlock); }

  void write(unsigned char const* data, size_t size) override {
    if (block_.size() + size > kBlock) Flush();
    if (size >= kBlock) {
      WriteAll(reinterpret_cast<const char*>(data), size);
    } else {
      block_.append(reinterpret_cast<const char*>(data), size);
    }
  }
  void finish() override { Flush(); }

  const std::error_code& error() const { return error_; }

 private:
  static constexpr size_t kBlock = 1 << 16;

  void Flush() {
    WriteAll(block_.data(), block_.size());
    block_.clear();
  }
  void WriteAll(const char* data, size_t size) {
    while (size > 0 && !error_) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = std::error_code(n < 0 ? errno : EIO, std::generic_category());
        break;
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
  }

  int fd_;
  std::string block_;
  std::error_code error_;
};

}  // namespace

bool MergePdfParts(const std::vector<std::filesystem::path>& parts, const std::vector<WrittenOutlineEntry>& outline,
                   int writeTo, std::string& why, std::error_code* writeError) {
  if (parts.empty()) {
    why = "no parts to join";
    return false;
  }
  try {
    // Read from memory: qpdf reads a file on disk in small reads, each after
    // a seek. The parts stay mapped until the whole is written.
    std::vector<std::unique_ptr<platform::MappedFile>> bytes;
    const auto open = [&](QPDF& pdf, const std::filesystem::path& part) {
      bytes.push_back(std::make_unique<platform::MappedFile>(part));
      pdf.setSuppressWarnings(true);
      pdf.processMemoryFile(part.c_str(), bytes.back()->bytes().data(), bytes.back()->bytes().size());
    };
    QPDF whole;
    open(whole, parts[0]);
    QPDFPageDocumentHelper pages(whole);
    // The other parts are read while the whole is written: their pages'
    // content is copied from them then.
    std::vector<std::unique_ptr<QPDF>> others;
    for (size_t k = 1; k < parts.size(); ++k) {
      others.push_back(std::make_unique<QPDF>());
      open(*others.back(), parts[k]);
      std::vector<QPDFPageObjectHelper> own = QPDFPageDocumentHelper(*others.back()).getAllPages();
      for (QPDFPageObjectHelper& page : own) pages.addPage(page, false);
      std::unordered_map<uint64_t, bool> walked;
      for (QPDFPageObjectHelper& page : own) {
        QPDFObjectHandle foreign = page.getObjectHandle();
        Relink(whole, foreign.getKey("/Annots"), whole.copyForeignObject(foreign).getKey("/Annots"), walked);
      }
    }
    std::vector<Importer> imports;
    for (const auto& other : others) imports.emplace_back(whole, *other);
    const Importer own(whole, whole);

    std::vector<QPDFObjectHandle> pageObjects;
    for (QPDFPageObjectHelper& page : pages.getAllPages()) pageObjects.push_back(page.getObjectHandle());
    std::unordered_map<int, MarkedEntry> marked;
    FindMarked(whole, own, marked);
    for (size_t k = 0; k < others.size(); ++k) FindMarked(*others[k], imports[k], marked);
    QPDFObjectHandle root = OutlineWriter(whole, pageObjects, outline, marked).Root();
    if (root.isInitialized()) {
      whole.getRoot().replaceKey("/Outlines", root);
    } else {
      whole.getRoot().removeKey("/Outlines");
    }
    JoinNamedDestinations(whole, others, imports);
    StoreOnce(whole).Run(pageObjects);

    FileWriter file(writeTo);
    QPDFWriter writer(whole);
    writer.setOutputPipeline(&file);
    // Every stream as the converter wrote it: the pages' content stays byte
    // for byte.
    writer.setStreamDataMode(qpdf_s_preserve);
    writer.setObjectStreamMode(qpdf_o_disable);
    writer.write();
    if (!file.error()) return true;
    why = "writing the joined PDF: " + file.error().message();
    if (writeError) *writeError = file.error();
  } catch (const std::filesystem::filesystem_error& e) {
    why = e.code().message();
  } catch (const QPDFExc& e) {
    why = e.getMessageDetail();
  } catch (const std::exception& e) {
    why = e.what();
  }
  return false;
}

}  // namespace quiremark::engine
