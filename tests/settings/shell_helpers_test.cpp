#include "settings/shell_helpers.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

TEST(BrowseForFolder, StartsAtAnExistingFolderAndReturnsTheChoice) {
  qt::TempDir dir;
  std::filesystem::create_directory(dir / "Mallar");
  qt::ScriptedUi ui;
  ui.QueueFolder((dir / "Mallar").string());
  EXPECT_EQ(qs::BrowseForFolder(ui, dir.path().string(), "Standardsökväg för PDF"), (dir / "Mallar").string());
  ASSERT_EQ(ui.folderRequests.size(), 1u);
  EXPECT_EQ(ui.folderRequests[0], std::make_pair(dir.path().string(), std::string("Standardsökväg för PDF")));
}

TEST(BrowseForFolder, MissingStartCancelAndNonFolderChoice) {
  qt::TempDir dir;
  qt::WriteFile(dir / "printer", "");
  qt::ScriptedUi ui;
  EXPECT_EQ(qs::BrowseForFolder(ui, "/no/such/folder", "t"), "") << "cancelled";
  EXPECT_EQ(ui.folderRequests.at(0).first, "") << "no preselection";
  ui.QueueFolder((dir / "printer").string());
  EXPECT_EQ(qs::BrowseForFolder(ui, dir.path().string(), "t"), "");
}

TEST(ShellHelpers, FileTypeDescriptionThroughTheClassesRoot) {
  qt::TempDir dir;
  qt::ScopedEnv registry("QUIREMARK_REGISTRY", dir.path().string());
  EXPECT_TRUE(qs::InitCommonControlClasses());
  EXPECT_EQ(qs::GetFileTypeDescription("plt"), "plt");
  qp::SetValue(qp::Hive::ClassesRoot, ".plt", "", qp::REG_SZ, qp::TextData("PlotFile"));
  EXPECT_EQ(qs::GetFileTypeDescription("plt"), "plt");
  qp::SetValue(qp::Hive::ClassesRoot, "PlotFile", "", qp::REG_SZ, qp::TextData("Plottfil"));
  EXPECT_EQ(qs::GetFileTypeDescription("plt"), "Plottfil");
}

}  // namespace
