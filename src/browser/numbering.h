#pragma once

#include "browser/file_pane.h"
#include "controls/input_codes.h"

namespace quiremark::browser {

// Command IDs of the grid's context menus and of the commands a tree scan
// switches off (the main window's command table).
inline constexpr int kCmdNumberAll = 301;
inline constexpr int kCmdNumberSelected = 302;
inline constexpr int kCmdDeletePlotFiles = 305;
inline constexpr int kCmdFilterBySelection = 314;
inline constexpr int kCmdDeleteSelectedFiles = 956;

// The highest order number in the grid, 0 when no row has one.
int GetMaxNumber(const controls::Grid& grid);

// Data row i gets number i.
void NumberAll(FilePane& pane);

// The selected rows (with none selected, the rows from the anchor to the
// end row: bounded to the rows there are, taken top down whichever way they
// were dragged; an anchor below the last row stands for the last row) lose
// their numbers, the gaps close, and they get the next numbers after all
// others, top row first.
void NumberSelected(FilePane& pane);

// Clears every number and the outline of a tree scan, and switches the
// commands a tree scan switched off back on.
void UnnumberAll(FilePane& pane);

// Switches the commands that a tree scan turns off (numbering all rows, a
// range, and deleting plot files) on or off.
void EnableNumberingCommands(controls::CommandBars& commandBars, bool enabled);

// A click on a row, or Space on the current one: the row loses its number
// (the higher ones close the gap) or gets the next one. Not while the grid
// shows a tree scan; while a run is under way the notice pane says it waits.
void ToggleNumber(FilePane& pane, int row);

// The grid's context menu opened from the keyboard, at the current row: the
// entries of its two mouse menus, deleting the selected files (not while
// the grid shows a tree scan) and a new file filter of their names; only
// when rows are selected.
void ShowGridMenuFromKeyboard(FilePane& pane);

// Mouse events of the grid: the anchor and end rows of a range, a click
// that toggles a row's number, and the two context menus.
void fgFiles_MouseDown(FilePane& pane, int button, int shift, float x, float y);
void fgFiles_MouseUp(FilePane& pane, int button, int shift, float x, float y);

}  // namespace quiremark::browser
