#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "browser/file_pane.h"

namespace quiremark::browser {

// The files of a grid row inside a folder: the plot file the row names (a
// bare name, or a path below the folder as a tree scan writes it) and where
// its side file would be (the plot file's base name and ".txt"). Empty when
// the row would lead outside the folder: a "." or ".." part, or a subfolder
// that is a link to somewhere else. A leading "/" is the tree scan's mark
// of a path below the folder, never the file system's root.
struct RowFiles {
  std::filesystem::path plotFile;
  std::filesystem::path sideFile;
};
std::optional<RowFiles> RowFilesIn(const std::string& folder, const std::string& rowText);

// Command 305: after the question, deletes the plot and side files of the
// selected rows (all rows when none is selected) in the working folder and
// removes their rows; a side file goes also when its plot file is missing.
void DeletePlotFiles(FilePane& pane);

// Command 956: after the question, deletes the selected rows' plot files in
// the file list's folder, each side file only after its plot file, then
// removes the rows. Does nothing while the grid shows a tree scan.
void DeleteSelectedFiles(FilePane& pane);

}  // namespace quiremark::browser
