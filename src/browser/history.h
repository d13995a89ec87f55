#pragma once

#include <string>

#include "controls/grid.h"

namespace quiremark::browser {

// Registry subkeys of the folder history and the favourites.
inline constexpr const char* kPreviousKey = "Previous";
inline constexpr const char* kFavouriteKey = "Favourite";

// Deletes every value of the subkey whose data is `path`, exactly as written
// (folders whose names differ only in letter case are two folders), so that
// each folder has at most one entry.
void RemovePathEntries(const std::string& subKey, const std::string& path);

// Records a history entry named date + "|" + folder name with the tree row's
// data (a favourite's or history entry's folder without its marker),
// replacing any earlier entry of the same path.
void SavePrevious(const std::string& date, const std::string& folder, const std::string& rowData);

// The folder tree's current row, a history entry, leaves the history with
// every other entry of its folder.
void DeletePrevious(controls::Grid& tree);

// The folder tree's current row, a folder or drive, becomes a favourite named
// after the folder, in place of any earlier favourite of that folder.
void SaveFavourite(controls::Grid& tree);

// The folder tree's current row, a favourite, leaves the favourites with
// every other favourite of its folder; its rows leave the tree.
void DeleteFavourite(controls::Grid& tree);

// The number of history entries.
int ScanPrevious();

}  // namespace quiremark::browser
