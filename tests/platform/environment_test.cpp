#include "platform/environment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <unistd.h>

#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
namespace fs = std::filesystem;

namespace {

TEST(Environment, TempIsFoundInEitherSpelling) {
  qt::ScopedEnv upper("TEMP", "/upper");
  {
    qt::ScopedEnv lower("Temp", "/lower");
    EXPECT_EQ(qp::TempFolder(), "/lower");
  }
  qt::ScopedEnv lower("Temp", std::nullopt);
  EXPECT_EQ(qp::TempFolder(), "/upper");
}

TEST(Environment, WithoutTempAPrivateFolderIsUsed) {
  qt::TempDir base;
  qt::ScopedEnv upper("TEMP", std::nullopt);
  qt::ScopedEnv lower("Temp", std::nullopt);
  qt::ScopedEnv tmpdir("TMPDIR", base.path().string());
  const fs::path folder = qp::TempFolder();
  EXPECT_EQ(folder.parent_path(), base.path());
  struct stat st{};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(qp::TempFolder(), folder) << "the same folder next time";
}

TEST(Environment, PlantedLinkInPlaceOfThePrivateFolderIsNotUsed) {
  qt::TempDir base;
  qt::TempDir elsewhere;
  qt::ScopedEnv upper("TEMP", std::nullopt);
  qt::ScopedEnv lower("Temp", std::nullopt);
  qt::ScopedEnv tmpdir("TMPDIR", base.path().string());
  fs::create_directory_symlink(elsewhere.path(), base / ("quiremark-" + std::to_string(getuid())));
  const fs::path folder = qp::TempFolder();
  EXPECT_FALSE(fs::is_symlink(folder));
  EXPECT_EQ(folder.parent_path(), base.path());
  EXPECT_EQ(qp::TempFolder(), folder) << "the same fallback next time, not one more folder";
}

TEST(Environment, UserNameFallsBackToUser) {
  qt::ScopedEnv user("USER", "anna");
  {
    qt::ScopedEnv name("USERNAME", "Anna Berg");
    EXPECT_EQ(qp::UserName(), "Anna Berg");
  }
  qt::ScopedEnv name("USERNAME", std::nullopt);
  EXPECT_EQ(qp::UserName(), "anna");
}

TEST(SafeOutputFile, WritesAndEmptiesARegularFile) {
  qt::TempDir dir;
  qt::WriteFile(dir / "QuiremarkTmp.ps", "old contents that are longer");
  ASSERT_TRUE(qp::WriteFileSafely(dir / "QuiremarkTmp.ps", "new"));
  EXPECT_EQ(qt::ReadFile(dir / "QuiremarkTmp.ps"), "new");
}

TEST(SafeOutputFile, RefusesPlantedLinks) {
  qt::TempDir dir;
  qt::WriteFile(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", dir / "QuiremarkTmp.ps");
  std::string error;
  EXPECT_FALSE(qp::WriteFileSafely(dir / "QuiremarkTmp.ps", "x", &error));
  EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
  fs::create_hard_link(dir / "victim", dir / "DigiTejp.bat");
  EXPECT_FALSE(qp::WriteFileSafely(dir / "DigiTejp.bat", "x", &error));
  EXPECT_EQ(qt::ReadFile(dir / "victim"), "precious");
}

TEST(ReplaceFileAtomically, KeepsPermissionsOrLeavesTheOldFile) {
  qt::TempDir dir;
  const fs::path file = dir / "settings.ini";
  ASSERT_TRUE(qp::ReplaceFileAtomically(file, "old", 0600));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(file, fs::perms::group_read, fs::perm_options::add);
  ASSERT_TRUE(qp::ReplaceFileAtomically(file, "new", 0600));
  EXPECT_EQ(qt::ReadFile(file), "new");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the replaced file's permissions are kept";
  const auto entries = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    return names;
  };
  EXPECT_EQ(entries(), std::vector<std::string>{"settings.ini"}) << "no temporary file is left";
  // The new file cannot be written past one byte.
  EXPECT_EQ(qt::RunInChildProcess([&] {
              qt::LimitFileSize(1);
              return qp::ReplaceFileAtomically(file, "lost", 0640) ? 1 : 0;
            }),
            0);
  EXPECT_EQ(qt::ReadFile(file), "new");
  EXPECT_EQ(entries(), std::vector<std::string>{"settings.ini"}) << "the failed temporary file is removed";
}

TEST(FileUpdateLock, TakingItClearsWhatDeadWritersLeft) {
  qt::TempDir dir;
  const fs::path file = dir / "HKEY_CURRENT_USER.reg";
  qt::WriteFile(file.string() + ".tmp-4711-0-0badf00d", "half a hive");
  qt::WriteFile(dir / "HKEY_CURRENT_USER.reg.damaged", "kept");
  const auto lock = qp::FileUpdateLock::Take(file, 0600);
  ASSERT_TRUE(lock);
  EXPECT_FALSE(fs::exists(file.string() + ".tmp-4711-0-0badf00d"));
  EXPECT_TRUE(fs::exists(dir / "HKEY_CURRENT_USER.reg.damaged"));
}

// Another process holds the lock: trying says busy and takes nothing, and
// once it lets go the lock is taken.
TEST(FileUpdateLock, TryingWhileAnotherProcessHoldsItSaysBusy) {
  qt::TempDir dir;
  const fs::path file = dir / "QuiremarkTmp.ps";
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const auto lock = qp::FileUpdateLock::Take(file, 0600);
    char c = 1;
    (void)!::write(ready[1], &c, 1);
    (void)!::read(release[0], &c, 1);
    ::_exit(lock ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  bool busy = false;
  EXPECT_FALSE(qp::FileUpdateLock::TryTake(file, 0600, busy));
  EXPECT_TRUE(busy);
  (void)!::write(release[1], &c, 1);
  int status = 0;
  ::waitpid(holder, &status, 0);
  EXPECT_TRUE(qp::FileUpdateLock::TryTake(file, 0600, busy));
  EXPECT_FALSE(busy);

  // A lock that cannot be taken at all is no busy lock.
  EXPECT_FALSE(qp::FileUpdateLock::TryTake(dir / "saknas" / "x", 0600, busy));
  EXPECT_FALSE(busy);
}

}  // namespace
