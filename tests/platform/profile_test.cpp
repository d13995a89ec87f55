#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;
namespace fs = std::filesystem;

namespace {

class Profile : public ::testing::Test {
 protected:
  std::string Value(const std::string& section, const std::string& key) const {
    return qp::ReadProfileString(ini, section, key, "<missing>", 2047);
  }

  qt::TempDir dir;
  fs::path ini = dir / "Quiremark.ini";
};

// Two programs updating the settings file at once: each write used to go
// through one fixed temporary name opened with truncation, and the writers
// took no turns, so the file could lose every line.
TEST_F(Profile, TwoProcessesWritingAtOnceLoseNothing) {
  std::string file = "[Keys]\r\n";
  for (int i = 0; i < 3000; ++i) file += "Key" + std::to_string(i) + "=AcroExch.Distiller." + std::to_string(i) + "\r\n";
  qt::WriteFile(ini, file);
  constexpr int kWrites = 30;
  const auto writer = [&](const std::string& prefix) {
    const pid_t pid = fork();
    if (pid == 0) {
      int failed = 0;
      for (int i = 0; i < kWrites; ++i)
        failed += !qp::WriteProfileString(ini, "Favorite", prefix + std::to_string(i), "/srv/" + prefix);
      _exit(failed);
    }
    return pid;
  };
  const pid_t a = writer("A");
  const pid_t b = writer("B");
  for (const pid_t pid : {a, b}) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed writes: " << WEXITSTATUS(status);
  }
  EXPECT_EQ(Value("Keys", "Key0"), "AcroExch.Distiller.0");
  EXPECT_EQ(Value("Keys", "Key2999"), "AcroExch.Distiller.2999");
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_EQ(Value("Favorite", "A" + std::to_string(i)), "/srv/A") << i;
    EXPECT_EQ(Value("Favorite", "B" + std::to_string(i)), "/srv/B") << i;
  }
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// A file with write but no read permission used to be replaced by the new
// line alone.
TEST_F(Profile, FileThatCannotBeReadIsNeverReplaced) {
  const std::string file = "[Patterns]\r\n*.plt\r\n*.eps\r\n\r\n[Keys]\r\nAcro=AcroExch.Distiller\r\n";
  qt::WriteFile(ini, file);
  fs::permissions(dir.path(), fs::perms::all);  // the folder is open to the writer below
  fs::permissions(ini, fs::perms::owner_write);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(ini.c_str(), qt::kNobody, qt::kNobody), 0);
  }
  EXPECT_EQ(qt::RunInChildProcess([&] {
              qt::DropRootPrivileges();
              int refused = !qp::WriteProfileString(ini, "Favorite", "Hus", "/srv/hus");
              refused += !qp::WriteProfileSection(ini, "Patterns", {"*.dwg"});
              return refused;
            }),
            2);
  EXPECT_EQ(qt::ReadFile(ini), file);
}

TEST_F(Profile, ValuesReadBackAsWritten) {
  // "Ã©" in Windows-1252 is the UTF-8 of "é": written so, it read back as "é".
  ASSERT_TRUE(qp::WriteProfileString(ini, "Favorite", "Latin", "/data/Ã©"));
  ASSERT_TRUE(qp::WriteProfileString(ini, "Favorite", "Plain", "/data/plain"));
  EXPECT_EQ(Value("Favorite", "Latin"), "/data/Ã©");
  EXPECT_EQ(qt::ReadFile(ini), "[Favorite]\r\nLatin=/data/Ã©\r\nPlain=/data/plain\r\n") << "written as UTF-8";

  // A Windows-1252 file whose bytes cannot pass for UTF-8 stays Windows-1252.
  qt::WriteFile(ini, "[Favorite]\r\nK\xF6k=/srv/k\xF6k\r\n");
  ASSERT_TRUE(qp::WriteProfileString(ini, "Favorite", "Latin", "/data/Ã©"));
  EXPECT_EQ(qt::ReadFile(ini), "[Favorite]\r\nK\xF6k=/srv/k\xF6k\r\nLatin=/data/\xC3\xA9\r\n");
  EXPECT_EQ(Value("Favorite", "Latin"), "/data/Ã©");
  EXPECT_EQ(Value("Favorite", "Kök"), "/srv/kök");
}

