#include "engine/pdf_merge.h"

#include <unistd.h>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFCryptoProvider.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cerrno>
#include <climits>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "engine/pdfmark.h"

namespace quiremark::engine {

// The joined PDF is written as it is read: part after part, each read by
// qpdf, its pages and what they use written out with new object numbers,
// then let go of, so that the join holds one part at a time, never the
// whole bind. What the parts share (the same font, image or form in several
// of them) is written once. The outline, the named destinations, the page
// tree and the catalog are written last.

namespace {

// The joined PDF's bytes to its file, in blocks, and where each object
// begins. The first write that fails (a full disk) is kept, with the
// system's reason, and nothing more is written.
class Output {
 public:
  explicit Output(int fd) : fd_(fd) { block_.reserve(kBlock); }

  void Write(std::string_view bytes) {
    offset_ += bytes.size();
    if (block_.size() + bytes.size() > kBlock) Flush();
    if (bytes.size() >= kBlock) {
      WriteAll(bytes.data(), bytes.size());
    } else {
      block_.append(bytes);
    }
  }
  void Flush() {
    WriteAll(block_.data(), block_.size());
    block_.clear();
  }
  uint64_t offset() const { return offset_; }
  const std::error_code& error() const { return error_; }

 private:
  static constexpr size_t kBlock = 1 << 16;

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
  uint64_t offset_ = 0;
  std::error_code error_;
};

// A stream's data as qpdf hands it over, to the joined PDF or to a digest.
class ToOutput : public Pipeline {
 public:
  explicit ToOutput(Output& out) : Pipeline("joined PDF", nullptr), out_(out) {}
  void write(unsigned char const* data, size_t size) override {
    out_.Write(std::string_view(reinterpret_cast<const char*>(data), size));
    size_ += size;
  }
  void finish() override {}
  size_t size() const { return size_; }

 private:
  Output& out_;
  size_t size_ = 0;
};

class ToDigest : public Pipeline {
 public:
  ToDigest() : Pipeline("digest", nullptr), sha_(QPDFCryptoProvider::getImpl()) { sha_->SHA2_init(256); }
  void write(unsigned char const* data, size_t size) override {
    sha_->SHA2_update(data, size);
    size_ += size;
  }
  void finish() override {}
  std::string Digest() {
    sha_->SHA2_finalize();
    return std::to_string(size_) + ":" + sha_->SHA2_digest();
  }

 private:
  std::shared_ptr<QPDFCryptoImpl> sha_;
  size_t size_ = 0;
};

uint64_t Key(const QPDFObjGen& id) { return static_cast<uint64_t>(id.getObj()) << 32 | static_cast<uint32_t>(id.getGen()); }

std::string Ref(int id) { return std::to_string(id) + " 0 R"; }

// A dictionary key as PDF writes it ("/A#20B" for a name with a blank).
std::string Name(const std::string& key) { return QPDFObjectHandle::newName(key).unparse(); }

// The joined PDF while it is written: its objects by their new numbers.
class Joined {
 public:
  explicit Joined(Output& out) : out_(out) { offsets_.push_back(0); }

  int Reserve() {
    offsets_.push_back(0);
    return static_cast<int>(offsets_.size() - 1);
  }
  // Writes object `id` with the body `text` (a dictionary, an array or a
  // value), or, with `stream`, a stream of that dictionary and the data
  // `stream` writes.
  void Object(int id, const std::string& text, const std::function<void()>& stream = {}) {
    offsets_[static_cast<size_t>(id)] = out_.offset();
    out_.Write(std::to_string(id) + " 0 obj\n");
    out_.Write(text);
    if (stream) {
      out_.Write("\nstream\n");
      stream();
      out_.Write("\nendstream");
    }
    out_.Write("\nendobj\n");
  }
  // The cross-reference table and the trailer; every object reserved must
  // be written by then.
  void Finish(int root, int info, const std::string& id) {
    const uint64_t xref = out_.offset();
    std::string table = "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    char row[24];
    for (size_t k = 1; k < offsets_.size(); ++k) {
      std::snprintf(row, sizeof row, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets_[k]));
      table += row;
      if (table.size() > (1 << 16)) {
        out_.Write(table);
        table.clear();
      }
    }
    table += "trailer\n<< /Size " + std::to_string(offsets_.size()) + " /Root " + Ref(root);
    if (info > 0) table += " /Info " + Ref(info);
    if (!id.empty()) table += " /ID " + id;
    table += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    out_.Write(table);
    out_.Flush();
  }

