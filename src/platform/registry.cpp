#include "platform/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>

#include "platform/environment.h"
#include "platform/process.h"
#include "platform/program_info.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"

namespace quiremark::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";

struct Key {
  std::string path;  // stored spelling below the hive, "" for the hive root
  std::vector<RegistryValue> values;
};

// Keys by their case-folded path.
struct HiveData {
  std::map<std::string, Key> keys;
  bool damaged = false;
};

const char* HiveName(Hive hive) {
  switch (hive) {
    case Hive::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::CurrentUser: return "HKEY_CURRENT_USER";
    case Hive::LocalMachine: return "HKEY_LOCAL_MACHINE";
  }
  return "";
}

fs::path HiveFile(Hive hive) { return RegistryFolder() / (std::string(HiveName(hive)) + ".reg"); }

std::string NormalizePath(const std::string& keyPath) {
  std::string path;
  for (const char c : keyPath) {
    if (c == '\\' && (path.empty() || path.back() == '\\')) continue;
    path += c;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string ParentPath(const std::string& path) {
  const auto slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// --- reading the .reg layout -------------------------------------------------

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<std::string> ParseQuoted(const std::string& text, std::size_t& pos) {
  if (pos >= text.size() || text[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '\\' && pos + 1 < text.size()) {
      out += text[++pos];
    } else if (c == '"') {
      ++pos;
      return out;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ParseHexBytes(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ',' || text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size()) break;
    if (pos + 1 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[pos])) ||
        !std::isxdigit(static_cast<unsigned char>(text[pos + 1]))) {
      return std::nullopt;
    }
    out += static_cast<char>(std::stoi(text.substr(pos, 2), nullptr, 16));
    pos += 2;
    if (pos < text.size() && text[pos] != ',' && text[pos] != ' ') return std::nullopt;
  }
  return out;
}

std::optional<RegistryValue> ParseValueLine(const std::string& line) {
  RegistryValue value;
  std::size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else {
    auto name = ParseQuoted(line, pos);
    if (!name) return std::nullopt;
    value.name = *name;
  }
  // Blanks around "=" as a hand edit may leave them.
  const auto skipBlanks = [&] {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  };
  skipBlanks();
  if (pos >= line.size() || line[pos] != '=') return std::nullopt;
  ++pos;
  skipBlanks();
  const std::string data = line.substr(pos);
  if (!data.empty() && data[0] == '"') {
    std::size_t p = 0;
    auto text = ParseQuoted(data, p);
    if (!text || p != data.size()) return std::nullopt;
    value.type = REG_SZ;
    value.data = TextData(*text);
    if (text->empty()) value.data = std::string(1, '\0');
    return value;
  }
  if (data.rfind("dword:", 0) == 0) {
    const std::string digits = data.substr(6);
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
      return std::nullopt;
    }
    value.type = REG_DWORD;
    value.data = DwordData(static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16)));
    return value;
  }
  std::string bytes;
  if (data.rfind("hex:", 0) == 0) {
    value.type = REG_BINARY;
    bytes = data.substr(4);
  } else if (data.rfind("hex(", 0) == 0) {
    const auto close = data.find("):");
    if (close == std::string::npos) return std::nullopt;
    try {
      value.type = static_cast<std::uint32_t>(std::stoul(data.substr(4, close - 4), nullptr, 16));
    } catch (const std::exception&) {
      return std::nullopt;
    }
    bytes = data.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto parsed = ParseHexBytes(bytes);
  if (!parsed) return std::nullopt;
  value.data = *parsed;
  return value;
}

// Adds the key and every key along its path (the hive root included).
void AddKey(HiveData& data, const std::string& path) {
  data.keys.try_emplace("", Key{});
  if (path.empty()) return;
  for (std::size_t slash = path.find('\\');; slash = path.find('\\', slash + 1)) {
    const std::string current = path.substr(0, slash);
    data.keys.try_emplace(FoldCase(current), Key{current, {}});
    if (slash == std::string::npos) return;
  }
}

