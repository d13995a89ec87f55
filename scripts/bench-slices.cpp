// Drawing folders for bench-slices.sh, written as printer drivers write plot
// files: bench-slices drawings FOLDER COUNT STROKES  plot files of 1 to 3 pages
//                                                    of STROKES strokes a page,
//                                                    with bookmark side files
//            bench-slices sheets FOLDER COUNT STROKES  A1 sheets of STROKES
//                                                    strokes, hatching and a
//                                                    raster logo, one page each
//            bench-slices logos FOLDER COUNT STROKES   drawings as above, each
//                                                    page with the same logo in
//                                                    its title block
//            bench-slices small FOLDER COUNT STROKES   one-page plots of STROKES
//                                                    strokes
//            bench-slices loops FOLDER COUNT STROKES   one-page plots of a few
//                                                    hundred bytes whose drawing
//                                                    is a hatch loop of STROKES
//                                                    segments
//            bench-slices mix FOLDER COUNT STROKES     COUNT small plots, a
//                                                    tenth as many drawings and
//                                                    sheets, and four loops
// The content is the same on every run (a fixed random sequence).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <algorithm>
#include <string>

namespace {

std::uint64_t state = 88172645463325252ull;
double Random() {  // xorshift, in [0, 1)
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return static_cast<double>(state >> 11) / 9007199254740992.0;
}

struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{2384, 1684}, {1684, 1191}, {1191, 842}, {842, 595}};

void Strokes(std::string& ps, int count, const Size& size) {
  char line[160];
  for (int k = 0; k < count; ++k) {
    const double x = Random() * size.width, y = Random() * size.height;
    std::snprintf(line, sizeof line, "%.2f %.2f M %.2f %.2f L %.2f %.2f L S\r\n", x, y, x + Random() * 160 - 80,
                  y + Random() * 160 - 80, x + Random() * 160 - 80, y + Random() * 160 - 80);
    ps += line;
  }
}

std::string Header(const std::string& title, int pages) {
  return "%!PS-Adobe-3.0\r\n%%Creator: Plotter driver 4.2\r\n%%Title: " + title + "\r\n%%Pages: " +
         std::to_string(pages) +
         "\r\n%%EndComments\r\n%%BeginProlog\r\n/M {moveto} bind def /L {lineto} bind def /S {stroke} bind def\r\n"
         "/F { /Helvetica findfont exch scalefont setfont } bind def\r\n%%EndProlog\r\n";
}

std::string PageStart(int page, const Size& size) {
  const std::string n = std::to_string(page);
  return "%%Page: " + n + " " + n + "\r\n(%%[Page: " + n + "]%%) = flush\r\n<< /PageSize [" +
         std::to_string(size.width) + " " + std::to_string(size.height) + "] >> setpagedevice\r\n0.4 setlinewidth\r\n";
}

// A raster logo of 300 by 200 pixels at (x, y), `width` points wide: the
// same on every page unless `vary`, which makes each one of its own.
std::string Logo(int x, int y, int width, bool vary) {
  std::string ps = "gsave " + std::to_string(x) + " " + std::to_string(y) + " translate " + std::to_string(width) + " " +
                   std::to_string(width * 2 / 3) +
                   " scale 300 200 8 [300 0 0 -200 0 200] currentfile /ASCIIHexDecode filter false 3 colorimage\r\n";
  static const char hex[] = "0123456789abcdef";
  for (int row = 0; row < 200; ++row) {
    for (int px = 0; px < 300 * 3; ++px) {
      const int v = (row * 3 + px + (vary ? static_cast<int>(Random() * 40) : (row * px) % 40)) & 0xff;
      ps += hex[v >> 4];
      ps += hex[v & 15];
    }
    ps += "\r\n";
  }
  return ps + ">\r\ngrestore\r\n";
}

