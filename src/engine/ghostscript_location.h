#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quiremark::engine {

// Appends to `list` the data of every value named `valueName` (exact letter
// case) in hive\keyPath and, depth first, in all its subkeys: a key's own
// values in their order, then each subkey in enumeration order. Data already
// in the list (ignoring letter case) is skipped; the first spelling found
// stays. A missing key adds nothing.
void FindRegValues(platform::Hive hive, const std::string& keyPath, const std::string& valueName,
                   std::vector<std::string>& list);

// The GhostscriptDllPaths list: one empty element, then the distinct GS_DLL
// values under the local machine's "SOFTWARE\GPL Ghostscript\".
std::vector<std::string> GhostscriptDllPaths();

// The console program ("gs") in the folder of a candidate: the gs a shell
// finds first on PATH when a candidate's folder holds it, else the first
// candidate's that holds one; a candidate without a folder is skipped. Empty
// when none does.
std::optional<std::filesystem::path> FindGhostscriptProgram(const std::vector<std::string>& dllPaths);

}  // namespace quiremark::engine
