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

// What a run leaves beside its PDF: a ".log" the conversion wrote and a
// ".ps" that is none of the run's plot files.
TEST_F(OpenResult, OpeningRemovesWhatTheRunLeftAndNothingElse) {
  for (const char* name : {"Plan.pdf", "Plan.ps", "Plan.txt", "Plan2.ps"}) qt::WriteFile(dir / name, "x");
  const qe::ResultByProducts byProducts((dir / "Plan.pdf").string());
  qt::WriteFile(dir / "Plan.log", "the converter's");
  qe::OpenResultPdf(ui, (dir / "Plan.pdf").string(), byProducts.Removable({{dir / "A-01.plt"}}));
  EXPECT_EQ(WaitForOpened(), (dir / "Plan.pdf").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "Plan.ps"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Plan.log"));
  for (const char* kept : {"Plan.txt", "Plan2.ps", "Plan.pdf"}) EXPECT_TRUE(std::filesystem::exists(dir / kept)) << kept;
}

// The drawing Plan.ps bound into Plan.pdf beside it, and a log the user had
// there before, are the user's files.
TEST_F(OpenResult, ABoundPlotFileAndALogFromBeforeAreKept) {
  for (const char* name : {"Plan.pdf", "plan.PS", "Plan.log"}) qt::WriteFile(dir / name, "x");
  const qe::ResultByProducts byProducts((dir / "Plan.pdf").string());
  EXPECT_EQ(byProducts.Removable({{dir / "A-01.plt"}, {dir / "plan.PS"}}), std::vector<std::string>{});
  qe::OpenResultPdf(ui, (dir / "Plan.pdf").string(), byProducts.Removable({{dir / "plan.PS"}}));
  EXPECT_EQ(WaitForOpened(), (dir / "Plan.pdf").string() + "\n");
  EXPECT_TRUE(std::filesystem::exists(dir / "plan.PS"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan.log"));
}

TEST_F(OpenResult, ExtensionAndByProductsIgnoreLetterCase) {
  qt::WriteFile(dir / "PLAN.PDF", "x");
  const qe::ResultByProducts byProducts((dir / "PLAN.pdf").string());
  for (const char* name : {"plan.PS", "PLAN.Log"}) qt::WriteFile(dir / name, "x");
  qe::OpenResultPdf(ui, (dir / "PLAN.pdf").string(), byProducts.Removable({}));
  EXPECT_EQ(WaitForOpened(), (dir / "PLAN.PDF").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "plan.PS"));
  EXPECT_FALSE(std::filesystem::exists(dir / "PLAN.Log"));
}

TEST_F(OpenResult, MissingPdfIsReportedAndNothingDeleted) {
  qt::WriteFile(dir / "Plan.ps", "x");
  ui.ExpectBox("Filen " + (dir / "Plan").string() + ".pdf existerar ej/är ej färdigdestillerad.", MsgResult::Ok, 48,
               "Fil saknas");
  qe::OpenResultPdf(ui, (dir / "Plan.PDF").string(), {(dir / "Plan.ps").string()});
  EXPECT_TRUE(std::filesystem::exists(dir / "Plan.ps"));
  EXPECT_FALSE(std::filesystem::exists(opened));
}

TEST_F(OpenResult, StartDocReportsWhetherTheOpenerStarted) {
  EXPECT_GT(qe::StartDoc((dir / "x.pdf").string()), 32);
  WaitForOpened();
  qt::ScopedEnv noOpener{"PATH", (dir.path() / "none").string()};
  EXPECT_LE(qe::StartDoc((dir / "x.pdf").string()), 32);
}
