// What the started window refuses on screen (offscreen) while a run yields.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <sstream>

#include "app/main_form.h"
#include "app/main_startup.h"
#include "engine/plot_files.h"
#include "gui/main_window.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::gui {
namespace {

namespace fs = std::filesystem;

TEST(RunRefusalsView, TypingIntoTheFileFilterDuringARunLeavesTheBoxAsItWas) {
  testing::TempDir dir;
  testing::ScopedEnv programDir{"QUIREMARK_PROGRAM_DIR", (dir / "bin").string()};
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir / "reg").string()};
  testing::ScopedEnv temp{"Temp", dir.path().string()};
  fs::create_directories(dir / "bin");
  testing::WriteFile(dir / "bin" / app::kIniFileName, "[Patterns]\r\n*.plt\r\n*.eps\r\n");
  const fs::path drawings = dir / "Ritningar";
  fs::create_directories(drawings);
  testing::WriteFile(drawings / "A-40-01.plt", testing::DriverPlotFile(1));
  testing::WriteFile(drawings / "A-40-02.eps", testing::DriverPlotFile(1));
  settings::SaveRegSetting("LastFolder", drawings.string());

  settings::AppState state;
  testing::ScriptedUi ui;
  app::MainForm form{state, ui};
  MainWindow window{form};
  std::ostringstream err;
  form.builtConverter = settings::Converter::Ghostscript;
  form.displayAvailable = true;
  app::LoadMainWindow(form, err);
  ASSERT_TRUE(form.startupComplete) << err.str();
  if (form.Dir1.path().empty()) form.Dir1.SetPath(drawings.string());
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

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
  state.bindRunActive = false;

  box->lineEdit()->selectAll();
  QTest::keyClicks(box->lineEdit(), QStringLiteral("*.eps"));
  EXPECT_EQ(form.cboFileExt.text(), "*.eps");
  EXPECT_EQ(form.fgFiles.TextMatrix(1, 1), "A-40-02.eps");
}

}  // namespace
}  // namespace quiremark::gui
