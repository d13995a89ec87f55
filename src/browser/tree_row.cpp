#include "browser/tree_row.h"

namespace quiremark::browser {

TreeRowKind TreeRowData::KindOf(const std::string& data) {
  if (data.empty()) return TreeRowKind::Empty;
  if (data[0] == kHistoryMarker) return data.size() == 1 ? TreeRowKind::HistoryRoot : TreeRowKind::HistoryEntry;
  if (data[0] == kFavouriteMarker) return data.size() == 1 ? TreeRowKind::FavouritesRoot : TreeRowKind::Favourite;
  return TreeRowKind::Folder;
}

std::string TreeRowData::FolderOf(const std::string& data) {
  if (!data.empty() && (data[0] == kHistoryMarker || data[0] == kFavouriteMarker)) return data.substr(1);
  return data;
}

std::string FolderName(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  if (end == 1 && path[0] == '/') return "/";
  const std::size_t slash = path.rfind('/', end - 1);
  return slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
}

}  // namespace quiremark::browser
