// The main window and the options dialog open at the size they were closed
// at. The offscreen platform draws a frame of 2 pixels around every window, as
// a window manager does; the stored sizes are the outer ones, frame included.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sstream>

#include "app/main_startup.h"
#include "engine/plot_files.h"
#include "gui/main_window.h"
#include "gui/options_dialog.h"
#include "gui/twips.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << "x" << size.height(); }

namespace quiremark::gui {
namespace {

bool HasFrame(const QWidget& window) { return window.frameGeometry().size() != window.size(); }

// The window is on screen with its frame, and placed: maximised, or its
// outer size the one its form asks for (or the least its widgets need).
bool Placed(const QWidget& window, const controls::Form& form) {
  if (!HasFrame(window)) return false;
  if (window.isMaximized()) return true;
  const QSize frame = window.frameGeometry().size() - window.size();
  const QSize wanted = QSize(ToPixels(form.width()), ToPixels(form.height())).expandedTo(window.minimumSize() + frame);
  return window.frameGeometry().size() == wanted;
}

class WindowPlacement : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "bin");
    testing::WriteFile(dir / "bin" / app::kIniFileName, "[Patterns]\r\n*.plt\r\n");
    settings::SaveRegSetting("LastFolder", dir.path().string());
    const QScreen* screen = QGuiApplication::primaryScreen();
    ui.SetScreen(ToTwips(screen->geometry()), ToTwips(screen->availableGeometry()));
  }

  // One run of the program: the main window loaded as the start-up loads it, and shown.
  struct Run {
    settings::AppState state;
    app::MainForm form;
    MainWindow window{form};
    explicit Run(controls::UiServices& ui) : form(state, ui) {
      form.builtConverter = settings::Converter::Ghostscript;
      form.displayAvailable = true;
    }
  };
  std::unique_ptr<Run> Start() {
    auto run = std::make_unique<Run>(ui);
    app::LoadMainWindow(run->form, err);
    EXPECT_TRUE(run->form.startupComplete) << err.str();
    run->form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&run->window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Placed(run->window, run->form); })) << "placed with its frame";
    return run;
  }

  testing::TempDir dir;
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", (dir / "bin").string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScriptedUi ui;
  std::ostringstream err;
};

TEST_F(WindowPlacement, TheMainWindowOpensAtTheSizeItWasClosedAt) {
  QSize closedAt(700, 500);
  for (int run = 1; run <= 3; ++run) {
    std::unique_ptr<Run> started = Start();
    if (run == 1) started->window.resize(closedAt - (started->window.frameGeometry().size() - started->window.size()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return started->window.frameGeometry().size() == closedAt; }))
        << "run " << run << ": " << started->window.frameGeometry().width() << "x"
        << started->window.frameGeometry().height();
    EXPECT_EQ(started->form.height(), ToTwips(closedAt.height())) << "run " << run;
    ASSERT_TRUE(started->window.close());
  }
  EXPECT_EQ(settings::GetRegSetting("Width", ""), std::to_string(ToTwips(closedAt.width())));
}

TEST_F(WindowPlacement, AWindowClosedMaximisedShowsItsStatusBarWhenRestored) {
  std::unique_ptr<Run> started = Start();
  started->window.setWindowState(Qt::WindowMaximized);
  ASSERT_TRUE(QTest::qWaitFor([&] { return started->form.windowState() == controls::kWindowMaximized; }));
  ASSERT_TRUE(started->window.close());

  started = Start();
  MainWindow& window = started->window;
  EXPECT_TRUE(window.isMaximized());
  window.setWindowState(Qt::WindowNoState);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isMaximized() && started->form.windowState() == controls::kWindowNormal; }));
  // Its normal frame is the size it had maximised, the work area's, frame included.
  const QRect screen = window.screen()->availableGeometry();
  EXPECT_EQ(window.frameGeometry().size(), screen.size());
  const QRect statusBar(window.statusBar()->mapToGlobal(QPoint(0, 0)), window.statusBar()->size());
  EXPECT_TRUE(screen.contains(statusBar)) << "the status bar's bottom at " << statusBar.bottom();
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
      EXPECT_TRUE(QTest::qWaitFor([&] { return Placed(*dialog, form); })) << "placed with its frame";
      opened.push_back(dialog->frameGeometry().size());
      dialog->close();
    });
    form.Show(true);
    EXPECT_EQ(settings::GetRegSetting("Height", "", "Options"), std::to_string(ToTwips(opened.back().height())));
  }
  app::OptionsForm::AttachView() = nullptr;
  // The first opening has the smallest width the dialog allows, and every later one the same size.
  EXPECT_EQ(opened.front().width(), app::OptionsForm::kMinWidth / 15);
  for (const QSize& size : opened) EXPECT_EQ(size, opened.front());
}

// Closed far down and right on a larger screen, the options dialog opens
// whole on this one, buttons and all.
TEST_F(WindowPlacement, TheOptionsDialogFromALargerScreenOpensInsideThisOne) {
  ShowOptionsDialogsOnScreen(nullptr);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  settings::SaveRegSetting("Left", std::to_string(ToTwips(1400)), "Options");
  settings::SaveRegSetting("Top", std::to_string(ToTwips(700)), "Options");
  settings::AppState state;
  app::OptionsForm form(state, ui);
  QRect opened;
  QTimer::singleShot(0, [&] {
    auto* dialog = dynamic_cast<OptionsDialog*>(QApplication::activeModalWidget());
    if (!dialog) return ADD_FAILURE() << "no options dialog";
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Placed(*dialog, form); })) << "placed with its frame";
    opened = dialog->frameGeometry();
    for (auto* button : dialog->findChildren<QPushButton*>()) {
      if (!button->isVisible()) continue;
      EXPECT_TRUE(area.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()))) << button->text().toStdString();
    }
    dialog->close();
  });
  form.Show(true);
  app::OptionsForm::AttachView() = nullptr;
  EXPECT_TRUE(area.contains(opened)) << opened.x() << "," << opened.y() << " " << opened.width() << "x"
                                     << opened.height() << " on " << area.width() << "x" << area.height();
}

}  // namespace
}  // namespace quiremark::gui
