#include "browser/filters.h"

#include <system_error>

#include "browser/scan_pane_fixture.h"
#include "platform/raw_file.h"
#include "platform/text_encoding.h"
#include "settings/ini_file.h"

namespace quiremark::browser {
namespace {

namespace fs = std::filesystem;
using controls::MsgResult;
using Names = std::vector<std::string>;

// A clock whose date cannot be had, so that every grid fill of a file fails.
class BrokenClock : public platform::SystemClock {
 public:
  std::string ShortDate(TimePoint) const override { throw std::system_error(std::make_error_code(std::errc::io_error)); }
};

class FiltersTest : public ScanPaneTest {
 protected:
  void SetUp() override {
    ScanPaneTest::SetUp();
    cboFileExt.onChange = [this] { cboFileExt_Change(scan); };
    cboFileExt.onClick = [this] { cboFileExt_Click(scan); };
    cboFolderName.onChange = [this] { cboFolderName_Change(scan); };
    cboFolderName.onClick = [this] { cboFolderName_Click(scan); };
    Dir1.SetPath(root.string());
  }
  void Rows(const Names& names) {
    fgFiles.SetCols(kGridColumns);
    fgFiles.SetRows(static_cast<int>(names.size()) + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
      fgFiles.SetTextMatrix(static_cast<int>(i) + 1, kColFileName, names[i]);
      fgFiles.SetRowSelected(static_cast<int>(i) + 1, true);
    }
  }
};

TEST_F(FiltersTest, EveryKeystrokeRefillsTheGridWithTheTextSoFar) {
  for (const char* name : {"Plan-1.plt", "Plan-2.eps", "Plan-3.EPS", "Plan-4.dwg"}) Plot(name);
  const struct {
    const char* typed;
    Names rows;
  } steps[] = {{"*", {"Plan-1.plt", "Plan-2.eps", "Plan-3.EPS", "Plan-4.dwg"}},
               {"*.", {}},
               {"*.e", {}},
               {"*.ep", {}},
               {"*.eps", {"Plan-2.eps", "Plan-3.EPS"}},
               {"*.eps;*.plt", {"Plan-1.plt", "Plan-2.eps", "Plan-3.EPS"}}};
  for (const auto& step : steps) {
    cboFileExt.SetText(step.typed);
    EXPECT_EQ(File1.pattern(), step.typed);
    EXPECT_EQ(Column(1), step.rows) << step.typed;
  }
  EXPECT_EQ(fileFilterErrorCount, 0);
}

TEST_F(FiltersTest, APatternTheFileListRefusesChangesNothingAndSaysNothing) {
  Plot("Plan-1.plt");
  cboFileExt.SetText("*.plt");
  cboFileExt.SetText("Sub/*.plt");
  EXPECT_EQ(File1.pattern(), "*.plt");
  EXPECT_EQ(Column(1), Names{"Plan-1.plt"});
  EXPECT_EQ(fileFilterErrorCount, 0);
}

TEST_F(FiltersTest, TheThirdOtherErrorEndsTheProgram) {
  Plot("Plan-1.plt");
  BrokenClock broken;
  platform::ScopedClock scoped(broken);
  for (const char* text : {"*.plt", "*.PLT"}) {
    ui.ExpectBox("Felkod: 75", MsgResult::Ok, controls::mb::kOkOnly, "");
    cboFileExt.SetText(text);
    EXPECT_FALSE(ui.endedWith.has_value());
    EXPECT_FALSE(window.hourglass());
  }
  ui.ExpectBox("Felkod: 75", MsgResult::Ok, controls::mb::kOkOnly, "");
  ui.ExpectBox("Avslutar!", MsgResult::Ok, controls::mb::kOkOnly | controls::mb::kExclamation, "Fel");
  cboFileExt.SetText("*.Plt");
  EXPECT_EQ(ui.endedWith, 1);
  EXPECT_EQ(fileFilterErrorCount, 3);
}

// A side file that cannot be read counts as none: its plot file is listed
// under its base name, the others as usual, and the status bar's notice pane
// says how many side files could not be read. No filter change reports it
// as an error, so none ends the program.
TEST_F(FiltersTest, AnUnreadableSideFileCountsAsNone) {
  commandBars.statusBar().AddPane(kNoticePane);
  const auto notice = [this] { return commandBars.statusBar().FindPane(kNoticePane)->text; };
  Plot("A-40-01.plt", 1, "Plan 1");
  Plot("A-40-02.plt", 1, "Plan 2");
  Plot("A-40-03.plt", 1, "Fasad");
  const struct {
    std::vector<const char*> unreadable;  // from here on, besides the earlier ones
    Names bookmarks;
    const char* notice;
  } cases[] = {
      {{}, {"Plan 1", "Plan 2", "Fasad"}, ""},
      {{"A-40-02.txt"}, {"Plan 1", "A-40-02", "Fasad"}, "1 bokmärkesfil kunde inte läsas"},
      {{"A-40-01.txt", "A-40-03.txt"}, {"A-40-01", "A-40-02", "A-40-03"}, "3 bokmärkesfiler kunde inte läsas"},
  };
  const testing::PermissionsApply asForAUser;
  for (const auto& c : cases) {
    for (const char* side : c.unreadable) {
      fs::permissions(root / side, fs::perms::none);
      ASSERT_FALSE(platform::TryReadWholeFile(root / side).has_value()) << side << " can still be read";
    }
    for (const char* text : {"*.plt", "*.PLT", "*.Plt", "A-40-*.plt"}) {
      cboFileExt.SetText(text);
      EXPECT_TRUE(fgFiles.visible()) << text;
      EXPECT_EQ(Column(kColFileName), (Names{"A-40-01.plt", "A-40-02.plt", "A-40-03.plt"})) << text;
      EXPECT_EQ(Column(kColBookmark), c.bookmarks) << text;
      EXPECT_EQ(notice(), c.notice) << text;
    }
  }
  EXPECT_EQ(fileFilterErrorCount, 0);
  EXPECT_FALSE(ui.endedWith.has_value());
}

TEST_F(FiltersTest, TheFolderFilterShowsWhetherItIsInForce) {
  cboFolderName.AddItem("Plot*");
  cboFolderName.AddItem("*");
  const struct {
    const char* text;
    controls::Color color;
  } cases[] = {{"Plot*", kFolderFilterColor}, {"*", controls::kSystemWindowColor}, {"Ritn", kFolderFilterColor},
               {"", controls::kSystemWindowColor}, {"**", kFolderFilterColor}};
  for (const auto& c : cases) {
    cboFolderName.SetText(c.text);
    EXPECT_EQ(cboFolderName.backColor(), c.color) << c.text;
  }
  cboFolderName.ChooseItem(0);
  EXPECT_EQ(cboFolderName.backColor(), kFolderFilterColor);
  cboFolderName.ChooseItem(1);
  EXPECT_EQ(cboFolderName.backColor(), controls::kSystemWindowColor);
  EXPECT_EQ(kFolderFilterColor, controls::Rgb(255, 192, 192));
}

TEST_F(FiltersTest, SelectedNamesBecomeTheFileFilter) {
  for (const char* name : {"A1.plt", "A2.plt", "A3.plt"}) Plot(name);
  Plot("Sub/B1.plt");
  Rows({"A1.plt", "A2.plt", "/Sub/B1.plt"});
  FilterBySelection(scan);
  EXPECT_EQ(cboFileExt.text(), "A1.plt;A2.plt;B1.plt");
  EXPECT_EQ(Column(1), (Names{"A1.plt", "A2.plt"})) << "the working folder's files of those names";
}

TEST_F(FiltersTest, ASelectionLongerThan255CharactersIsCutAfterAMessage) {
  const std::string message =
      "För lång textsträng som filfilter. Texten nedkortad till 255 tecken.\r"
      "Urvalet blir ej enligt de filer du markerade.\r"
      "Försök filtrera med wildcard-tecknen '?' och '*'.";
  cboFileExt.onChange = nullptr;  // only the text matters here
  const struct {
    const char* format;  // one name, "%04d" numbering it
    std::size_t chars;
    const char* ending;
  } cases[] = {
      {"Plan-å-%04d.plt", 255, "Plan-å-0016.plt"},  // 15 characters and ";" per name
      {"Plan-å-%05d.plt", 254, "Plan-å-00015.plt"},  // 16 and ";": the 255th is a ";" and goes
      {"Ritn-%03d.plt", 255, "Ritn-020"},           // 12 and ";": the twentieth name is cut
  };
  for (const auto& c : cases) {
    Names names;
    for (int i = 1; i <= 30; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, c.format, i);
      names.push_back(name);
    }
    Rows(names);
    ui.ExpectBox(message, MsgResult::Ok, controls::mb::kOkOnly | controls::mb::kCritical, "Fel i urvalssträng");
    FilterBySelection(scan);
    EXPECT_EQ(platform::CharCount(cboFileExt.text()), c.chars) << c.format;
    EXPECT_TRUE(cboFileExt.text().ends_with(c.ending)) << cboFileExt.text();
  }
  Rows({"Plan-1.plt"});
  FilterBySelection(scan);  // short: no message
  EXPECT_EQ(cboFileExt.text(), "Plan-1.plt");
}

TEST_F(FiltersTest, SavedPatternsAreTheListAndATextNoItemHolds) {
  const fs::path ini = dir / "Quiremark.ini";
  state.iniPath = ini.string();
  cboFileExt.onChange = nullptr;
  cboFileExt.AddItem("*.plt");
  cboFileExt.AddItem("*.eps");
  const struct {
    const char* text;
    Names saved;
  } cases[] = {{"*.dwg", {"*.plt", "*.eps", "*.dwg"}},
               {"*.plt", {"*.plt", "*.eps"}},
               {"plt", {"*.plt", "*.eps"}},
               {"", {"*.plt", "*.eps"}},
               {"*.PLT", {"*.plt", "*.eps", "*.PLT"}},
               {"A1.plt;A2.plt", {"*.plt", "*.eps", "A1.plt;A2.plt"}}};
  for (const auto& c : cases) {
    testing::WriteFile(ini, "[Keys]\r\nDistiller=x\r\n[Patterns]\r\nold\r\n");
    cboFileExt.SetText(c.text);
    SavePatterns(scan);
    EXPECT_EQ(settings::SplitIniSection(settings::GetIniSection("Patterns", ini)), c.saved) << c.text;
    EXPECT_EQ(settings::GetIniString("Keys", "Distiller", ini), "x");
    EXPECT_EQ(cboFileExt.listCount(), 2) << "the box's own list stays";
  }

  // The tree scan saves them at its end.
  cboFileExt.SetText("*.dwg");
  File1.SetPattern("*.dwg");
  ASSERT_TRUE(ScanFolderTree(scan));
  EXPECT_EQ(settings::SplitIniSection(settings::GetIniSection("Patterns", ini)), (Names{"*.plt", "*.eps", "*.dwg"}));
}

TEST_F(FiltersTest, WhileARunIsUnderWayANewFilterIsRefused) {
  Plot("Plan-1.plt");
  Plot("Plan-2.eps");
  cboFileExt.SetText("*.plt");
  commandBars.statusBar().AddPane(kNoticePane);
  state.bindRunActive = true;
  cboFileExt.SetText("*.eps");
  EXPECT_EQ(cboFileExt.text(), "*.plt");
  EXPECT_EQ(File1.pattern(), "*.plt");
  EXPECT_EQ(Column(1), Names{"Plan-1.plt"});
  EXPECT_EQ(commandBars.statusBar().FindPane(kNoticePane)->text, "Vänta tills PDF-filen är klar");
}

}  // namespace
}  // namespace quiremark::browser