  Output& out() { return out_; }

 private:
  Output& out_;
  std::vector<uint64_t> offsets_;  // of each object, by its number
};

// One part written into the joined PDF: its objects, each written once
// under a new number as something written refers to it.
class PartWriter {
 public:
  // What the parts write alike, whichever part wrote it first: the object
  // written for an identity (its text, what it refers to as written, and a
  // stream's data by its digest).
  using Written = std::unordered_map<std::string, int>;

  PartWriter(QPDF& part, Joined& joined, Written& written, int pagesRoot)
      : part_(part), joined_(joined), written_(written), pagesRoot_(pagesRoot) {}

  // Takes `id` as the number of the part's object `object` (a page, an
  // outline item placed beforehand).
  void Place(QPDFObjectHandle object, int id) { numbers_[Key(object.getObjGen())] = id; }

  // The number `object` is written under, writing it (and what it refers
  // to) first where it is not yet. Pages are placed beforehand and written
  // by WritePage; a page the part does not place (none of its pages) is no
  // page of the join: nothing refers to it.
  int Number(QPDFObjectHandle object, bool resource = false) {
    const uint64_t key = Key(object.getObjGen());
    if (const auto known = numbers_.find(key); known != numbers_.end()) return known->second;
    if (object.isPageObject()) return 0;
    // An object that refers back to itself on the way (an annotation and its
    // popup) is numbered first and written when the way back ends.
    const int id = joined_.Reserve();
    numbers_[key] = id;
    const std::string text = Text(object, resource || IsResource(object));
    if (!(resource || IsResource(object))) {
      Write(id, object, text);
      return id;
    }
    // A resource: written once for all parts.
    std::string identity = text;
    if (object.isStream()) {
      ToDigest digest;
      object.pipeStreamData(&digest, 0, qpdf_dl_none);
      identity += "\n" + digest.Digest();
    }
    const auto [same, added] = written_.emplace(std::move(identity), id);
    if (!added) {
      numbers_[key] = same->second;
      unused_.push_back(id);
      return same->second;
    }
    Write(id, object, text);
    return id;
  }

  // Writes the part's page under the number placed for it, in the page tree
  // of the join, with what it inherited from the part's own page tree.
  void WritePage(QPDFObjectHandle page) {
    std::string text = "<<";
    for (const std::string& key : page.getKeys()) {
      if (key == "/Parent") continue;
      text += " " + Name(key) + " " + Value(page.getKey(key), key == "/Resources");
    }
    text += " /Parent " + Ref(pagesRoot_) + " >>";
    joined_.Object(numbers_.at(Key(page.getObjGen())), text);
  }

  // Writes an outline item of the part under `id`, placed in the join by
  // `links` (its /Parent, /Prev, /Next in the join's outline), with the
  // items under it as the part has them.
  void WriteItem(QPDFObjectHandle item, int id, const std::string& links) {
    Place(item, id);
    std::string text = "<<";
    for (const std::string& key : item.getKeys()) {
      if (key == "/Parent" || key == "/Prev" || key == "/Next") continue;
      text += " " + Name(key) + " " + Value(item.getKey(key), false);
    }
    joined_.Object(id, text + links + " >>");
  }

  // A value as the joined PDF holds it (references by their new numbers).
  std::string Value(QPDFObjectHandle value, bool resource) {
    if (value.isIndirect()) {
      const int id = Number(value, resource);
      return id > 0 ? Ref(id) : "null";
    }
    return Text(value, resource);
  }

  // Numbers reserved for a resource that proved to be written already: the
  // join writes them as nothing, so the numbers stay in order.
  const std::vector<int>& unused() const { return unused_; }

