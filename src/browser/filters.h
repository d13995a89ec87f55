#pragma once

#include "browser/tree_scan.h"
#include "controls/color.h"

namespace quiremark::browser {

// The folder filter's back colour while a folder filter is in force.
inline constexpr controls::Color kFolderFilterColor = 0xC0C0FF;

// The longest file filter that the selected names may make.
inline constexpr std::size_t kMaxSelectionFilter = 255;

// The file filter changed (typed, or set by the program): the file list
// takes it as its pattern and the grid is refilled from the working folder.
// A pattern the file list refuses (error 380) ends the handler silently;
// any other error shows "Felkod: n", and the third since the window loaded
// ends the program after "Avslutar!", without saving anything. While a run
// is under way a new filter is refused: the box shows the file list's
// pattern again and the status bar says why.
void cboFileExt_Change(ScanPane& pane);
// An item of the file filter's list was chosen.
void cboFileExt_Click(ScanPane& pane);

// The folder filter changed: its back colour shows whether it is in force.
void cboFolderName_Change(ScanPane& pane);
void cboFolderName_Click(ScanPane& pane);

// The file names of the selected rows, joined by ";", become the file filter
// (at most 255 characters; a longer one is cut after a message).
void FilterBySelection(ScanPane& pane);

// Writes the file filter's list to the section "Patterns" of the settings
// file, with the current filter text added when no item holds it.
void SavePatterns(const ScanPane& pane);

}  // namespace quiremark::browser
