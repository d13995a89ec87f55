#include "settings/shell_helpers.h"

#include "settings/registry_settings.h"
#include "settings/text_routines.h"

namespace quiremark::settings {

std::string BrowseForFolder(controls::UiServices& ui, const std::string& startPath, const std::string& title) {
  const std::string chosen = ui.BrowseForFolder(FolderExists(startPath) ? startPath : std::string(), title);
  return FolderExists(chosen) ? chosen : std::string();
}

bool InitCommonControlClasses() { return true; }

std::string GetFileTypeDescription(const std::string& ext) {
  const std::string typeName = RegQueryString(Hive::ClassesRoot, "." + ext, "", "");
  if (typeName.empty()) return ext;
  const std::string description = RegQueryString(Hive::ClassesRoot, typeName, "", "");
  return description.empty() ? ext : description;
}

}  // namespace quiremark::settings
