#include "engine/open_result.h"

#include <filesystem>

#include "platform/file_search.h"
#include "platform/process.h"
#include "platform/text_encoding.h"

namespace quiremark::engine {

void OpenResultPdf(controls::UiServices& ui, const std::string& pdf) {
  // The base name is the path without its ".pdf"; another name is taken whole.
  const bool hasPdfExtension = pdf.size() >= 4 && platform::EqualsIgnoringCase(pdf.substr(pdf.size() - 4), ".pdf");
  const std::string base = hasPdfExtension ? pdf.substr(0, pdf.size() - 4) : pdf;
  const std::filesystem::path basePath(base);
  const std::filesystem::path folder = basePath.parent_path().empty() ? "." : basePath.parent_path();
  const std::string baseName = basePath.filename().string();

  const auto found = platform::FindFileIgnoringCase(folder, hasPdfExtension ? baseName + ".pdf" : baseName);
  if (!found) {
    ui.MessageBox("Filen " + base + ".pdf existerar ej/är ej färdigdestillerad.",
                  controls::mb::kOkOnly | controls::mb::kExclamation, "Fil saknas");
    return;
  }
  if (hasPdfExtension) {
    for (const char* extension : {".ps", ".log"}) {
      if (const auto byProduct = platform::FindFileIgnoringCase(folder, baseName + extension)) {
        std::error_code ec;
        std::filesystem::remove(*byProduct, ec);
      }
    }
  }
  StartDoc(found->string());
}

long StartDoc(const std::string& docName) { return platform::ShellOpen(docName) ? 42 : 31; }

}  // namespace quiremark::engine
