#pragma once

#include <iosfwd>
#include <string>

#include "controls/ui_services.h"

namespace quiremark::app {

class MainForm;

// Exit statuses of the program. An unattended run (/OutFile:) ends with 0
// only when it made its PDF.
inline constexpr int kExitPdfMade = 0;
inline constexpr int kExitNoPdf = 1;             // the bind made no PDF
inline constexpr int kExitCannotStart = 2;       // settings file or converter missing
inline constexpr int kExitBadCommandLine = 3;    // a fault of an unattended run's command line, or no start folder
inline constexpr int kExitPartMissing = 4;       // the window's library is missing or cannot be loaded
inline constexpr int kExitNoDisplay = 5;         // the display cannot be opened for a run that needs the window

// The settings file's name; it lies in the program's folder.
inline constexpr const char* kIniFileName = "Quiremark.ini";
// The section under which the command bars keep their layout.
inline constexpr const char* kBarLayoutSection = "Layout";

// Ends the program with `status`. A non-empty `why` is written first to
// `err` as one line headed by the program's name, so that whoever started an
// unattended run learns why it made no PDF.
void EndProgramWith(controls::UiServices& ui, int status, const std::string& why, std::ostream& err);

// The main window's load (frmMain's Form_Load): the converter of this
// program, placement, theme, command bars and their layout, the settings
// file and its file patterns, the converter lookup, size, filters and column
// widths, the file grid, the folder tree and the walk to the last folder, the
// DigiTejp lookup, and the unattended tree scan and bind the command line
// asked for. It may stop early (the window then shows half set up) or end
// the program (form.programEnded). `err` takes the one-line reason an
// unattended run ends without a PDF.
void LoadMainWindow(MainForm& form, std::ostream& err);

// Opens the settings file in the desktop's editor, without waiting; only
// when someone can see the editor.
void EditIniFile(const MainForm& form);

// Connects the command bars' execute and resize events to the dispatcher
// and the layout.
void ConnectCommandBars(MainForm& form);

}  // namespace quiremark::app
