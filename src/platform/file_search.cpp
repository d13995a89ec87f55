#include "platform/file_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "platform/star_match.h"
#include "platform/text_encoding.h"

namespace quiremark::platform {

namespace fs = std::filesystem;

namespace {

// "*" any run of bytes, "?" one character (a whole UTF-8 sequence), any
// other byte itself.
bool MatchFrom(const std::string& pattern, const std::string& name) {
  // A star and a plain ending ("*.plt", the usual file filter): the name's end
  // alone decides, and a scan asks it of every name of a folder.
  if (pattern.size() > 1 && pattern[0] == '*' &&
      std::none_of(pattern.begin() + 1, pattern.end(), [](char c) { return c == '*' || c == '?'; }))
    return name.ends_with(std::string_view(pattern).substr(1));
  return MatchWithStars(pattern, name, '*', [&](std::size_t p, std::size_t n, std::size_t& nextP, std::size_t& nextN) {
    nextP = p + 1;
    nextN = n + 1;
    if (pattern[p] != '?') return pattern[p] == name[n];
    while (nextN < name.size() && (static_cast<unsigned char>(name[nextN]) & 0xC0) == 0x80) ++nextN;
    return true;
  });
}

// WildcardMatch on a pattern and a name whose letter case is folded already.
bool MatchFolded(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // "name." asks for a name without an extension
  if (pattern.size() > 1 && pattern.back() == '.' && pattern.find_first_of("*?") != std::string::npos) {
    return name.find('.') == std::string::npos && MatchFrom(pattern.substr(0, pattern.size() - 1), name);
  }
  if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos) {
    return MatchFrom(pattern.substr(0, pattern.size() - 2), name);
  }
  return MatchFrom(pattern, name);
}

// The patterns of a ";"-separated list, blanks around each removed, letter case folded.
std::vector<std::string> FoldedPatterns(const std::string& patterns) {
  std::vector<std::string> list;
  std::size_t start = 0;
  while (start <= patterns.size()) {
    auto end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string one = Trim(patterns.substr(start, end - start), " \t");
    if (!one.empty()) list.push_back(FoldCase(one));
    start = end + 1;
  }
  return list;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  return MatchFolded(FoldCase(pattern), FoldCase(name));
}

bool WildcardMatchAny(const std::string& patterns, const std::string& name) {
  return WildcardPatterns(patterns).Matches(name);
}

WildcardPatterns::WildcardPatterns(const std::string& patterns) : folded_(FoldedPatterns(patterns)) {}

bool WildcardPatterns::Matches(const std::string& name) const { return MatchesFolded(FoldCase(name)); }

bool WildcardPatterns::MatchesFolded(const std::string& foldedName) const {
  return std::any_of(folded_.begin(), folded_.end(),
                     [&](const std::string& pattern) { return MatchFolded(pattern, foldedName); });
}

std::string JoinPath(const std::string& folder, std::string_view name) {
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined = folder;
  if (!folder.empty() && folder.back() != '/') joined += '/';
  joined += name;
  return joined;
}

std::vector<FoundEntry> FindEntries(const fs::path& folder, const std::string& patterns, SearchOptions options) {
  std::error_code ignored;
  return FindEntries(folder, patterns, options, ignored);
}

std::vector<FoundEntry> FindEntries(const fs::path& folder, const std::string& patterns, SearchOptions options,
                                    std::error_code& error) {
  const WildcardPatterns wanted(patterns);
  // The wanted entries, and each one's name folded once, for the match and for the sort.
  std::vector<FoundEntry> found;
  std::vector<std::string> folded;
  error.clear();
  // readdir directly, its entry type deciding what needs no look at the
  // entry itself: the listing of a folder of thousands of plot files goes
  // through here on every selection, and a path object per entry, made only
  // to be thrown away when the entry is not wanted, doubled its cost.
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) {
    error = std::error_code(errno, std::generic_category());
    return {};
  }
  const int dirFd = ::dirfd(dir);
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) {
      if (errno != 0) error = std::error_code(errno, std::generic_category());
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    const bool isHidden = name[0] == '.';
    if (isHidden && !options.includeHidden) continue;
    bool isLink = entry->d_type == DT_LNK;
    bool isFolder = entry->d_type == DT_DIR;
    bool isFile = entry->d_type == DT_REG;
    struct stat st{};
    bool statted = false;
    if (entry->d_type == DT_UNKNOWN) {
      // A file system that does not tell the type in its listing.
      struct stat own{};
      if (::fstatat(dirFd, entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0) isLink = S_ISLNK(own.st_mode);
    }
    if (isLink || entry->d_type == DT_UNKNOWN) {
      // A link tells of its target, as the folder and file lists show it.
      statted = ::fstatat(dirFd, entry->d_name, &st, 0) == 0;
      isFolder = statted && S_ISDIR(st.st_mode);
      isFile = statted && S_ISREG(st.st_mode);
    }
    if (options.kind == EntryKind::Files && !isFile) continue;
    if (options.kind == EntryKind::Folders && !isFolder) continue;
    std::string foldedName = FoldCase(name);
    // A Windows-1252 name matches a pattern written as it is shown, decoded
    // (the file filter made from selected grid rows, for instance).
    if (!wanted.MatchesFolded(foldedName) &&
        (IsValidUtf8(name) || !wanted.MatchesFolded(FoldCase(DecodeText(std::string(name))))))
      continue;
    FoundEntry& one = found.emplace_back();
    one.name = name;
    one.isHidden = isHidden;
    one.isLink = isLink;
    one.isFolder = isFolder;
    one.isFile = isFile;
    // One look at the file for its size and time.
    if (options.sizeAndTime && (statted || ::fstatat(dirFd, entry->d_name, &st, 0) == 0)) {
      if (isFile) one.size = static_cast<std::uintmax_t>(st.st_size);
      const std::chrono::sys_time<std::chrono::nanoseconds> written{std::chrono::seconds(st.st_mtim.tv_sec) +
                                                                   std::chrono::nanoseconds(st.st_mtim.tv_nsec)};
      one.modified = std::chrono::time_point_cast<fs::file_time_type::duration>(std::chrono::file_clock::from_sys(written));
    }
    folded.push_back(std::move(foldedName));
  }
  ::closedir(dir);
  // The order is sorted, not the entries: moving an entry (its path above
  // all) costs far more than moving an index.
  std::vector<std::size_t> order(found.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int byFolded = folded[a].compare(folded[b]);
    return byFolded != 0 ? byFolded < 0 : found[a].name < found[b].name;
  });
  std::vector<FoundEntry> entries;
  entries.reserve(found.size());
  for (const std::size_t i : order) {
    FoundEntry& entry = entries.emplace_back(std::move(found[i]));
    if (options.paths) entry.path = folder / entry.name;
  }
  return entries;
}

