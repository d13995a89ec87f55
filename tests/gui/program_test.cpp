// The built programs, run as a user or a script runs them, without a display.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "engine/json_lite.h"
#include "engine/plot_files.h"
#include "gui/program_start.h"
#include "platform/process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
namespace qt = quiremark::testing;

QProcessEnvironment WithoutDisplay(const qt::TempDir& registry) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NORV_DEBUG"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("QUIREMARK_REGISTRY"), QString::fromStdString(registry.path().string()));
  return env;
}

struct Ended {
  int status = -1;
  std::string err;
};

// Runs the program at `file` to its end.
Ended RunFileToEnd(const fs::path& file, const QProcessEnvironment& env, const QStringList& arguments) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QString::fromStdString(file.string()), arguments);
  EXPECT_TRUE(process.waitForFinished(60000)) << file << " did not end";
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << file;
  return {process.exitCode(), process.readAllStandardError().toStdString()};
}

// Runs a built program to its end.
Ended RunToEnd(const char* program, const QProcessEnvironment& env, const QStringList& arguments) {
  return RunFileToEnd(fs::path(QUIREMARK_BINARY_DIR "/bin") / program, env, arguments);
}

// Runs a program that must end with status 0; returns what it wrote to the error stream.
std::string RunProgram(const char* program, const QProcessEnvironment& env, const QStringList& arguments) {
  const Ended ended = RunToEnd(program, env, arguments);
  EXPECT_EQ(ended.status, 0) << program << ": " << ended.err;
  return ended.err;
}

QString Arg(const std::string& text) { return QString::fromStdString(text); }

// The outline as "title p.N" lines, nested entries indented.
void Flatten(const quiremark::testing::Json& items, const std::string& indent, std::vector<std::string>& out) {
  for (const auto& item : items.items) {
    out.push_back(indent + item["title"].text + " p." + std::to_string(static_cast<int>(item["destpageposfrom1"].number)));
    Flatten(item["kids"], indent + "  ", out);
  }
}
std::vector<std::string> OutlineOf(const fs::path& pdf) {
  QProcess qpdf;
  qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--json"), QStringLiteral("--json-key=outlines"), Arg(pdf.string())});
  EXPECT_TRUE(qpdf.waitForFinished(30000));
  std::vector<std::string> lines;
  Flatten(quiremark::testing::Json::Parse(qpdf.readAllStandardOutput().toStdString())["outlines"], "", lines);
  return lines;
}

// The last line a run wrote on its error stream: the one that says why.
std::string LastLine(const std::string& err) {
  std::string text = err;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

// Without a display and without a chosen Qt platform both programs build
// their frame and end normally instead of failing to open a window.
TEST(Programs, RunWithoutADisplayAndEndNormally) {
  qt::TempDir registry;
  for (const char* program : {"Quiremark", "QuiremarkGS"}) RunProgram(program, WithoutDisplay(registry), {});
}

// The start procedure runs in the programs: a start folder with blanks and
// capitals is kept as typed, a line without one shows the syntax message, and
// the debug boxes come in their order.
TEST(Programs, StartProcedureReadsTheCommandLine) {
  qt::TempDir registry;
  qt::TempDir drawings;
  const auto folder = drawings / "Hus A/Plan 1";
  fs::create_directories(folder);

  QProcessEnvironment env = WithoutDisplay(registry);
  env.insert(QStringLiteral("NORV_DEBUG"), QStringLiteral("1"));
  const std::string err =
      RunProgram("QuiremarkGS", env, {Arg("/StartDir:\"" + folder.string() + "\""), QStringLiteral("/TreeScan:Yes")});
  const auto loading = err.find("Loading frmMain");
  const auto loaded = err.find("frmMain loaded");
  const auto showing = err.find("Showing frmMain");
  ASSERT_NE(showing, std::string::npos) << err;
  EXPECT_LT(loading, loaded);
  EXPECT_LT(loaded, showing);
  const std::string hive = qt::ReadFile(registry / "HKEY_CURRENT_USER.reg");
  EXPECT_NE(hive.find("\"LastFolder\"=\"" + folder.string() + "\""), std::string::npos) << hive;

  const std::string syntax = RunProgram("Quiremark", WithoutDisplay(registry), {QStringLiteral("/TreeScan:Yes")});
  EXPECT_NE(syntax.find("Fel i anrop: SYNTAX:\nQuiremark /StartDir:\"Sökväg\" [/OutFile:\"Filnamn\"] "
                        "[/TreeScan:\"Yes|No\"] [OK]"),
            std::string::npos)
      << syntax;
}

// A Qt platform that draws where nobody looks is no display: the message
// goes to the error stream instead of waiting on a box nobody sees.
TEST(Programs, AnOffscreenOrMinimalPlatformCountsAsNoDisplay) {
  qt::TempDir registry;
  for (const char* platform : {"offscreen", "minimal"}) {
    QProcessEnvironment env = WithoutDisplay(registry);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromLatin1(platform));
    const std::string err = RunProgram("QuiremarkGS", env, {QStringLiteral("x")});
    EXPECT_NE(err.find("Fel i anrop: SYNTAX:"), std::string::npos) << platform << ": " << err;
  }
}

