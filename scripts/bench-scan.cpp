// Benchmark helper for bench-scan.sh: generates a drawing tree of small plot
// files with bookmark side files, and times a tree scan of it (walk, outline
// and grid fill, no conversion) in the main window, without the Qt window,
// with it drawn offscreen, or with it on the X server of DISPLAY.
//   bench-scan generate FOLDER FOLDERS FILES
//   bench-scan scan FOLDER headless|qt|x11
// The scan prints: seconds, grid rows, outline entries, peak and starting
// resident memory in MB.
#include <QApplication>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/command_table.h"
#include "app/file_grid_events.h"
#include "app/layout.h"
#include "app/main_commands.h"
#include "app/main_form.h"
#include "controls/headless_ui.h"
#include "gui/main_window.h"
#include "gui/qt_ui_services.h"

namespace fs = std::filesystem;
using namespace quiremark;

namespace {

// A value of /proc/self/status in MB ("VmHWM", "VmRSS").
double StatusMegabytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1)) / 1024.0;
  return 0;
}

std::string PlotFile(int pages, const std::string& label) {
  std::string ps = "%!PS-Adobe-3.0\r\n%%Title: " + label + "\r\n%%Pages: " + std::to_string(pages) + "\r\n%%EndComments\r\n";
  for (int page = 1; page <= pages; ++page) {
    const std::string n = std::to_string(page);
    ps += "%%Page: " + n + " " + n + "\r\n(%%[Page: " + n + "]%%) = flush\r\n";
    ps += "newpath 72 72 moveto 400 " + std::to_string(100 + 50 * page) + " lineto stroke\r\n";
    ps += "/Helvetica findfont 24 scalefont setfont 72 700 moveto (" + label + ") show\r\nshowpage\r\n";
  }
  return ps + "%%EOF\r\n";
}

// FOLDERS folders in two levels (tops with subfolders) below FOLDER, FILES
// plot files spread over them, every one with a side file.
void Generate(const fs::path& root, int folders, int files) {
  const int tops = folders / 50 > 0 ? folders / 50 : 1;
  const int perTop = folders / tops - 1;
  std::vector<fs::path> all;
  for (int t = 0; t < tops; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "Hus %02d", t + 1);
    all.push_back(root / name);
    for (int s = 0; s < perTop; ++s) {
      std::snprintf(name, sizeof name, "Plan %02d", s + 1);
      all.push_back(all[t * (perTop + 1)] / name);
    }
  }
  for (const fs::path& folder : all) fs::create_directories(folder);
  for (int i = 0; i < files; ++i) {
    const fs::path& folder = all[i % all.size()];
    char name[32];
    std::snprintf(name, sizeof name, "A-%05d", i + 1);
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary) << PlotFile(i % 3 == 0 ? 2 : 1, name);
    std::ofstream(folder / (std::string(name) + ".txt"), std::ios::binary)
        << "Ritning " << (i + 1) << " v\xE5ning (\xF6vre)\r\n";
  }
  std::cout << all.size() << " folders, " << files << " plot files\n";
}

int Scan(const fs::path& root, const std::string& mode, int argc, char** argv) {
  const bool withQt = mode != "headless";
  std::optional<QApplication> application;
  if (withQt) {
    qputenv("QT_QPA_PLATFORM", mode == "x11" ? "xcb" : "offscreen");
    application.emplace(argc, argv);
  }
  gui::QtUiServices qtUi;
  controls::HeadlessUi headless(std::cerr);
  settings::AppState state;
  app::MainForm form(state, withQt ? static_cast<controls::UiServices&>(qtUi) : headless);
  std::unique_ptr<gui::MainWindow> window;
  if (withQt) window = std::make_unique<gui::MainWindow>(form);
  form.CommandBars.onResize = [&form] { app::ArrangeControls(form); };
  app::CreateCommandBars(form);
  app::SetTheme(form, app::kRibbonTheme, app::kFirstThemeCommand + app::kRibbonTheme);
  app::ConnectFileGrid(form, {});
  form.File1.SetPattern("*.plt");
  form.Move(0, 0, 18000, 11250);
  if (withQt) {
    form.Show();
    // On an X server the window is mapped and painted once before the clock starts.
    for (int i = 0; i < 500 && !(window->windowHandle() && window->windowHandle()->isExposed()); ++i)
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
  }
  form.Dir1.SetPath(root.string());
  const double startMb = StatusMegabytes("VmRSS");

  const auto start = std::chrono::steady_clock::now();
  if (!app::ScanFolderTree(form)) return 1;
  if (withQt) QApplication::processEvents();  // the view takes the new grid and paints it
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  form.Outline.CountRemainingFiles();  // a bind counts the pages while it copies; outside the time

  std::printf("%.3f %d %zu %.1f %.1f\n", took.count(), form.fgFiles.rows() - 1, form.Outline.records().size(),
              StatusMegabytes("VmHWM"), startMb);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "generate" && argc == 5) {
    Generate(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
    return 0;
  }
  if (mode == "scan" && argc == 4) return Scan(argv[2], argv[3], argc, argv);
  std::cerr << "bench-scan generate FOLDER FOLDERS FILES | bench-scan scan FOLDER headless|qt|x11\n";
  return 2;
}
