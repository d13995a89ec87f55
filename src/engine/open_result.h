#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controls/ui_services.h"
#include "engine/temp_ps_file.h"

namespace quiremark::engine {

// The files beside a PDF with its base name and ".ps" or ".log" (names
// compared ignoring letter case) that opening the PDF removes as what a
// converter left behind. Noted when the run starts converting, decided when
// it has ended: the ".ps" unless it is one of the plot files the run bound
// (a drawing "Plan.ps" bound into "Plan.pdf" is the user's), the ".log" only
// when it came during the conversion, so this run's converter wrote it.
class ResultByProducts {
 public:
  explicit ResultByProducts(const std::string& pdf);
  std::vector<std::string> Removable(const std::vector<BoundFile>& bound) const;

 private:
  std::optional<std::filesystem::path> Find(const char* extension) const;

  std::filesystem::path folder_;
  std::string baseName_;  // "" when the PDF's name does not end in ".pdf"
  bool logBefore_ = false;
};

// Opens a finished PDF in the desktop's PDF viewer after removing the
// by-products its run left beside it (`byProducts`, as ResultByProducts
// decided them). A missing PDF shows "Fil saknas" and removes nothing.
void OpenResultPdf(controls::UiServices& ui, const std::string& pdf, const std::vector<std::string>& byProducts);

// Opens a document with its associated program without waiting (xdg-open).
// Returns a value above 32 when the opener was started, 31 (no association)
// when it could not be.
long StartDoc(const std::string& docName);

}  // namespace quiremark::engine
