#include "gui/splash_view.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QTest>

#include "support/test_support.h"

namespace quiremark::gui {
namespace {

TEST(SplashView, FollowsTheRunAndPlaysThePictureBesideTheProgram) {
  testing::ScopedEnv programDir("QUIREMARK_PROGRAM_DIR", QUIREMARK_BINARY_DIR "/bin");
  settings::AppState state;
  state.themeBaseColor = 0x00FFEEF8;
  engine::SplashForm form;
  form.appState = &state;
  SplashView view(form);
  EXPECT_FALSE(view.isVisible());

  form.left = 1500;
  form.top = 3000;
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_EQ(view.pos(), QPoint(100, 200));
  EXPECT_EQ(view.size(), QSize(650, 57));
  EXPECT_EQ(view.progressLabel()->text(), QString::fromUtf8(engine::SplashForm::kInitialText));
  EXPECT_EQ(view.palette().color(QPalette::Window), QColor(0x02, 0xEF, 0xFF));  // the shade carries into green
  ASSERT_TRUE(view.movie()->isValid()) << view.movie()->fileName().toStdString();
  EXPECT_EQ(view.movie()->state(), QMovie::Running);
  EXPECT_GT(view.movie()->frameCount(), 1);

  form.SetRange(0, 12);
  form.SetValue(5);
  form.SetProgressText("A-40-01.plt");
  EXPECT_EQ(view.progressBar()->maximum(), 12);
  EXPECT_EQ(view.progressBar()->value(), 5);
  EXPECT_EQ(view.progressLabel()->text(), QStringLiteral("A-40-01.plt"));
  EXPECT_TRUE(view.grab().save(QStringLiteral(QUIREMARK_BINARY_DIR "/progress_window.png")));

  form.Unload();
  EXPECT_FALSE(view.isVisible());
  EXPECT_NE(view.movie()->state(), QMovie::Running);
  form.Show();  // a later run starts the picture again
  EXPECT_EQ(view.movie()->state(), QMovie::Running);
  EXPECT_EQ(view.progressLabel()->text(), QString::fromUtf8(engine::SplashForm::kInitialText));
}

TEST(SplashView, AMissingPictureLeavesTheWindowWorking) {
  testing::TempDir empty;
  testing::ScopedEnv programDir("QUIREMARK_PROGRAM_DIR", empty.path().string());
  engine::SplashForm form;
  SplashView view(form);
  form.Show();
  EXPECT_TRUE(view.isVisible());
  EXPECT_FALSE(view.movie()->isValid());
  form.SetValue(40);
  EXPECT_EQ(view.progressBar()->value(), 40);
  EXPECT_EQ(SplashView::PictureFile("<img src=\"/opt/q/Loading.gif\">"), QStringLiteral("/opt/q/Loading.gif"));
}

}  // namespace
}  // namespace quiremark::gui
