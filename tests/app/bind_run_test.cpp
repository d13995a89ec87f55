#include "bind_run_fixture.h"

#include <algorithm>
#include <thread>

#include "app/bind_steps.h"
#include "app/options_form.h"
#include "platform/environment.h"
#include "settings/text_routines.h"

namespace quiremark::app {
namespace {

using controls::MsgResult;
using settings::GetRegSetting;

// Positions of the labels in the temporary file, which must rise.
bool InOrder(const std::string& text, const std::vector<std::string>& labels) {
  std::size_t at = 0;
  for (const auto& label : labels) {
    const std::size_t found = text.find(label, at);
    if (found == std::string::npos) return false;
    at = found + label.size();
  }
  return true;
}

class BindRunSteps : public BindRunTest {
 protected:
  void SetUp() override {
    BindRunTest::SetUp();
    Plot("A-01.plt", 1, "Plan");
    Plot("A-02.plt", 1, "Sektion");
    Plot("A-03.plt", 1, "Fasad");
    SelectDrawings();
  }
  std::string SideFile(const std::string& name = "Quiremark.path") const { return (drawings / name).string(); }
};

TEST_F(BindRunSteps, NothingNumberedEndsSilentlyAfterTheHistoryEntry) {
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_TRUE(ui.saveRequests.empty());
  EXPECT_EQ(ui.yields, 0);
  const auto entry = settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\Previous", 0);
  ASSERT_TRUE(entry.found);
  EXPECT_TRUE(entry.name.ends_with("|Ritningar"));
  EXPECT_EQ(entry.data, drawings.string());
  EXPECT_FALSE(state.bindRunActive);
}

TEST_F(BindRunSteps, TheHistoryRecordsTheFolderBoundWhateverTreeRowIsCurrent) {
  SelectDrawings();
  form.fgTree.SetRowData(0, ">");  // the history root, moved to with the arrow keys
  CreatePdf(form, kBindPlain);
  const auto entry = settings::RegEnumValueAt(settings::Hive::CurrentUser, settings::ProgramKeyPath() + "\\Previous", 0);
  EXPECT_TRUE(entry.name.ends_with("|Ritningar"));
  EXPECT_EQ(entry.data, drawings.string());
}

TEST_F(BindRunSteps, CancelledSaveDialogWritesNothing) {
  Click(1);
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  ASSERT_EQ(ui.saveRequests.size(), 1u);
  const auto& request = ui.saveRequests[0];
  EXPECT_EQ(request.title, "Skapa resultatfil");
  EXPECT_EQ(request.filter, "(*.pdf)|*.pdf");
  EXPECT_EQ(request.initialFolder, drawings.string());
  EXPECT_EQ(request.flags, 0x80806);
  EXPECT_FALSE(std::filesystem::exists(dir / "tmp" / "QuiremarkTmp.ps"));
  EXPECT_FALSE(form.hourglass());
  EXPECT_EQ(GetRegSetting("cboShow", "!", "Options"), "!") << "no options stored before the file is known";
}

TEST_F(BindRunSteps, RowsOfOneNumberGoInGridOrderAndCaptionsCount) {
  form.fgFiles.SetTextMatrix(1, 0, "1");
  form.fgFiles.SetTextMatrix(2, 0, "3");
  form.fgFiles.SetTextMatrix(3, 0, "1");
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_TRUE(ui.saveRequests.empty()) << "the out-file argument needs no dialog";
  EXPECT_TRUE(InOrder(TempPs(), {"(Plan 1) show", "(Fasad 1) show", "(Sektion 1) show"}));
  const std::string folder = drawings.string();
  ASSERT_GE(captions.size(), 3u);
  EXPECT_EQ(captions[0], "Bearbetar " + folder + "/A-01.plt 1/3 [0]");
  EXPECT_EQ(captions[1], "Bearbetar " + folder + "/A-03.plt 2/3 [1]");
  EXPECT_EQ(captions[2], "Bearbetar " + folder + "/A-02.plt 3/3 [2]");
  EXPECT_EQ(form.OutputPdfPath, state.outFileArg);
  EXPECT_EQ(state.lastPdfPath, state.outFileArg);
  EXPECT_FALSE(form.frmSplash.loaded()) << "the progress window is gone at the end";
}

TEST_F(BindRunSteps, TwoRowsNumberedOneCountBeyondTheHighest) {
  form.fgFiles.SetTextMatrix(1, 0, "1");
  form.fgFiles.SetTextMatrix(2, 0, "1");
  state.outFileArg = (out / "Hus.pdf").string();
  int barMax = -1, lastValue = -1;
  ui.onYield = [&] {
    captions.push_back(form.frmSplash.progressText());
    if (!captions.back().starts_with("Bearbetar ")) return;  // the bar of the files written, not of gs
    barMax = form.frmSplash.max();
    lastValue = form.frmSplash.value();
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  ASSERT_GE(captions.size(), 2u);
  EXPECT_TRUE(captions[0].ends_with(" 1/1"));
  EXPECT_TRUE(captions[1].ends_with(" 2/1"));
  EXPECT_EQ(lastValue, 1);
  EXPECT_EQ(barMax, 1) << "the bar stays at its maximum";
}

TEST_F(BindRunSteps, ParentSideFileGivesTheInitialFolder) {
  Click(1);
  settings::WriteTextFile("  " + out.string() + "  ", drawings.parent_path() / "Quiremark.path");
  CreatePdf(form, kBindSpec);
  ASSERT_EQ(ui.saveRequests.size(), 1u);
  EXPECT_EQ(ui.saveRequests[0].initialFolder, out.string());

  // Mode 2 looks for the relation file, which is missing: one question, answered No.
  ui.ExpectBox("Filen " + drawings.string() + "/Quiremark.relation.path saknas.\r\rVill du skapa den nu genom att "
               "ange en standardsökväg för den här mappen?",
               MsgResult::No, 52, "Quiremark.relation.path saknas");
  CreatePdf(form, kBindRelation);
  ASSERT_EQ(ui.saveRequests.size(), 2u);
  EXPECT_EQ(ui.saveRequests[1].initialFolder, drawings.string());
}

TEST_F(BindRunSteps, OwnSideFileComesBeforeTheParents) {
  Click(1);
  std::filesystem::create_directories(dir / "Egen");
  settings::WriteTextFile(out.string(), drawings.parent_path() / "Quiremark.path");
  testing::WriteFile(drawings / "QUIREMARK.PATH", (dir / "Egen").string() + "\r\nrest\r\n");
  CreatePdf(form, kBindSpec);
  EXPECT_EQ(ui.saveRequests.at(0).initialFolder, (dir / "Egen").string());
}

TEST_F(BindRunSteps, UnreachableParentEntryIsRepairedInTheOwnFile) {
  Click(1);
  const auto parentFile = drawings.parent_path() / "Quiremark.path";
  settings::WriteTextFile((dir / "Borta").string(), parentFile);
  ui.ExpectBox("Filen " + drawings.string() + "/Quiremark.path har otillgänglig sökväg angiven.\r\rVill du ange den nu?",
               MsgResult::Yes, 52, "Sökväg saknas");
  ui.QueueFolder(out.string());
  CreatePdf(form, kBindSpec);
  ASSERT_EQ(ui.folderRequests.size(), 1u);
  EXPECT_EQ(ui.folderRequests[0], std::make_pair(drawings.string(), std::string("Standardsökväg för PDF")));
  EXPECT_EQ(testing::ReadFile(drawings / "Quiremark.path"), out.string() + "\r\n");
  EXPECT_EQ(settings::ReadFirstLine(parentFile), (dir / "Borta").string()) << "the parent's file is left alone";
  EXPECT_EQ(ui.saveRequests.at(0).initialFolder, out.string());
}

TEST_F(BindRunSteps, UnreachableEntryAnsweredNoStartsNowhere) {
  Click(1);
  testing::WriteFile(drawings / "Quiremark.path", "");  // an empty side file names no folder
  ui.ExpectBox("Filen " + drawings.string() + "/Quiremark.path har otillgänglig sökväg angiven.\r\rVill du ange den nu?",
               MsgResult::No);
  CreatePdf(form, kBindSpec);
  EXPECT_EQ(ui.saveRequests.at(0).initialFolder, "");
}

TEST_F(BindRunSteps, MissingSideFileIsCreatedFromTheChosenFolder) {
  Click(1);
  ui.ExpectBox("Filen " + drawings.string() + "/Quiremark.path saknas.\r\rVill du skapa den nu genom att ange en "
               "standardsökväg för den här mappen?",
               MsgResult::Yes, 52, "Quiremark.path saknas");
  ui.QueueFolder(out.string());
  CreatePdf(form, kBindSpec);
  EXPECT_EQ(testing::ReadFile(drawings / "Quiremark.path"), out.string() + "\r\n");
  EXPECT_EQ(ui.saveRequests.at(0).initialFolder, out.string());

  // A cancelled folder dialog writes nothing and starts in the drawing folder.
  std::filesystem::remove(drawings / "Quiremark.path");
  ui.ExpectBox("Filen " + drawings.string() + "/Quiremark.path saknas.\r\rVill du skapa den nu genom att ange en "
               "standardsökväg för den här mappen?",
               MsgResult::Yes);
  CreatePdf(form, kBindSpec);
  EXPECT_FALSE(std::filesystem::exists(drawings / "Quiremark.path"));
  EXPECT_EQ(ui.saveRequests.at(1).initialFolder, drawings.string());
}

TEST_F(BindRunSteps, FirstRunStoresTheOptionDefaultsOnce) {
  Click(1);
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(GetRegSetting("cboShow", "!", "Options"), "1");
  EXPECT_EQ(GetRegSetting("DocTitle", "!", "Options"), "<QuiremarkTitle.txt>");
  EXPECT_EQ(GetRegSetting("chkOpenPdf", "!", "Options"), "0") << "what was stored already is kept";
  EXPECT_EQ(GetRegSetting("cboHistoryDays", "!", "Options"), "6");

  settings::SaveRegSetting("cboZoom", "2", "Options");
  settings::DeleteRegSetting("cboLayout", "Options");
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(GetRegSetting("cboLayout", "!", "Options"), "!") << "stored options are not stored again";
}

TEST_F(BindRunSteps, MarkdownSideFileIsCopiedBesideThePdf) {
  Click(1);
  testing::WriteFile(drawings / "Hus.pdf.md", "# Hus\r\n");
  testing::WriteFile(out / "Hus.pdf.md", "old");
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(testing::ReadFile(out / "Hus.pdf.md"), "# Hus\r\n");
}

TEST_F(BindRunSteps, DigiTejpRunsThroughTheShellWithTheBatchLine) {
  Click(1);
  const auto program = dir / "Digi Tejp" / "DigiTejp";
  std::filesystem::create_directories(program.parent_path());
  const auto record = dir / "args.txt";
  testing::WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record.string() + "'\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  state.digiTejpExePath = program.string();
  form.cboDigiTejp.AddItem("");
  form.cboDigiTejp.AddItem("Stämpel A.dtt");
  form.cboDigiTejp.ChooseItem(1);
  state.outFileArg = (out / "Hus 1.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(testing::ReadFile(dir / "tmp" / "DigiTejp.bat"),
            "\"" + program.string() + "\" -t \"Stämpel A\" \"" + state.outFileArg + "\"\n");
  EXPECT_EQ(testing::ReadFile(record), "[-t][Stämpel A][" + state.outFileArg + "]");
  EXPECT_FALSE(form.hourglass());
}

TEST_F(BindRunSteps, PdfIsOpenedWhenTheOptionsSaySo) {
  Click(1);
  settings::SaveRegSetting("chkOpenPdf", "1", "Options");
  const auto bin = dir / "bin";
  std::filesystem::create_directories(bin);
  const auto record = dir / "opened.txt";
  testing::WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.string() + ".part'\nmv '" + record.string() + ".part' '" +
                                          record.string() + "'\n");
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  testing::ScopedEnv path("PATH", bin.string() + ":" + platform::GetEnv("PATH"));
  testing::WriteFile(out / "Hus.log", "the user's own");
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_EQ(testing::ReadFile(out / "Hus.log"), "the user's own") << "no converter of this run wrote it";
  for (int i = 0; i < 100 && !std::filesystem::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(testing::ReadFile(record), state.outFileArg);
  EXPECT_TRUE(captions.back().starts_with("Öppnar PDF..."));
}

TEST_F(BindRunSteps, PlotFileGoneStopsTheRunWithoutAPdf) {
  Click(1);
  Click(2);
  state.outFileArg = (out / "Hus.pdf").string();
  std::filesystem::remove(drawings / "A-02.plt");
  ui.ExpectBox("Filen " + drawings.string() + "/A-02.plt saknas eller kan inte läsas (filen finns inte)."
               "\r\rIngen PDF skapades.",
               MsgResult::Ok, 16, "Fel");
  EXPECT_FALSE(CreatePdf(form, kBindPlain));
  EXPECT_FALSE(std::filesystem::exists(out / "Hus.pdf"));
  EXPECT_EQ(state.lastPdfPath, "");
  EXPECT_FALSE(form.frmSplash.loaded());
  EXPECT_FALSE(state.bindRunActive);
}

TEST_F(BindRunSteps, GridAndSecondBindWaitWhileTheRunYields) {
  Click(1);
  Click(3);
  state.outFileArg = (out / "Hus.pdf").string();
  bool nestedResult = true;
  ui.onYield = [&] {
    if (!ui.yields || ui.yields > 1) return;
    nestedResult = CreatePdf(form, kBindPlain);
    Click(2);
    browser::FilePane pane = FilePaneOf(form);
    browser::UnnumberAll(pane);
    form.Dir1.SetPath(out.string());  // the working folder changes meanwhile
  };
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_FALSE(nestedResult);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "", "2"}));
  EXPECT_TRUE(InOrder(TempPs(), {"(Plan 1) show", "(Fasad 1) show"}));
  EXPECT_EQ(TempPs().find("(Sektion 1) show"), std::string::npos);
}

