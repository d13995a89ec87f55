#include "app/tree_scan_events.h"

#include <memory>
#include <optional>

#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/main_dispatcher.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "browser/deletion.h"
#include "browser/filters.h"

namespace quiremark::app {

browser::ScanPane ScanPaneOf(MainForm& form) {
  return {FilePaneOf(form),     form.Dir2,           form.cboFileExt,      form.cboFolderName,
          form.chkEmptyFolders, form.CollectedFolders, form.FileFilterErrorCount, form.LeftOutByScan};
}

void ConnectFilters(MainForm& form) {
  // Choosing an item whose text differs from the box's raises the change
  // and then the click; the click's refill would repeat the change's (and
  // count its error twice), so it runs only when the text stayed the same.
  auto changedTo = std::make_shared<std::optional<std::string>>();
  form.cboFileExt.onChange = [&form, changedTo] {
    *changedTo = form.cboFileExt.text();
    browser::ScanPane pane = ScanPaneOf(form);
    browser::cboFileExt_Change(pane);
  };
  form.cboFileExt.onClick = [&form, changedTo] {
    const bool alreadyApplied = *changedTo == form.cboFileExt.text();
    changedTo->reset();
    if (alreadyApplied) return;
    browser::ScanPane pane = ScanPaneOf(form);
    browser::cboFileExt_Click(pane);
  };
  form.cboFolderName.onChange = [&form] {
    browser::ScanPane pane = ScanPaneOf(form);
    browser::cboFolderName_Change(pane);
  };
  form.cboFolderName.onClick = [&form] {
    browser::ScanPane pane = ScanPaneOf(form);
    browser::cboFolderName_Click(pane);
  };
  // Enter in the bookmark filter applies it: the grid is filled again, as
  // "Uppdatera fillista" fills it.
  form.cboBookMark.onEnter = [&form] { RunCommand(form, cmd::kRefreshFiles); };
}

bool ScanFolderTree(MainForm& form) {
  browser::ScanPane pane = ScanPaneOf(form);
  return browser::ScanFolderTree(pane);
}

void FilterBySelection(MainForm& form) {
  browser::ScanPane pane = ScanPaneOf(form);
  browser::FilterBySelection(pane);
}

void DeletePlotFiles(MainForm& form) {
  browser::FilePane pane = FilePaneOf(form);
  browser::DeletePlotFiles(pane);
}

void DeleteSelectedFiles(MainForm& form) {
  browser::FilePane pane = FilePaneOf(form);
  browser::DeleteSelectedFiles(pane);
}

}  // namespace quiremark::app
