#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "controls/color.h"

namespace quiremark::controls {

// A control refusing a value, with the error number the form logic tests
// (380: invalid property value).
class ControlError : public std::runtime_error {
 public:
  ControlError(int number, const std::string& what) : std::runtime_error(what), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrSubscriptOutOfRange = 381;  // a row or column that is not there

// What every control of a form has: a name (its type prefix matters to the
// colouring), a back colour, visibility, enabled state and a place in twips.
// Sizes never go below 0. A view follows the control through onChanged.
class Control {
 public:
  explicit Control(std::string name) : name_(std::move(name)) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }

  Color backColor() const { return backColor_; }
  void SetBackColor(Color color);
  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  int left() const { return left_; }
  int top() const { return top_; }
  int width() const { return width_; }
  int height() const { return height_; }
  void SetLeft(int twips);
  void SetTop(int twips);
  void SetWidth(int twips);
  void SetHeight(int twips);
  void Move(int left, int top, int width, int height);

  // Raised after any change a view must show.
  std::function<void()> onChanged;

 protected:
  void Changed() const {
    if (onChanged) onChanged();
  }

 private:
  std::string name_;
  Color backColor_ = kSystemWindowColor;
  bool visible_ = true;
  bool enabled_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

}  // namespace quiremark::controls
