#include "browser/numbering.h"

#include <algorithm>
#include <vector>

#include "browser/file_grid.h"

namespace quiremark::browser {
namespace {

bool HasNumber(const controls::Grid& grid, int row) { return !grid.TextMatrix(row, kColNumber).empty(); }

// Clears a row's number and moves every higher number down by one.
void ClearNumber(controls::Grid& grid, int row) {
  const int cleared = NumberOf(grid.TextMatrix(row, kColNumber));
  grid.SetTextMatrix(row, kColNumber, "");
  for (int r = 1; r < grid.rows(); ++r) {
    if (!HasNumber(grid, r)) continue;
    const int n = NumberOf(grid.TextMatrix(r, kColNumber));
    if (n > cleared) grid.SetTextMatrix(r, kColNumber, std::to_string(n - 1));
  }
}

// Builds a context menu with one entry and shows it at the pointer when
// the grid has selected rows.
void ShowGridMenu(FilePane& pane, int commandId, const std::string& caption) {
  controls::CommandBar& popup = pane.commandBars.AddPopup();
  popup.controls().Add(controls::kControlButton, commandId, caption);
  if (pane.fgFiles.selectedRows() > 0) pane.commandBars.ShowPopup(popup);
}

}  // namespace

int GetMaxNumber(const controls::Grid& grid) {
  int max = 0;
  for (int r = 1; r < grid.rows(); ++r)
    if (HasNumber(grid, r)) max = std::max(max, NumberOf(grid.TextMatrix(r, kColNumber)));
  return max;
}

void NumberAll(FilePane& pane) {
  if (pane.state.runActive()) return;
  for (int r = 1; r < pane.fgFiles.rows(); ++r) pane.fgFiles.SetTextMatrix(r, kColNumber, std::to_string(r));
}

void NumberSelected(FilePane& pane) {
  controls::Grid& grid = pane.fgFiles;
  if (pane.state.runActive() || grid.rows() < 2) return;
  // The rows the user chose, however: the grid's selection (a click, a drag,
  // Shift or Ctrl with the mouse or the arrow keys), top row first.
  std::vector<int> rows;
  for (int i = 0; i < grid.selectedRows(); ++i)
    if (const int row = grid.SelectedRow(i); row >= 1 && row < grid.rows()) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty()) {
    // No row selected: the range of the last press and release of the mouse.
    if (pane.selectionStartRow == 0 || pane.selectionEndRow == 0) return;
    // A press below the last row (over no row) anchors the range there: the
    // drag crossed every row from the end row down to the last one.
    const int anchor = pane.selectionStartRow < 0 ? grid.rows() - 1 : pane.selectionStartRow;
    const int first = std::max(std::min(anchor, pane.selectionEndRow), 1);
    const int last = std::min(std::max(anchor, pane.selectionEndRow), grid.rows() - 1);
    for (int r = first; r <= last; ++r) rows.push_back(r);  // none when the range lies below the last row
  }

  for (int r : rows)
    if (HasNumber(grid, r)) ClearNumber(grid, r);
  int next = GetMaxNumber(grid);
  for (int r : rows) grid.SetTextMatrix(r, kColNumber, std::to_string(++next));
}

void EnableNumberingCommands(controls::CommandBars& commandBars, bool enabled) {
  for (int id : {kCmdNumberAll, kCmdNumberSelected, kCmdDeletePlotFiles})
    for (controls::CommandBarControl* control : commandBars.FindControls(id)) control->SetEnabled(enabled);
}

void UnnumberAll(FilePane& pane) {
  if (pane.state.runActive()) return;
  // A tree scan's outline goes with its numbers: the next bind builds its
  // outline from the grid, as the rows are numbered anew.
  pane.outline.ResetScan();
  pane.bookmarksFromGrid = true;
  EnableNumberingCommands(pane.commandBars, true);
  // Only numbered rows change: selecting a folder clears the numbers of a
  // grid just filled, whose view then hears of no row at all.
  for (int r = 1; r < pane.fgFiles.rows(); ++r)
    if (HasNumber(pane.fgFiles, r)) pane.fgFiles.SetTextMatrix(r, kColNumber, "");
}

void fgFiles_MouseDown(FilePane& pane, int button, int shift, float /*x*/, float /*y*/) {
  switch (shift) {
    case 0:
    case controls::kShiftKey:
    case controls::kShiftKey | controls::kCtrlKey:
    case controls::kAltKey:
      if (!pane.state.treeScanActive && button == controls::kLeftButton) pane.selectionStartRow = pane.fgFiles.mouseRow();
      break;
    case controls::kCtrlKey:
      if (button == controls::kRightButton) ShowGridMenu(pane, kCmdFilterBySelection, "&Ny filtrering med markerade filnamn");
      break;
    default:
      break;
  }
}

void fgFiles_MouseUp(FilePane& pane, int button, int shift, float /*x*/, float /*y*/) {
  controls::Grid& grid = pane.fgFiles;
  const int row = grid.mouseRow();
  if (shift == controls::kCtrlKey || pane.state.treeScanActive || row < 0) return;

  if (row == 0)
    pane.selectionEndRow = 0;
  else if (button == controls::kLeftButton)
    pane.selectionEndRow = row;

  const bool toggle = button == controls::kLeftButton && pane.selectionEndRow != 0 &&
                      pane.selectionEndRow == pane.selectionStartRow && row < grid.rows();
  const bool menu = button == controls::kRightButton && pane.selectionEndRow != 0;
  if ((toggle || menu) && pane.state.runActive()) return TellRunUnderWay(pane.commandBars.statusBar(), pane.state);

  if (toggle) ToggleNumber(pane, row);
  if (menu) ShowGridMenu(pane, kCmdDeleteSelectedFiles, "&Radera markerade filer");
}

void ToggleNumber(FilePane& pane, int row) {
  controls::Grid& grid = pane.fgFiles;
  if (pane.state.treeScanActive || row < 1 || row >= grid.rows()) return;
  if (pane.state.runActive()) return TellRunUnderWay(pane.commandBars.statusBar(), pane.state);
  if (HasNumber(grid, row))
    ClearNumber(grid, row);
  else
    grid.SetTextMatrix(row, kColNumber, std::to_string(GetMaxNumber(grid) + 1));
}

void ShowGridMenuFromKeyboard(FilePane& pane) {
  if (pane.fgFiles.selectedRows() == 0) return;
  controls::CommandBar& popup = pane.commandBars.AddPopup();
  if (!pane.state.treeScanActive)
    popup.controls().Add(controls::kControlButton, kCmdDeleteSelectedFiles, "&Radera markerade filer");
  popup.controls().Add(controls::kControlButton, kCmdFilterBySelection, "&Ny filtrering med markerade filnamn");
  pane.commandBars.ShowPopup(popup);
}

}  // namespace quiremark::browser
