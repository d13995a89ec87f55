// The started window's progress window while a bind waits for another run
// of the same user: it says so and stays above the main window, which owns it.
#include <QLabel>
#include <QPainter>
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

}  // namespace
}  // namespace quiremark::gui
