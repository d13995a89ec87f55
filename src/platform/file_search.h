#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/raw_file.h"

namespace quiremark::platform {

// Windows wildcard match of one pattern against a file name: "*" any run of
// characters, "?" one character, letter case ignored; "*.*" matches every name.
bool WildcardMatch(const std::string& pattern, const std::string& name);
// Same for a list of patterns separated by ";" (blanks around each ignored):
// true when any of them matches.
bool WildcardMatchAny(const std::string& patterns, const std::string& name);

// A ";"-separated list of patterns read once, for matching many names as
// WildcardMatchAny does: a scan matches every name of a folder of thousands.
class WildcardPatterns {
 public:
  explicit WildcardPatterns(const std::string& patterns);
  bool Matches(const std::string& name) const;
  // The same for a name whose letter case FoldCase has folded already.
  bool MatchesFolded(const std::string& foldedName) const;

 private:
  std::vector<std::string> folded_;
};

// `folder` and `name` joined as std::filesystem::path's "/" joins them (a "/"
// between unless the folder is empty or ends in one), as text: no path object
// is made, which costs more than the join itself.
std::string JoinPath(const std::string& folder, std::string_view name);

enum class EntryKind { Any, Files, Folders };

struct FoundEntry {
  std::string name;                        // bare name, stored spelling
  std::filesystem::path path;              // folder / name (empty unless SearchOptions::paths)
  bool isFolder = false;
  bool isFile = false;                     // a regular file
  bool isHidden = false;                   // name begins with "."
  bool isLink = false;                     // a symbolic link (isFolder/size/modified tell of its target)
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified{};
};

struct SearchOptions {
  EntryKind kind = EntryKind::Any;  // Files: regular files only; Folders: folders only
  bool includeHidden = true;
  bool sizeAndTime = true;  // false: `size` and `modified` stay empty, which saves a look at each file
  bool paths = true;        // false: `path` stays empty, which saves making a path object per entry
};

// find-first / find-next over one folder. The entries matching the patterns
// come in name order ignoring case; "." and ".." never come.
class FileSearch {
 public:
  FileSearch(const std::filesystem::path& folder, const std::string& patterns, SearchOptions options = {});
  // The next entry; empty optional at the end (or when the folder is missing).
  std::optional<FoundEntry> Next();

 private:
  std::vector<FoundEntry> entries_;
  std::size_t next_ = 0;
};

// All entries at once.
std::vector<FoundEntry> FindEntries(const std::filesystem::path& folder, const std::string& patterns,
                                    SearchOptions options = {});
// The same, telling why a folder could not be listed (missing, no right to
// list it, or a read error part way); the entries read before the error come back.
std::vector<FoundEntry> FindEntries(const std::filesystem::path& folder, const std::string& patterns,
                                    SearchOptions options, std::error_code& error);

// The names of one folder looked up ignoring letter case, as Windows finds a
// file: the exact spelling first, else the first name in name order that
// equals it ignoring case.
class NameLookup {
 public:
  NameLookup() = default;
  explicit NameLookup(std::vector<std::string> names);
  void Add(const std::string& name);
  // The stored spelling, or nullptr when no name matches.
  const std::string* Find(const std::string& name) const;
  bool empty() const { return names_.empty(); }

 private:
  std::vector<std::string> names_;  // sorted byte-wise
  // The folded extensions (after the last ".") of the names, made on the first
  // lookup that the exact names cannot answer: most such lookups (a plot file
  // without a side file, in a folder without any) end there.
  mutable std::optional<std::unordered_set<std::string>> extensions_;
  // By length in bytes, which folding keeps: folded name -> the first name in
  // name order. Each length's names are folded on the first lookup of that
  // length that the extensions cannot answer, so one lookup (the title file)
  // folds a few names, not all the folder's thousands.
  mutable std::unordered_map<std::size_t, std::unordered_map<std::string, std::string>> folded_;
};

// Splits "folder/pattern" into its folder ("." when none) and pattern.
std::pair<std::filesystem::path, std::string> SplitPattern(const std::string& pathWithPattern);

// The normal files of one folder (hidden ones left out), listed once, for
// many lookups by name: the exact spelling first, else the first name in name
// order that equals it ignoring letter case. A folder of thousands of files
// is then read once rather than once per lookup.
class FolderNames {
 public:
  explicit FolderNames(const std::filesystem::path& folder);
  std::optional<std::filesystem::path> Find(const std::string& name) const;
  // The name as the folder spells it; nullptr when none matches.
  const std::string* FindName(const std::string& name) const { return names_.Find(name); }
  // The folder, held open for reading the files found in it by name.
  const OpenFolder& folder() const { return open_; }

 private:
  OpenFolder open_;
  NameLookup names_;
};

// The FolderNames of the folders one run looks into, each listed on its first
// use: a bind run lists its drawing folder once for every side file, the title
// file and the Markdown file it looks for.
class FolderListings {
 public:
  const FolderNames& Of(const std::string& folder);
  // Lists every folder again on its next use (the user may have changed them
  // while the run waited).
  void Forget() { listings_.clear(); }

 private:
  std::map<std::string, FolderNames> listings_;  // by the folder's path
};

// The file or folder `name` inside `folder`: the exact spelling when it exists,
// else the first entry whose name equals it ignoring case; empty when none.
std::optional<std::filesystem::path> FindNameIgnoringCase(const std::filesystem::path& folder,
                                                          const std::string& name);
// The same when it names a normal file (or a link to one); empty otherwise.
std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& folder,
                                                          const std::string& name);
// FindFileIgnoringCase for several names in one folder, each answer in the
// place of its name: the folder is looked through once for all the names it
// does not hold as they are spelled.
std::vector<std::optional<std::filesystem::path>> FindFilesIgnoringCase(const std::filesystem::path& folder,
                                                                        const std::vector<std::string>& names);

// The path of a file or folder below `folder` named by the UTF-8 text the
// user sees (a relative path, "/" between its parts). A part that is not
// there under that name is looked for under its Windows-1252 bytes, the name
// an old Windows share gave it, which the program shows decoded. When neither
// exists the plain path is returned.
std::filesystem::path FindShownPath(const std::filesystem::path& folder, const std::string& shown);
// The same as text, for a caller that opens the file by it: a bind of
// thousands of files then makes no path object per file.
std::string FindShownFile(const std::string& folder, const std::string& shown);

// The text the user sees for a stored relative path: each part between "/"
// decoded on its own (UTF-8 as it is, anything else as Windows-1252), so a
// Windows-1252 folder name does not garble a UTF-8 file name below it.
std::string ShownPath(const std::string& stored);

}  // namespace quiremark::platform
