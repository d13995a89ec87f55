#pragma once

namespace quiremark::controls {

// Mouse buttons and the key state bits that mouse and key events carry.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// Key codes of the function keys the program binds.
inline constexpr int kKeyF3 = 114;
inline constexpr int kKeyF5 = 116;

// Keys the grids answer: the Menu key and Shift+F10 open a context menu,
// Space and Delete act on the chosen rows.
inline constexpr int kKeyMenu = 93;
inline constexpr int kKeyF10 = 121;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyDelete = 46;

// Whether a key opens the context menu of the control that has the focus.
inline constexpr bool IsContextMenuKey(int keyCode, int shift) {
  return (keyCode == kKeyMenu && shift == 0) || (keyCode == kKeyF10 && shift == kShiftKey);
}

}  // namespace quiremark::controls