TEST_F(BindRunSteps, MetadataPromptShowsTheOptionsBeforeTheTrailer) {
  Click(1);
  settings::SaveRegSetting("chkMetadata", "1", "Options");
  int shown = 0;
  OptionsForm::AttachView() = [&](OptionsForm& dialog) {
    dialog.onShowRequest = [&dialog, &shown](bool modal) {
      EXPECT_TRUE(modal);
      ++shown;
      dialog.cboDocSubject.SetText("Bygglov");
      dialog.cmdSaveChanges_Click();
    };
  };
  state.outFileArg = (out / "Hus.pdf").string();
  const bool made = CreatePdf(form, kBindPlain);
  OptionsForm::AttachView() = nullptr;
  ASSERT_TRUE(made);
  EXPECT_EQ(shown, 1);
  EXPECT_NE(TempPs().find("/Subject (Bygglov)"), std::string::npos);
}

}  // namespace
}  // namespace quiremark::app

namespace quiremark::app {
namespace {

TEST_F(BindRunTest, NameWithoutDotAndLongFolderInTheCaption) {
  drawings = dir / "Projekt med ett mycket långt namn" / "Etapp 2 med ännu fler ord i namnet" / "Ritningar";
  std::filesystem::create_directories(drawings);
  form.fgTree.SetRowData(0, drawings.string());
  form.File1.SetPattern("Ritning*");
  testing::WriteFile(drawings / "Ritning", testing::DriverPlotFile(1, "Plan"));
  testing::WriteFile(drawings / "Ritning.txt", "Plan med tak\r\n");
  SelectDrawings();
  ASSERT_EQ(form.fgFiles.rows(), 3);  // Ritning and Ritning.txt
  Click(1);
  state.outFileArg = (out / "Hus.pdf").string();
  ASSERT_TRUE(CreatePdf(form, kBindPlain));
  EXPECT_NE(TempPs().find("[(Plan med tak) ] QuiremarkFileEnd"), std::string::npos)
      << "the whole name is the base name of its side file";
  const std::string full = drawings.string() + "/Ritning";
  ASSERT_GT(full.size(), 81u);
  EXPECT_EQ(captions.at(0), "Bearbetar " + ShortenProgressPath(full) + " 1/1 [0]");
  EXPECT_NE(captions.at(0).find(".../Ritningar/Ritning 1/1"), std::string::npos);
}

}  // namespace
}  // namespace quiremark::app