FileSearch::FileSearch(const fs::path& folder, const std::string& patterns, SearchOptions options)
    : entries_(FindEntries(folder, patterns, options)) {}

std::optional<FoundEntry> FileSearch::Next() {
  if (next_ >= entries_.size()) return std::nullopt;
  return entries_[next_++];
}

NameLookup::NameLookup(std::vector<std::string> names) {
  // A listing in name order ignoring case is mostly in byte order already.
  if (std::is_sorted(names.begin(), names.end())) {
    names_ = std::move(names);
    return;
  }
  // The order is sorted, and each name then moved once into its place: a
  // sort of the names themselves moves each of them many times.
  std::vector<std::size_t> order(names.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return names[a] < names[b]; });
  names_.reserve(names.size());
  for (const std::size_t i : order) names_.push_back(std::move(names[i]));
}

void NameLookup::Add(const std::string& name) {
  names_.insert(std::upper_bound(names_.begin(), names_.end(), name), name);
  extensions_.reset();
  folded_.clear();
}

const std::string* NameLookup::Find(const std::string& name) const {
  if (const auto exact = std::lower_bound(names_.begin(), names_.end(), name);
      exact != names_.end() && *exact == name) {
    return &*exact;
  }
  // Folding keeps every "." where it is, so names equal ignoring case have
  // extensions equal ignoring case.
  const auto extension = [](const std::string& text) {
    const std::size_t dot = text.rfind('.');
    return FoldCase(dot == std::string::npos ? std::string_view() : std::string_view(text).substr(dot));
  };
  if (!extensions_) {
    extensions_.emplace();
    for (const std::string& entry : names_) extensions_->insert(extension(entry));
  }
  if (!extensions_->contains(extension(name))) return nullptr;
  auto [sameLength, fresh] = folded_.try_emplace(name.size());
  if (fresh) {
    // Names equal ignoring case are those with one folded form; taken in
    // byte order, the first of them to come is the one a search finds first.
    for (const std::string& entry : names_) {
      if (entry.size() == name.size()) sameLength->second.emplace(FoldCase(entry), entry);
    }
  }
  if (const auto found = sameLength->second.find(FoldCase(name)); found != sameLength->second.end()) {
    return &found->second;
  }
  return nullptr;
}

