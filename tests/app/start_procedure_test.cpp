#include "app/start_procedure.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/main_startup.h"

#include "platform/program_info.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qa = quiremark::app;
namespace qs = quiremark::settings;
namespace qt = quiremark::testing;
namespace mb = quiremark::controls::mb;
using quiremark::controls::MsgResult;

namespace {

class StartProcedure : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(folder); }

  void Run(const std::vector<std::string>& arguments, qa::MainWindowHooks hooks = {}) {
    qa::Main(arguments, state, ui, hooks);
  }
  std::string LastFolder() const { return qs::GetRegSetting("LastFolder", "<none>"); }
  std::string SyntaxText() const {
    return "SYNTAX:\r" + quiremark::platform::ProgramName() +
           " /StartDir:\"Sökväg\" [/OutFile:\"Filnamn\"] [/TreeScan:\"Yes|No\"]";
  }

  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  qt::ScopedEnv debug{"NORV_DEBUG", std::nullopt};
  std::string folder = (dir / "Projekt A" / "Ritningar Hus").string();
  qs::AppState state;
  qt::ScriptedUi ui;
};

TEST_F(StartProcedure, NoArgumentsStartsQuietly) {
  bool loaded = false, shown = false;
  Run({}, {[&] { return loaded = true; }, [&] { shown = true; }});
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(LastFolder(), "<none>");
  EXPECT_FALSE(state.debugMode);
}

TEST_F(StartProcedure, QuotedStartFolderWithBlanksAndCapitalsIsKeptAsTyped) {
  Run({"/StartDir:\"" + folder + "\""});
  EXPECT_EQ(LastFolder(), folder);
  Run({"/startdir:  " + folder + "/  "});
  EXPECT_EQ(LastFolder(), folder + "/") << "forward slashes and case survive";
}

TEST_F(StartProcedure, AllThreeSwitchesInAnyOrderAndCase) {
  const std::string out = (dir / "Ut" / "Hus A-40.pdf").string();
  Run({"/TREESCAN:\"Yes\"", "/outFile:\"" + out + "\"", "/STARTDIR:\"" + folder + "\""});
  EXPECT_EQ(LastFolder(), folder);
  EXPECT_TRUE(state.treeScanArg);
  EXPECT_EQ(state.outFileArg, out);

  // The same line as one argument, the way a start menu entry passes it.
  qs::AppState other;
  qa::Main({"/StartDir:\"" + folder + "\" /OutFile:\"" + out + "\" /TreeScan:\"y\""}, other, ui, {});
  EXPECT_EQ(other.outFileArg, out);
  EXPECT_TRUE(other.treeScanArg);
}

TEST_F(StartProcedure, TreeScanIsOnOnlyForYes) {
  for (const char* value : {"no", "1", "", "\"\"", "yess"}) {
    qs::AppState fresh;
    qa::Main({"/StartDir:" + folder, std::string("/TreeScan:") + value}, fresh, ui, {});
    EXPECT_FALSE(fresh.treeScanArg) << value;
  }
  for (const char* value : {"Y", "YES", "yes", "\"Yes\"", " yEs "}) {
    qs::AppState fresh;
    qa::Main({"/StartDir:" + folder, std::string("/TreeScan:") + value}, fresh, ui, {});
    EXPECT_TRUE(fresh.treeScanArg) << value;
  }
  Run({"/StartDir:" + folder});
  EXPECT_FALSE(state.treeScanArg);
}

TEST_F(StartProcedure, WithoutStartDirTheSyntaxMessageThenANormalStart) {
  ui.ExpectBox(SyntaxText(), MsgResult::Ok, mb::kOkOnly + mb::kInformation, "Fel i anrop");
  bool loaded = false;
  Run({"/Utfil:\"/srv/x.pdf\"", "/TreeScan:yes"}, {[&] { return loaded = true; }, {}});
  EXPECT_TRUE(loaded);
  EXPECT_EQ(state.outFileArg, "");
  EXPECT_FALSE(state.treeScanArg);

  ui.ExpectBox(SyntaxText(), MsgResult::Ok, mb::kOkOnly + mb::kInformation, "Fel i anrop");
  Run({"--help"});
  EXPECT_EQ(LastFolder(), "<none>");
}

TEST_F(StartProcedure, MissingStartFolderStoresNothingAndSaysNothing) {
  qs::SaveRegSetting("LastFolder", "/earlier");
  Run({"/StartDir:\"" + (dir / "missing").string() + "\""});
  EXPECT_EQ(LastFolder(), "/earlier");
  EXPECT_TRUE(ui.shown.empty());
}

TEST_F(StartProcedure, RepeatedSwitchesKeepTheLastExistingFolderAndLastValues) {
  const std::string second = (dir / "Projekt A").string();
  Run({"/StartDir:" + folder, "/OutFile:/a.pdf", "/StartDir:" + second, "/StartDir:/no/such", "/OutFile:/b.pdf",
       "/TreeScan:yes", "/TreeScan:no"});
  EXPECT_EQ(LastFolder(), second);
  EXPECT_EQ(state.outFileArg, "/b.pdf");
  EXPECT_FALSE(state.treeScanArg);
}

