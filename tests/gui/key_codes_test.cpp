#include "gui/key_codes.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

namespace quiremark::gui {
namespace {

TEST(KeyCodes, KeysMapToTheCodesTheLogicTestsAndBack) {
  const std::pair<int, int> keys[] = {{Qt::Key_F5, 116}, {Qt::Key_F3, 114},  {Qt::Key_Return, 13}, {Qt::Key_Space, 32},
                                      {Qt::Key_Left, 37}, {Qt::Key_Right, 39}, {Qt::Key_Delete, 46}, {Qt::Key_A, 65},
                                      {Qt::Key_Z, 90},    {Qt::Key_0, 48},     {Qt::Key_F1, 112},    {Qt::Key_F12, 123}};
  for (auto [qtKey, code] : keys) {
    EXPECT_EQ(KeyCodeOf(qtKey), code) << code;
    EXPECT_EQ(QtKeyOf(code), qtKey) << code;
  }
  EXPECT_EQ(KeyCodeOf(Qt::Key_Enter), 13);  // the keypad's Enter is Enter too
  EXPECT_EQ(KeyCodeOf(QKeyEvent(QEvent::KeyPress, Qt::Key_F5, Qt::ShiftModifier)), 116);
  EXPECT_EQ(KeyCodeOf(Qt::Key_Eacute), 0);
  EXPECT_EQ(QtKeyOf(0), 0);
}

TEST(KeyCodes, ModifiersAndButtonsAreSummedAsTheEventsCarryThem) {
  EXPECT_EQ(ShiftStateOf(Qt::NoModifier), 0);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier), 1);
  EXPECT_EQ(ShiftStateOf(Qt::ControlModifier), 2);
  EXPECT_EQ(ShiftStateOf(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier), 7);
  EXPECT_EQ(ButtonOf(Qt::LeftButton), 1);
  EXPECT_EQ(ButtonOf(Qt::RightButton), 2);
  EXPECT_EQ(ButtonOf(Qt::MiddleButton), 4);
  EXPECT_EQ(ButtonOf(Qt::BackButton), 0);
}

}  // namespace
}  // namespace quiremark::gui