namespace {

// The normal files of a folder, hidden ones left out, in no order.
std::vector<std::string> NormalFileNames(const fs::path& folder) {
  std::vector<std::string> names;
  // readdir directly: the listing of a folder of thousands of plot files is
  // made once per bind run, and a path object per entry doubles its cost.
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;  // hidden, and "." and ".."
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      // The entry's type comes with the listing; only links (and file systems
      // that give no type) cost a look.
      struct stat st{};
      regular = ::fstatat(dirFd, entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace

FolderNames::FolderNames(const fs::path& folder) : open_(folder), names_(NormalFileNames(folder)) {}

std::optional<fs::path> FolderNames::Find(const std::string& name) const {
  const std::string* stored = FindName(name);
  if (!stored) return std::nullopt;
  return open_.path() / *stored;
}

const FolderNames& FolderListings::Of(const std::string& folder) {
  // "/a/b/" and "/a/b" are one folder.
  std::string key = folder;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  auto listing = listings_.find(key);
  if (listing == listings_.end()) listing = listings_.emplace(key, FolderNames(key)).first;
  return listing->second;
}

std::pair<fs::path, std::string> SplitPattern(const std::string& pathWithPattern) {
  const auto slash = pathWithPattern.rfind('/');
  if (slash == std::string::npos) return {fs::path("."), pathWithPattern};
  return {fs::path(slash == 0 ? "/" : pathWithPattern.substr(0, slash)), pathWithPattern.substr(slash + 1)};
}

namespace {

// FindNameIgnoringCase for several names, each answer in the place of its name.
std::vector<std::optional<fs::path>> FindNamesIgnoringCase(const fs::path& folder,
                                                           const std::vector<std::string>& names) {
  std::vector<std::optional<fs::path>> found(names.size());
  std::vector<std::size_t> missing;  // the names not there as they are spelled
  std::vector<std::string> wanted(names.size());
  std::error_code ec;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    if (fs::exists(folder / names[i], ec)) {
      found[i] = folder / names[i];
    } else {
      wanted[i] = FoldCase(names[i]);
      missing.push_back(i);
    }
  }
  if (missing.empty()) return found;
  // readdir directly, once for all the names, and only names of a wanted
  // length folded (folding keeps a name's length in bytes): the path side
  // files are looked for in folders of thousands of plot files each time one
  // is selected.
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  std::vector<std::optional<std::string>> best(names.size());
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    for (const std::size_t i : missing) {
      if (candidate.size() != wanted[i].size()) continue;
      if (FoldCase(candidate) == wanted[i] && (!best[i] || candidate < *best[i])) best[i] = candidate;
    }
  }
  ::closedir(dir);
  for (const std::size_t i : missing) {
    if (best[i]) found[i] = folder / *best[i];
  }
  return found;
}

}  // namespace

std::optional<fs::path> FindNameIgnoringCase(const fs::path& folder, const std::string& name) {
  return FindNamesIgnoringCase(folder, {name}).front();
}

std::optional<fs::path> FindFileIgnoringCase(const fs::path& folder, const std::string& name) {
  return FindFilesIgnoringCase(folder, {name}).front();
}

std::vector<std::optional<fs::path>> FindFilesIgnoringCase(const fs::path& folder,
                                                           const std::vector<std::string>& names) {
  std::vector<std::optional<fs::path>> found = FindNamesIgnoringCase(folder, names);
  for (std::optional<fs::path>& file : found) {
    std::error_code ec;
    if (file && !fs::is_regular_file(*file, ec)) file.reset();
  }
  return found;
}

namespace {

// Plain ASCII reads the same in both encodings.
bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The shown relative path below the folder as it stands, joined as text.
std::string PlainShownPath(const std::string& folder, const std::string& shown) {
  const std::size_t relative = shown.find_first_not_of('/');  // below the folder, as relative_path() takes it
  return JoinPath(folder, std::string_view(shown).substr(relative == std::string::npos ? shown.size() : relative));
}

}  // namespace

std::string ShownPath(const std::string& stored) {
  if (IsAscii(stored)) return stored;  // nothing to decode: a tree scan shows a path per file
  std::string shown;
  for (std::size_t start = 0;;) {
    const std::size_t end = stored.find('/', start);
    shown += DecodeText(std::string_view(stored).substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return shown;
    shown += '/';
    start = end + 1;
  }
}

std::string FindShownFile(const std::string& folder, const std::string& shown) {
  // Plain ASCII is the same in both encodings: nothing to look for.
  if (IsAscii(shown)) return PlainShownPath(folder, shown);
  return FindShownPath(folder, shown).native();
}

fs::path FindShownPath(const fs::path& folder, const std::string& shown) {
  std::error_code ec;
  // Plain ASCII is the same in both encodings: nothing to look for. The path
  // is made in one piece.
  if (IsAscii(shown)) return PlainShownPath(folder.native(), shown);
  const fs::path plain = folder / fs::path(shown).relative_path();
  if (fs::symlink_status(plain, ec).type() != fs::file_type::not_found) return plain;
  fs::path found = folder;
  std::size_t start = 0;
  while (start <= shown.size()) {
    std::size_t end = shown.find('/', start);
    if (end == std::string::npos) end = shown.size();
    const std::string part = shown.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    const auto stored = EncodeWindows1252(part);
    if (stored && *stored != part && fs::symlink_status(found / part, ec).type() == fs::file_type::not_found &&
        fs::symlink_status(found / *stored, ec).type() != fs::file_type::not_found) {
      found /= *stored;
    } else {
      found /= part;
    }
  }
  return found;
}

}  // namespace quiremark::platform