TEST_F(StartProcedure, DebugBoxesAroundLoadingAndShowing) {
  qt::ScopedEnv on("NORV_DEBUG", "1");
  std::vector<std::string> order;
  ui.ExpectBox("Loading frmMain", MsgResult::Ok, mb::kOkOnly, "");
  ui.ExpectBox("frmMain loaded", MsgResult::Ok, mb::kOkOnly, "");
  ui.ExpectBox("Showing frmMain", MsgResult::Ok, mb::kOkOnly, "");
  Run({}, {[&] {
             order.push_back("load after " + std::to_string(ui.shown.size()));
             return true;
           },
           [&] { order.push_back("show after " + std::to_string(ui.shown.size())); }});
  EXPECT_TRUE(state.debugMode);
  EXPECT_EQ(order, (std::vector<std::string>{"load after 1", "show after 2"}));
}

TEST_F(StartProcedure, EarlyEndOfStartUpShowsOnlyTheFirstDebugBox) {
  qt::ScopedEnv on("NORV_DEBUG", "yes");
  ui.ExpectBox("Loading frmMain", MsgResult::Ok);
  bool shown = false;
  Run({}, {[] { return false; }, [&] { shown = true; }});
  EXPECT_FALSE(shown);
}

TEST_F(StartProcedure, AnUnknownSwitchIsNamedAndEndsAnUnattendedRun) {
  // Interactive: the message, then a start with the switches that are known.
  ui.ExpectBox("Okänd växel /Utfil:\r" + SyntaxText(), MsgResult::Ok, mb::kOkOnly + mb::kInformation, "Fel i anrop");
  bool loaded = false;
  Run({"/StartDir:" + folder, "/Utfil:x.pdf", "/TreeScan:yes"}, {[&] { return loaded = true; }, {}});
  EXPECT_TRUE(loaded);
  EXPECT_EQ(LastFolder(), folder) << "the unknown switch is not glued to the folder";
  EXPECT_TRUE(state.treeScanArg);

  // Unattended: the message, then the end, with the reason on the error stream.
  ui.ExpectBox("Okänd växel /Scan:\r" + SyntaxText(), MsgResult::Ok);
  std::ostringstream err;
  loaded = false;
  qs::AppState unattended;
  qa::Main({"/StartDir:" + folder, "/OutFile:/srv/ut.pdf", "/Scan:yes"}, unattended, ui,
           {[&] { return loaded = true; }, {}}, err);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(ui.endedWith, qa::kExitBadCommandLine);
  EXPECT_EQ(err.str(), quiremark::platform::ProgramName() + ": Ingen PDF skapades: okänd växel /Scan:\n");
}

TEST_F(StartProcedure, ARelativeStartFolderIsStoredAbsolute) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Run({"/StartDir:\"Projekt A/./Ritningar Hus/\""});
  std::filesystem::current_path(before);
  EXPECT_EQ(LastFolder(), folder);
  EXPECT_EQ(qa::AbsoluteFolder("/srv/a"), "/srv/a");
}

TEST_F(StartProcedure, AnUnattendedRunWithoutAnExistingStartFolderEndsBeforeLoading) {
  qs::SaveRegSetting("LastFolder", "/earlier");
  std::ostringstream err;
  bool loaded = false;
  qa::Main({"/StartDir:" + (dir / "saknas").string(), "/OutFile:/srv/ut.pdf"}, state, ui,
           {[&] { return loaded = true; }, {}}, err);
  EXPECT_FALSE(loaded) << "the PDF of another folder would be made";
  EXPECT_EQ(ui.endedWith, qa::kExitBadCommandLine);
  EXPECT_NE(err.str().find("startmappen " + (dir / "saknas").string() + " finns inte."), std::string::npos);
}

