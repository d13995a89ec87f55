#pragma once

#include <string>

namespace quiremark::browser {

// Registry subkeys of the folder history and the favourites.
inline constexpr const char* kPreviousKey = "Previous";
inline constexpr const char* kFavouriteKey = "Favourite";

// Deletes every value of the subkey whose data is `path`, ignoring letter
// case, so that each folder has at most one entry.
void RemovePathEntries(const std::string& subKey, const std::string& path);

// Records a history entry named date + "|" + folder name with the tree row's
// data, replacing any earlier entry of the same path.
void SavePrevious(const std::string& date, const std::string& folder, const std::string& rowData);

}  // namespace quiremark::browser
