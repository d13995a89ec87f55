// A run's registry values reach the hive file in one write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/registry.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

std::string Text(const std::string& key, const std::string& name) {
  const auto value = qp::QueryValue(qp::Hive::CurrentUser, key, name);
  return value ? value->data.substr(0, value->data.find('\0')) : "<missing>";
}

// Identity of the hive file: every write replaces it by a new file.
ino_t Inode(const std::filesystem::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST(HiveWriteBatch, GathersChangesReadableAtOnceAndWritesThemOnce) {
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  const auto hive = dir / "HKEY_CURRENT_USER.reg";
  qp::SetValue(qp::Hive::CurrentUser, "Software\\Q\\Previous", "old", qp::REG_SZ, qp::TextData("/a"));
  const ino_t before = Inode(hive);
  {
    qp::HiveWriteBatch batch(qp::Hive::CurrentUser);
    for (int i = 0; i < 14; ++i) {
      qp::SetValue(qp::Hive::CurrentUser, "Software\\Q\\Options", "v" + std::to_string(i), qp::REG_SZ,
                   qp::TextData(std::to_string(i)));
    }
    EXPECT_TRUE(qp::DeleteValue(qp::Hive::CurrentUser, "Software\\Q\\Previous", "old"));
    EXPECT_FALSE(qp::DeleteValue(qp::Hive::CurrentUser, "Software\\Q\\Previous", "old")) << "already gone";
    {
      qp::HiveWriteBatch inner(qp::Hive::CurrentUser);  // joins the outer one
      qp::SetValue(qp::Hive::CurrentUser, "Software\\Q\\Previous", "new", qp::REG_SZ, qp::TextData("/b"));
    }
    EXPECT_EQ(Text("Software\\Q\\Options", "v13"), "13") << "read back before the write";
    EXPECT_EQ(Text("Software\\Q\\Previous", "old"), "<missing>");
    EXPECT_EQ(Inode(hive), before) << "nothing written yet";
  }
  EXPECT_NE(Inode(hive), before);
  const std::string file = qt::ReadFile(hive);
  EXPECT_NE(file.find("\"v0\"=\"0\""), std::string::npos);
  EXPECT_NE(file.find("\"v13\"=\"13\""), std::string::npos);
  EXPECT_NE(file.find("\"new\"=\"/b\""), std::string::npos);
  EXPECT_EQ(file.find("\"old\""), std::string::npos);
}

TEST(HiveWriteBatch, KeepsWhatAnotherWriterStoredMeanwhile) {
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  qp::HiveWriteBatch batch(qp::Hive::CurrentUser);
  qp::SetValue(qp::Hive::CurrentUser, "Software\\Q", "Mine", qp::REG_SZ, qp::TextData("1"));
  // A second instance of the program writes the file behind this batch's back.
  qt::WriteFile(dir / "HKEY_CURRENT_USER.reg",
                "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n\"Theirs\"=\"2\"\r\n");
  EXPECT_TRUE(batch.Commit());
  EXPECT_EQ(Text("Software\\Q", "Mine"), "1");
  EXPECT_EQ(Text("Software\\Q", "Theirs"), "2");
}

// Start-up stores the last folder and the theme on every run: storing what
// the hive holds already leaves its file alone, in a batch or not, while a
// change is written as ever.
TEST(HiveWrites, StoringWhatTheHiveHoldsLeavesItsFileAlone) {
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  const auto hive = dir / "HKEY_CURRENT_USER.reg";
  const auto set = [](const std::string& folder) {
    qp::SetValue(qp::Hive::CurrentUser, "Software\\Q", "LastFolder", qp::REG_SZ, qp::TextData(folder));
  };
  set("/ritn/A-40");
  const ino_t first = Inode(hive);
  set("/ritn/A-40");
  EXPECT_EQ(Inode(hive), first);
  {
    qp::HiveWriteBatch walk(qp::Hive::CurrentUser);  // a walk through the folders back to the same one
    for (const char* folder : {"/", "/ritn", "/ritn/A-40"}) set(folder);
  }
  EXPECT_EQ(Inode(hive), first);
  set("/ritn/A-50");
  EXPECT_NE(Inode(hive), first);
  EXPECT_EQ(Text("Software\\Q", "LastFolder"), "/ritn/A-50");
}
