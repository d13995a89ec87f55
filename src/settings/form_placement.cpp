#include "settings/form_placement.h"

#include <cmath>

#include "platform/clock.h"
#include "settings/registry_settings.h"

namespace quiremark::settings {

namespace {

// The subkey of a window: its name without the "frm" prefix.
std::string SubKeyOf(const PlacementWindow& window) {
  const std::string name = window.Name();
  return name.size() > 3 ? name.substr(3) : name;
}

}  // namespace

void SaveFormPlacement(const PlacementWindow& window) {
  const auto& clock = platform::CurrentClock();
  const std::string subKey = SubKeyOf(window);
  SaveRegSetting("Top", clock.FormatNumber(window.Top()), subKey);
  SaveRegSetting("Left", clock.FormatNumber(window.Left()), subKey);
  SaveRegSetting("Height", clock.FormatNumber(window.Height()), subKey);
  SaveRegSetting("Width", clock.FormatNumber(window.Width()), subKey);
  SaveRegSetting("WinState", std::to_string(window.WindowState()), subKey);
}

void RestoreFormPlacement(PlacementWindow& window, int minHeight, int minWidth, const controls::UiServices& ui) {
  const std::string subKey = SubKeyOf(window);
  window.SetTop(GetRegNumber("Top", 0, subKey));
  window.SetLeft(GetRegNumber("Left", 0, subKey));
  window.SetHeight(GetRegNumber("Height", minHeight, subKey));
  window.SetWidth(GetRegNumber("Width", minWidth, subKey));
  const double state = GetRegNumber("WinState", kWindowNormal, subKey);
  window.SetWindowState((state == kWindowMinimized || state == kWindowMaximized) ? static_cast<int>(state)
                                                                                 : kWindowNormal);

  if (window.Top() < 0) window.SetTop(0);
  if (window.Left() < 0) window.SetLeft(0);
  const auto screen = ui.Screen();
  if (window.Width() > screen.width) window.SetWidth(screen.width);
  if (window.Width() < minWidth) window.SetWidth(minWidth);
  if (window.Height() > screen.height) window.SetHeight(screen.height);
  if (window.Height() < minHeight) window.SetHeight(minHeight);
}

}  // namespace quiremark::settings
