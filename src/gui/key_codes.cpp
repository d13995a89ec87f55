#include "gui/key_codes.h"

#include <QKeyEvent>
#include <array>
#include <utility>

#include "controls/input_codes.h"

namespace quiremark::gui {

namespace {

// Keys whose code is not simply their letter, digit or function-key number.
constexpr std::array<std::pair<int, int>, 24> kNamedKeys{{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},        {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},   {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},       {Qt::Key_Home, 36},     {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},     {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},   {Qt::Key_NumLock, 144},  {Qt::Key_ScrollLock, 145}, {Qt::Key_Menu, 93},
}};

}  // namespace

int KeyCodeOf(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
  for (auto [key, code] : kNamedKeys)
    if (key == qtKey) return code;
  return 0;
}

int KeyCodeOf(const QKeyEvent& event) { return KeyCodeOf(event.key()); }

int QtKeyOf(int keyCode) {
  if (keyCode >= 'A' && keyCode <= 'Z') return Qt::Key_A + (keyCode - 'A');
  if (keyCode >= '0' && keyCode <= '9') return Qt::Key_0 + (keyCode - '0');
  if (keyCode >= 112 && keyCode <= 135) return Qt::Key_F1 + (keyCode - 112);
  for (auto [key, code] : kNamedKeys)
    if (code == keyCode) return key;
  return 0;
}

int ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  return (modifiers & Qt::ShiftModifier ? controls::kShiftKey : 0) |
         (modifiers & Qt::ControlModifier ? controls::kCtrlKey : 0) | (modifiers & Qt::AltModifier ? controls::kAltKey : 0);
}

int ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return controls::kLeftButton;
    case Qt::RightButton: return controls::kRightButton;
    case Qt::MiddleButton: return controls::kMiddleButton;
    default: return 0;
  }
}

}  // namespace quiremark::gui
