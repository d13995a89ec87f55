#include "app/folder_tree_events.h"

#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "browser/history.h"
#include "controls/input_codes.h"

namespace quiremark::app {

static_assert(browser::kCmdCreatePdfSpec == cmd::kCreatePdfSpec &&
              browser::kCmdCreatePdfRelation == cmd::kCreatePdfRelation &&
              browser::kCmdRefreshTree == cmd::kRefreshTree && browser::kCmdExploreFolder == cmd::kExploreFolder &&
              browser::kCmdCloseTree == cmd::kCloseTree && browser::kCmdDeletePrevious == cmd::kDeletePrevious &&
              browser::kCmdDeleteFavourite == cmd::kDeleteFavourite &&
              browser::kCmdSaveFavourite == cmd::kSaveFavourite && browser::kCmdGotoFolder == cmd::kGotoFolder);

browser::TreePane TreePaneOf(MainForm& form) {
  return {FilePaneOf(form, [&form] { SelectFolder(form); }),
          form.fgTree,
          form.Dirs,
          form.Drives,
          form.StatusBar,
          {form.imgComputer.picture, form.imgPrev.picture, form.imgFavo.picture, form.imgFolder.picture,
           form.imgDrive.picture, form.imgFloppyDrive.picture, form.imgCD.picture, form.imgNetDrive.picture},
          form.CurrentTreePicture};
}

void ConnectFolderTree(MainForm& form) {
  controls::Grid& tree = form.fgTree;
  tree.onBeforeCollapse = [&form](int row, int state, bool& cancel) {
    browser::TreePane pane = TreePaneOf(form);
    browser::TreeBeforeCollapse(pane, row, state, cancel);
  };
  tree.onDblClick = [&form] {
    browser::TreePane pane = TreePaneOf(form);
    browser::fgTree_DblClick(pane);
  };
  tree.onKeyDown = [&form](int& keyCode, int shift) {
    browser::TreePane pane = TreePaneOf(form);
    browser::fgTree_KeyDown(pane, keyCode, shift);
  };
  tree.onKeyPress = [&form](int& keyAscii) {
    browser::TreePane pane = TreePaneOf(form);
    browser::fgTree_KeyPress(pane, keyAscii);
  };
  tree.onMouseUp = [&form](int button, int shift, float x, float y) {
    browser::TreePane pane = TreePaneOf(form);
    browser::fgTree_MouseUp(pane, button, shift, x, y);
  };
  // F5 in the file grid selects the tree's current folder again.
  ConnectFileGrid(form, [&form] { SelectFolder(form); });
}

void SetupTreeView(MainForm& form) {
  if (form.state.runActive()) return;  // the run's folder stays in the tree
  browser::TreePane pane = TreePaneOf(form);
  browser::SetupTreeView(pane);
}

void GotoLastFolder(MainForm& form) {
  browser::TreePane pane = TreePaneOf(form);
  browser::GotoLastFolder(pane);
}

void ExpandTreeToFolder(MainForm& form, const std::string& folder) {
  browser::TreePane pane = TreePaneOf(form);
  browser::ExpandTreeToFolder(pane, folder);
}

void SelectFolder(MainForm& form) {
  browser::TreePane pane = TreePaneOf(form);
  browser::SelectFolder(pane);
}

void RefreshFolderTree(MainForm& form) {
  browser::TreePane pane = TreePaneOf(form);
  int keyCode = controls::kKeyF5;
  browser::fgTree_KeyDown(pane, keyCode, 0);
}

void DeletePrevious(MainForm& form) { browser::DeletePrevious(form.fgTree); }

void DeleteFavourite(MainForm& form) { browser::DeleteFavourite(form.fgTree); }

void SaveFavourite(MainForm& form) { browser::SaveFavourite(form.fgTree); }

void GotoFolder(MainForm& form) {
  browser::TreePane pane = TreePaneOf(form);
  browser::GotoFolder(pane);
}

void ExploreFolder(MainForm& form) {
  browser::TreePane pane = TreePaneOf(form);
  browser::ExploreFolder(pane);
}

}  // namespace quiremark::app
