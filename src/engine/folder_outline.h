#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "engine/outline.h"
#include "platform/file_search.h"

namespace quiremark::engine {

// One folder of a scanned tree as the scan listed it.
struct ScannedFolder {
  std::string path;                     // full path; a subfolder's begins with the start folder's
  std::vector<std::string> files;       // the plot files the file filter lets through, in name order
  platform::NameLookup textFiles;       // its normal ".txt" files, where the side files are found
  std::vector<std::size_t> subfolders;  // indexes of its listed subfolders in the tree, in name order
  bool collected = false;               // it holds files that passed every filter
};

// A scanned folder tree in walk order: element 0 is the start folder, and
// every folder comes before its subfolders.
using ScannedTree = std::vector<ScannedFolder>;

// One plot file as the outline took it, for the caller's grid row.
struct OutlinedFile {
  std::string gridName;  // path relative to the start folder: "a.plt", "/Sub/c.plt" ("Sub/c.plt" below "/")
  std::string bookmark;  // the title as read: a side file's text with its leading blank, or the base name
  std::chrono::system_clock::time_point modified;
};

// What the outline builder reports while it walks.
struct FolderOutlineHooks {
  std::function<void(const std::string& folder)> onFolder;  // each folder as it is walked
  std::function<void(const OutlinedFile&)> onFile;         // each file, after its outline entries
  // each plot file left out because it cannot be opened, with why
  std::function<void(const std::string& path, const std::error_code& error)> onLeftOut;
  // each bookmark side file listed that cannot be read (gone since, or not
  // the user's to read), with why; its plot file takes its base name as title
  std::function<void(const std::string& path, const std::error_code& error)> onUnreadableSideFile;
};

// Whether a folder's subtree holds a collected folder, by index: the folder
// itself or any folder below it (whole path components, not text prefixes).
std::vector<bool> HoldsCollected(const ScannedTree& tree);

// Appends to `outline` the entries of the start folder's files, then depth
// first, in name order, for each subfolder that is visited, a group titled
// with the folder's name counting the entries directly under it, followed
// by its files' entries and its own subfolders. A subfolder is visited when
// it holds a collected folder, or always with `includeEmptyFolders`.
// Every plot file of a visited folder is taken; one that cannot be opened
// (gone or unreadable since it was listed) is left out of the outline and of
// the count, and reported to onLeftOut.
// No plot file is read: each one's entries take their pages when the bind
// copies the file (OutlineState::FileCounted).
void BuildFolderBookmarks(const ScannedTree& tree, bool includeEmptyFolders, OutlineState& outline,
                          const FolderOutlineHooks& hooks);

// A plot file ready for the outline: its title as read, its path and date.
struct PlotFileEntry {
  std::string name;
  std::string path;  // as the bind opens it: the folder's path, "/", the name
  std::string bookmark;
  std::chrono::system_clock::time_point modified;
};

// The entries of a folder's plot files that can be opened, in list order;
// each one that cannot be is reported to `leftOut`, and each side file
// listed that cannot be read to `unreadableSideFile`.
std::vector<PlotFileEntry> ReadPlotFileEntries(
    const ScannedFolder& folder,
    const std::function<void(const std::string& path, const std::error_code& error)>& leftOut = {},
    const std::function<void(const std::string& path, const std::error_code& error)>& unreadableSideFile = {});

// Appends the outline entries of a folder's files (a page entry for a
// one-page file, a group with "(Sid. n)" page entries for more, once the
// bind has counted its pages) and reports each file with its name relative
// to the start folder.
void AddFileBookmarks(const std::vector<PlotFileEntry>& files, const std::string& relativePath,
                      OutlineState& outline, const FolderOutlineHooks& hooks);

}  // namespace quiremark::engine
