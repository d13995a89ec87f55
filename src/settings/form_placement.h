#pragma once

#include <string>

#include "controls/ui_services.h"

namespace quiremark::settings {

// Window states as stored: 0 normal, 1 minimised, 2 maximised.
inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;

// What placement needs of a window. Geometry in twips (15 per pixel).
class PlacementWindow {
 public:
  virtual ~PlacementWindow() = default;
  virtual std::string Name() const = 0;  // "frmMain": its values live in subkey "Main"
  virtual double Top() const = 0;
  virtual double Left() const = 0;
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  virtual int WindowState() const = 0;
  virtual void SetTop(double twips) = 0;
  virtual void SetLeft(double twips) = 0;
  virtual void SetWidth(double twips) = 0;
  virtual void SetHeight(double twips) = 0;
  virtual void SetWindowState(int state) = 0;
};

// Writes Top, Left, Height, Width and WinState into the window's subkey.
void SaveFormPlacement(const PlacementWindow& window);

// Puts the window back where it was, inside the screen's work area: size at
// most the area's and at least the minimums (the minimum wins), and moved as
// far as needed to lie inside the area (its top left corner on it when it is
// larger). Stored texts that are no number fall back to the defaults (0, 0,
// the minimum size, normal).
void RestoreFormPlacement(PlacementWindow& window, int minHeight, int minWidth, const controls::UiServices& ui);

}  // namespace quiremark::settings
