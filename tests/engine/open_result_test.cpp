#include "engine/open_result.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qe = quiremark::engine;
namespace qt = quiremark::testing;
using quiremark::controls::MsgResult;

namespace {

// xdg-open is replaced by a script on PATH that records what it was asked to open.
class OpenResult : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir / "bin");
    qt::WriteFile(dir / "bin" / "xdg-open", "#!/bin/sh\necho \"$1\" > \"" + opened.string() + ".part\"\nmv \"" +
                                                opened.string() + ".part\" \"" + opened.string() + "\"\n");
    ::chmod((dir / "bin" / "xdg-open").c_str(), 0755);
  }

  // What the opener was given; it runs without being waited for.
  std::string WaitForOpened() {
    for (int i = 0; i < 200 && !std::filesystem::exists(opened); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(opened) ? qt::ReadFile(opened) : "";
  }

  qt::TempDir dir;
  std::filesystem::path opened = dir / "opened.txt";
  qt::ScopedEnv path{"PATH", (dir.path() / "bin").string() + ":/usr/bin:/bin"};
  qt::ScriptedUi ui;
};

}  // namespace

TEST_F(OpenResult, ByProductsAreDeletedAndThePdfOpened) {
  for (const char* name : {"Plan.pdf", "Plan.ps", "Plan.log", "Plan.txt", "Plan2.ps"}) qt::WriteFile(dir / name, "x");
  qe::OpenResultPdf(ui, (dir / "Plan.pdf").string());
  EXPECT_EQ(WaitForOpened(), (dir / "Plan.pdf").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "Plan.ps"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Plan.log"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan2.ps"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan.pdf"));
}

TEST_F(OpenResult, ExtensionAndByProductsIgnoreLetterCase) {
  for (const char* name : {"PLAN.PDF", "plan.PS", "PLAN.Log"}) qt::WriteFile(dir / name, "x");
  qe::OpenResultPdf(ui, (dir / "PLAN.pdf").string());
  EXPECT_EQ(WaitForOpened(), (dir / "PLAN.PDF").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "plan.PS"));
  EXPECT_FALSE(std::filesystem::exists(dir / "PLAN.Log"));
}

TEST_F(OpenResult, MissingPdfIsReportedAndNothingDeleted) {
  qt::WriteFile(dir / "Plan.ps", "x");
  ui.ExpectBox("Filen " + (dir / "Plan").string() + ".pdf existerar ej/är ej färdigdestillerad.", MsgResult::Ok, 48,
               "Fil saknas");
  qe::OpenResultPdf(ui, (dir / "Plan.PDF").string());
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan.ps"));
  EXPECT_FALSE(std::filesystem::exists(opened));
}

TEST_F(OpenResult, StartDocReportsWhetherTheOpenerStarted) {
  EXPECT_GT(qe::StartDoc((dir / "x.pdf").string()), 32);
  WaitForOpened();
  qt::ScopedEnv noOpener{"PATH", (dir.path() / "none").string()};
  EXPECT_LE(qe::StartDoc((dir / "x.pdf").string()), 32);
}
