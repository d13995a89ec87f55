#include "controls/form.h"

#include <algorithm>

namespace quiremark::controls {

Control* Form::FindControl(const std::string& name) const {
  auto it = std::find_if(controls_.begin(), controls_.end(), [&](const Control* c) { return c->name() == name; });
  return it == controls_.end() ? nullptr : *it;
}

void Form::SetBackColor(Color color) {
  backColor_ = color;
  Changed();
}

void Form::Move(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  Changed();
}

void Form::SetWindowState(int state) {
  if (state < kWindowNormal || state > kWindowMaximized)
    throw ControlError(kErrInvalidPropertyValue, "window state " + std::to_string(state));
  windowState_ = state;
  Changed();
}

void Form::SetHourglass(bool on) {
  hourglass_ = on;
  Changed();
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Form::Show(bool modal) {
  Load();
  visible_ = true;
  Changed();
  if (onShowRequest) onShowRequest(modal);
}

void Form::Hide() {
  visible_ = false;
  Changed();
  if (onHideRequest) onHideRequest();
}

bool Form::Unload() {
  if (!loaded_) return true;
  bool cancel = false;
  Form_Unload(cancel);
  if (cancel) return false;
  loaded_ = false;
  if (visible_) Hide();
  return true;
}

void Form::Resized(int width, int height, int windowState) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  windowState_ = windowState;
  Changed();
  Form_Resize();
}

}  // namespace quiremark::controls
