#pragma once

#include <filesystem>
#include <string>

#include "engine/pdfmark.h"
#include "platform/file_search.h"

namespace quiremark::engine {

// The catalog choices stored in the options (cboShow, cboLayout, cboZoom).
// A run reads them before it may show the options dialog for the metadata, so
// a change made there applies from the next run on.
CatalogChoices ReadCatalogChoices();

// The document title: the stored DocTitle, or, when that is the title-file
// marker "<QuiremarkTitle.txt>" in any letter case, the text of the drawing
// folder's QuiremarkTitle.txt, else the folder's name, a blank and the PDF's
// file name. The title file is looked up in the run's `listings` when given.
std::string DocumentTitle(const std::filesystem::path& drawingFolder, const std::filesystem::path& pdfPath,
                          platform::FolderListings* listings = nullptr);

// The document information of the PDF being made, read after the metadata
// prompt: title as above, author (the user's name by default), subject,
// keywords and the current time as a PDF date.
DocInfo ReadDocInfo(const std::filesystem::path& drawingFolder, const std::filesystem::path& pdfPath,
                    platform::FolderListings* listings = nullptr);

}  // namespace quiremark::engine
