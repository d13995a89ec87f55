#pragma once

#include "browser/folder_tree.h"

namespace quiremark::app {

class MainForm;

// The folder tree's parts of the main window, for the tree routines.
browser::TreePane TreePaneOf(MainForm& form);

}  // namespace quiremark::app
