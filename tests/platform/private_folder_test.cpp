#include "platform/private_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PrivateFolder, IsClosedToOthersAndGoesWithWhatItHolds) {
  qt::TempDir dir;
  int error = 0;
  {
    std::optional<qp::PrivateFolder> own = qp::PrivateFolder::Create(dir.path(), ".Run-", error);
    ASSERT_TRUE(own) << error;
    struct stat st{};
    ASSERT_EQ(::stat(own->path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    fs::create_directories(own->path() / "inre");
    qt::WriteFile(own->path() / "inre" / "sida.ps", "%!PS");
    qt::WriteFile(own->Reach("a.pdf"), "%PDF-1.4");
    EXPECT_EQ(qt::ReadFile(own->path() / "a.pdf"), "%PDF-1.4");
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{});
  EXPECT_FALSE(qp::PrivateFolder::Create(dir / "saknas", ".Run-", error));
  EXPECT_EQ(error, ENOENT);
}

// A stop signal removes the folder with its half-made file and still ends
// the program as the signal asks.
TEST(PrivateFolder, AStopSignalRemovesItAndStillEndsTheProgram) {
  qt::TempDir dir;
  EXPECT_EXIT(
      {
        int error = 0;
        std::optional<qp::PrivateFolder> own = qp::PrivateFolder::Create(dir.path(), ".Run-", error);
        qt::WriteFile(own->path() / "half.pdf", "%PDF-1.4 half");
        ::raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{});
}

// The handler may find a folder's slot still in use after its owner, in
// another thread, removed the folder and closed it, and the descriptor's
// number now names another folder: that folder stays as it is.
TEST(PrivateFolder, AStopSignalLeavesAFolderThatTookTheNumberOfAGuardedOne) {
  qt::TempDir dir;
  fs::create_directory(dir / "other");
  qt::WriteFile(dir / "other" / "keep.pdf", "%PDF-1.4");
  EXPECT_EXIT(
      {
        fs::create_directory(dir / "gone");
        const int parentFd = ::open(dir.path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int fd = ::open((dir / "gone").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const qp::RemoveFolderOnSignal guard(parentFd, "gone", fd);
        fs::remove(dir / "gone");
        const int other = ::open((dir / "other").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (parentFd < 0 || fd < 0 || other < 0 || ::dup2(other, fd) != fd) std::_Exit(1);
        ::raise(SIGTERM);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_EQ(Names(dir / "other"), std::vector<std::string>{"keep.pdf"});
}

// The folder of a run that was killed while it wrote `file` in it (a
// process that ends without its clean-up); its name.
std::string KilledRunsFolder(const fs::path& parent, const std::string& prefix, const std::string& file) {
  const fs::path name = parent / "killed-run.txt";
  const int status = qt::RunInChildProcess([&] {
    int error = 0;
    const std::optional<qp::PrivateFolder> own = qp::PrivateFolder::Create(parent, prefix, error);
    if (!own) return 1;
    qt::WriteFile(own->path() / file, "half written");
    qt::WriteFile(name, own->name());
    std::_Exit(0);
  });
  const std::string folder = status == 0 ? qt::ReadFile(name) : "";
  fs::remove(name);
  return folder;
}

// Folders left by runs that were killed are removed with all they hold, at
// any depth, without following a link; the folder of a run still going,
// and what only looks like a run's (a folder of the user's own that another
// user renamed to a run's name, or a copy of a run's), stay.
TEST(PrivateFolder, OnlyAbandonedFoldersAreRemoved) {
  qt::TempDir dir;
  int error = 0;
  std::optional<qp::PrivateFolder> running = qp::PrivateFolder::Create(dir.path(), ".Run-", error);
  ASSERT_TRUE(running);
  qt::WriteFile(running->path() / "a.pdf", "%PDF-1.4 being made");
  const std::string killed = KilledRunsFolder(dir.path(), ".Run-", "x.pdf");
  ASSERT_FALSE(killed.empty());
  fs::path deep = dir / killed;
  for (int level = 1; level <= 12; ++level) deep /= "nivå " + std::to_string(level);
  fs::create_directories(deep);
  qt::WriteFile(deep / "x.pdf", "%PDF");
  fs::create_directory(dir / "target");
  qt::WriteFile(dir / "target" / "keep.pdf", "%PDF");
  fs::create_directory_symlink(dir / "target", dir / killed / "nivå 1" / "link");
  fs::copy(dir / killed, dir / ".Run-Copy01", fs::copy_options::recursive);  // its marker and all
  const auto leave = [&](const std::string& name, mode_t mode) {
    fs::create_directory(dir / name);
    qt::WriteFile(dir / name / "x.pdf", "%PDF");
    ::chmod((dir / name).c_str(), mode);
  };
  leave(".Run-Ab12Cd", 0700);  // the user's own folder, renamed by another user
  leave(".Run-Shared", 0755);  // open to others: not one of ours
  leave(".Run-TooLong", 0700);
  leave(".Run-a_b-cd", 0700);  // no name a run makes
  leave(".Other-abcdef", 0700);
  qt::WriteFile(dir / ".Run-plain1", "a file");
  fs::create_directory_symlink(dir / "target", dir / ".Run-linked");
  qp::PrivateFolder::RemoveAbandoned(dir.path(), ".Run-");
  std::vector<std::string> kept{".Other-abcdef", ".Run-Ab12Cd", ".Run-Copy01", ".Run-Shared", ".Run-TooLong",
                                ".Run-a_b-cd",   ".Run-linked", ".Run-plain1", running->name(), "target"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(Names(dir.path()), kept);
  EXPECT_EQ(qt::ReadFile(running->path() / "a.pdf"), "%PDF-1.4 being made");
  EXPECT_EQ(qt::ReadFile(dir / ".Run-Ab12Cd" / "x.pdf"), "%PDF");
  EXPECT_EQ(Names(dir / "target"), std::vector<std::string>{"keep.pdf"});
}

}  // namespace
