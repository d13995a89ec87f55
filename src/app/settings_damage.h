#pragma once

#include <string>

#include "controls/ui_services.h"
#include "platform/registry.h"

namespace quiremark::app {

// While it lives, every settings file found damaged is told to the user once,
// in a message box that names the file and the copy kept of it; damage found
// before it was made is told when it is made. The main window holds one, so
// a windowed user hears of it rather than only the error stream.
class SettingsDamageNotices {
 public:
  explicit SettingsDamageNotices(controls::UiServices& ui);
  ~SettingsDamageNotices();
  SettingsDamageNotices(const SettingsDamageNotices&) = delete;
  SettingsDamageNotices& operator=(const SettingsDamageNotices&) = delete;

  // The text of the box for one damaged file.
  static std::string Text(const platform::HiveDamage& damage);
};

}  // namespace quiremark::app
