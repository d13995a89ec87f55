#include "gui/display.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

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
  std::string_view first = value ? value : "";
  first = first.substr(0, first.find(';'));
  const std::string platform = platform::Trim(first.substr(0, first.find(':')), " \t");
  if (platform == "offscreen" || platform == "minimal" || platform == "minimalegl") return false;
  if (!platform.empty()) return true;
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

}  // namespace quiremark::gui
