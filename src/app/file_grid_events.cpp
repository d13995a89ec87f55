#include "app/file_grid_events.h"

#include "app/command_table.h"
#include "app/main_dispatcher.h"
#include "app/main_form.h"
#include "browser/file_grid.h"
#include "browser/numbering.h"
#include "controls/input_codes.h"

namespace quiremark::app {

static_assert(browser::kCmdNumberAll == cmd::kNumberAll && browser::kCmdNumberSelected == cmd::kNumberSelected &&
              browser::kCmdDeletePlotFiles == cmd::kDeletePlotFiles &&
              browser::kCmdFilterBySelection == cmd::kFilterBySelection &&
              browser::kCmdDeleteSelectedFiles == cmd::kDeleteSelectedFiles);

browser::FilePane FilePaneOf(MainForm& form, std::function<void()> selectFolder) {
  return {form,          form.ui,           form.state,         form.fgFiles,    form.Dir1,
          form.File1,    form.StatusBar1,   form.cboBookMark,   form.CommandBars, form.Outline,
          form.NextGridRow, form.SelectionStartRow, form.SelectionEndRow, form.BookmarksFromGrid,
          std::move(selectFolder)};
}

void ConnectFileGrid(MainForm& form, std::function<void()> selectFolder) {
  form.fgFiles.onKeyDown = [&form, selectFolder](int& keyCode, int shift) {
    // Delete deletes the selected files, as the entry of the grid's menu does.
    if (keyCode == controls::kKeyDelete && shift == 0) {
      keyCode = 0;
      if (form.fgFiles.selectedRows() > 0 && !form.state.treeScanActive) RunCommand(form, cmd::kDeleteSelectedFiles);
      return;
    }
    browser::FilePane pane = FilePaneOf(form, selectFolder);
    browser::fgFiles_KeyDown(pane, keyCode, shift);
  };
  form.fgFiles.onMouseDown = [&form](int button, int shift, float x, float y) {
    browser::FilePane pane = FilePaneOf(form);
    browser::fgFiles_MouseDown(pane, button, shift, x, y);
  };
  form.fgFiles.onMouseUp = [&form](int button, int shift, float x, float y) {
    browser::FilePane pane = FilePaneOf(form);
    browser::fgFiles_MouseUp(pane, button, shift, x, y);
  };
  form.Dir1.onChange = [&form] {
    browser::FilePane pane = FilePaneOf(form);
    browser::Dir1_Change(pane);
  };
}

}  // namespace quiremark::app
