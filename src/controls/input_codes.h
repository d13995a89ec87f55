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

}  // namespace quiremark::controls