// Unattended runs: a copy of the bundled example, a registry of their own and
// an opener that records what it is asked to open.
class UnattendedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(example.parent_path());
    fs::copy(QUIREMARK_SOURCE_DIR "/example/A-40", example, fs::copy_options::recursive);
    fs::create_directories(tools);
    qt::WriteFile(tools / "xdg-open", "#!/bin/sh\necho \"$1\" > \"" + opened.string() + ".part\"\nmv \"" +
                                          opened.string() + ".part\" \"" + opened.string() + "\"\n");
    ::chmod((tools / "xdg-open").c_str(), 0755);
    env = WithoutDisplay(registry);
    env.insert(QStringLiteral("PATH"), Arg(tools.string()) + u':' + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("Temp"), Arg(dir.path().string()));
  }

  Ended Bind(const char* program, bool treeScan) {
    QStringList arguments = {Arg("/StartDir:\"" + example.string() + "\""), Arg("/OutFile:\"" + pdf.string() + "\"")};
    if (treeScan) arguments << QStringLiteral("/TreeScan:Yes");
    return RunToEnd(program, env, arguments);
  }

  std::vector<std::string> Outline() const { return OutlineOf(pdf); }
  std::string WaitForOpened() const {
    for (int i = 0; i < 300 && !fs::exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(opened) ? qt::ReadFile(opened) : "";
  }

  // The tree scan is not built yet when a scan finds nothing in the example.
  qt::TempDir dir;
  qt::TempDir registry;
  fs::path example = dir / "Kv Björken" / "A-40";
  fs::path tools = dir / "tools";
  fs::path opened = dir / "opened.txt";
  fs::path pdf = dir / "Ut" / "A-40 bygglov.pdf";
  QProcessEnvironment env;

  const std::vector<std::string> expectedOutline = {
      "Plan 1, belysning p.1",
      "Sektioner p.2",
      "  (Sid. 1) p.2",
      "  (Sid. 2) p.3",
      "Fasad mot norr – rev B p.4",
      "Konstruktion p.5",
      "  Grundplan (pålning och grundbalkar) p.5",
      "  Bjälklag över källare (plan 1–3) p.6",
      "    (Sid. 1) p.6",
      "    (Sid. 2) p.7",
      "    (Sid. 3) p.8",
      "Värme och ventilation p.9",
      "  Ventilation, entréplan (våning 1) p.9",
      "  Radiatorer och värmeslingor – källare p.10",
  };
};

TEST_F(UnattendedRun, TreeScanMakesThePdfWithTheNestedOutlineAndEndsWithZero) {
  fs::create_directories(pdf.parent_path());
  for (const char* program : {"QuiremarkGS", "Quiremark"}) {
    SCOPED_TRACE(program);
    fs::remove(pdf);
    fs::remove(opened);
    const Ended ended = Bind(program, true);
    ASSERT_EQ(ended.status, 0) << ended.err;
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_EQ(Outline(), expectedOutline);
    EXPECT_EQ(WaitForOpened(), pdf.string() + "\n") << "the options open the PDF";
    const std::string hive = qt::ReadFile(registry / "HKEY_CURRENT_USER.reg");
    EXPECT_EQ(hive.find("GridCol_0"), std::string::npos) << "an unattended run saves no window settings";
  }
}

TEST_F(UnattendedRun, WithoutTreeScanNothingIsNumberedAndTheRunFails) {
  fs::create_directories(pdf.parent_path());
  const Ended ended = Bind("QuiremarkGS", false);
  EXPECT_EQ(ended.status, 1) << ended.err;
  EXPECT_NE(ended.err.find("QuiremarkGS: Ingen PDF skapades: inga numrerade filer i "), std::string::npos) << ended.err;
  EXPECT_NE(ended.err.find("Ange /TreeScan:Yes"), std::string::npos) << ended.err;
  EXPECT_FALSE(fs::exists(pdf));
}

