// Stand-ins for the main window's folder-tree actions; this file is removed when the real actions land.
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

}  // namespace quiremark::app
