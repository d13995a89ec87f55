// Benchmark helper for bench-grid-fill.sh: makes a drawing folder of plot
// files with bookmark side files, and times filling the file grid from it,
// headless or with the Qt grid view attached.
//   bench-grid-fill generate FOLDER COUNT
//   bench-grid-fill fill FOLDER RUNS [qt]
// `fill` prints one line per run: the seconds of the first fill (into an
// empty grid) and of a refill (over the rows of the previous fill), then the
// number of grid notifications the refill sent.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "browser/file_grid.h"
#include "controls/headless_ui.h"

#ifdef BENCH_WITH_QT
#include <QApplication>

#include "gui/grid_view.h"
#endif

namespace fs = std::filesystem;
namespace qb = quiremark::browser;
namespace qc = quiremark::controls;

namespace {

void Generate(const fs::path& folder, int count) {
  fs::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char base[32];
    std::snprintf(base, sizeof base, "A-40-%05d", i);
    std::ofstream(folder / (std::string(base) + ".plt"), std::ios::binary) << "%!PS\r\n(%%[Page: 1]%%) =\r\nshowpage\r\n";
    std::ofstream(folder / (std::string(base) + ".txt"), std::ios::binary)
        << "Plan " << i << " v\xE5ning\r\nSektion A-A\r\n";
  }
}

// The grid's parts as the main window holds them.
struct Pane {
  std::ostringstream messages;
  qc::HeadlessUi ui{messages};
  quiremark::settings::AppState state;
  qc::Form window{"frmMain"};
  qc::Grid fgFiles{"fgFiles"};
  qc::FolderList Dir1{"Dir1"};
  qc::FileList File1{"File1"};
  qc::PanelStatusBar StatusBar1{"StatusBar1", 2};
  qc::ComboBox cboBookMark{"cboBookMark"};
  qc::CommandBars commandBars;
  quiremark::engine::OutlineState outline;
  int nextGridRow = 0, selectionStartRow = 1, selectionEndRow = 1;
  bool bookmarksFromGrid = false;
  qb::FilePane pane{window,      ui,          state,       fgFiles,     Dir1,   File1,  StatusBar1,
                    cboBookMark, commandBars, outline,     nextGridRow, selectionStartRow,
                    selectionEndRow, bookmarksFromGrid, [] {}};
};

double Seconds(const std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Fill(const fs::path& folder, int runs, bool qt) {
  for (int run = 0; run < runs; ++run) {
    Pane p;
    p.cboBookMark.SetText("*");
    p.File1.SetPattern("*.plt");
    p.fgFiles.SetFormatString("^Nr|< Filnamn|< Bokmärke|<Fildatum");
    p.fgFiles.Move(0, 0, 12000, 9000);
#ifdef BENCH_WITH_QT
    std::unique_ptr<quiremark::gui::GridView> view;
    if (qt) {
      view = std::make_unique<quiremark::gui::GridView>(p.fgFiles, quiremark::gui::GridView::Kind::Table);
      view->show();
      QApplication::processEvents();
    }
#endif
    // Counts what reaches the view (the view's own handler still runs).
    int notifications = 0;
    auto forward = p.fgFiles.onGridChanged;
    p.fgFiles.onGridChanged = [&](const qc::GridChange& change) {
      ++notifications;
      if (forward) forward(change);
    };
    const auto settle = [&] {
#ifdef BENCH_WITH_QT
      if (qt) QApplication::processEvents();
#endif
    };
    p.Dir1.SetPath(folder.string());
    auto start = std::chrono::steady_clock::now();
    qb::FillFileGrid(p.pane);
    settle();
    const double first = Seconds(start);
    notifications = 0;
    start = std::chrono::steady_clock::now();
    qb::FillFileGrid(p.pane);
    settle();
    const double refill = Seconds(start);
    std::cout << first << " " << refill << " " << notifications << " " << p.fgFiles.rows() - 1 << std::endl;
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string verb = argc > 1 ? argv[1] : "";
  if (verb == "generate" && argc == 4) {
    Generate(argv[2], std::stoi(argv[3]));
    return 0;
  }
  if (verb == "fill" && (argc == 4 || argc == 5)) {
    const bool qt = argc == 5 && std::string(argv[4]) == "qt";
#ifdef BENCH_WITH_QT
    std::unique_ptr<QApplication> application;
    int qtArgc = 1;
    if (qt) application = std::make_unique<QApplication>(qtArgc, argv);
#else
    if (qt) {
      std::cerr << "built without Qt\n";
      return 2;
    }
#endif
    return Fill(argv[2], std::stoi(argv[3]), qt);
  }
  std::cerr << "usage: bench-grid-fill generate FOLDER COUNT | fill FOLDER RUNS [qt]\n";
  return 2;
}
