#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quiremark::platform {

// The three predefined keys the program uses. Each hive is one text file in the
// .reg export layout ("HKEY_CURRENT_USER.reg", ...) in RegistryFolder().
enum class Hive { ClassesRoot, CurrentUser, LocalMachine };

// Registry value types (the Windows numbers).
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// One value as the registry keeps it: the raw data bytes. A REG_SZ text is
// stored with its terminating NUL; an empty REG_SZ written with no data has
// size 0. REG_DWORD data is four bytes, least significant first.
struct RegistryValue {
  std::uint32_t type = REG_NONE;
  std::string name;   // stored spelling; "" is the key's default value
  std::string data;   // raw bytes
};

// Folder of the hive files: QUIREMARK_REGISTRY when set, else
// $XDG_CONFIG_HOME/Quiremark (~/.config/Quiremark).
std::filesystem::path RegistryFolder();

// Key paths are "A\B\C" below the hive, matched without regard to case;
// leading and trailing backslashes are ignored.
bool KeyExists(Hive hive, const std::string& keyPath);
// Creates the key and every missing key along its path. False when the hive
// cannot be written.
bool CreateKey(Hive hive, const std::string& keyPath);

// Sets (creates or replaces) a value; missing keys along the path are created.
// The value keeps its place among the key's values when it is replaced.
bool SetValue(Hive hive, const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data);
// Value names are matched without regard to case.
std::optional<RegistryValue> QueryValue(Hive hive, const std::string& keyPath, const std::string& name);
// Deletes a value; the values after it move down one index. False when it did not exist.
bool DeleteValue(Hive hive, const std::string& keyPath, const std::string& name);

// Subkey `index` (from 0) of the key, in name order ignoring case; empty
// optional past the last one or when the key is missing.
std::optional<std::string> EnumKey(Hive hive, const std::string& keyPath, std::uint32_t index);
// Value `index` (from 0) of the key, in creation order.
std::optional<RegistryValue> EnumValue(Hive hive, const std::string& keyPath, std::uint32_t index);

// A hive file that held lines that could not be read. Its readable entries
// are used, and the next write leaves the others out; before that the file as
// it was is kept as `copy` (empty when no copy could be written).
struct HiveDamage {
  std::filesystem::path file;
  std::filesystem::path copy;
};

// Who hears of damaged hives: each damage once, on the thread that found it,
// when no lock of the store is held. Until a handler is set (and after it is
// set to null) each damage is written to the error stream and kept; setting a
// handler hands it the kept ones first.
void SetHiveDamageHandler(std::function<void(const HiveDamage&)> handler);

// Gathers the changes made to one hive on this thread while it lives and
// writes them with one replace of the hive file when it ends (or at Commit),
// so a run that stores many values pays for one write instead of one per
// value. Reads on this thread see the gathered changes at once. The changes
// are made again on the hive as its file holds it at the write, so what
// another process wrote meanwhile stays. A second batch of the same hive on
// the same thread joins the first, which alone writes.
class HiveWriteBatch {
 public:
  explicit HiveWriteBatch(Hive hive);
  ~HiveWriteBatch();
  HiveWriteBatch(const HiveWriteBatch&) = delete;
  HiveWriteBatch& operator=(const HiveWriteBatch&) = delete;

  // Writes what was gathered so far; false when the hive could not be written
  // (the gathered changes are then lost).
  bool Commit();

 private:
  Hive hive_;
  bool owner_;
};

// The gs programs on PATH (as PATH names them) that were asked for their
// version (gs --version, for their key in the local machine's hive) and did
// not tell it in the time given them: they were ended, and their key is
// named "unknown".
std::vector<std::filesystem::path> GhostscriptsNotAnswering();
// How long a gs on PATH is given to tell its version: ten seconds, which
// tests shorten.
void SetGhostscriptVersionTimeLimit(std::chrono::milliseconds limit);

// Helpers for the value layouts.
std::string TextData(const std::string& text);  // text + NUL; "" gives no data at all
std::string DwordData(std::uint32_t value);
std::uint32_t DwordOf(const std::string& data);  // least significant byte first, missing bytes 0

}  // namespace quiremark::platform
