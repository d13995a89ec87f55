#pragma once

#include <functional>

#include "browser/file_pane.h"

namespace quiremark::app {

class MainForm;

// The file grid's parts of the main window, for the grid and numbering
// routines. `selectFolder` is what F5 in the grid runs.
browser::FilePane FilePaneOf(MainForm& form, std::function<void()> selectFolder = {});

// Connects the grid's key and mouse events and the working folder's change
// to the grid routines.
void ConnectFileGrid(MainForm& form, std::function<void()> selectFolder);

}  // namespace quiremark::app