 private:
  // What a page draws with, which the parts may hold alike.
  static bool IsResource(QPDFObjectHandle object) {
    if (!object.isDictionary() && !object.isStream()) return false;
    QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
    QPDFObjectHandle type = dict.getKey("/Type");
    return type.isNameAndEquals("/Font") || type.isNameAndEquals("/FontDescriptor") ||
           type.isNameAndEquals("/XObject") || type.isNameAndEquals("/ExtGState") ||
           dict.getKey("/Subtype").isNameAndEquals("/Image") || dict.getKey("/Subtype").isNameAndEquals("/Form");
  }

  std::string Text(QPDFObjectHandle object, bool resource) {
    if (object.isArray()) {
      std::string text = "[";
      for (int k = 0; k < object.getArrayNItems(); ++k) text += " " + Value(object.getArrayItem(k), resource);
      return text + " ]";
    }
    if (object.isDictionary() || object.isStream()) {
      QPDFObjectHandle dict = object.isStream() ? object.getDict() : object;
      std::string text = "<<";
      for (const std::string& key : dict.getKeys()) {
        if (object.isStream() && key == "/Length") continue;
        text += " " + Name(key) + " " + Value(dict.getKey(key), resource);
      }
      return text + " >>";
    }
    return object.unparseBinary();
  }

  void Write(int id, QPDFObjectHandle object, const std::string& text) {
    if (!object.isStream()) {
      joined_.Object(id, text);
      return;
    }
    // The data as the converter wrote it, of the length its dictionary
    // gives; where that is no number, of the length written.
    long long given = -1;
    const bool known = object.getDict().getKey("/Length").getValueAsInt(given) && given >= 0;
    const int length = known ? 0 : joined_.Reserve();
    joined_.Object(id, text.substr(0, text.size() - 2) + "/Length " + (known ? std::to_string(given) : Ref(length)) + " >>",
                   [&] {
                     ToOutput data(joined_.out());
                     object.pipeStreamData(&data, 0, qpdf_dl_none);
                     size_ = data.size();
                   });
    if (!known) {
      joined_.Object(length, std::to_string(size_));
    } else if (size_ != static_cast<size_t>(given)) {
      throw std::runtime_error("a stream of " + std::to_string(size_) + " bytes says it has " + std::to_string(given));
    }
  }

  QPDF& part_;
  Joined& joined_;
  Written& written_;
  int pagesRoot_;
  std::unordered_map<uint64_t, int> numbers_;
  std::vector<int> unused_;
  size_t size_ = 0;
};

// The join's outline as the temporary file carries it: folder groups and
// the plot files' entries. A plot file's entry is written from the part
// that made it, with all under it (its pages' entries and its own
// bookmarks), as gs made it; an entry no part holds (a converter that drops
// the marks) from the outline itself.
class OutlinePlan {
 public:
  struct Item {
    int id = 0;
    int parent = 0;
    int prev = 0, next = 0, first = 0, last = 0;
    int children = 0;
    const WrittenOutlineEntry* entry = nullptr;
    int file = 0;  // the plot file whose entry this is or is under (its pages' entries); 0: none
  };

  OutlinePlan(Joined& joined, const std::vector<WrittenOutlineEntry>& entries) {
    if (entries.empty()) return;
    root_ = joined.Reserve();
    top_ = Children(joined, entries, root_, -1);
  }

  int root() const { return root_; }
  // The item of plot file `number`'s entry; nullptr when there is none.
  const Item* OfFile(int number) const {
    const auto found = files_.find(number);
    return found == files_.end() ? nullptr : &items_[found->second];
  }
  // /Parent, /Prev and /Next of an item, as dictionary text.
  static std::string Links(const Item& item) {
    std::string text = " /Parent " + Ref(item.parent);
    if (item.prev) text += " /Prev " + Ref(item.prev);
    if (item.next) text += " /Next " + Ref(item.next);
    return text;
  }

