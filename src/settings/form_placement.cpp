#include "settings/form_placement.h"

#include <algorithm>
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

// Where a window edge goes so that the window of that size lies inside the
// span: as near to `start` as that allows, and never before the span's start.
double KeptInside(double start, double size, int spanStart, int spanSize) {
  return std::max(std::min(start, spanStart + spanSize - size), static_cast<double>(spanStart));
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

  // A place stored on a larger screen, or one with more room, may lie
  // partly or wholly beyond this one: the window is made to fit the work
  // area of the screen it was on, or else the primary one (no smaller than
  // its minimum), and moved into it, so that its buttons show; one larger
  // than the area keeps its top left corner on it.
  const auto area = ui.WorkAreaAt({static_cast<int>(window.Left()), static_cast<int>(window.Top()),
                                   static_cast<int>(window.Width()), static_cast<int>(window.Height())});
  if (window.Width() > area.width) window.SetWidth(area.width);
  if (window.Width() < minWidth) window.SetWidth(minWidth);
  if (window.Height() > area.height) window.SetHeight(area.height);
  if (window.Height() < minHeight) window.SetHeight(minHeight);
  window.SetLeft(KeptInside(window.Left(), window.Width(), area.left, area.width));
  window.SetTop(KeptInside(window.Top(), window.Height(), area.top, area.height));
}

}  // namespace quiremark::settings
