// Stand-ins for the main window's actions of the folder tree, the filters, the tree scan and deletion; this file is removed when the real actions land.
#include "app/main_commands.h"

namespace quiremark::app {

void ConnectFolderTree(MainForm&) {}
void SetupTreeView(MainForm&) {}
void GotoLastFolder(MainForm&) {}
void SelectFolder(MainForm&) {}
void RefreshFolderTree(MainForm&) {}
void DeletePrevious(MainForm&) {}
void DeleteFavourite(MainForm&) {}
void SaveFavourite(MainForm&) {}
void GotoFolder(MainForm&) {}
void ExploreFolder(MainForm&) {}

void ConnectFilters(MainForm&) {}
bool ScanFolderTree(MainForm&) { return false; }
void FilterBySelection(MainForm&) {}
void DeletePlotFiles(MainForm&) {}
void DeleteSelectedFiles(MainForm&) {}

}  // namespace quiremark::app
