#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quiremark::settings {

// Converter a program is built for.
enum class Converter : std::int32_t { Distiller = 0, Ghostscript = 1 };

// Process-wide state shared between the windows' logic. One thread touches it;
// the owner of each value is the routine that writes it.
struct AppState {
  Converter converterSelector = Converter::Distiller;  // fixed per program at start-up
  bool debugMode = false;                              // NORV_DEBUG set
  std::string outFileArg;                              // /OutFile: value, empty when not given
  bool treeScanArg = false;                            // /TreeScan: yes
  std::string startFolder;                             // /StartDir: folder, absolute; empty when not given
  std::string lastPdfPath;                             // last PDF made since start
  std::vector<std::string> lastPdfByProducts;          // what its run left beside it, removed when it is opened
  std::string digiTejpExePath;                         // DigiTejp program, empty when not found
  std::uint32_t themeBaseColor = 0;                    // &HBBGGRR
  bool treeScanActive = false;                         // the grid shows a tree scan
  bool bindRunActive = false;                          // a bind run is under way (it yields to the window)
  bool treeScanRunning = false;                        // a tree scan is under way (it yields to the window)
  bool gridFillHeld = false;                           // start-up of a tree-scan run: the scan fills the grid
  std::string bookmarkPattern;                         // bookmark filter pattern
  std::string iniPath;                                 // Quiremark.ini beside the program

  // A bind run or a tree scan is under way: while it yields to the window,
  // nothing may change the working folder, the grid or the filters, and no
  // second run may start.
  bool runActive() const { return bindRunActive || treeScanRunning; }
};

}  // namespace quiremark::settings
