#pragma once

#include <string>

namespace quiremark::app {

class MainForm;

// The actions of the main window that its start-up and its command
// dispatcher run. Each takes the whole window and does its own refusing
// (while a bind run or a tree scan is under way, for instance).

// Folder tree (folder_tree_events.cpp).
void ConnectFolderTree(MainForm& form);  // the tree's notifications to its routines; once, after the form is built
void SetupTreeView(MainForm& form);      // the tree back to the computer, history, favourites and drives
void GotoLastFolder(MainForm& form);     // walks the tree to LastFolder and makes it the working folder
void ExpandTreeToFolder(MainForm& form, const std::string& folder);  // the same walk to `folder`
void SelectFolder(MainForm& form);       // the tree's current row becomes the working folder
void RefreshFolderTree(MainForm& form);  // F5 in the tree: rebuild and walk back to LastFolder
void DeletePrevious(MainForm& form);     // the current history entry out of the history
void DeleteFavourite(MainForm& form);    // the current favourite out of the favourites
void SaveFavourite(MainForm& form);      // the current folder into the favourites
void GotoFolder(MainForm& form);         // the current row's folder becomes LastFolder, then the walk to it
void ExploreFolder(MainForm& form);      // opens the current row's folder in the file manager

// Filters, tree scan and deletion (tree_scan_events.cpp).
void ConnectFilters(MainForm& form);      // the filter boxes' change and click events; once, after the form is built
bool ScanFolderTree(MainForm& form);      // the working folder's tree into the grid and outline; false when refused
void FilterBySelection(MainForm& form);   // the selected file names become the file filter
void DeletePlotFiles(MainForm& form);     // all or the selected rows' plot and bookmark files
void DeleteSelectedFiles(MainForm& form); // the selected rows' files

// CAD scripts and the about box (cad_commands.cpp, about_box.cpp).
void ChooseScriptFolder(MainForm& form);
void RefreshScriptList(MainForm& form);
void EditScriptTemplate(MainForm& form);
void RunCadScript(MainForm& form, const std::string& kind);      // kind "Acad" or "Icad"
void BrowseCadProgram(MainForm& form, const std::string& kind);  // kind "Acad" or "Icad"
void ShowAbout(MainForm& form);

}  // namespace quiremark::app
