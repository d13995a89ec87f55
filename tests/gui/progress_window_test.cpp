// The started window's progress window while a bind waits for another run
// of the same user: it says so and stays above the main window, which owns
// it. Escape on it, or closing the main window, stops the bind.
#include <QLabel>
#include <QPainter>
#include <csignal>
#include <QWindow>
#include <filesystem>

#include "engine/temp_ps_file.h"
#include "gui/splash_view.h"
#include "gui/started_window.h"
#include "platform/environment.h"

namespace quiremark::gui {
namespace {

TEST_F(StartedWindow, TheProgressWindowOfABindWaitingForAnotherRunStaysAboveTheWindow) {
  settings::SaveRegSetting("chkOpenPdf", "0", "Options");
  ChooseMenuItem(app::cmd::kNumberAll);
  const std::filesystem::path pdf = dir / "Ritningar.pdf";
  ui.QueueSaveFile(pdf.string());
  std::optional<platform::FileUpdateLock> other = platform::FileUpdateLock::Take(engine::TempPsPath(), 0600);
  ASSERT_TRUE(other);

  SplashView& progress = window.progressWindow();
  bool waited = false;
  ui.onYield = [&] {
    if (!other) return;
    waited = true;
    EXPECT_TRUE(progress.isVisible());
    // The whole text does not fit: its middle gives way.
    const QLabel& label = *progress.progressLabel();
    EXPECT_TRUE(label.text().startsWith(QString::fromUtf8("Väntar på att en annan körning"))) << label.text().toStdString();
    EXPECT_TRUE(label.text().endsWith(QStringLiteral("QuiremarkTmp.ps..."))) << label.text().toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), progress.width());
    ASSERT_NE(progress.windowHandle(), nullptr);
    EXPECT_EQ(progress.windowHandle()->transientParent(), window.windowHandle()) << "owned by the main window";
    EXPECT_EQ(progress.parentWidget(), &window);
    // The window as the user sees it, the progress window over it.
    const QRect both = window.geometry().united(progress.geometry());
    QImage shot(both.size(), QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    QPainter painter(&shot);
    painter.drawPixmap(window.pos() - both.topLeft(), window.grab());
    painter.drawPixmap(progress.pos() - both.topLeft(), progress.grab());
    painter.end();
    EXPECT_TRUE(shot.save(QStringLiteral(QUIREMARK_BINARY_DIR "/progress_waiting.png")));
    other.reset();  // the other run is done
  };
  ChooseMenuItem(app::cmd::kCreatePdf);
  EXPECT_TRUE(waited);
  EXPECT_TRUE(std::filesystem::exists(pdf));
  EXPECT_FALSE(progress.isVisible());
}

// The user stops a bind while gs works: with Escape on the progress window,
// or by closing the main window. gs is ended, no box asks anything, and no
// PDF is made: the one from before stays, and nothing of the run is left.
TEST_F(StartedWindow, EscapeOnTheProgressWindowOrClosingTheWindowStopsTheBind) {
  namespace fs = std::filesystem;
  settings::SaveRegSetting("chkOpenPdf", "1", "Options");  // a PDF made would be opened
  ChooseMenuItem(app::cmd::kNumberAll);
  const fs::path pdf = dir / "Ritningar.pdf", inside = dir / "inside";
  const std::string older = "%PDF-1.4 last week's PDF\n%%EOF\n";
  // A gs that notes its process number and then works for long.
  const fs::path gs = dir / "gs";
  testing::WriteFile(gs, "#!/bin/sh\necho $$ > '" + inside.string() + ".new'; mv '" + inside.string() + ".new' '" +
                             inside.string() + "'\nsleep 30\n");
  fs::permissions(gs, fs::perms::owner_all);
  SplashView& progress = window.progressWindow();
  const struct {
    const char* gesture;
    std::function<void()> stop;
    bool windowStays;
  } gestures[] = {
      {"Escape on the progress window", [&] { QTest::keyClick(&progress, Qt::Key_Escape); }, true},
      {"the main window closed", [&] { window.close(); }, false},
  };
  for (const auto& g : gestures) {
    SCOPED_TRACE(g.gesture);
    testing::WriteFile(pdf, older);
    fs::remove(inside);
    form.GhostscriptProgram = gs.string();
    ui.QueueSaveFile(pdf.string());
    bool stopped = false;
    ui.onYield = [&] {
      if (stopped || !fs::exists(inside)) return;
      stopped = true;
      EXPECT_TRUE(progress.isVisible());
      g.stop();
    };
    ChooseMenuItem(app::cmd::kCreatePdf);
    ASSERT_TRUE(stopped);
    EXPECT_NE(::kill(std::stoi(testing::ReadFile(inside)), 0), 0) << "gs was ended";
    EXPECT_EQ(testing::ReadFile(pdf), older);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_FALSE(entry.path().filename().string().starts_with(".QuiremarkTmp-")) << entry.path();
    }
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(window.isVisible(), g.windowStays);
    if (g.windowStays) {
      EXPECT_EQ(Notice(), "Ingen PDF skapades: bindningen avbröts.");
    }
  }
}

}  // namespace
}  // namespace quiremark::gui