TEST_F(UnattendedRun, EveryEarlyEndFailsWithItsReason) {
  qt::TempDir emptyProgramFolder;
  QProcessEnvironment noSettings = env;
  noSettings.insert(QStringLiteral("QUIREMARK_PROGRAM_DIR"), Arg(emptyProgramFolder.path().string()));
  const Ended missing = RunToEnd("Quiremark", noSettings, {Arg("/StartDir:" + example.string()), Arg("/OutFile:" + pdf.string())});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("Quiremark.ini saknas. Avslutar."), std::string::npos) << missing.err;
  EXPECT_NE(missing.err.find("Quiremark: Ingen PDF skapades: "), std::string::npos) << missing.err;

  const Ended unknown =
      RunToEnd("QuiremarkGS", env, {Arg("/StartDir:" + example.string()), Arg("/OutFile:" + pdf.string()), Arg("/Scan:Yes")});
  EXPECT_EQ(unknown.status, 3);
  EXPECT_NE(unknown.err.find("Okänd växel /Scan:"), std::string::npos) << unknown.err;

  const Ended noFolder = RunToEnd("QuiremarkGS", env, {Arg("/StartDir:" + (dir / "saknas").string()), Arg("/OutFile:" + pdf.string())});
  EXPECT_EQ(noFolder.status, 3);
  EXPECT_NE(noFolder.err.find("startmappen " + (dir / "saknas").string() + " finns inte."), std::string::npos)
      << noFolder.err;
  EXPECT_FALSE(fs::exists(pdf));
}

// A display number where no X server listens, neither on its socket file nor
// on the abstract socket of the same name.
std::string DeadDisplay() {
  for (int n = 150;; ++n) {
    const std::string socketName = "/tmp/.X11-unix/X" + std::to_string(n);
    if (fs::exists(socketName)) continue;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, socketName.data(), socketName.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address),
                  static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + socketName.size())) == 0;
    ::close(fd);
    if (!listening) return ":" + std::to_string(n);
  }
}

// A stand-in for the converter `name` that the programs start: it keeps the
// libraries mapped into the program that started it, then runs the real one.
void RecordMapsAndRun(const fs::path& tools, const std::string& name, const fs::path& maps) {
  const auto real = quiremark::platform::FindOnPath(name);
  ASSERT_TRUE(real) << name << " is installed for the tests";
  qt::WriteFile(tools / name, "#!/bin/sh\ncase \"$(readlink /proc/$PPID/exe)\" in\n  */Quiremark|*/QuiremarkGS) cat /proc/$PPID/maps > \"" +
                                  maps.string() + "\" ;;\nesac\nexec \"" + real->string() + "\" \"$@\"\n");
  ::chmod((tools / name).c_str(), 0755);
}

// With a display the programs load their window's library and bind through
// the window; without one, or with one that cannot be opened, they load no
// Qt at all: the libraries mapped into the program while its converter runs
// show it.
TEST_F(UnattendedRun, NoQtIsLoadedWithoutADisplayOrWithOneThatCannotBeOpened) {
  fs::create_directories(pdf.parent_path());
  const fs::path maps = dir / "maps.txt";
  RecordMapsAndRun(tools, "gs", maps);
  RecordMapsAndRun(tools, "ps2pdf", maps);
  QProcessEnvironment stale = env;
  stale.insert(QStringLiteral("DISPLAY"), Arg(DeadDisplay()));
  QProcessEnvironment shown = env;
  shown.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:port=0"));  // a display nobody watches
  const struct {
    const char* program;
    const char* display;
    const QProcessEnvironment& env;
    bool window;
  } cases[] = {
      {"QuiremarkGS", "none", env, false},      {"Quiremark", "none", env, false},
      {"QuiremarkGS", "stale", stale, false},   {"Quiremark", "stale", stale, false},
      {"QuiremarkGS", "shown", shown, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.program) + ", display " + c.display);
    fs::remove(maps);
    fs::remove(pdf);
    const Ended ended = RunToEnd(c.program, c.env, {Arg("/StartDir:" + example.string()), QStringLiteral("/TreeScan:Yes"),
                                                    Arg("/OutFile:" + pdf.string())});
    EXPECT_EQ(ended.status, 0) << ended.err;
    EXPECT_EQ(OutlineOf(pdf), expectedOutline);
    const std::string mapped = fs::exists(maps) ? qt::ReadFile(maps) : "";
    ASSERT_NE(mapped.find("/libc.so"), std::string::npos) << "the converter saw the program's libraries";
    EXPECT_EQ(mapped.find("libQt6") != std::string::npos, c.window);
    EXPECT_EQ(mapped.find(quiremark::gui::kWindowLibrary) != std::string::npos, c.window);
  }
}

