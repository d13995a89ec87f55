// Benchmark helper for bench-join.sh: generates driver-style plot files and
// joins them into a temporary PostScript file the way a bind run does.
//   bench-join generate FOLDER COUNT MEGABYTES
//   bench-join generate-line FOLDER MEGABYTES   one plot file that is one line
//   bench-join join FOLDER OUTPUT
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/temp_ps_file.h"

namespace fs = std::filesystem;
namespace qe = quiremark::engine;

namespace {

void Generate(const fs::path& folder, int count, double megabytes) {
  fs::create_directories(folder);
  const size_t target = static_cast<size_t>(megabytes * 1024 * 1024);
  unsigned seed = 12345;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "A-%03d.plt", i);
    const int pages = i % 3 + 1;
    std::string ps = "%!PS-Adobe-3.0\r\n%%Title: Ritning " + std::to_string(i) + " \xE5\xE4\xF6\r\n%%Pages: " +
                     std::to_string(pages) + "\r\n%%EndComments\r\n";
    for (int page = 1; page <= pages; ++page) {
      const std::string n = std::to_string(page);
      ps += "%%Page: " + n + " " + n + "\r\n(%%[Page: " + n + "]%%) = flush\r\nnewpath\r\n";
      while (ps.size() < target * page / pages) {
        seed = seed * 1103515245 + 12345;
        const unsigned a = seed >> 8;
        ps += std::to_string(a % 8000) + " " + std::to_string((a >> 3) % 6000) + " m " +
              std::to_string((a >> 5) % 8000) + " " + std::to_string((a >> 7) % 6000) + " l s\r\n";
      }
      ps += "showpage\r\n";
    }
    ps += "%%EOF\r\n";
    std::ofstream(folder / name, std::ios::binary) << ps;
    std::ofstream(folder / (std::string(name, 5) + ".txt"), std::ios::binary) << "Ritning " << i << "\r\n";
  }
}

// One plot file that is a single line of `megabytes` (hex image data, as a
// driver writes a raster without line breaks), with its page line in front.
void GenerateLine(const fs::path& folder, double megabytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / "A-001.plt", std::ios::binary);
  out << "%!PS-Adobe-3.0 (%%[Page: 1]%%) = flush 72 72 translate <";
  const size_t target = static_cast<size_t>(megabytes * 1024 * 1024);
  std::string chunk;
  unsigned seed = 12345;
  for (int i = 0; i < 65536; ++i) {
    seed = seed * 1103515245 + 12345;
    chunk += "0123456789abcdef"[(seed >> 16) & 15];
  }
  for (size_t written = 0; written < target; written += chunk.size()) out << chunk;
  out << "> pop showpage";
}

int Join(const fs::path& folder, const fs::path& output) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".plt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  const auto start = std::chrono::steady_clock::now();
  qe::OutlineState outline;
  qe::TempPsFile out(output);
  for (const auto& file : files) out.AppendPlotFile(file, &outline);
  out.Finish({"Bench", "bench", "DocSubject", "DocKeywords", "D:20261208000000+00'00'"}, {}, outline);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::cout << took.count() << " " << files.size() << " " << outline.pageCounter() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "generate") {
    Generate(args[1], std::stoi(args[2]), std::stod(args[3]));
    return 0;
  }
  if (args.size() == 3 && args[0] == "generate-line") {
    GenerateLine(args[1], std::stod(args[2]));
    return 0;
  }
  if (args.size() == 3 && args[0] == "join") return Join(args[1], args[2]);
  std::cerr << "usage: bench-join generate FOLDER COUNT MEGABYTES | generate-line FOLDER MEGABYTES | join FOLDER OUTPUT\n";
  return 2;
}