void PutValue(Key& key, RegistryValue value) {
  for (auto& existing : key.values) {
    if (EqualsIgnoringCase(existing.name, value.name)) {
      existing.type = value.type;
      existing.data = std::move(value.data);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

HiveData ParseHive(const std::string& bytes, Hive hive) {
  HiveData data;
  // Our own files are read byte for byte, so every name and text comes back
  // exactly as it was stored; exports from Windows are UTF-16 or, with the
  // old REGEDIT4 header, ANSI.
  std::string text = bytes;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    text = DecodeUtf16Le(std::string_view(bytes).substr(2));
  } else if (bytes.rfind("REGEDIT4", 0) == 0) {
    text = DecodeText(bytes);
  } else if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) {
    text = bytes.substr(3);
  }
  // Join continued lines (a trailing backslash after hex data).
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  bool continued = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Blanks around a line are no part of it (a text keeps its own inside its quotes).
    const std::string trimmed = Trim(line, " \t");
    if (continued) {
      lines.back() += trimmed;
    } else {
      lines.push_back(trimmed);
    }
    continued = !lines.back().empty() && lines.back().back() == '\\' &&
                lines.back().find("hex") != std::string::npos && lines.back().front() != '[';
    if (continued) lines.back().pop_back();
  }
  const std::string root = HiveName(hive);
  Key* current = nullptr;
  for (const auto& l : lines) {
    if (l.empty() || l[0] == ';' || l == kHeader || l == "REGEDIT4") continue;
    if (l[0] == '[') {
      current = nullptr;
      if (l.back() != ']') {
        data.damaged = true;
        continue;
      }
      const std::string full = l.substr(1, l.size() - 2);
      if (full.compare(0, root.size(), root) != 0 || (full.size() > root.size() && full[root.size()] != '\\')) {
        data.damaged = true;
        continue;
      }
      const std::string path = NormalizePath(full.substr(root.size()));
      AddKey(data, path);
      current = &data.keys[FoldCase(path)];
      continue;
    }
    auto value = ParseValueLine(l);
    if (!value || !current) {
      data.damaged = true;
      continue;
    }
    PutValue(*current, std::move(*value));
  }
  return data;
}

// --- writing the .reg layout -------------------------------------------------

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char buffer[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i) out += ',';
    out += buffer;
  }
  return out;
}

bool IsPlainText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  return std::none_of(data.begin(), data.end() - 1,
                      [](char c) { return c == '\0' || c == '\r' || c == '\n'; });
}

std::string FormatHive(const HiveData& data, Hive hive) {
  std::ostringstream out;
  out << kHeader << "\r\n";
  for (const auto& [folded, key] : data.keys) {
    out << "\r\n[" << HiveName(hive) << (key.path.empty() ? "" : "\\") << key.path << "]\r\n";
    for (const auto& value : key.values) {
      out << (value.name.empty() ? std::string("@") : Quote(value.name)) << '=';
      if (value.type == REG_SZ && IsPlainText(value.data)) {
        out << Quote(value.data.substr(0, value.data.size() - 1));
      } else if (value.type == REG_DWORD && value.data.size() == 4) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", DwordOf(value.data));
        out << buffer;
      } else if (value.type == REG_BINARY) {
        out << "hex:" << HexBytes(value.data);
      } else {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
        out << buffer << HexBytes(value.data);
      }
      out << "\r\n";
    }
  }
  return out.str();
}

// --- the Ghostscript installations found on PATH -------------------------------

// Whether `file` is a program file (ELF), not a script.
bool IsProgramFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char magic[4] = {};
  const bool elf = ::read(fd, magic, sizeof magic) == sizeof magic && std::string_view(magic, sizeof magic) == "\x7f" "ELF";
  ::close(fd);
  return elf;
}