void Drawings(const std::filesystem::path& folder, int count, int strokes, bool logo = false) {
  std::filesystem::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "A-40-%04d", i);
    const int pages = 1 + static_cast<int>(Random() * 3);
    std::string ps = Header(name, pages);
    for (int page = 1; page <= pages; ++page) {
      const Size& size = kSizes[static_cast<int>(Random() * 4)];
      ps += PageStart(page, size);
      Strokes(ps, strokes, size);
      for (int label = 0; label < 12; ++label) {
        char text[128];
        std::snprintf(text, sizeof text, "%d F %.1f %.1f moveto (Rum %d.%d) show\r\n", 8 + label % 3 * 4,
                      Random() * size.width, Random() * size.height, i, label);
        ps += text;
      }
      if (logo) ps += Logo(size.width - 180, 30, 150, false);
      ps += "showpage\r\n";
    }
    ps += "%%EOF\r\n";
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary) << ps;
    std::ofstream(folder / (std::string(name) + ".txt"), std::ios::binary)
        << "Plan " << i << ", v\xE5ning " << 1 + i % 4 << "\r\n";
  }
}

void Small(const std::filesystem::path& folder, int count, int strokes, const char* prefix = "S-10") {
  std::filesystem::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s-%05d", prefix, i);
    const Size& size = kSizes[3];
    std::string ps = Header(name, 1) + PageStart(1, size);
    Strokes(ps, strokes, size);
    ps += "10 F 40 40 moveto (" + std::string(name) + ") show\r\nshowpage\r\n%%EOF\r\n";
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary) << ps;
  }
}

// A hatch drawn by a loop, as some programs write a filled area: a few
// hundred bytes that keep gs busy for a while.
void Loops(const std::filesystem::path& folder, int count, int segments, const char* prefix = "L-30") {
  std::filesystem::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s-%03d", prefix, i);
    std::string ps = Header(name, 1) + PageStart(1, kSizes[0]);
    ps += "0.2 setlinewidth 0 1 " + std::to_string(segments - 1) +
          " { dup 7 mul 2300 mod 40 add exch 13 mul 1600 mod 40 add moveto 30 30 rlineto stroke } for\r\n";
    ps += "10 F 40 20 moveto (" + std::string(name) + ") show\r\nshowpage\r\n%%EOF\r\n";
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary) << ps;
  }
}

void Sheets(const std::filesystem::path& folder, int count, int strokes) {
  std::filesystem::create_directories(folder);
  const Size a1 = kSizes[0];
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "K-20-%03d", i);
    std::string ps = Header(name, 1) + PageStart(1, a1);
    Strokes(ps, strokes, a1);
    // Hatching of a few areas, as a plotter draws it: many short lines.
    char line[96];
    for (int area = 0; area < 40; ++area) {
      const double x = Random() * (a1.width - 200), y = Random() * (a1.height - 200);
      for (int k = 0; k < 100; ++k) {
        std::snprintf(line, sizeof line, "%.2f %.2f M %.2f %.2f L S\r\n", x + 2 * k, y, x, y + 2 * k);
        ps += line;
      }
    }
    ps += Logo(2000, 80, 300, true);
    ps += "24 F 100 100 moveto (" + std::string(name) + ") show\r\nshowpage\r\n%%EOF\r\n";
    std::ofstream(folder / (std::string(name) + ".plt"), std::ios::binary) << ps;
    std::ofstream(folder / (std::string(name) + ".txt"), std::ios::binary) << "Ritning " << name << "\r\n";
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc == 5) {
    const std::string what = argv[1];
    if (what == "drawings") {
      Drawings(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
      return 0;
    }
    if (what == "logos") {
      Drawings(argv[2], std::stoi(argv[3]), std::stoi(argv[4]), true);
      return 0;
    }
    if (what == "small") {
      Small(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
      return 0;
    }
    if (what == "loops") {
      Loops(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
      return 0;
    }
    if (what == "mix") {
      const std::filesystem::path folder = argv[2];
      const int count = std::stoi(argv[3]), strokes = std::stoi(argv[4]);
      Small(folder / "Skisser", count, strokes);
      Drawings(folder / "Ritningar", count / 10, strokes * 3);
      Sheets(folder / "Blad", std::max(1, count / 10), strokes * 30);
      Loops(folder / "Skraffering", 4, 100000);
      return 0;
    }
    if (what == "sheets") {
      Sheets(argv[2], std::stoi(argv[3]), std::stoi(argv[4]));
      return 0;
    }
  }
  std::cerr << "usage: bench-slices drawings|logos|sheets|small|loops|mix FOLDER COUNT STROKES\n";
  return 2;
}
