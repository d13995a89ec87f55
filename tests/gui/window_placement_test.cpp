// The main window and the options dialog keep their size from one opening to
// the next. The offscreen platform gives every window a frame of 2 pixels on
// each side, as a window manager gives one; the stored sizes are the outer
// ones, frame included.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sstream>

#include "app/main_form.h"
#include "app/main_startup.h"
#include "app/options_form.h"
#include "engine/plot_files.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/twips.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

// Sizes read as sizes in failure messages.
inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << "x" << size.height(); }

namespace quiremark::gui {
namespace {

bool HasFrame(const QWidget& window) { return window.frameGeometry().size() != window.size(); }

class WindowPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "bin");
    testing::WriteFile(dir / "bin" / app::kIniFileName, "[Patterns]\r\n*.plt\r\n*.eps\r\n");
    std::filesystem::create_directories(drawings);
    testing::WriteFile(drawings / "A-40-01.plt", testing::DriverPlotFile(1, "A-40-01.plt"));
    settings::SaveRegSetting("LastFolder", drawings.string());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ui.SetScreen(ToTwips(screen->geometry()), ToTwips(screen->availableGeometry()));
  }

  // One run of the program: the main window loaded as the start-up loads it, and shown.
  struct Run {
    settings::AppState state;
    app::MainForm form;
    MainWindow window;
    explicit Run(controls::UiServices& ui) : form(state, ui), window(form) {}
  };
  std::unique_ptr<Run> Start() {
    auto run = std::make_unique<Run>(ui);
    run->form.builtConverter = settings::Converter::Ghostscript;
    run->form.displayAvailable = true;
    app::LoadMainWindow(run->form, err);
    EXPECT_TRUE(run->form.startupComplete) << err.str();
    run->form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&run->window));
    QTest::qWait(20);
    return run;
  }

  testing::TempDir dir;
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", (dir / "bin").string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  std::filesystem::path drawings = dir / "Ritningar";
  testing::ScriptedUi ui;
  std::ostringstream err;
};

TEST_F(WindowPlacement, TheMainWindowOpensAtTheSizeItWasClosedAt) {
  QSize closedAt;
  for (int run = 1; run <= 3; ++run) {
    std::unique_ptr<Run> started = Start();
    MainWindow& window = started->window;
    ASSERT_TRUE(HasFrame(window));
    if (run == 1) {
      window.resize(700, 500);
      QTest::qWait(20);
    } else {
      EXPECT_EQ(window.frameGeometry().size(), closedAt) << "run " << run;
    }
    closedAt = window.frameGeometry().size();
    EXPECT_EQ(started->form.width(), ToTwips(closedAt.width()));
    EXPECT_EQ(started->form.height(), ToTwips(closedAt.height()));
    ASSERT_TRUE(window.close());
  }
  EXPECT_EQ(settings::GetRegSetting("Width", ""), std::to_string(ToTwips(closedAt.width())));
  EXPECT_EQ(settings::GetRegSetting("Height", ""), std::to_string(ToTwips(closedAt.height())));
}

TEST_F(WindowPlacement, AWindowClosedMaximisedOpensMaximisedAndShowsItsStatusBarWhenRestored) {
  {
    std::unique_ptr<Run> started = Start();
    started->window.setWindowState(Qt::WindowMaximized);
    QTest::qWait(20);
    ASSERT_EQ(started->form.windowState(), controls::kWindowMaximized);
    ASSERT_TRUE(started->window.close());
  }
  std::unique_ptr<Run> started = Start();
  MainWindow& window = started->window;
  EXPECT_TRUE(window.isMaximized());
  window.setWindowState(Qt::WindowNoState);
  QTest::qWait(20);
  ASSERT_FALSE(window.isMaximized());
  ASSERT_TRUE(HasFrame(window));
  // Its normal frame is the size it had maximised, the work area's, frame included.
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_EQ(window.frameGeometry().size(), screen.size());
  const QRect statusBar(window.statusBar()->mapToGlobal(QPoint(0, 0)), window.statusBar()->size());
  EXPECT_TRUE(screen.contains(statusBar)) << "the status bar shows, bottom at " << statusBar.bottom();
  EXPECT_EQ(started->form.height(), ToTwips(window.frameGeometry().height()));
}

TEST_F(WindowPlacement, TheOptionsDialogOpensAtTheSizeItWasClosedAt) {
  ShowOptionsDialogsOnScreen(nullptr);
  settings::AppState state;
  std::vector<QSize> opened;
  for (int opening = 1; opening <= 5; ++opening) {
    app::OptionsForm form(state, ui);
    QTimer::singleShot(0, [&] {
      auto* dialog = dynamic_cast<OptionsDialog*>(QApplication::activeModalWidget());
      if (!dialog) return ADD_FAILURE() << "no options dialog";
      EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
      QTest::qWait(20);
      EXPECT_TRUE(HasFrame(*dialog));
      opened.push_back(dialog->frameGeometry().size());
      dialog->close();
    });
    form.Show(true);
    EXPECT_EQ(settings::GetRegSetting("Width", "", "Options"), std::to_string(ToTwips(opened.back().width())));
    EXPECT_EQ(settings::GetRegSetting("Height", "", "Options"), std::to_string(ToTwips(opened.back().height())));
  }
  app::OptionsForm::AttachView() = nullptr;
  ASSERT_EQ(opened.size(), 5u);
  // The first opening has the smallest size the dialog allows; every later one the same.
  EXPECT_EQ(opened.front().width(), 7860 / 15);
  for (const QSize& size : opened) EXPECT_EQ(size, opened.front());
}

}  // namespace
}  // namespace quiremark::gui
