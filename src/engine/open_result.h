#pragma once

#include <string>

#include "controls/ui_services.h"

namespace quiremark::engine {

// Opens a finished PDF in the desktop's PDF viewer after deleting the
// by-products beside it with its base name and ".ps" or ".log" (names compared
// ignoring letter case). A missing PDF shows "Fil saknas" and deletes nothing.
void OpenResultPdf(controls::UiServices& ui, const std::string& pdf);

// Opens a document with its associated program without waiting (xdg-open).
// Returns a value above 32 when the opener was started, 31 (no association)
// when it could not be.
long StartDoc(const std::string& docName);

}  // namespace quiremark::engine