  // Writes every item no part wrote, and the root.
  void Finish(Joined& joined, const std::vector<int>& pages, const std::unordered_map<int, bool>& written) {
    if (!root_) return;
    for (const Item& item : items_) {
      if (item.file > 0 && written.count(item.file)) {
        // Written from its part, as gs made it, with the entries under it.
        if (item.entry->plotFile == 0) joined.Object(item.id, "null");
        continue;
      }
      const OutlineRecord& record = item.entry->record;
      if (record.page < 1 || static_cast<size_t>(record.page) > pages.size()) {
        throw std::runtime_error("the outline entry \"" + record.title + "\" goes to page " +
                                 std::to_string(record.page) + " of " + std::to_string(pages.size()));
      }
      // As the converter writes a pdfmark entry: a page entry's view is
      // [/XYZ null null 0]; a group names none and shows closed.
      std::string text = "<< /Title " + PdfMarkString(record.title) + " /Dest [ " +
                         Ref(pages[static_cast<size_t>(record.page) - 1]) + " /XYZ null null " +
                         (record.kind == OutlineRecord::Kind::Group ? "null" : "0") + " ]" + Links(item);
      if (item.first) text += " /First " + Ref(item.first) + " /Last " + Ref(item.last);
      if (item.children) text += " /Count -" + std::to_string(item.children);
      if (item.entry->plotFile > 0) text += " /" + std::string(kPlotFileKey) + " " + std::to_string(item.entry->plotFile);
      joined.Object(item.id, text + " >>");
    }
    std::string root = "<< /Type /Outlines /Count " + std::to_string(top_);
    if (!items_.empty()) root += " /First " + Ref(firstTop_) + " /Last " + Ref(lastTop_);
    joined.Object(root_, root + " >>");
  }

 private:
  // Places up to `count` entries (all that are left when negative) under
  // `parent`; returns how many.
  int Children(Joined& joined, const std::vector<WrittenOutlineEntry>& entries, int parent, int count) {
    std::vector<size_t> placed;
    while ((count < 0 || static_cast<int>(placed.size()) < count) && next_ < entries.size()) {
      const WrittenOutlineEntry& entry = entries[next_++];
      const size_t index = items_.size();
      items_.push_back({joined.Reserve(), parent, 0, 0, 0, 0, 0, &entry, entry.plotFile > 0 ? entry.plotFile : file_});
      placed.push_back(index);
      if (entry.plotFile > 0) files_[entry.plotFile] = index;
      if (entry.record.kind != OutlineRecord::Kind::Group) continue;
      const size_t first = items_.size();
      const int outer = file_;
      if (entry.plotFile > 0) file_ = entry.plotFile;
      const int children = Children(joined, entries, items_[index].id, entry.record.count);
      file_ = outer;
      items_[index].children = children;
      if (children > 0) {
        items_[index].first = items_[first].id;
        items_[index].last = LastChild(first, items_[index].id);
      }
    }
    for (size_t k = 0; k < placed.size(); ++k) {
      if (k > 0) items_[placed[k]].prev = items_[placed[k - 1]].id;
      if (k + 1 < placed.size()) items_[placed[k]].next = items_[placed[k + 1]].id;
    }
    if (parent == root_ && !placed.empty()) {
      firstTop_ = items_[placed.front()].id;
      lastTop_ = items_[placed.back()].id;
    }
    return static_cast<int>(placed.size());
  }
  int LastChild(size_t from, int parent) const {
    int last = 0;
    for (size_t k = from; k < items_.size(); ++k) {
      if (items_[k].parent == parent) last = items_[k].id;
    }
    return last;
  }

  std::vector<Item> items_;
  std::unordered_map<int, size_t> files_;
  size_t next_ = 0;
  int file_ = 0;  // the plot file whose entries are being placed
  int root_ = 0, top_ = 0, firstTop_ = 0, lastTop_ = 0;
};

// The part's outline items that mark where a plot file began, by its number.
std::unordered_map<int, QPDFObjectHandle> MarkedItems(QPDF& part) {
  std::unordered_map<int, QPDFObjectHandle> marked;
  const std::string key = "/" + std::string(kPlotFileKey);
  QPDFObjectHandle outlines = part.getRoot().getKeyIfDict("/Outlines");
  if (!outlines.isDictionary()) return marked;
  std::unordered_map<uint64_t, bool> seen;
  std::vector<QPDFObjectHandle> pending{outlines.getKey("/First")};
  while (!pending.empty()) {
    QPDFObjectHandle item = pending.back();
    pending.pop_back();
    for (; item.isDictionary(); item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen.emplace(Key(item.getObjGen()), true).second) break;
      long long number = 0;
      if (item.getKey(key).getValueAsInt(number) && number > 0 && number <= INT_MAX) {
        marked.emplace(static_cast<int>(number), item);
      } else {
        pending.push_back(item.getKey("/First"));
      }
    }
  }
  return marked;
}

}  // namespace

