#pragma once

#include <filesystem>
#include <string>

#include "platform/file_search.h"

namespace quiremark::engine {

// The text of a bookmark side file for outline titles and the title file: its
// lines up to the first empty one, each trimmed and joined by one blank, runs
// of blanks collapsed. "" when no normal file is there. The name is looked up
// ignoring letter case; the file may be Windows-1252 or UTF-8, with CR LF, CR
// or LF line ends. A file that cannot be read throws
// std::filesystem::filesystem_error naming it.
std::string ReadBookmarkText(const std::filesystem::path& path);

// The text a tree scan gives a side file for the outline and the grid: its
// lines up to the first empty one, each trimmed of blanks at both ends and
// preceded by one blank, so the text begins with a blank; runs of blanks
// inside a line stay. "" when no line is kept. Decoded like ReadBookmarkText;
// throws std::system_error when the file cannot be read.
std::string ReadScanBookmarkText(const std::filesystem::path& sideFile);
// The same for the side file `name` in `folder`, held open for the folder's files.
std::string ReadScanBookmarkText(const platform::OpenFolder& folder, const std::string& name);

// The same with the side file looked up in a listing of its folder's normal
// files made beforehand (see SideFileListing).
std::string ReadBookmarkText(const platform::FolderNames& sideFiles, const std::string& name);

// A listing of the normal files a folder holds now, for many side-file lookups.
platform::FolderNames SideFileListing(const std::filesystem::path& folder);

// The outline title of a plot file: the text of the side file beside it with
// the plot file's base name (its name up to its last ".", or the whole name
// when it has none) and ".txt", else that base name, decoded as a side file is
// when it is not UTF-8 (a Windows-1252 name from an old share).
std::string PlotFileTitle(const std::filesystem::path& plotFile);
// The same with the side file looked up in `sideFiles`, the listing of the
// plot file's folder.
std::string PlotFileTitle(const std::string& plotFile, const platform::FolderNames& sideFiles);

}  // namespace quiremark::engine