// The version of the gs installed at `gs` (its real path, links resolved),
// from the one resource folder its installation keeps beside its program:
// <prefix>/share/ghostscript/<version>, with the init files gs starts from
// (a folder without them is left over from an installation removed since).
// "" when that does not tell: none or several such folders, or `gs` is a
// script, a wrapper that may start any gs whatever lies beside it. Only the
// program can tell then; asking it costs a start of gs (some 30 ms).
std::string InstalledGhostscriptVersion(const fs::path& gs) {
  if (!IsProgramFile(gs)) return "";
  std::error_code ec;
  std::error_code missing;
  fs::directory_iterator it(gs.parent_path().parent_path() / "share" / "ghostscript", ec);
  std::string version;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0])) ||
        name.find_first_not_of("0123456789.") != std::string::npos ||
        !fs::is_regular_file(it->path() / "Resource" / "Init" / "gs_init.ps", missing)) {
      continue;
    }
    if (!version.empty()) return "";  // several: only the program knows which is its own
    version = name;
  }
  return version;
}

// The gs programs on PATH that did not tell their version, and the time they get.
std::mutex gGhostscriptMutex;
std::vector<fs::path> gNotAnswering;
std::atomic<int64_t> gVersionTimeLimit{10000};  // milliseconds

void AddGhostscriptKeys(HiveData& data) {
  std::mutex& mutex = gGhostscriptMutex;
  static std::string cachedPath;
  static std::vector<std::pair<std::string, std::string>> cached;  // version, folder
  static bool scanned = false;
  const char* pathEnv = std::getenv("PATH");
  const std::string path = pathEnv ? pathEnv : "";
  std::vector<std::pair<std::string, std::string>> found;
  {
    std::lock_guard lock(mutex);
    if (!scanned || cachedPath != path) {
      cached.clear();
      gNotAnswering.clear();
      std::set<std::string> seen;
      std::set<std::string> versions;
      std::istringstream dirs(path);
      std::string dir;
      while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const fs::path gs = fs::path(dir) / "gs";
        std::error_code ec;
        const auto canonical = fs::canonical(gs, ec);
        if (ec || !fs::is_regular_file(canonical, ec) || access(gs.c_str(), X_OK) != 0) continue;
        if (!seen.insert(canonical.string()).second) continue;
        std::string version = InstalledGhostscriptVersion(canonical);
        if (version.empty()) {
          // A gs that does not answer (a wrapper waiting for what never
          // comes) is ended in time, as any converter, and named.
          bool timedOut = false;
          const auto output = RunAndCapture({gs.string(), "--version"},
                                            std::chrono::milliseconds(gVersionTimeLimit.load()), timedOut);
          version = output ? Trim(*output, " \t\r\n") : "";
          if (timedOut) gNotAnswering.push_back(gs);
        }
        if (version.empty()) version = "unknown";
        std::string name = version;
        for (int n = 2; !versions.insert(FoldCase(name)).second; ++n) name = version + " #" + std::to_string(n);
        cached.emplace_back(name, dir);
      }
      cachedPath = path;
      scanned = true;
    }
    found = cached;
  }
  for (const auto& [version, dir] : found) {
    const std::string keyPath = "SOFTWARE\\GPL Ghostscript\\" + version;
    AddKey(data, keyPath);
    std::string folder = dir;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    PutValue(data.keys[FoldCase(keyPath)], RegistryValue{REG_SZ, "GS_DLL", TextData(folder + "/libgs.so")});
  }
}

// --- file access -------------------------------------------------------------

struct CacheEntry {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  std::shared_ptr<const HiveData> data;
};

std::mutex gCacheMutex;
std::map<std::string, CacheEntry> gCache;

// Damaged hives already kept, by file and content, so one damage gives one
// copy and one notice; the handler and the notices it has not had yet.
std::mutex gDamageMutex;
std::set<std::pair<std::string, std::size_t>> gKeptDamage;
std::function<void(const HiveDamage&)> gDamageHandler;
std::vector<HiveDamage> gPendingDamage;

