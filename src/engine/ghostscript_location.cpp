#include "engine/ghostscript_location.h"

#include <algorithm>

#include "platform/process.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"

namespace quiremark::engine {

void FindRegValues(platform::Hive hive, const std::string& keyPath, const std::string& valueName,
                   std::vector<std::string>& list) {
  for (std::int32_t index = 0;; ++index) {
    const settings::RegValueEntry value = settings::RegEnumValueAt(hive, keyPath, index);
    if (!value.found) break;
    if (value.name != valueName) continue;
    const bool known = std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
      return platform::EqualsIgnoringCase(entry, value.data);
    });
    if (!known) list.push_back(value.data);
  }
  for (std::int32_t index = 0;; ++index) {
    const auto subkey = settings::RegEnumKeyAt(hive, keyPath, index);
    if (!subkey) break;
    FindRegValues(hive, keyPath + *subkey + "\\", valueName, list);
  }
}

std::vector<std::string> GhostscriptDllPaths() {
  std::vector<std::string> list{""};
  FindRegValues(platform::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\", "GS_DLL", list);
  return list;
}

std::optional<std::filesystem::path> FindGhostscriptProgram(const std::vector<std::string>& dllPaths) {
  // The registry lists the installations in the order of their version
  // names; the one that runs is the one a shell runs.
  const std::optional<std::filesystem::path> onPath = platform::FindOnPath("gs");
  std::optional<std::filesystem::path> first;
  for (const std::string& dll : dllPaths) {
    const size_t slash = dll.rfind('/');
    if (slash == std::string::npos) continue;
    const std::filesystem::path program = std::filesystem::path(dll.substr(0, slash + 1)) / "gs";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(program, ec)) continue;
    if (onPath && std::filesystem::equivalent(program, *onPath, ec)) return program;
    if (!first) first = program;
  }
  return first;
}

}  // namespace quiremark::engine
