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
  std::string outFile;                 // last /OutFile: value, "" when not given
  bool treeScan = false;               // last /TreeScan: value is y or yes
  std::vector<std::string> unknownSwitches;  // "/Name:" of other switches, as written
};

// Parses the program's arguments (joined by blanks). Switch names are matched
// ignoring case; the line is cut before "/StartDir:", "/OutFile:" and
// "/TreeScan:", and before any other "/Name:" that follows a blank (an
// unknown switch), so values may hold "/" and keep their letter case. Quotes
// are removed from values and blanks around them trimmed.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// A start folder as it is stored: a relative one is taken from the current
// folder, and "." and ".." parts and doubled "/" are resolved.
std::string AbsoluteFolder(const std::string& folder);

// The start procedure: debug mode from NORV_DEBUG, the common controls, the
// command line (an existing /StartDir: folder becomes LastFolder, the other
// switches go to `state`; a line without /StartDir: shows the syntax message
// "Fel i anrop", an unknown switch is named in a message), then loads and
// shows the main window through `hooks` (either may be empty). An unattended
// run (/OutFile:) with an unknown switch or without an existing start folder
// ends here, its reason written to `err`.
void Main(const std::vector<std::string>& arguments, settings::AppState& state, controls::UiServices& ui,
          const MainWindowHooks& hooks, std::ostream& err = std::cerr);

}  // namespace quiremark::app
