#pragma once

#include <Qt>

class QKeyEvent;

namespace quiremark::gui {

// The form logic speaks of keys, modifiers and mouse buttons by the numbers
// its events carry: key codes (116 is F5), shift state 1 Shift + 2 Ctrl +
// 4 Alt, buttons 1 left, 2 right, 4 middle.
int KeyCodeOf(const QKeyEvent& event);  // 0 for a key without a code
int KeyCodeOf(int qtKey);
int QtKeyOf(int keyCode);  // 0 when the code has no Qt key
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
int ButtonOf(Qt::MouseButton button);

}  // namespace quiremark::gui
