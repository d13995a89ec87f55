#include "app/layout.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "app/main_form.h"
#include "settings/registry_settings.h"

namespace quiremark::app {

namespace {

// Buttons, text and combo boxes, grids, menus, status and tool bars and the
// like keep their own colours.
constexpr std::array<std::string_view, 19> kKeepOwnColor = {"cmd", "sli", "txt", "img", "lin", "cbo", "com",
                                                            "fg_", "sta", "mnu", "fgf", "fgs", "fgt", "fgd",
                                                            "tim", "sys", "tra", "pop", "tab"};

}  // namespace

void SetTheme(MainForm& form, int theme, int menuId) {
  form.CommandBars.SetThemeFrame(theme == kRibbonTheme);
  form.CommandBars.SetVisualTheme(theme);
  form.state.themeBaseColor = form.CommandBars.GetSpecialColor(controls::kToolbarFaceColor);
  form.SetBackColor(form.state.themeBaseColor);
  CheckThemeMenu(form.CommandBars, menuId);
  settings::SaveRegSetting("Theme", std::to_string(theme));
  SetFormColors(form, 0, form.state.themeBaseColor);
}

int StoredTheme() {
  const double number = settings::GetRegNumber("Theme", kRibbonTheme);
  return static_cast<int>(std::clamp(std::lround(number), 0L, static_cast<long>(kRibbonTheme)));
}

void CheckThemeMenu(controls::CommandBars& bars, int id) {
  for (int themeId = kFirstThemeCommand; themeId <= kLastThemeCommand; ++themeId)
    for (controls::CommandBarControl* control : bars.FindControls(themeId)) control->SetChecked(themeId == id);
}

bool TakesThemeColor(const std::string& controlName) {
  std::string prefix = controlName.substr(0, 3);
  std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::find(kKeepOwnColor.begin(), kKeepOwnColor.end(), prefix) == kKeepOwnColor.end();
}

void SetFormColors(controls::Form& form, int shade, controls::Color themeBaseColor) {
  const controls::Color color = themeBaseColor + static_cast<controls::Color>(shade);
  form.SetBackColor(color);
  for (controls::Control* control : form.controls())
    if (TakesThemeColor(control->name())) control->SetBackColor(color);
}

void ArrangeControls(MainForm& form) {
  if (form.windowState() == controls::kWindowMinimized) return;
  if (form.height() < kMinWindowHeight) form.SetHeight(kMinWindowHeight);
  if (form.width() < kMinWindowWidth) form.SetWidth(kMinWindowWidth);

  const controls::BarRect client = form.CommandBars.GetClientRect();
  form.fraMain.Move(client.left, client.top, client.right - client.left, client.bottom - client.top);

  // The notice box takes the grid's size from before this pass.
  form.Text1.SetHeight(form.fgFiles.height() - kNoticeHeightMargin);
  form.Text1.SetWidth(form.fgFiles.width());

  form.fgTree.SetHeight(form.fraMain.height() - kTreeHeightMargin);
  form.fgTree.SetWidth(static_cast<int>(std::lrint(form.fraMain.width() * kTreeShare)));
  form.fgFiles.Move(form.fgTree.width() + form.fgTree.left() + kPaneGap, form.fgTree.top(),
                    form.fraMain.width() - form.fgTree.width() - kGridWidthMargin, form.fgTree.height());
  form.Text1.SetLeft(form.fgFiles.left());
}

}  // namespace quiremark::app
