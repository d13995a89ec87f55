#pragma once

#include <string>

#include "controls/form.h"
#include "settings/form_placement.h"

namespace quiremark::app {

// Lets the placement routines save and restore a form's position, size and
// state. Twips are kept as whole numbers, rounded to the nearest.
class FormWindow : public settings::PlacementWindow {
 public:
  explicit FormWindow(controls::Form& form) : form_(form) {}

  std::string Name() const override { return form_.name(); }
  double Top() const override { return form_.top(); }
  double Left() const override { return form_.left(); }
  double Width() const override { return form_.width(); }
  double Height() const override { return form_.height(); }
  int WindowState() const override { return form_.windowState(); }
  void SetTop(double twips) override;
  void SetLeft(double twips) override;
  void SetWidth(double twips) override;
  void SetHeight(double twips) override;
  void SetWindowState(int state) override { form_.SetWindowState(state); }

 private:
  controls::Form& form_;
};

}  // namespace quiremark::app
