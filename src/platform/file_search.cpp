#include "platform/file_search.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace quiremark::platform {

namespace fs = std::filesystem;

namespace {

// Matches in time proportional to pattern and name lengths: on a mismatch
// only the last "*" takes one more byte, since what an earlier "*" could take
// in addition the last one can take as well.
bool MatchFrom(const std::string& pattern, const std::string& name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t afterStar = std::string::npos;  // pattern position after the last "*" seen
  std::size_t starTook = 0;                   // where that "*"'s match ends in the name
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      afterStar = ++p;
      starTook = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      // one character: skip a whole UTF-8 sequence
      ++n;
      while (n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (afterStar != std::string::npos) {
      p = afterStar;
      n = ++starTook;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  std::string p = FoldCase(pattern);
  const std::string n = FoldCase(name);
  // "name." asks for a name without an extension
  if (p.size() > 1 && p.back() == '.' && p.find_first_of("*?") != std::string::npos) {
    p.pop_back();
    return n.find('.') == std::string::npos && MatchFrom(p, n);
  }
  if (p.size() > 2 && p.compare(p.size() - 2, 2, ".*") == 0 && n.find('.') == std::string::npos) {
    return MatchFrom(p.substr(0, p.size() - 2), n);
  }
  return MatchFrom(p, n);
}

bool WildcardMatchAny(const std::string& patterns, const std::string& name) {
  std::size_t start = 0;
  while (start <= patterns.size()) {
    auto end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    const std::string one = Trim(patterns.substr(start, end - start), " \t");
    if (!one.empty() && WildcardMatch(one, name)) return true;
    start = end + 1;
  }
  return false;
}

std::vector<FoundEntry> FindEntries(const fs::path& folder, const std::string& patterns, SearchOptions options) {
  std::vector<FoundEntry> entries;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  if (ec) return entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const auto& entry = *it;
    FoundEntry found;
    found.name = entry.path().filename().string();
    found.path = entry.path();
    found.isHidden = !found.name.empty() && found.name[0] == '.';
    std::error_code statError;
    found.isFolder = entry.is_directory(statError);
    const bool isFile = entry.is_regular_file(statError);
    if (options.kind == EntryKind::Files && !isFile) continue;
    if (options.kind == EntryKind::Folders && !found.isFolder) continue;
    if (found.isHidden && !options.includeHidden) continue;
    if (!WildcardMatchAny(patterns, found.name)) continue;
    if (isFile) found.size = entry.file_size(statError);
    found.modified = entry.last_write_time(statError);
    entries.push_back(std::move(found));
  }
  std::sort(entries.begin(), entries.end(), [](const FoundEntry& a, const FoundEntry& b) {
    const int byFold = CompareIgnoringCase(a.name, b.name);
    return byFold != 0 ? byFold < 0 : a.name < b.name;
  });
  return entries;
}

FileSearch::FileSearch(const fs::path& folder, const std::string& patterns, SearchOptions options)
    : entries_(FindEntries(folder, patterns, options)) {}

std::optional<FoundEntry> FileSearch::Next() {
  if (next_ >= entries_.size()) return std::nullopt;
  return entries_[next_++];
}

FolderNames::FolderNames(const fs::path& folder) : folder_(folder) {
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code typeError;
    // The entry's type comes with the listing; only links cost a look.
    if (!name.starts_with(".") && it->is_regular_file(typeError)) names_.push_back(std::move(name));
  }
  std::sort(names_.begin(), names_.end());
}

std::optional<fs::path> FolderNames::Find(const std::string& name) const {
  if (std::binary_search(names_.begin(), names_.end(), name)) return folder_ / name;
  if (!folded_) {
    std::vector<const std::string*> inNameOrder;
    for (const std::string& entry : names_) inNameOrder.push_back(&entry);
    std::stable_sort(inNameOrder.begin(), inNameOrder.end(),
                     [](const std::string* a, const std::string* b) { return CompareIgnoringCase(*a, *b) < 0; });
    folded_.emplace();
    for (const std::string* entry : inNameOrder) folded_->emplace(FoldCase(*entry), *entry);
  }
  if (const auto found = folded_->find(FoldCase(name)); found != folded_->end()) return folder_ / found->second;
  return std::nullopt;
}

std::pair<fs::path, std::string> SplitPattern(const std::string& pathWithPattern) {
  const auto slash = pathWithPattern.rfind('/');
  if (slash == std::string::npos) return {fs::path("."), pathWithPattern};
  return {fs::path(slash == 0 ? "/" : pathWithPattern.substr(0, slash)), pathWithPattern.substr(slash + 1)};
}

std::optional<fs::path> FindNameIgnoringCase(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (name.empty()) return std::nullopt;
  if (fs::exists(folder / name, ec)) return folder / name;
  fs::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::optional<fs::path> best;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string candidate = it->path().filename().string();
    if (EqualsIgnoringCase(candidate, name) && (!best || candidate < best->filename().string())) {
      best = it->path();
    }
  }
  return best;
}

fs::path FindShownPath(const fs::path& folder, const std::string& shown) {
  std::error_code ec;
  const fs::path plain = folder / fs::path(shown).relative_path();
  // Plain ASCII reads the same in both encodings: nothing to look for.
  if (std::all_of(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return plain;
  }
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