// Writes the damaged bytes to "<file>.damaged", or "<file>.damaged-2", -3, ...
// when that name is taken: every damaged copy keeps its own name. Empty
// when no copy could be written.
fs::path KeepDamagedCopy(const fs::path& file, const std::string& bytes) {
  for (int n = 1; n < 1000; ++n) {
    const fs::path copy = file.string() + ".damaged" + (n == 1 ? std::string() : "-" + std::to_string(n));
    const int fd = open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool ok = true;
    for (std::string_view rest = bytes; ok && !rest.empty();) {
      const ssize_t written = write(fd, rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      ok = written > 0;
      if (ok) rest.remove_prefix(static_cast<std::size_t>(written));
    }
    ok = close(fd) == 0 && ok;
    if (ok) return copy;
    unlink(copy.c_str());
    return {};
  }
  return {};
}

// Keeps a copy of a damaged hive the first time this content is seen. The
// notice it returns goes out through DeliverDamage once no lock is held, since
// the handler may show a box and the user's answer may take a while.
std::optional<HiveDamage> KeepDamage(const fs::path& file, const std::string& bytes) {
  const std::lock_guard lock(gDamageMutex);
  if (!gKeptDamage.emplace(file.string(), std::hash<std::string>{}(bytes)).second) return std::nullopt;
  return HiveDamage{file, KeepDamagedCopy(file, bytes)};
}

void DeliverDamage(const std::optional<HiveDamage>& damage) {
  if (!damage) return;
  std::function<void(const HiveDamage&)> handler;
  {
    const std::lock_guard lock(gDamageMutex);
    handler = gDamageHandler;
    if (!handler) {
      gPendingDamage.push_back(*damage);
      std::cerr << "Quiremark: the settings file " << damage->file.string()
                << " is damaged; its readable entries are used"
                << (damage->copy.empty() ? std::string(", and no copy of it could be kept")
                                         : ", and the file as it was is kept as " + damage->copy.string())
                << ".\n";
      return;
    }
  }
  handler(*damage);
}

// The hive as `file` holds it now (empty when there is no file).
std::shared_ptr<const HiveData> LoadHiveFile(const fs::path& file, Hive hive) {
  std::shared_ptr<HiveData> data;
  std::optional<HiveDamage> damage;
  {
    struct stat st{};
    const std::lock_guard lock(gCacheMutex);
    if (stat(file.c_str(), &st) != 0) {
      gCache.erase(file.string());
      return std::make_shared<const HiveData>();
    }
    auto& entry = gCache[file.string()];
    if (entry.data && entry.device == st.st_dev && entry.inode == st.st_ino && entry.size == st.st_size &&
        entry.modified.tv_sec == st.st_mtim.tv_sec && entry.modified.tv_nsec == st.st_mtim.tv_nsec) {
      return entry.data;
    }
    const std::string bytes = TryReadWholeFile(file).value_or("");
    data = std::make_shared<HiveData>(ParseHive(bytes, hive));
    if (data->damaged) damage = KeepDamage(file, bytes);
    entry = CacheEntry{st.st_dev, st.st_ino, st.st_size, st.st_mtim, data};
  }
  DeliverDamage(damage);
  return data;
}

std::shared_ptr<const HiveData> LoadHive(Hive hive) { return LoadHiveFile(HiveFile(hive), hive); }

// The classes root's defaults shipped beside the program. They are only
// read: the user's own hive lies over them, value by value.
std::shared_ptr<const HiveData> WithProgramDefaults(std::shared_ptr<const HiveData> own) {
  const fs::path defaultsFile = ProgramFolder() / (std::string(HiveName(Hive::ClassesRoot)) + ".reg");
  if (defaultsFile == HiveFile(Hive::ClassesRoot)) return own;
  const auto defaults = LoadHiveFile(defaultsFile, Hive::ClassesRoot);
  if (defaults->keys.empty()) return own;
  auto merged = std::make_shared<HiveData>(*defaults);
  for (const auto& [folded, key] : own->keys) {
    AddKey(*merged, key.path);
    for (const auto& value : key.values) PutValue(merged->keys[folded], value);
  }
  return merged;
}

// The hive as a batch of this thread will leave it; null when none is open.
struct OpenBatch {
  std::shared_ptr<HiveData> view;
  std::vector<std::function<bool(HiveData&)>> changes;
};
thread_local std::map<Hive, OpenBatch> tBatches;

std::shared_ptr<const HiveData> BatchView(Hive hive) {
  const auto it = tBatches.find(hive);
  return it == tBatches.end() ? nullptr : it->second.view;
}

std::shared_ptr<const HiveData> Current(Hive hive) {
  auto view = BatchView(hive);
  return view ? view : LoadHive(hive);
}

std::shared_ptr<const HiveData> Snapshot(Hive hive) {
  auto data = Current(hive);
  if (hive == Hive::ClassesRoot) return WithProgramDefaults(std::move(data));
  if (hive != Hive::LocalMachine) return data;
  auto merged = std::make_shared<HiveData>(*data);
  AddGhostscriptKeys(*merged);
  return merged;
}

// Changes the hive under its lock: the file is read afresh, changed, written
// to a temporary file and renamed over the hive, so a crash leaves either the
// old or the new file and a second instance never loses an update.
template <typename Change>
bool ModifyHive(Hive hive, Change change) {
  const fs::path file = HiveFile(hive);
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  std::optional<HiveDamage> damage;
  bool ok = false;
  if (const auto lock = FileUpdateLock::Take(file, 0600)) {
    // A hive that is there but cannot be read is left alone, not replaced by the change alone.
    std::error_code readError;
    std::optional<std::string> bytes = TryReadWholeFile(file, &readError);
    if (!bytes && readError == std::errc::no_such_file_or_directory) bytes = std::string();
    if (bytes) {
      HiveData data = ParseHive(*bytes, hive);
      // Kept before the change is written without the lines that could not be read.
      if (data.damaged) damage = KeepDamage(file, *bytes);
      // A change that leaves the hive as its file holds it (a value stored
      // again with the data it has) writes nothing: start-up stores the last
      // folder and the theme on every run, each write costing two flushes to disk.
      ok = !change(data) || [&] {
        const std::string text = FormatHive(data, hive);
        return text == *bytes || ReplaceFileAtomically(file, text, 0600);
      }();
    }
  }
  DeliverDamage(damage);
  return ok;
}

// Key paths are written as "[...]" lines: a line break or NUL in one would
// never read back.
bool IsStorableKeyPath(const std::string& keyPath) {
  return keyPath.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// Makes the change now, or gathers it when a batch of the hive is open.
bool ChangeHive(Hive hive, std::function<bool(HiveData&)> change) {
  const auto it = tBatches.find(hive);
  if (it == tBatches.end()) return ModifyHive(hive, change);
  OpenBatch& batch = it->second;
  if (!batch.view) batch.view = std::make_shared<HiveData>(*LoadHive(hive));
  change(*batch.view);
  batch.changes.push_back(std::move(change));
  return true;
}

const Key* FindKey(const HiveData& data, const std::string& keyPath) {
  auto it = data.keys.find(FoldCase(NormalizePath(keyPath)));
  return it == data.keys.end() ? nullptr : &it->second;
}

}  // namespace

void SetHiveDamageHandler(std::function<void(const HiveDamage&)> handler) {
  std::vector<HiveDamage> pending;
  {
    const std::lock_guard lock(gDamageMutex);
    gDamageHandler = handler;
    if (handler) pending.swap(gPendingDamage);
  }
  for (const HiveDamage& damage : pending) handler(damage);
}

std::vector<std::filesystem::path> GhostscriptsNotAnswering() {
  std::lock_guard lock(gGhostscriptMutex);
  return gNotAnswering;
}

void SetGhostscriptVersionTimeLimit(std::chrono::milliseconds limit) { gVersionTimeLimit.store(limit.count()); }

fs::path RegistryFolder() {
  if (const char* dir = std::getenv("QUIREMARK_REGISTRY"); dir && *dir) return dir;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return fs::path(config) / "Quiremark";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".config" / "Quiremark";
}

std::string TextData(const std::string& text) { return text.empty() ? std::string() : text + '\0'; }

std::uint32_t DwordOf(const std::string& data) {
  std::uint32_t number = 0;
  for (std::size_t i = std::min<std::size_t>(data.size(), 4); i-- > 0;) {
    number = (number << 8) | static_cast<unsigned char>(data[i]);
  }
  return number;
}

std::string DwordData(std::uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return data;
}

bool KeyExists(Hive hive, const std::string& keyPath) { return FindKey(*Snapshot(hive), keyPath) != nullptr; }

bool CreateKey(Hive hive, const std::string& keyPath) {
  if (!IsStorableKeyPath(keyPath)) return false;
  const std::string path = NormalizePath(keyPath);
  if (FindKey(*Current(hive), path)) return true;
  return ChangeHive(hive, [path](HiveData& data) {
    AddKey(data, path);
    return true;
  });
}

bool SetValue(Hive hive, const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data) {
  if (name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos || !IsStorableKeyPath(keyPath)) return false;
  const std::string path = NormalizePath(keyPath);
  return ChangeHive(hive, [path, value = RegistryValue{type, name, data}](HiveData& hiveData) {
    AddKey(hiveData, path);
    PutValue(hiveData.keys[FoldCase(path)], value);
    return true;
  });
}

std::optional<RegistryValue> QueryValue(Hive hive, const std::string& keyPath, const std::string& name) {
  const auto data = Snapshot(hive);
  const Key* key = FindKey(*data, keyPath);
  if (!key) return std::nullopt;
  for (const auto& value : key->values) {
    if (EqualsIgnoringCase(value.name, name)) return value;
  }
  return std::nullopt;
}

bool DeleteValue(Hive hive, const std::string& keyPath, const std::string& name) {
  if (!QueryValue(hive, keyPath, name)) return false;
  const auto deleted = std::make_shared<bool>(false);
  const bool written = ChangeHive(hive, [path = FoldCase(NormalizePath(keyPath)), name, deleted](HiveData& data) {
    auto it = data.keys.find(path);
    if (it == data.keys.end()) return false;
    auto& values = it->second.values;
    const auto before = values.size();
    std::erase_if(values, [&](const RegistryValue& v) { return EqualsIgnoringCase(v.name, name); });
    *deleted = values.size() != before;
    return *deleted;
  });
  return written && *deleted;
}

HiveWriteBatch::HiveWriteBatch(Hive hive) : hive_(hive), owner_(tBatches.try_emplace(hive).second) {}

HiveWriteBatch::~HiveWriteBatch() {
  if (!owner_) return;
  Commit();
  tBatches.erase(hive_);
}

bool HiveWriteBatch::Commit() {
  if (!owner_) return true;
  OpenBatch& batch = tBatches[hive_];
  const auto changes = std::move(batch.changes);
  batch.changes.clear();
  batch.view.reset();
  if (changes.empty()) return true;
  return ModifyHive(hive_, [&changes](HiveData& data) {
    bool changed = false;
    for (const auto& change : changes) changed = change(data) || changed;
    return changed;
  });
}

std::optional<std::string> EnumKey(Hive hive, const std::string& keyPath, std::uint32_t index) {
  const auto data = Snapshot(hive);
  const std::string parent = FoldCase(NormalizePath(keyPath));
  if (!data->keys.count(parent)) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& [folded, key] : data->keys) {
    if (!folded.empty() && ParentPath(folded) == parent) {
      names.push_back(key.path.substr(key.path.rfind('\\') + 1));
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareIgnoringCase(a, b) < 0; });
  if (index >= names.size()) return std::nullopt;
  return names[index];
}

std::optional<RegistryValue> EnumValue(Hive hive, const std::string& keyPath, std::uint32_t index) {
  const auto data = Snapshot(hive);
  const Key* key = FindKey(*data, keyPath);
  if (!key || index >= key->values.size()) return std::nullopt;
  return key->values[index];
}

}  // namespace quiremark::platform
