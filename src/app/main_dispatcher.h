#pragma once

#include "browser/file_pane.h"
#include "controls/command_bars.h"

namespace quiremark::app {

class MainForm;

// The status-bar pane that says why a command has to wait.
inline constexpr int kNoticePane = browser::kNoticePane;

// A command chosen in the menu bar, on a toolbar, by a key or in a context
// menu: runs the action of its ID. While a bind run or a tree scan is under
// way, commands that would change the grid, the filters or the working
// folder, and a second bind or scan, are refused with a notice in the
// status bar.
void CommandBars_Execute(MainForm& form, controls::CommandBarControl& control);
void RunCommand(MainForm& form, int id);

// Whether command `id` waits while a bind run or a tree scan is under way.
bool WaitsForRun(int id);

// The client area left free by the bars changed.
void CommandBars_Resize(MainForm& form);

// The options dialog, modal, in the main window's colours.
void ShowOptionsDialog(MainForm& form);

}  // namespace quiremark::app