TEST_F(Profile, Utf16FileReadsAsItsSectionsAndStaysUtf16) {
  const auto utf16 = [](const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) bytes += std::string{c, '\0'};
    return bytes;
  };
  qt::WriteFile(ini, utf16("[Patterns]\r\n*.plt\r\n\r\n[Keys]\r\nAcro=AcroExch.Distiller\r\n"));
  EXPECT_EQ(qp::ReadProfileSection(ini, "Patterns", 1024), std::string("*.plt\0", 6));
  EXPECT_EQ(Value("Keys", "Acro"), "AcroExch.Distiller");
  ASSERT_TRUE(qp::WriteProfileString(ini, "Favorite", "Kök", "/srv/kök"));
  EXPECT_EQ(qt::ReadFile(ini).substr(0, 4), std::string("\xFF\xFE[\0", 4));
  EXPECT_EQ(Value("Favorite", "kök"), "/srv/kök");
  EXPECT_EQ(Value("Keys", "Acro"), "AcroExch.Distiller");
}

// A settings file written by an administrator on Linux keeps its LF line
// ends, a Windows one its CRLF, and every other line stays as it was; the
// writers' turns leave no lock file beside it.
TEST_F(Profile, AWriteKeepsTheFilesOwnLineEndsAndLeavesNothingBeside) {
  for (const std::string end : {"\n", "\r\n"}) {
    const std::string before = "; Quiremark" + end + "[Patterns]" + end + "*.plt  " + end + end + "[Keys]" + end +
                               "Konverterare = Test.Converter\\shell" + end;
    qt::WriteFile(ini, before);
    EXPECT_TRUE(qp::WriteProfileString(ini, "Favorite", "Hem", "/srv/hem"));
    EXPECT_EQ(qt::ReadFile(ini), before + end + "[Favorite]" + end + "Hem=/srv/hem" + end);
  }
  // A file of both kinds: each line keeps its own, a new line takes the first line's.
  qt::WriteFile(ini, "[Patterns]\n*.plt\r\n*.eps\n");
  EXPECT_TRUE(qp::WriteProfileSection(ini, "Patterns", {"*.plt", "*.ps"}));
  EXPECT_EQ(qt::ReadFile(ini), "[Patterns]\n*.plt\n*.ps\n");
  qt::WriteFile(ini, "[Keys]\r\nA=1\nB=2\r\n");
  EXPECT_TRUE(qp::WriteProfileString(ini, "Keys", "A", "9"));
  EXPECT_EQ(qt::ReadFile(ini), "[Keys]\r\nA=9\r\nB=2\r\n");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"Quiremark.ini"});
}

}  // namespace

// A tree scan saves the file patterns after every scan: the same patterns
// leave the settings file alone; other ones are written.
TEST_F(Profile, WritingWhatTheFileHoldsLeavesItAlone) {
  qt::WriteFile(ini, "[Patterns]\r\n*.plt\r\n*.eps\r\n\r\n[Keys]\r\nK=Q.Converter\r\n");
  struct stat before {};
  ASSERT_EQ(::stat(ini.c_str(), &before), 0);
  EXPECT_TRUE(qp::WriteProfileSection(ini, "Patterns", {"*.plt", "*.eps"}));
  struct stat after {};
  ASSERT_EQ(::stat(ini.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_TRUE(qp::WriteProfileSection(ini, "Patterns", {"*.plt", "*.eps", "*.ps"}));
  EXPECT_EQ(qt::ReadFile(ini), "[Patterns]\r\n*.plt\r\n*.eps\r\n*.ps\r\n\r\n[Keys]\r\nK=Q.Converter\r\n");
}