bool MergePdfParts(const std::vector<std::filesystem::path>& parts, const std::vector<WrittenOutlineEntry>& outline,
                   int writeTo, std::string& why, std::error_code* writeError) {
  if (parts.empty()) {
    why = "no parts to join";
    return false;
  }
  Output out(writeTo);
  try {
    Joined joined(out);
    out.Write("%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    const int catalog = joined.Reserve();
    const int pagesRoot = joined.Reserve();
    OutlinePlan plan(joined, outline);
    PartWriter::Written written;
    std::vector<int> pages;
    std::unordered_map<int, bool> itemsWritten;
    std::map<std::string, std::string> names;  // named destinations, in the order a name tree keeps them
    std::string catalogKeys, id;
    int info = 0;
    std::vector<int> unused;
    for (size_t k = 0; k < parts.size(); ++k) {
      QPDF part;
      part.setSuppressWarnings(true);
      part.processFile(parts[k].c_str());
      part.pushInheritedAttributesToPage();
      PartWriter writer(part, joined, written, pagesRoot);
      // Every page is numbered first: a link on one page may go to a later one.
      std::vector<QPDFObjectHandle> own;
      for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(part).getAllPages()) {
        own.push_back(page.getObjectHandle());
        pages.push_back(joined.Reserve());
        writer.Place(own.back(), pages.back());
      }
      for (QPDFObjectHandle& page : own) writer.WritePage(page);
      for (auto& [number, item] : MarkedItems(part)) {
        const OutlinePlan::Item* placed = plan.OfFile(number);
        if (!placed || itemsWritten.count(number)) continue;
        writer.WriteItem(item, placed->id, OutlinePlan::Links(*placed));
        itemsWritten[number] = true;
      }
      QPDFObjectHandle tree = part.getRoot().getKeyIfDict("/Names").getKeyIfDict("/Dests");
      if (tree.isDictionary()) {
        for (const auto& [name, dest] : QPDFNameTreeObjectHelper(tree, part)) {
          names.emplace(name, writer.Value(dest, false));
        }
      }
      // The bind's document information and catalog come with the first part.
      if (k == 0) {
        QPDFObjectHandle root = part.getRoot();
        for (const std::string& key : root.getKeys()) {
          if (key == "/Type" || key == "/Pages" || key == "/Outlines" || key == "/Names" || key == "/Metadata") continue;
          catalogKeys += " " + Name(key) + " " + writer.Value(root.getKey(key), false);
        }
        QPDFObjectHandle trailer = part.getTrailer();
        if (QPDFObjectHandle infoDict = trailer.getKey("/Info"); infoDict.isIndirect()) info = writer.Number(infoDict);
        if (trailer.getKey("/ID").isArray()) id = trailer.getKey("/ID").unparseBinary();
      }
      unused.insert(unused.end(), writer.unused().begin(), writer.unused().end());
      if (out.error()) break;
    }
    if (!out.error()) {
      plan.Finish(joined, pages, itemsWritten);
      for (int number : unused) joined.Object(number, "null");
      std::string kids;
      for (int page : pages) kids += " " + Ref(page);
      joined.Object(pagesRoot, "<< /Type /Pages /Count " + std::to_string(pages.size()) + " /Kids [" + kids + " ] >>");
      std::string root = "<< /Type /Catalog /Pages " + Ref(pagesRoot) + catalogKeys;
      if (plan.root()) root += " /Outlines " + Ref(plan.root());
      if (!names.empty()) {
        std::string entries;
        for (const auto& [name, dest] : names) entries += " " + QPDFObjectHandle::newString(name).unparseBinary() + " " + dest;
        root += " /Names << /Dests << /Names [" + entries + " ] >> >>";
      }
      joined.Object(catalog, root + " >>");
      joined.Finish(catalog, info, id);
    }
    if (!out.error()) return true;
    why = "writing the joined PDF: " + out.error().message();
    if (writeError) *writeError = out.error();
  } catch (const QPDFExc& e) {
    why = e.getMessageDetail();
  } catch (const std::exception& e) {
    why = e.what();
  }
  return false;
}

}  // namespace quiremark::engine
