#include "controls/headless_ui.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quiremark::controls {
namespace {

TEST(HeadlessUi, MessageBoxesTakeTheSafeAnswerAndGoToTheErrorStream) {
  std::ostringstream err;
  HeadlessUi ui(err);
  EXPECT_EQ(ui.MessageBox("Klart.", mb::kOkOnly + mb::kInformation, ""), MsgResult::Ok);
  EXPECT_EQ(ui.MessageBox("Radera filerna?", mb::kYesNo + mb::kQuestion, "Radera"), MsgResult::No);
  EXPECT_EQ(ui.MessageBox("Spara?", mb::kYesNoCancel + mb::kExclamation, "Fråga"), MsgResult::Cancel);
  EXPECT_EQ(ui.MessageBox("Fortsätt?", mb::kOkCancel, "Fråga"), MsgResult::Cancel);
  const std::string log = err.str();
  EXPECT_NE(log.find("Quiremark: Klart. [OK]"), std::string::npos) << log;
  EXPECT_NE(log.find("Radera: Radera filerna? [Nej]"), std::string::npos) << log;
  EXPECT_NE(log.find("Fråga: Spara? [Avbryt]"), std::string::npos) << log;
}

TEST(HeadlessUi, LineBreaksOfABoxBecomeLinesOnTheTerminal) {
  std::ostringstream err;
  HeadlessUi ui(err);
  ui.MessageBox("SYNTAX:\rQuiremark /StartDir:\r\rSlut\r\n", mb::kInformation, "Fel i anrop");
  EXPECT_EQ(err.str(), "Fel i anrop: SYNTAX:\nQuiremark /StartDir:\n\nSlut\n [OK]\n");
}

TEST(HeadlessUi, DialogsAreCancelledAndTheScreenIsFixed) {
  std::ostringstream err;
  HeadlessUi ui(err);
  FileDialogRequest request;
  request.title = "Skapa resultatfil";
  EXPECT_FALSE(ui.SaveFileDialog(request).has_value());
  EXPECT_FALSE(ui.OpenFileDialog(request).has_value());
  EXPECT_EQ(ui.BrowseForFolder("/tmp", "Standardsökväg för PDF"), "");
  EXPECT_EQ(ui.Screen().width, 1920 * 15);
  EXPECT_LE(ui.WorkArea().height, ui.Screen().height);
}

}  // namespace
}  // namespace quiremark::controls
