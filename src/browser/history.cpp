#include "browser/history.h"

#include <optional>

#include "browser/tree_row.h"
#include "settings/registry_settings.h"

namespace quiremark::browser {

namespace {

// The data of the tree's current row when the row is of that kind.
std::optional<std::string> CurrentRowData(const controls::Grid& tree, TreeRowKind kind) {
  const int row = tree.row();
  if (row < 0 || row >= tree.rows() || TreeRowData::KindOf(tree.RowData(row)) != kind) return std::nullopt;
  return tree.RowData(row);
}

}  // namespace

void RemovePathEntries(const std::string& subKey, const std::string& path) {
  const std::string key = settings::ProgramKeyPath() + "\\" + subKey;
  // A deletion moves the later values one index down, so the index only
  // moves on past a value that stays.
  for (int index = 0;;) {
    const settings::RegValueEntry entry = settings::RegEnumValueAt(settings::Hive::CurrentUser, key, index);
    if (!entry.found) break;
    // Paths are compared as they are written: folders whose names differ
    // only in letter case are two folders.
    if (entry.data != path) {
      ++index;
      continue;
    }
    settings::DeleteRegSetting(entry.name, subKey);
    // A value that could not be deleted is passed over, not met again and again.
    if (settings::RegEnumValueAt(settings::Hive::CurrentUser, key, index).name == entry.name) ++index;
  }
}

void SavePrevious(const std::string& date, const std::string& folder, const std::string& rowData) {
  // A favourite or a history entry stands for its folder; the history row
  // adds its own marker when it is listed.
  const TreeRowKind kind = TreeRowData::KindOf(rowData);
  const bool entry = kind == TreeRowKind::Favourite || kind == TreeRowKind::HistoryEntry;
  const std::string path = entry ? TreeRowData::FolderOf(rowData) : rowData;
  RemovePathEntries(kPreviousKey, path);
  settings::SaveRegSetting(date + "|" + folder, path, kPreviousKey);
}

void DeletePrevious(controls::Grid& tree) {
  const std::optional<std::string> data = CurrentRowData(tree, TreeRowKind::HistoryEntry);
  if (!data) return;
  RemovePathEntries(kPreviousKey, TreeRowData::FolderOf(*data));
  tree.RemoveItem(tree.row());
}

void SaveFavourite(controls::Grid& tree) {
  // The computer root names no folder: a favourite of it would be a nameless row.
  const std::optional<std::string> path = CurrentRowData(tree, TreeRowKind::Folder);
  if (!path) return;
  RemovePathEntries(kFavouriteKey, *path);
  settings::SaveRegSetting(FolderName(*path), *path, kFavouriteKey);
}

void DeleteFavourite(controls::Grid& tree) {
  const std::optional<std::string> data = CurrentRowData(tree, TreeRowKind::Favourite);
  if (!data) return;
  RemovePathEntries(kFavouriteKey, TreeRowData::FolderOf(*data));
  // The favourite's row goes with the rows below it: its placeholder or its listed subfolders.
  const int row = tree.row();
  const int level = tree.RowOutlineLevel(row);
  while (row + 1 < tree.rows() && tree.RowOutlineLevel(row + 1) > level) tree.RemoveItem(row + 1);
  tree.RemoveItem(row);
}

int ScanPrevious() {
  const std::string key = settings::ProgramKeyPath() + "\\" + kPreviousKey;
  int count = 0;
  while (settings::RegEnumValueAt(settings::Hive::CurrentUser, key, count).found) ++count;
  return count;
}

}  // namespace quiremark::browser
