#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "browser/file_grid.h"
#include "browser/file_pane_fixture.h"
#include "browser/filters.h"
#include "browser/numbering.h"
#include "browser/tree_scan.h"
#include "engine/plot_files.h"

namespace quiremark::browser {

// The file grid's parts with those of the filters and the tree scan, and a
// drawing tree of generated plot files below the test's folder.
class ScanPaneTest : public FilePaneTest {
 protected:
  controls::FolderList Dir2{"Dir2"};
  controls::ComboBox cboFileExt{"cboFileExt"};
  controls::ComboBox cboFolderName{"cboFolderName"};
  controls::CheckBox chkEmptyFolders{"chkEmptyFolders"};
  std::vector<std::string> collectedFolders;
  int fileFilterErrorCount = 0;
  ScanLeftOut leftOut;
  ScanPane scan{pane, Dir2, cboFileExt, cboFolderName, chkEmptyFolders, collectedFolders, fileFilterErrorCount, leftOut};
  std::filesystem::path root = dir / "P";
  std::vector<std::string> walked;  // the status bar's folder at each yield, relative to the test's folder

  void SetUp() override {
    FilePaneTest::SetUp();
    std::filesystem::create_directories(root);
    cboFolderName.SetText("*");
    state.themeBaseColor = 0xE0D0C0;
    commandBars.statusBar().AddPane(0);
    controls::CommandBar& bar = commandBars.Add("Standard");
    for (int id : {kCmdNumberAll, kCmdNumberSelected, kCmdDeletePlotFiles}) bar.controls().Add(1, id, "");
    ui.onYield = [this] { walked.push_back(Relative(StatusBar1.PanelText(1))); };
  }

  // A plot file of `pages` pages at `path` below the tree, with a side file when `bookmark` is given.
  void Plot(const std::string& path, int pages = 1, const std::string& bookmark = "") {
    const std::filesystem::path file = root / path;
    std::filesystem::create_directories(file.parent_path());
    testing::WriteFile(file, testing::DriverPlotFile(pages, file.stem().string()));
    if (!bookmark.empty()) testing::WriteFile(file.parent_path() / (file.stem().string() + ".txt"), bookmark);
  }
  void Folder(const std::string& path) { std::filesystem::create_directories(root / path); }

  bool Scan() {
    Dir1.SetPath(root.string());
    return ScanFolderTree(scan);
  }

  std::string Relative(const std::string& path) const {
    const std::string base = dir.path().string();
    return path.starts_with(base) ? path.substr(base.size()) : path;
  }
  std::vector<std::string> Collected() const {
    std::vector<std::string> out;
    for (const std::string& folder : collectedFolders) out.push_back(Relative(folder));
    return out;
  }
  // The outline as "page title" and "page [count] title" lines, the pages
  // of its plot files counted as a bind counts them.
  std::vector<std::string> Outline() {
    outline.CountRemainingFiles();
    std::vector<std::string> out;
    for (const engine::OutlineRecord& r : outline.records())
      out.push_back(std::to_string(r.page) +
                    (r.kind == engine::OutlineRecord::Kind::Group ? " [" + std::to_string(r.count) + "] " : " ") +
                    r.title);
    return out;
  }
};

}  // namespace quiremark::browser
