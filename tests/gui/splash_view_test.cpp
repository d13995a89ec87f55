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

// The spinning picture lies over the middle of the bar: the bar shows
// through around its dots, as far as it has come.
TEST(SplashView, TheBarShowsAroundThePicturesDots) {
  testing::ScopedEnv programDir("QUIREMARK_PROGRAM_DIR", QUIREMARK_BINARY_DIR "/bin");
  engine::SplashForm form;
  SplashView view(form);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  ASSERT_TRUE(view.movie()->isValid());
  form.SetRange(0, 10);
  form.SetValue(10);
  const QImage shot = view.grab().toImage();
  EXPECT_TRUE(shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/progress_window_full.png")));
  // The picture's top left corner (no dot is there) and the bar beside the picture.
  QRect picture;
  for (const QLabel* label : view.findChildren<QLabel*>())
    if (label->movie() == view.movie()) picture = label->geometry();
  ASSERT_FALSE(picture.isEmpty());
  const QSize frame = view.movie()->currentImage().size();
  const QPoint corner(picture.left() + (picture.width() - frame.width()) / 2 + 1, picture.top() + 1);
  EXPECT_EQ(shot.pixelColor(corner), shot.pixelColor(picture.left() - 4, corner.y()));
}

// Counts the paints and palette changes of the window and of the widgets on it.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget& window) {
    window.installEventFilter(this);
    for (QWidget* child : window.findChildren<QWidget*>()) child->installEventFilter(this);
  }
  int paints = 0, paletteChanges = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    if (event->type() == QEvent::PaletteChange) ++paletteChanges;
    return false;
  }
};

// A bind run of thousands of files refreshes the window and moves the bar
// once per file: the window is painted again only when its text or the
// bar's whole percent changes.
TEST(SplashView, IsPaintedOnlyWhenWhatItShowsChanges) {
  settings::AppState state;
  state.themeBaseColor = 0x00C0D0E0;
  engine::SplashForm form;
  form.appState = &state;
  SplashView view(form);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  form.SetRange(0, 20000);
  form.SetProgressText("Bearbetar /ritn/A-10-0001.plt 1/20000");
  QCoreApplication::processEvents();
  PaintCounter counter(view);

  for (int file = 1; file < 200; ++file) {  // all within the first percent
    form.Refresh();
    form.SetValue(file);
    form.hourglass = true;
    form.Refresh();
  }
  EXPECT_EQ(counter.paints, 0);
  EXPECT_EQ(counter.paletteChanges, 0);
  EXPECT_EQ(view.progressBar()->value(), 0);

  form.SetValue(200);
  EXPECT_EQ(view.progressBar()->value(), 200) << "one percent more shows";
  EXPECT_GT(counter.paints, 0);
  const int paints = counter.paints;
  form.SetProgressText("Bearbetar /ritn/A-10-0200.plt 200/20000");
  EXPECT_EQ(view.progressLabel()->text(), QStringLiteral("Bearbetar /ritn/A-10-0200.plt 200/20000"));
  EXPECT_GT(counter.paints, paints) << "a new text shows at once";
  EXPECT_EQ(counter.paletteChanges, 0);
  EXPECT_EQ(view.cursor().shape(), Qt::WaitCursor);

  form.SetValue(20000);
  EXPECT_EQ(view.progressBar()->value(), 20000);
  form.SetRange(0, 100);  // a converter's percentages
  form.SetValue(40);
  EXPECT_EQ(view.progressBar()->maximum(), 100);
  EXPECT_EQ(view.progressBar()->value(), 40);
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