// A run that is there to show the window, on a display that cannot be
// opened, says so in one Swedish line and ends with a status of its own.
TEST_F(UnattendedRun, AWindowRunOnADisplayThatCannotBeOpenedEndsWithOneSwedishLine) {
  const std::string display = DeadDisplay();
  QProcessEnvironment stale = env;
  stale.insert(QStringLiteral("DISPLAY"), Arg(display));
  const Ended ended = RunToEnd("QuiremarkGS", stale, {Arg("/StartDir:" + example.string())});
  EXPECT_EQ(ended.status, 5);
  EXPECT_EQ(ended.err, "QuiremarkGS: fönstret kan inte visas: skärmen " + display + " (DISPLAY) kan inte öppnas.\n");
}

// With a display an unattended run shows its window as it works, but nobody
// waits at it: a failed conversion's message goes to the error stream and
// takes its answer by itself, and the run ends with its status, its reason last.
TEST_F(UnattendedRun, AFailedRunWithADisplayWaitsForNobody) {
  fs::create_directories(pdf.parent_path());
  qt::WriteFile(example / "A-40-99.plt", "%!PS\r\n/foo bar\r\nshowpage\r\n");
  QProcessEnvironment shown = env;
  shown.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:port=0"));
  const Ended ended = RunToEnd("QuiremarkGS", shown, {Arg("/StartDir:" + example.string()), QStringLiteral("/TreeScan:Yes"),
                                                      Arg("/OutFile:" + pdf.string())});
  EXPECT_EQ(ended.status, 1);
  EXPECT_NE(ended.err.find("GhostScript-fel: Ingen PDF skapades.\n"), std::string::npos) << ended.err;
  EXPECT_TRUE(LastLine(ended.err).starts_with("QuiremarkGS: Ingen PDF skapades: " + pdf.string() + " kunde inte skapas: "))
      << ended.err;
  EXPECT_FALSE(fs::exists(pdf));
}

// The window lives in a library of its own. A run that needs it and cannot
// load it says so at start, in Swedish, with a status of its own; a run
// without a display never looks for it, and a bind is made without it.
TEST_F(UnattendedRun, AMissingOrBrokenWindowLibraryIsFoundAtStart) {
  qt::TempDir installed;
  fs::copy_file(QUIREMARK_BINARY_DIR "/bin/QuiremarkGS", installed / "QuiremarkGS");
  const fs::path program = installed / "QuiremarkGS";
  const fs::path library = installed / quiremark::gui::kWindowLibrary;
  env.insert(QStringLiteral("QUIREMARK_PROGRAM_DIR"), QStringLiteral(QUIREMARK_BINARY_DIR "/bin"));
  QProcessEnvironment shown = env;
  shown.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("vnc:port=0"));
  const QStringList window = {Arg("/StartDir:" + example.string())};
  const struct {
    const char* bytes;  // the library's, none when it is missing
    std::string why;
  } cases[] = {
      {nullptr, "saknas."},
      {"ingen programdel", "kan inte laddas: filen är skadad eller passar inte till de installerade biblioteken."},
  };
  for (const auto& c : cases) {
    if (c.bytes) qt::WriteFile(library, c.bytes);
    const Ended ended = RunFileToEnd(program, shown, window);
    EXPECT_EQ(ended.status, 4);
    EXPECT_EQ(ended.err, "QuiremarkGS: fönstret kan inte visas: programdelen " + library.string() + " " + c.why + "\n");
  }
  EXPECT_EQ(RunFileToEnd(program, env, window).status, 0) << "no display, no window";

  fs::create_directories(pdf.parent_path());
  const Ended bind = RunFileToEnd(program, shown, {Arg("/StartDir:" + example.string()), QStringLiteral("/TreeScan:Yes"),
                                                   Arg("/OutFile:" + pdf.string())});
  EXPECT_EQ(bind.status, 0) << bind.err;
  EXPECT_EQ(OutlineOf(pdf), expectedOutline);
}

