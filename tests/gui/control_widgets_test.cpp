#include "gui/control_widgets.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "controls/basic_controls.h"

namespace quiremark::gui {
namespace {

using namespace controls;

TEST(ControlWidgets, ComboBoxTypingAndChoosingReachTheModelsHandlers) {
  ComboBox model("cboFileExt");
  model.AddItem("*.plt");
  model.AddItem("*.eps");
  int changes = 0, clicks = 0;
  model.onChange = [&] { ++changes; };
  model.onClick = [&] { ++clicks; };
  std::unique_ptr<QWidget> widget(CreateControlWidget(model, Placement::Hosted));
  auto* combo = qobject_cast<QComboBox*>(widget.get());
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);

  QTest::keyClicks(combo->lineEdit(), "*.ps");
  EXPECT_EQ(model.text(), "*.ps");
  EXPECT_EQ(changes, 4);

  emit combo->activated(1);
  EXPECT_EQ(model.text(), "*.eps");
  EXPECT_EQ(clicks, 1);

  model.SetText("A*");  // code changes show in the widget
  EXPECT_EQ(combo->currentText(), QStringLiteral("A*"));
  model.Clear();
  EXPECT_EQ(combo->count(), 0);
}

TEST(ControlWidgets, TextAndCheckBoxesFollowAndFeedBack) {
  TextBox text("txtAcad");
  CheckBox check("chkEmptyFolders");
  check.caption = "Inkludera tomma kataloger";
  check.Move(0, 0, 3000, 300);
  text.Move(150, 300, 3000, 300);
  std::unique_ptr<QWidget> edit(CreateControlWidget(text, Placement::Form));
  std::unique_ptr<QWidget> box(CreateControlWidget(check, Placement::Form));
  EXPECT_EQ(edit->geometry(), QRect(10, 20, 200, 20));
  QTest::keyClicks(edit.get(), "acad");
  EXPECT_EQ(text.text(), "acad");
  text.SetEnabled(false);
  EXPECT_FALSE(edit->isEnabled());

  check.SetBackColor(Rgb(250, 240, 200));
  box->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
  EXPECT_EQ(box->grab().toImage().pixelColor(1, 1), QColor(250, 240, 200));

  qobject_cast<QCheckBox*>(box.get())->click();
  EXPECT_EQ(check.value(), 1);
  check.SetValue(0);
  EXPECT_FALSE(qobject_cast<QCheckBox*>(box.get())->isChecked());
  EXPECT_EQ(CreateControlWidget(*std::make_unique<FileList>("File1"), Placement::Form), nullptr);
}

}  // namespace
}  // namespace quiremark::gui
