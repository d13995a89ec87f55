#include "engine/pdf_merge.h"

#include <unistd.h>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <memory>
#include <system_error>

#include "engine/pdfmark.h"
#include "platform/raw_file.h"

namespace quiremark::engine {

namespace {

// The outline items of `entries`, in the joined PDF, going to its `pages`:
// each group owns the entries after it, as a converter reads the pdfmark
// lines of the same entries.
class OutlineWriter {
 public:
  OutlineWriter(QPDF& pdf, const std::vector<QPDFObjectHandle>& pages, const std::vector<WrittenOutlineEntry>& entries)
      : pdf_(pdf), pages_(pages), entries_(entries) {}

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
    QPDFObjectHandle first, last;
    int written = 0;
    while ((count < 0 || written < count) && next_ < entries_.size()) {
      const WrittenOutlineEntry& entry = entries_[next_++];
      QPDFObjectHandle item = Item(entry, parent);
      if (last.isInitialized()) {
        last.replaceKey("/Next", item);
        item.replaceKey("/Prev", last);
      } else {
        first = item;
      }
      last = item;
      ++written;
      if (entry.record.kind == OutlineRecord::Kind::Group) {
        const int children = Children(item, entry.record.count);
        if (children > 0) item.replaceKey("/Count", QPDFObjectHandle::newInteger(-children));
      }
    }
    if (written > 0) {
      parent.replaceKey("/First", first);
      parent.replaceKey("/Last", last);
    }
    return written;
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
  size_t next_ = 0;
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
      for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*others.back()).getAllPages()) {
        pages.addPage(page, false);
      }
    }
    std::vector<QPDFObjectHandle> pageObjects;
    for (QPDFPageObjectHelper& page : pages.getAllPages()) pageObjects.push_back(page.getObjectHandle());
    QPDFObjectHandle root = OutlineWriter(whole, pageObjects, outline).Root();
    if (root.isInitialized()) {
      whole.getRoot().replaceKey("/Outlines", root);
    } else {
      whole.getRoot().removeKey("/Outlines");
    }

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
