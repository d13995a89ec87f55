#pragma once

#include <cstdint>

namespace quiremark::controls {

// A colour number as the forms write it: &HBBGGRR for plain colours; with the
// top bit set (&H800000nn) one of the system's colours, nn its index.
using Color = std::uint32_t;

inline constexpr Color kSystemWindowColor = 0x80000005;  // the system's window background

constexpr Color Rgb(int red, int green, int blue) {
  return static_cast<Color>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>(c >> 8 & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>(c >> 16 & 0xFF); }
constexpr bool IsSystemColor(Color c) { return (c & 0x80000000u) != 0; }

}  // namespace quiremark::controls
