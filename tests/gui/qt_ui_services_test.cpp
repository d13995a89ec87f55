#include "gui/qt_ui_services.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

namespace quiremark::gui {
namespace {

using controls::MsgResult;
namespace mb = controls::mb;

// Runs `inspect` on the message box once it is up, then closes it with `click`.
void WhenBoxShows(std::function<void(QMessageBox&)> inspect, QMessageBox::StandardButton click) {
  QTimer::singleShot(0, [inspect, click] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inspect(*box);
    box->button(click)->click();
  });
}

TEST(QtUiServices, QuestionBoxHasSwedishYesNoAndReturnsTheClickedAnswer) {
  QtUiServices ui;
  WhenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Radera"));
        EXPECT_EQ(box.text(), QString::fromUtf8("Ta bort filerna?"));
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Ja"));
        EXPECT_EQ(box.button(QMessageBox::No)->text(), QString::fromUtf8("&Nej"));
        EXPECT_EQ(box.button(QMessageBox::Cancel), nullptr);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
      },
      QMessageBox::No);
  EXPECT_EQ(ui.MessageBox("Ta bort filerna?", mb::kYesNo + mb::kQuestion, "Radera"), MsgResult::No);
}

TEST(QtUiServices, BoxWithoutTitleShowsTheApplicationTitleAndStyleButtons) {
  QtUiServices ui;
  WhenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Quiremark"));
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Avbryt"));
        EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
        EXPECT_NE(box.button(QMessageBox::No), nullptr);
      },
      QMessageBox::Cancel);
  EXPECT_EQ(ui.MessageBox("Spara?", mb::kYesNoCancel + mb::kExclamation, ""), MsgResult::Cancel);

  WhenBoxShows([](QMessageBox& box) { EXPECT_EQ(box.icon(), QMessageBox::Critical); }, QMessageBox::Ok);
  EXPECT_EQ(ui.MessageBox("Fel", mb::kCritical, "Fel"), MsgResult::Ok);
}

TEST(QtUiServices, HourglassIsSetOnceAndRestoredAndBoxesShowTheNormalPointer) {
  QtUiServices ui;
  ui.SetHourglass(true);
  ui.SetHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  WhenBoxShows([](QMessageBox&) { EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor); },
               QMessageBox::Ok);
  ui.MessageBox("Klart.", mb::kInformation, "");
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ui.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUiServices, ScreenAndWorkAreaAreInTwips) {
  QtUiServices ui;
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(ui.Screen().width, screen.width() * 15);
  EXPECT_EQ(ui.Screen().height, screen.height() * 15);
  EXPECT_LE(ui.WorkArea().height, ui.Screen().height);
}

TEST(QtUiServices, FilterPairsBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters("(*.pdf)|*.pdf"), QStringList{"(*.pdf)"});
  EXPECT_EQ(QtNameFilters("Program (*.exe)|*.exe|Alla filer|*.*"),
            (QStringList{"Program (*.exe)", "Alla filer (*.*)"}));
  EXPECT_EQ(QtNameFilters("Ritningar|*.dwg;*.dxf"), QStringList{"Ritningar (*.dwg *.dxf)"});
  EXPECT_TRUE(QtNameFilters("").isEmpty());
}

}  // namespace
}  // namespace quiremark::gui
