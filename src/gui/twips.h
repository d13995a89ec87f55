#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string>

#include "controls/color.h"
#include "controls/ui_services.h"

namespace quiremark::gui {

// The logic's values in Qt's terms: texts, twips and colour numbers.

// The logic's texts are UTF-8.
inline QString ToQString(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Window geometry in the logic is in twips; the screen has 15 of them per pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr int ToPixels(int twips) { return twips / kTwipsPerPixel; }
constexpr int ToTwips(int pixels) { return pixels * kTwipsPerPixel; }

inline controls::TwipsRect ToTwips(const QRect& r) {
  return {ToTwips(r.left()), ToTwips(r.top()), ToTwips(r.width()), ToTwips(r.height())};
}

// Colour numbers are &HBBGGRR.
inline QColor FromColorNumber(std::uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

}  // namespace quiremark::gui
