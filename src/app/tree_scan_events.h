#pragma once

#include "browser/tree_scan.h"

namespace quiremark::app {

class MainForm;

// The main window's parts for the filters and the tree scan.
browser::ScanPane ScanPaneOf(MainForm& form);

}  // namespace quiremark::app
