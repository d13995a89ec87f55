#include "controls/control.h"

#include <algorithm>

namespace quiremark::controls {

void Control::SetBackColor(Color color) {
  if (backColor_ == color) return;
  backColor_ = color;
  Changed();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed();
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed();
}

void Control::SetLeft(int twips) { Move(twips, top_, width_, height_); }
void Control::SetTop(int twips) { Move(left_, twips, width_, height_); }
void Control::SetWidth(int twips) { Move(left_, top_, twips, height_); }
void Control::SetHeight(int twips) { Move(left_, top_, width_, twips); }

void Control::Move(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed();
}

}  // namespace quiremark::controls
