#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/bind_run.h"
#include "app/file_grid_events.h"
#include "app/main_form.h"
#include "browser/file_grid.h"
#include "browser/numbering.h"
#include "engine/plot_files.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {

// A main window over a drawing folder of generated plot files, converting
// with gs, with the registry, the temporary folder and the user in the test's folder.
class BindRunTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScopedEnv registry{"QUIREMARK_REGISTRY", (dir.path() / "reg").string()};
  testing::ScopedEnv temp{"Temp", (dir.path() / "tmp").string()};
  testing::ScopedEnv user{"USERNAME", "anna"};
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
  std::filesystem::path drawings = dir / "Projekt" / "Ritningar";
  std::filesystem::path out = dir / "Ut";
  std::vector<std::string> captions;  // progress text and bar value at each yield

  void SetUp() override {
    std::filesystem::create_directories(drawings);
    std::filesystem::create_directories(out);
    std::filesystem::create_directories(dir / "tmp");
    state.converterSelector = settings::Converter::Ghostscript;
    settings::SaveRegSetting("chkOpenPdf", "0", "Options");
    form.File1.SetPattern("*.plt");
    ConnectFileGrid(form, {});
    form.fgTree.SetRows(1);
    form.fgTree.SetRowData(0, drawings.string());
    form.fgTree.SetRow(0);
    ui.onYield = [this] {
      captions.push_back(form.frmSplash.progressText() + " [" + std::to_string(form.frmSplash.value()) + "]");
    };
  }

  void Plot(const std::string& name, int pages, const std::string& label, const std::string& bookmark = "") {
    testing::WriteFile(drawings / name, testing::DriverPlotFile(pages, label));
    if (!bookmark.empty()) testing::WriteFile(drawings / (browser::BaseName(name) + ".txt"), bookmark);
  }

  // Makes the drawing folder the working folder, which fills the grid.
  void SelectDrawings() { form.Dir1.SetPath(drawings.string()); }

  void Click(int row) {
    form.fgFiles.SetMouseCell(row);
    form.fgFiles.RaiseMouseDown(controls::kLeftButton, 0, 0, 0);
    form.fgFiles.RaiseMouseUp(controls::kLeftButton, 0, 0, 0);
  }

  std::vector<std::string> Numbers() const {
    std::vector<std::string> numbers;
    for (int r = 1; r < form.fgFiles.rows(); ++r) numbers.push_back(form.fgFiles.TextMatrix(r, 0));
    return numbers;
  }

  std::string TempPs() const { return testing::ReadFile(dir / "tmp" / "QuiremarkTmp.ps"); }
};

}  // namespace quiremark::app
