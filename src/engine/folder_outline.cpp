#include "engine/folder_outline.h"

#include <chrono>
#include <ctime>
#include <system_error>

#include "engine/bookmark_text.h"
#include "platform/file_search.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {

// The title of one plot file from its side file, else its base name. A side
// file the listing holds that cannot be read (gone since, or not this
// user's to read) is reported to `unreadable`, as a bind of the grid fails
// on it.
std::string ScanTitle(const ScannedFolder& folder, const platform::OpenFolder& opened, const std::string& base,
                      const std::function<void(const std::string&, const std::error_code&)>& unreadable) {
  if (const std::string* side = folder.textFiles.Find(base + ".txt")) {
    try {
      std::string text = ReadScanBookmarkText(opened, *side);
      if (!text.empty()) return text;
    } catch (const std::system_error& error) {
      if (unreadable) unreadable(platform::JoinPath(folder.path, *side), error.code());
    } catch (const std::exception&) {
      if (unreadable) unreadable(platform::JoinPath(folder.path, *side), std::make_error_code(std::errc::io_error));
    }
  }
  return platform::DecodeText(base);  // a name from an old share may be Windows-1252
}

}  // namespace

std::vector<bool> HoldsCollected(const ScannedTree& tree) {
  std::vector<bool> holds(tree.size(), false);
  // Subfolders come after their folder, so walking backwards settles them first.
  for (std::size_t i = tree.size(); i-- > 0;) {
    bool any = tree[i].collected;
    for (std::size_t sub : tree[i].subfolders) any = any || holds[sub];
    holds[i] = any;
  }
  return holds;
}

std::vector<PlotFileEntry> ReadPlotFileEntries(
    const ScannedFolder& folder,
    const std::function<void(const std::string& path, const std::error_code& error)>& leftOut,
    const std::function<void(const std::string& path, const std::error_code& error)>& unreadableSideFile) {
  std::vector<PlotFileEntry> entries;
  entries.reserve(folder.files.size());
  const platform::OpenFolder opened(folder.path);
  for (const std::string& name : folder.files) {
    PlotFileEntry entry;
    entry.name = name;
    // Opened, not read: the bind counts the pages while it copies the file.
    // A file that cannot be opened (gone or unreadable since the scan listed
    // it, or no longer a regular file) is left out, as the bind could not copy it.
    // Its date comes from the look at the file that opening it made.
    std::timespec written{};
    try {
      const platform::ReadOnlyFile file(opened, name);
      written = file.modified();
    } catch (const std::system_error& error) {
      if (leftOut) leftOut(platform::JoinPath(folder.path, name), error.code());
      continue;
    } catch (const std::exception&) {
      if (leftOut) leftOut(platform::JoinPath(folder.path, name), std::make_error_code(std::errc::io_error));
      continue;
    }
    // As text: a path object per file costs more than the file's whole entry.
    entry.path = platform::JoinPath(folder.path, name);
    entry.modified = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(written.tv_sec) + std::chrono::nanoseconds(written.tv_nsec)));
    entry.bookmark = ScanTitle(folder, opened, settings::BaseName(name), unreadableSideFile);
    entries.push_back(std::move(entry));
  }
  return entries;
}

void AddFileBookmarks(const std::vector<PlotFileEntry>& files, const std::string& relativePath,
                      OutlineState& outline, const FolderOutlineHooks& hooks) {
  const std::string separator = relativePath.empty() || relativePath.ends_with('/') ? "" : "/";
  for (const PlotFileEntry& file : files) {
    outline.AddUncountedFile(file.bookmark, file.path);
    if (hooks.onFile)
      hooks.onFile({platform::ShownPath(relativePath + separator + file.name), file.bookmark, file.modified});
  }
}

void BuildFolderBookmarks(const ScannedTree& tree, bool includeEmptyFolders, OutlineState& outline,
                          const FolderOutlineHooks& hooks) {
  if (tree.empty()) return;
  const std::vector<bool> holds = HoldsCollected(tree);
  const std::string& start = tree.front().path;
  // Depth first without recursion, so a deep tree cannot exhaust the stack.
  std::vector<std::size_t> pending{0};
  while (!pending.empty()) {
    const std::size_t index = pending.back();
    pending.pop_back();
    const ScannedFolder& folder = tree[index];
    if (hooks.onFolder) hooks.onFolder(folder.path);

    std::vector<std::size_t> visited;
    for (std::size_t sub : folder.subfolders)
      if (includeEmptyFolders || holds[sub]) visited.push_back(sub);
    const std::vector<PlotFileEntry> files = ReadPlotFileEntries(folder, hooks.onLeftOut, hooks.onUnreadableSideFile);
    if (index != 0)
      outline.AddGroupEntry(static_cast<int>(files.size() + visited.size()),
                            platform::DecodeText(settings::GetLastPathPart(folder.path)));
    AddFileBookmarks(files, folder.path.substr(start.size()), outline, hooks);
    pending.insert(pending.end(), visited.rbegin(), visited.rend());
  }
}

}  // namespace quiremark::engine