// A run that names /OutFile: and cannot bind says why and ends with the
// status of a faulty command line, the syntax shown before its reason.
TEST_F(StartProcedure, AnUnattendedRunWithAFaultyLineEndsBeforeLoading) {
  const std::string out = "/OutFile:/srv/ut.pdf";
  const std::string stray = " (en växel skrivs /Namn:värde)";
  const struct {
    std::vector<std::string> arguments;
    std::string box;     // what the box says before the syntax
    std::string reason;  // after "Ingen PDF skapades: "
  } cases[] = {
      {{out}, "", "/StartDir: saknas."},
      {{"/StartFolder:" + folder, out}, "", "/StartDir: saknas (okänd växel /StartFolder:)."},
      {{"/StartDir:" + folder, "/OutFile:"}, "/OutFile: saknar filnamn.", "/OutFile: saknar filnamn."},
      {{"/StartDir:" + folder, "/OutFile:\"\"", "/TreeScan:Yes"}, "/OutFile: saknar filnamn.",
       "/OutFile: saknar filnamn."},
      {{"/StartDir:" + folder, "/TreeScan", "Yes", out}, "Okänt ord /TreeScan" + stray, "okänt ord /TreeScan" + stray + "."},
      {{"/StartDir:" + folder, out, "/Bogus"}, "Okänt ord /Bogus" + stray, "okänt ord /Bogus" + stray + "."},
      {{"/StartDir:\"" + folder + "\" /TreeScan Yes " + out}, "Okänt ord /TreeScan" + stray,
       "okänt ord /TreeScan" + stray + "."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    qt::ScriptedUi faultUi;
    faultUi.ExpectBox((c.box.empty() ? "" : c.box + "\r") + SyntaxText(), MsgResult::Ok,
                      mb::kOkOnly + mb::kInformation, "Fel i anrop");
    std::ostringstream err;
    bool loaded = false;
    qs::AppState unattended;
    qa::Main(c.arguments, unattended, faultUi, {[&] { return loaded = true; }, {}}, err);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(faultUi.endedWith, qa::kExitBadCommandLine);
    EXPECT_EQ(err.str(), quiremark::platform::ProgramName() + ": Ingen PDF skapades: " + c.reason + "\n");
  }
}

// Quotes, the shell's or the line's own, keep a value whole, " /Word:" and
// all, also the text of a switch ("/OutFile:") in a folder's name.
TEST_F(StartProcedure, AQuotedStartFolderMayHoldASlashAndAColon) {
  const std::string odd = (dir / "Proj /Rev:A").string();
  const std::string switchText = (dir / "Proj" / "OutFile:old").string();
  std::filesystem::create_directories(odd);
  std::filesystem::create_directories(switchText);
  const struct {
    std::string folder;
    std::vector<std::string> arguments;
  } cases[] = {
      {odd, {"/StartDir:" + odd, "/OutFile:/srv/ut.pdf"}},
      {odd, {"/StartDir:\"" + odd + "\" /OutFile:\"/srv/ut.pdf\""}},
      {switchText, {"/StartDir:" + switchText, "/OutFile:/srv/ut.pdf"}},  // as the shell passes "...OutFile:old"
      {switchText, {"/StartDir:\"" + switchText + "\" /OutFile:\"/srv/ut.pdf\""}},
  };
  for (const auto& c : cases) {
    qs::AppState unattended;
    bool loaded = false;
    qa::Main(c.arguments, unattended, ui, {[&] { return loaded = true; }, {}});
    EXPECT_TRUE(loaded) << c.arguments.front();
    EXPECT_EQ(unattended.startFolder, c.folder);
    EXPECT_EQ(unattended.outFileArg, "/srv/ut.pdf");
  }
}

TEST(ParseCommandLine, ValuesMayHoldSlashesButNotSwitchNames) {
  const auto line = qa::ParseCommandLine({"/StartDir:\"/srv/A-40/Plan 1\"", "/OutFile:\"/srv/PDF/Plan 1.pdf\""});
  EXPECT_FALSE(line.syntaxError);
  EXPECT_EQ(line.startDirs, (std::vector<std::string>{"/srv/A-40/Plan 1"}));
  EXPECT_EQ(line.outFile, "/srv/PDF/Plan 1.pdf");
  EXPECT_TRUE(qa::ParseCommandLine({"/srv/x"}).syntaxError);
  // A "/name:" that begins an argument is a switch of its own; inside a value it is not.
  const auto unknown = qa::ParseCommandLine({"/StartDir:/srv/a:b/c:d", "/Mapp:x", "/OutFile:/srv/ut:1.pdf"});
  EXPECT_EQ(unknown.startDirs, (std::vector<std::string>{"/srv/a:b/c:d"}));
  EXPECT_EQ(unknown.unknownSwitches, (std::vector<std::string>{"/Mapp:"}));
  EXPECT_EQ(unknown.outFile, "/srv/ut:1.pdf");
  EXPECT_FALSE(qa::ParseCommandLine({"  "}).syntaxError);

  // Words of a value: unquoted blanks the shell split at, a value that
  // begins with "/", a line in one argument with its own quotes.
  const auto words = qa::ParseCommandLine({"/StartDir:", "/data", "Hus", "A", "/OutFile:/srv/Ut.pdf"});
  EXPECT_EQ(words.startDirs, (std::vector<std::string>{"/data Hus A"}));
  EXPECT_TRUE(words.strayWords.empty());
  const auto oneLine = qa::ParseCommandLine({"/StartDir:\"/srv/a /OutFile:b\" /outfile:\"/srv/c.pdf\" /X:y"});
  EXPECT_EQ(oneLine.startDirs, (std::vector<std::string>{"/srv/a /OutFile:b"}));
  EXPECT_EQ(oneLine.outFile, "/srv/c.pdf");
  EXPECT_EQ(oneLine.unknownSwitches, (std::vector<std::string>{"/X:"}));
  const auto empty = qa::ParseCommandLine({"/StartDir:/srv/a", "/OutFile:", "/TreeScan:yes"});
  EXPECT_TRUE(empty.outFileNamed);
  EXPECT_EQ(empty.outFile, "");
  EXPECT_TRUE(empty.treeScan);
}

}  // namespace
