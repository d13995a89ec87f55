#pragma once

#include <string>

namespace quiremark::browser {

// Texts of the folder tree's fixed rows.
inline constexpr const char* kComputerText = "Den här datorn";
inline constexpr const char* kHistoryText = "Tidigare";
inline constexpr const char* kFavouritesText = "Sparade favoriter";

// What a tree row is, told by its data string.
enum class TreeRowKind {
  Empty,           // "": the computer root, or a placeholder child (whose text is empty too)
  HistoryRoot,     // ">"
  FavouritesRoot,  // "<"
  HistoryEntry,    // ">" + folder
  Favourite,       // "<" + folder
  Folder,          // the folder's path; a drive's is the folder it is mounted on
};

// The data string of a folder tree row, the one place that knows its markers.
struct TreeRowData {
  static constexpr char kHistoryMarker = '>';
  static constexpr char kFavouriteMarker = '<';

  static TreeRowKind KindOf(const std::string& data);
  // The folder a row stands for: the data without its leading marker. Only
  // the marker goes: a folder name may hold "<" or ">" itself.
  static std::string FolderOf(const std::string& data);
  static std::string HistoryEntry(const std::string& folder) { return kHistoryMarker + folder; }
  static std::string Favourite(const std::string& folder) { return kFavouriteMarker + folder; }
};

// The name a folder goes by: its last path component ("" for ""). A
// trailing "/" is no component, and "/" itself is named "/".
std::string FolderName(const std::string& path);

}  // namespace quiremark::browser