// A failed run's last line carries the cause, and a settings store that
// cannot be read or written does not stop a bind of the folder named.
TEST_F(UnattendedRun, AFailedRunsLastLineSaysWhy) {
  const Ended noFolder = RunToEnd("QuiremarkGS", env, {Arg("/StartDir:" + example.string()), QStringLiteral("/TreeScan:Yes"),
                                                       Arg("/OutFile:" + (dir / "saknas" / "A.pdf").string())});
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_EQ(LastLine(noFolder.err), "QuiremarkGS: Ingen PDF skapades: " + (dir / "saknas" / "A.pdf").string() +
                                        " kunde inte skapas: Mappen " + (dir / "saknas").string() + " finns inte.");

  fs::create_directories(pdf.parent_path());
  qt::WriteFile(example / "A-40-99.plt", "%!PS\r\n/foo bar\r\nshowpage\r\n");
  const Ended broken = Bind("QuiremarkGS", true);
  EXPECT_EQ(broken.status, 1);
  EXPECT_TRUE(LastLine(broken.err).starts_with("QuiremarkGS: Ingen PDF skapades: " + pdf.string() + " kunde inte skapas: "))
      << broken.err;
  EXPECT_NE(LastLine(broken.err).find("GhostScript avslutades med felkod 1. \"Error: /undefined in bar\""),
            std::string::npos)
      << broken.err;
  EXPECT_FALSE(fs::exists(pdf));
  fs::remove(example / "A-40-99.plt");

  fs::remove(registry / "HKEY_CURRENT_USER.reg");
  fs::create_directories(registry / "HKEY_CURRENT_USER.reg");  // a folder where the settings file belongs
  const Ended noStore = Bind("QuiremarkGS", true);
  EXPECT_EQ(noStore.status, 0) << noStore.err;
  EXPECT_EQ(OutlineOf(pdf), expectedOutline);
}

// Several unattended binds of the same user at once (a script binding
// folders in parallel), with one temporary folder and one settings store:
// every run binds the folder of its own command line, and a PDF reported as
// made holds that folder's drawings and nothing else.
TEST(ParallelBinds, EveryRunMakesThePdfOfItsOwnFolder) {
  constexpr int kRuns = 4;
  constexpr int kRounds = 3;
  qt::TempDir dir;
  qt::TempDir registry;
  QProcessEnvironment env = WithoutDisplay(registry);
  env.insert(QStringLiteral("Temp"), Arg((dir / "tmp").string()));
  fs::create_directories(dir / "tmp");
  fs::create_directories(dir / "Ut");
  // Every folder has as many drawings and pages as the others, so a foreign
  // PDF would pass a page count: only its outline tells whose it is.
  std::vector<std::vector<std::string>> outlines(kRuns);
  for (int k = 0; k < kRuns; ++k) {
    const fs::path folder = dir / ("Hus " + std::to_string(k));
    fs::create_directories(folder / "Del");
    for (int j = 1; j <= 2; ++j) {
      const fs::path sub = j == 1 ? folder : folder / "Del";
      const std::string title = "Hus " + std::to_string(k) + " ritning " + std::to_string(j);
      qt::WriteFile(sub / ("R-0" + std::to_string(j) + ".plt"), qt::DriverPlotFile(2, title));
      qt::WriteFile(sub / ("R-0" + std::to_string(j) + ".txt"), title + "\r\n");
    }
    outlines[k] = {"Hus " + std::to_string(k) + " ritning 1 p.1", "  (Sid. 1) p.1", "  (Sid. 2) p.2", "Del p.3",
                   "  Hus " + std::to_string(k) + " ritning 2 p.3", "    (Sid. 1) p.3", "    (Sid. 2) p.4"};
  }
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int k = 0; k < kRuns; ++k) {
      auto& run = runs.emplace_back(std::make_unique<QProcess>());
      run->setProcessEnvironment(env);
      run->start(QStringLiteral(QUIREMARK_BINARY_DIR "/bin/QuiremarkGS"),
                 {Arg("/StartDir:" + (dir / ("Hus " + std::to_string(k))).string()), QStringLiteral("/TreeScan:Yes"),
                  Arg("/OutFile:" + (dir / "Ut" / ("Hus " + std::to_string(k) + ".pdf")).string())});
    }
    for (int k = 0; k < kRuns; ++k) {
      ASSERT_TRUE(runs[k]->waitForFinished(120000));
      const fs::path pdf = dir / "Ut" / ("Hus " + std::to_string(k) + ".pdf");
      const std::string err = runs[k]->readAllStandardError().toStdString();
      EXPECT_EQ(runs[k]->exitCode(), 0) << "run " << k << ": " << err;
      if (runs[k]->exitCode() == 0) {
        EXPECT_EQ(OutlineOf(pdf), outlines[k]) << "run " << k;
      }
      fs::remove(pdf);
    }
  }
}

}  // namespace
