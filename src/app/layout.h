#pragma once

#include "controls/color.h"
#include "controls/command_bars.h"
#include "controls/form.h"

namespace quiremark::app {

class MainForm;

// Colour themes: theme n (0 to 6) is chosen by command 1000 + n.
inline constexpr int kFirstThemeCommand = 1000;
inline constexpr int kLastThemeCommand = kFirstThemeCommand + controls::kVisualThemeCount - 1;
inline constexpr int kRibbonTheme = 6;

// Layout of the main window, in twips.
inline constexpr int kMinWindowHeight = 4890;
inline constexpr int kMinWindowWidth = 8000;
inline constexpr double kTreeShare = 0.35;      // tree width as a share of the frame's width
inline constexpr int kTreeHeightMargin = 300;   // frame height less tree height
inline constexpr int kPaneGap = 40;             // between tree and grid
inline constexpr int kGridWidthMargin = 180;    // frame width less tree width less grid width
inline constexpr int kNoticeHeightMargin = 60;  // grid height less notice box height

// Applies a theme to the command bars, takes its toolbar face as the base
// colour of the forms, marks command `menuId`, stores the theme as the
// registry value "Theme" and recolours the main window.
void SetTheme(MainForm& form, int theme, int menuId);

// The theme stored by the last SetTheme (registry value "Theme", default 6).
// A number above 6 is taken as 6, one below 0 as 0; text that is no number
// gives the default.
int StoredTheme();

// Ticks the theme command `id` (every copy of it) and clears the others.
void CheckThemeMenu(controls::CommandBars& bars, int id);

// Gives the form and each of its controls whose name does not begin with an
// excluded prefix the colour shade + themeBaseColor. The shade is added to
// the colour number as a whole, so it carries from red into green.
void SetFormColors(controls::Form& form, int shade, controls::Color themeBaseColor);
// Whether SetFormColors colours a control of this name.
bool TakesThemeColor(const std::string& controlName);

// Lays out the frame, the tree, the grid and the notice box in the client
// area the bars leave free; springs a too small window back to its minimum
// size; does nothing while the window is minimized.
void ArrangeControls(MainForm& form);

}  // namespace quiremark::app
