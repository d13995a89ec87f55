#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "controls/form.h"
#include "settings/form_placement.h"

namespace quiremark::app {

// A length in twips as a whole number; what is no finite number gives 0.
inline int TwipsOf(double value) {
  return std::isfinite(value) ? static_cast<int>(std::lround(std::clamp(value, -1e9, 1e9))) : 0;
}

// A form as the placement routines see it: its name, outer geometry in twips
// and window state.
class FormWindow : public settings::PlacementWindow {
 public:
  explicit FormWindow(controls::Form& form) : form_(form) {}

  std::string Name() const override { return form_.name(); }
  double Top() const override { return form_.top(); }
  double Left() const override { return form_.left(); }
  double Width() const override { return form_.width(); }
  double Height() const override { return form_.height(); }
  int WindowState() const override { return form_.windowState(); }
  void SetTop(double twips) override { form_.SetTop(TwipsOf(twips)); }
  void SetLeft(double twips) override { form_.SetLeft(TwipsOf(twips)); }
  void SetWidth(double twips) override { form_.SetWidth(TwipsOf(twips)); }
  void SetHeight(double twips) override { form_.SetHeight(TwipsOf(twips)); }
  void SetWindowState(int state) override { form_.SetWindowState(state); }

 private:
  controls::Form& form_;
};

}  // namespace quiremark::app
