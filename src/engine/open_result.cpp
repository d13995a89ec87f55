#include "engine/open_result.h"

#include "platform/file_search.h"
#include "platform/process.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

namespace {

namespace fs = std::filesystem;

// The path without its ".pdf" (any letter case); the whole path for another name.
std::string BaseOf(const std::string& pdf, bool& hasPdfExtension) {
  hasPdfExtension = pdf.size() >= 4 && platform::EqualsIgnoringCase(pdf.substr(pdf.size() - 4), ".pdf");
  return hasPdfExtension ? pdf.substr(0, pdf.size() - 4) : pdf;
}

fs::path FolderOf(const fs::path& path) { return path.parent_path().empty() ? "." : path.parent_path(); }

}  // namespace

ResultByProducts::ResultByProducts(const std::string& pdf) {
  bool hasPdfExtension = false;
  const fs::path base(BaseOf(pdf, hasPdfExtension));
  folder_ = FolderOf(base);
  if (hasPdfExtension) baseName_ = base.filename().string();
  logBefore_ = Find(".log").has_value();
}

std::optional<fs::path> ResultByProducts::Find(const char* extension) const {
  if (baseName_.empty()) return std::nullopt;
  return platform::FindFileIgnoringCase(folder_, baseName_ + extension);
}

std::vector<std::string> ResultByProducts::Removable(const std::vector<BoundFile>& bound) const {
  std::vector<std::string> removable;
  if (const auto ps = Find(".ps")) {
    bool wasBound = false;
    std::error_code ec;
    for (const BoundFile& file : bound) {
      if (fs::equivalent(*ps, file.path, ec)) {
        wasBound = true;
        break;
      }
    }
    if (!wasBound) removable.push_back(ps->string());
  }
  if (const auto log = Find(".log"); log && !logBefore_) removable.push_back(log->string());
  return removable;
}

void OpenResultPdf(controls::UiServices& ui, const std::string& pdf, const std::vector<std::string>& byProducts) {
  bool hasPdfExtension = false;
  const std::string base = BaseOf(pdf, hasPdfExtension);
  const fs::path basePath(base);
  const auto found = platform::FindFileIgnoringCase(FolderOf(basePath),
                                                    basePath.filename().string() + (hasPdfExtension ? ".pdf" : ""));
  if (!found) {
    ui.MessageBox("Filen " + base + ".pdf existerar ej/är ej färdigdestillerad.",
                  controls::mb::kOkOnly | controls::mb::kExclamation, "Fil saknas");
    return;
  }
  for (const std::string& byProduct : byProducts) {
    std::error_code ec;
    fs::remove(byProduct, ec);
  }
  StartDoc(found->string());
}

long StartDoc(const std::string& docName) { return platform::ShellOpen(docName) ? 42 : 31; }

}  // namespace quiremark::engine
