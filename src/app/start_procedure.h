#pragma once

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "controls/ui_services.h"
#include "settings/app_state.h"

namespace quiremark::app {

// What Main hands over to the main window.
struct MainWindowHooks {
  // Loads the main window (its whole start-up). False when start-up ended the program.
  std::function<bool()> load;
  // Shows the loaded main window modeless.
  std::function<void()> show;
};

// The switches of the command line, as Main reads them.
struct CommandLine {
  bool syntaxError = false;  // non-empty line without /StartDir:
  std::vector<std::string> startDirs;  // every /StartDir: value, in order
  bool outFileNamed = false;           // /OutFile: is named, with a value or without
  std::string outFile;                 // last /OutFile: value, "" when not given
  bool treeScan = false;               // last /TreeScan: value is y or yes
  std::vector<std::string> unknownSwitches;  // "/Name:" of other switches, as written
  std::vector<std::string> strayWords;       // "/Name" words without a colon, as written
};

// Parses the program's arguments. Switch names are matched ignoring case.
// Each argument is one word, blanks and all, as the shell's quotes kept it
// (an argument holding double quotes is a command line of its own, parted at
// its blanks outside the quotes); the words of one value are joined by a
// blank. A word that begins with "/Name:" begins a switch, and the three known
// ones begin one anywhere outside double quotes, so values may hold "/" and
// keep their letter case; a word that is "/Name" alone is a stray word, unless
// it begins a value. Quotes are removed from values and blanks around them trimmed.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// A run that names /OutFile: is unattended: it does exactly what its line
// says, or nothing, says why on the error stream, and waits for nobody.
inline bool IsUnattendedRun(const CommandLine& line) { return line.outFileNamed; }
inline bool IsUnattendedRun(const std::vector<std::string>& arguments) {
  return IsUnattendedRun(ParseCommandLine(arguments));
}

// A start folder as it is stored: a relative one is taken from the current
// folder, and "." and ".." parts and doubled "/" are resolved.
std::string AbsoluteFolder(const std::string& folder);

// The start procedure: debug mode from NORV_DEBUG, the common controls, the
// command line (an existing /StartDir: folder becomes LastFolder, the other
// switches go to `state`; a line without /StartDir: shows the syntax message
// "Fel i anrop", an unknown switch or a stray word is named in one), then
// loads and shows the main window through `hooks` (either may be empty). A
// run that names /OutFile: (unattended) whose line has any of these faults,
// no file name after /OutFile: or no existing start folder ends here with
// kExitBadCommandLine, its reason written to `err`.
void Main(const std::vector<std::string>& arguments, settings::AppState& state, controls::UiServices& ui,
          const MainWindowHooks& hooks, std::ostream& err = std::cerr);

}  // namespace quiremark::app
