// What the started window refuses on screen (offscreen) while a run yields.
#include <QComboBox>
#include <QLineEdit>

#include "gui/started_window.h"

namespace quiremark::gui {
namespace {

TEST_F(StartedWindow, TypingIntoTheFileFilterDuringARunLeavesTheBoxAsItWas) {
  testing::WriteFile(drawings / "A-40-04.eps", testing::DriverPlotFile(1));
  auto* box = window.findChild<QComboBox*>(QStringLiteral("cboFileExt"));
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(box->currentText(), QStringLiteral("*.PLT"));
  state.bindRunActive = true;
  box->lineEdit()->setFocus();
  QTest::keyClick(box->lineEdit(), Qt::Key_End);
  QTest::keyClicks(box->lineEdit(), QStringLiteral("x"));
  EXPECT_EQ(box->currentText(), QStringLiteral("*.PLT"));
  EXPECT_EQ(form.cboFileExt.text(), "*.PLT");
  EXPECT_EQ(form.File1.pattern(), "*.PLT");
  EXPECT_EQ(Notice(), "Vänta tills PDF-filen är klar");
  state.bindRunActive = false;

  box->lineEdit()->selectAll();
  QTest::keyClicks(box->lineEdit(), QStringLiteral("*.eps"));
  EXPECT_EQ(form.cboFileExt.text(), "*.eps");
  EXPECT_EQ(form.fgFiles.rows(), 2);
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 1), "A-40-04.eps");
}

}  // namespace
}  // namespace quiremark::gui
