#include "gui/display.h"

#include <cstdlib>
#include <string_view>

namespace quiremark::gui {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool DisplayAvailable() {
  // "name:options", or a list of names to try: the first one counts.
  const char* value = std::getenv("QT_QPA_PLATFORM");
  std::string_view platform = value ? value : "";
  platform = platform.substr(0, platform.find(';'));
  platform = platform.substr(0, platform.find(':'));
  while (!platform.empty() && (platform.front() == ' ' || platform.front() == '\t')) platform.remove_prefix(1);
  while (!platform.empty() && (platform.back() == ' ' || platform.back() == '\t')) platform.remove_suffix(1);
  if (platform == "offscreen" || platform == "minimal" || platform == "minimalegl") return false;
  if (!platform.empty()) return true;
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

}  // namespace quiremark::gui
