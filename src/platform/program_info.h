#pragma once

#include <filesystem>
#include <string>

namespace quiremark::platform {

// Folder of the running program (the folder that holds Quiremark.ini and Loading.gif).
// QUIREMARK_PROGRAM_DIR, when set, takes its place; tests and packaging use it.
std::filesystem::path ProgramFolder();

// The running program's own folder, whatever QUIREMARK_PROGRAM_DIR says:
// where the program's libraries lie.
std::filesystem::path ExecutableFolder();

// File name of the running program without its folder and extension.
std::string ProgramName();

}  // namespace quiremark::platform
