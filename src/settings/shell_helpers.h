#pragma once

#include <string>

#include "controls/ui_services.h"

namespace quiremark::settings {

// Lets the user pick a folder, starting at startPath (no preselection when it
// does not exist). The chosen folder, or "" when cancelled or when the choice
// is no existing folder.
std::string BrowseForFolder(controls::UiServices& ui, const std::string& startPath, const std::string& title);

// Prepares the windowing controls once before the first window; true when no
// error occurred.
bool InitCommonControlClasses();

// The description of a file type from the classes root ("." + ext names the
// type, the type's default value is its description); ext itself when none.
std::string GetFileTypeDescription(const std::string& ext);

}  // namespace quiremark::settings
