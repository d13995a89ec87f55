#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/color.h"
#include "controls/control.h"

namespace quiremark::controls {

// Window states.
inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;

// A window: a named, ordered set of controls with the window's own caption,
// icon, colour, geometry in twips (outer size) and state. A form class
// derives from it, holds its controls as members and registers them in
// design order with Add; the event handlers are virtual.
class Form {
 public:
  explicit Form(std::string name) : name_(std::move(name)) {}
  virtual ~Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& name() const { return name_; }

  // Controls in the form's order.
  const std::vector<Control*>& controls() const { return controls_; }
  Control* FindControl(const std::string& name) const;

  std::string caption;
  std::string icon;  // name of the picture shown as the window's icon
  Color backColor() const { return backColor_; }
  void SetBackColor(Color color);

  int left() const { return left_; }
  int top() const { return top_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Code places the window; no resize event runs (the view raises Resize
  // when the window it shows takes a new size).
  void Move(int left, int top, int width, int height);
  void SetLeft(int twips) { Move(twips, top_, width_, height_); }
  void SetTop(int twips) { Move(left_, twips, width_, height_); }
  void SetWidth(int twips) { Move(left_, top_, twips, height_); }
  void SetHeight(int twips) { Move(left_, top_, width_, twips); }
  int windowState() const { return windowState_; }
  void SetWindowState(int state);

  bool hourglass() const { return hourglass_; }
  void SetHourglass(bool on);

  // Life cycle: Load runs Form_Load once; Show loads when needed and asks
  // the view to show the window; Unload runs Form_Unload, which may cancel.
  bool loaded() const { return loaded_; }
  bool visible() const { return visible_; }
  void Load();
  void Show(bool modal = false);
  void Hide();
  bool Unload();
  void Refresh() const { Changed(); }

  // The view tells the form about a size the user gave the window (or the
  // window manager); the form takes it and runs Form_Resize.
  void Resized(int width, int height, int windowState);
  // The view activated the window.
  void Activated() { Form_Activate(); }

  // For the view.
  std::function<void()> onChanged;
  std::function<void(bool modal)> onShowRequest;
  std::function<void()> onHideRequest;

 protected:
  void Add(Control& control) { controls_.push_back(&control); }
  void Changed() const {
    if (onChanged) onChanged();
  }

  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_Resize() {}
  virtual void Form_Unload(bool& cancel) { (void)cancel; }

 private:
  std::string name_;
  std::vector<Control*> controls_;
  Color backColor_ = kSystemWindowColor;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int windowState_ = kWindowNormal;
  bool hourglass_ = false;
  bool loaded_ = false;
  bool visible_ = false;
};

// Shows the hourglass on a window for a scope and puts the pointer back on every way out.
class Hourglass {
 public:
  explicit Hourglass(Form& window) : window_(window) { window_.SetHourglass(true); }
  ~Hourglass() { window_.SetHourglass(false); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  Form& window_;
};

}  // namespace quiremark::controls
