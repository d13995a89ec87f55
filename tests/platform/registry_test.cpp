#include "platform/registry.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/process.h"
#include "platform/text_encoding.h"
#include "support/test_support.h"

namespace qp = quiremark::platform;
namespace qt = quiremark::testing;

namespace {

class Registry : public ::testing::Test {
 protected:
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  std::filesystem::path userHive() const { return dir / "HKEY_CURRENT_USER.reg"; }
  std::string text(const std::string& key, const std::string& name) const {
    auto value = qp::QueryValue(qp::Hive::CurrentUser, key, name);
    return value ? value->data.substr(0, value->data.find('\0')) : "<missing>";
  }
};

// In a writer child: the pipe on which it tells that it is inside a write of
// a hive file, after how many such writes it stops there, half written.
std::atomic<int> gStopWritesSignal{-1};
std::atomic<int> gWritesBeforeStop{0};

bool IsHiveFile(int fd) {
  char link[64], path[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return false;
  path[n] = '\0';
  return std::strstr(path, ".reg") != nullptr;
}

}  // namespace

// Every write of the test program goes through here; only a writer child
// set up to stop does anything but write: it writes half of a hive write,
// says so on its pipe and waits to be killed.
extern "C" ssize_t write(int fd, const void* bytes, size_t size) {
  using Write = ssize_t (*)(int, const void*, size_t);
  static const Write real = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
  const int told = gStopWritesSignal.load();
  if (told < 0 || fd == told || size < 2 || !IsHiveFile(fd) || gWritesBeforeStop-- > 0) return real(fd, bytes, size);
  real(fd, bytes, size / 2);
  const char inside = 1;
  real(told, &inside, 1);
  for (;;) pause();
}

namespace {

// Writes the hive in its child process until it is killed.
pid_t StartWriter(const std::string& valueName, int count) {
  const pid_t pid = fork();
  if (pid == 0) {
    qp::SetValue(qp::Hive::CurrentUser, "Software\\Steady", "Kept", qp::REG_SZ, qp::TextData("yes"));
    for (int i = 0; i < count; ++i) {
      qp::SetValue(qp::Hive::CurrentUser, "Software\\Busy", valueName + std::to_string(i), qp::REG_SZ,
                   qp::TextData(std::string(200, 'x')));
    }
    _exit(0);
  }
  return pid;
}

TEST_F(Registry, FileUsesTheRegExportLayoutWithCrLf) {
  qp::SetValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Theme", qp::REG_SZ, qp::TextData("3"));
  qp::SetValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Bars", qp::REG_DWORD, qp::DwordData(15));
  qp::SetValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Empty", qp::REG_SZ, qp::TextData(""));
  qp::SetValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "", qp::REG_SZ, qp::TextData("C:\\a \"b\""));
  const std::string file = qt::ReadFile(userHive());
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\NORV\\Quiremark]\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Theme\"=\"3\"\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Bars\"=dword:0000000f\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Empty\"=hex(1):\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("@=\"C:\\\\a \\\"b\\\"\"\r\n"), std::string::npos) << file;
  EXPECT_EQ(text("software\\norv\\QUIREMARK", ""), "C:\\a \"b\"");
}

TEST_F(Registry, ReadsAHandWrittenExport) {
  qt::WriteFile(dir / "HKEY_LOCAL_MACHINE.reg",
                "Windows Registry Editor Version 5.00\n\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Tool]\n"
                "\"Path\"=\"/opt/t\\\\x\"\n"
                "\"Mode\"=dword:00000010\n"
                "\"Blob\"=hex:01,02,\\\n  03\n"
                "\"Lines\"=hex(1):61,0a,62,00\n");
  auto path = qp::QueryValue(qp::Hive::LocalMachine, "software\\vendor\\tool", "PATH");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->name, "Path");
  EXPECT_EQ(path->data, std::string("/opt/t\\x\0", 9));
  EXPECT_EQ(qp::QueryValue(qp::Hive::LocalMachine, "SOFTWARE\\Vendor\\Tool", "Mode")->data, qp::DwordData(16));
  EXPECT_EQ(qp::QueryValue(qp::Hive::LocalMachine, "SOFTWARE\\Vendor\\Tool", "Blob")->data, "\x01\x02\x03");
  EXPECT_EQ(qp::QueryValue(qp::Hive::LocalMachine, "SOFTWARE\\Vendor\\Tool", "Lines")->data, std::string("a\nb\0", 4));
  EXPECT_TRUE(qp::KeyExists(qp::Hive::LocalMachine, "SOFTWARE\\Vendor"));
}

TEST_F(Registry, ValuesWithLineBreaksSurviveTheFile) {
  const std::string data = qp::TextData("line 1\r\nline 2 \"q\" \\ åäö");
  qp::SetValue(qp::Hive::CurrentUser, "K", "Text", qp::REG_SZ, data);
  EXPECT_EQ(qp::QueryValue(qp::Hive::CurrentUser, "K", "Text")->data, data);
}

TEST_F(Registry, BytesThatAreNoUtf8DoNotSpoilTheOtherValues) {
  qp::SetValue(qp::Hive::CurrentUser, "K", "Kök", qp::REG_SZ, qp::TextData("/srv/Kök"));
  qp::SetValue(qp::Hive::CurrentUser, "K", "K\xF6k-latin1", qp::REG_SZ, qp::TextData("/srv/K\xF6k"));
  EXPECT_EQ(text("K", "Kök"), "/srv/Kök");
  EXPECT_EQ(text("K", "K\xF6k-latin1"), "/srv/K\xF6k");
}

TEST_F(Registry, ReadsWindowsExportsInUtf16AndAnsi) {
  const std::string ascii = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.pdf]\r\n@=\"AcroExch\"\r\n";
  std::string utf16 = "\xFF\xFE";
  for (const char c : ascii) utf16 += std::string{c, '\0'};
  qt::WriteFile(dir / "HKEY_CLASSES_ROOT.reg", utf16);
  EXPECT_EQ(qp::QueryValue(qp::Hive::ClassesRoot, ".pdf", "")->data, qp::TextData("AcroExch"));
  qt::WriteFile(dir / "HKEY_CLASSES_ROOT.reg", "REGEDIT4\r\n\r\n[HKEY_CLASSES_ROOT\\.plt]\r\n@=\"Plottfil f\xF6r r\xE5\"\r\n");
  EXPECT_EQ(qp::QueryValue(qp::Hive::ClassesRoot, ".plt", "")->data, qp::TextData("Plottfil för rå"));
}

TEST_F(Registry, ReplacedValueKeepsItsPlaceAndSpelling) {
  qp::SetValue(qp::Hive::CurrentUser, "K", "First", qp::REG_SZ, qp::TextData("1"));
  qp::SetValue(qp::Hive::CurrentUser, "K", "Second", qp::REG_SZ, qp::TextData("2"));
  qp::SetValue(qp::Hive::CurrentUser, "K", "FIRST", qp::REG_SZ, qp::TextData("one"));
  EXPECT_EQ(qp::EnumValue(qp::Hive::CurrentUser, "K", 0)->name, "First");
  EXPECT_EQ(text("K", "first"), "one");
  EXPECT_FALSE(qp::DeleteValue(qp::Hive::CurrentUser, "K", "Third"));
  EXPECT_TRUE(qp::DeleteValue(qp::Hive::CurrentUser, "K", "first"));
  EXPECT_EQ(qp::EnumValue(qp::Hive::CurrentUser, "K", 0)->name, "Second");
}

TEST_F(Registry, DeleteThatCannotBeWrittenReportsFailure) {
  qp::SetValue(qp::Hive::CurrentUser, "K", "Kept", qp::REG_SZ, qp::TextData("1"));
  // The new hive file cannot be written past one byte.
  EXPECT_EQ(qt::RunInChildProcess([] {
              qt::LimitFileSize(1);
              return qp::DeleteValue(qp::Hive::CurrentUser, "K", "Kept") ? 1 : 0;
            }),
            0);
  EXPECT_EQ(text("K", "Kept"), "1");
}

TEST_F(Registry, HivesAreSeparateFiles) {
  qp::SetValue(qp::Hive::LocalMachine, "Software\\NORV\\Quiremark", "Version", qp::REG_SZ, qp::TextData("1.0"));
  EXPECT_FALSE(qp::QueryValue(qp::Hive::CurrentUser, "Software\\NORV\\Quiremark", "Version"));
  EXPECT_TRUE(std::filesystem::exists(dir / "HKEY_LOCAL_MACHINE.reg"));
  EXPECT_FALSE(std::filesystem::exists(userHive()));
}

TEST_F(Registry, InterruptedWriteLeavesTheOldHive) {
  qp::SetValue(qp::Hive::CurrentUser, "K", "Old", qp::REG_SZ, qp::TextData("kept"));
  // A crash after the temporary file was begun and before the rename.
  qt::WriteFile(userHive().string() + ".tmp", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURR");
  EXPECT_EQ(text("K", "Old"), "kept");
  qp::SetValue(qp::Hive::CurrentUser, "K", "New", qp::REG_SZ, qp::TextData("n"));
  EXPECT_EQ(text("K", "Old"), "kept");
  EXPECT_EQ(text("K", "New"), "n");
}

TEST_F(Registry, KilledWriterNeverLeavesADamagedHive) {
  qp::SetValue(qp::Hive::CurrentUser, "Software\\Steady", "Kept", qp::REG_SZ, qp::TextData("yes"));
  // The writer is killed halfway through its first, second, ... write of
  // the hive, as a crash or a kill at the worst moment would leave it.
  for (int writesBefore : {0, 1, 2, 5, 12}) {
    int inside[2];
    ASSERT_EQ(pipe(inside), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      close(inside[0]);
      gWritesBeforeStop = writesBefore;
      gStopWritesSignal = inside[1];
      for (int i = 0;; ++i)
        qp::SetValue(qp::Hive::CurrentUser, "Software\\Busy", "V" + std::to_string(i), qp::REG_SZ,
                     qp::TextData(std::string(200, 'x')));
    }
    close(inside[1]);
    char told = 0;
    ASSERT_EQ(read(inside[0], &told, 1), 1) << "the writer never reached its write " << writesBefore + 1;
    close(inside[0]);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(text("Software\\Steady", "Kept"), "yes");
    // Every value that made it into the file is complete.
    for (std::uint32_t i = 0;; ++i) {
      auto value = qp::EnumValue(qp::Hive::CurrentUser, "Software\\Busy", i);
      if (!value) break;
      ASSERT_EQ(value->data, qp::TextData(std::string(200, 'x')));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no damage reported";
  }
}

TEST_F(Registry, TwoInstancesWritingAtOnceLoseNothing) {
  const pid_t a = StartWriter("A", 40);
  const pid_t b = StartWriter("B", 40);
  int status = 0;
  waitpid(a, &status, 0);
  EXPECT_EQ(status, 0);
  waitpid(b, &status, 0);
  EXPECT_EQ(status, 0);
  for (int i = 0; i < 40; ++i) {
    EXPECT_TRUE(qp::QueryValue(qp::Hive::CurrentUser, "Software\\Busy", "A" + std::to_string(i))) << i;
    EXPECT_TRUE(qp::QueryValue(qp::Hive::CurrentUser, "Software\\Busy", "B" + std::to_string(i))) << i;
  }
}

TEST_F(Registry, DamagedHiveIsReportedOnceAndKeptBeforeItIsRewritten) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"Good\"=\"g\"\r\n\"Bad\"=dwo";
  qt::WriteFile(userHive(), damaged);
  testing::internal::CaptureStderr();
  EXPECT_EQ(text("K", "Good"), "g");
  EXPECT_EQ(text("K", "Good"), "g");
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("is damaged"), std::string::npos);
  EXPECT_EQ(report.find("is damaged"), report.rfind("is damaged")) << "reported once: " << report;

  testing::internal::CaptureStderr();
  qp::SetValue(qp::Hive::CurrentUser, "K", "New", qp::REG_SZ, qp::TextData("n"));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(qt::ReadFile(userHive().string() + ".damaged"), damaged);
  EXPECT_EQ(text("K", "Good"), "g");
  EXPECT_EQ(text("K", "New"), "n");
}

TEST_F(Registry, LocalMachineShowsGhostscriptFoundOnPath) {
  qt::TempDir bin;
  qt::WriteFile(bin / "gs", "#!/bin/sh\necho 9.99\n");
  std::filesystem::permissions(bin / "gs", std::filesystem::perms::owner_all);
  qt::ScopedEnv path("PATH", bin.path().string());
  auto version = qp::EnumKey(qp::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\", 0);
  ASSERT_TRUE(version);
  EXPECT_EQ(*version, "9.99");
  auto dll = qp::QueryValue(qp::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\9.99", "GS_DLL");
  ASSERT_TRUE(dll);
  EXPECT_EQ(dll->type, qp::REG_SZ);
  EXPECT_EQ(std::filesystem::path(dll->data.substr(0, dll->data.size() - 1)).parent_path(), bin.path());

  // Shown, never stored.
  qp::SetValue(qp::Hive::LocalMachine, "Software\\NORV\\Quiremark", "Version", qp::REG_SZ, qp::TextData("1"));
  EXPECT_EQ(qt::ReadFile(dir / "HKEY_LOCAL_MACHINE.reg").find("Ghostscript"), std::string::npos);
}

// An installed gs names its version in its installation's resource folder,
// which spares starting it; the program is asked only when that does not
// tell, and always when it is a script, which may start any gs.
TEST_F(Registry, GhostscriptsVersionComesFromItsResourceFolder) {
  const auto installed = qp::FindOnPath("gs");
  ASSERT_TRUE(installed) << "Ghostscript is installed for the tests";
  const std::string own = qp::Trim(qp::RunAndCapture({installed->string(), "--version"}).value_or(""), " \t\r\n");
  qt::TempDir prefix;
  std::filesystem::create_directories(prefix / "bin");
  const std::string script = "#!/bin/sh\necho 9.99\n";
  const struct {
    bool program;  // the real program, else a script
    std::vector<std::string> folders;
    std::vector<std::string> initFolders;  // the folders that hold gs's init files
    std::string version;
  } cases[] = {
      {true, {"10.02.1", "fonts"}, {"10.02.1"}, "10.02.1"},
      {true, {"10.02.1", "8.71"}, {"10.02.1"}, "10.02.1"},  // 8.71 is left over from an old installation
      {true, {"10.02.1", "9.56.0"}, {"10.02.1", "9.56.0"}, own},
      {true, {"fonts"}, {}, own},
      {false, {"8.71"}, {"8.71"}, "9.99"},  // a wrapper that starts another gs
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(prefix / "share");
    std::filesystem::remove(prefix / "bin" / "gs");
    if (c.program) std::filesystem::copy_file(*installed, prefix / "bin" / "gs");
    else qt::WriteFile(prefix / "bin" / "gs", script);
    std::filesystem::permissions(prefix / "bin" / "gs", std::filesystem::perms::owner_all);
    for (const std::string& folder : c.folders) std::filesystem::create_directories(prefix / "share" / "ghostscript" / folder);
    for (const std::string& folder : c.initFolders) {
      const auto init = prefix / "share" / "ghostscript" / folder / "Resource" / "Init";
      std::filesystem::create_directories(init);
      qt::WriteFile(init / "gs_init.ps", "");
    }
    // A PATH seen before is not looked at again; another spelling of it is.
    qt::ScopedEnv again("PATH", (prefix / "bin").string() + ":" + c.version + c.folders.back() +
                                    std::to_string(c.initFolders.size()));
    EXPECT_EQ(qp::EnumKey(qp::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\", 0), c.version)
        << c.folders.front() << " " << c.folders.back();
  }
}

// Whether the process `pid` has ended (a zombie nobody reaps has).
bool Ended(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t name = line.rfind(')');
  return name != std::string::npos && line.compare(name, 3, ") Z") == 0;
}

bool EndsSoon(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Ended(pid) && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  return Ended(pid);
}

// A gs on PATH that never tells its version (it waits for what never comes):
// it is given a time to answer, then ended and named; and a program stopped
// or killed while it asks ends it as it ends a converter.
TEST_F(Registry, AGhostscriptThatDoesNotTellItsVersionIsEndedAndNamed) {
  qt::TempDir bin;
  const std::filesystem::path ready = bin / "ready", never = bin / "never";
  ASSERT_EQ(::mkfifo(ready.c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(never.c_str(), 0600), 0);
  qt::WriteFile(bin / "gs", "#!/bin/sh\necho $$ > '" + ready.string() + "'\nexec 3<>'" + never.string() +
                                "'\nread line <&3\n");
  std::filesystem::permissions(bin / "gs", std::filesystem::perms::owner_all);
  const auto asked = [&] {
    pid_t pid = 0;
    std::ifstream in(ready);
    in >> pid;
    return pid;
  };
  {
    qt::ScopedEnv path("PATH", bin.path().string());
    qp::SetGhostscriptVersionTimeLimit(std::chrono::milliseconds(100));
    pid_t probe = 0;
    std::thread waiting([&] { probe = asked(); });
    EXPECT_EQ(qp::EnumKey(qp::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\", 0), "unknown");
    waiting.join();
    qp::SetGhostscriptVersionTimeLimit(std::chrono::seconds(10));
    EXPECT_EQ(qp::GhostscriptsNotAnswering(), std::vector<std::filesystem::path>{bin / "gs"});
    EXPECT_TRUE(Ended(probe)) << "ended and reaped when its time was out";
  }
  for (const int signal : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal);
    qt::ScopedEnv path("PATH", bin.path().string() + ":" + std::to_string(signal));  // asked anew
    const pid_t program = ::fork();
    if (program == 0) {
      qt::UnignoreStopSignals();
      qp::EnumKey(qp::Hive::LocalMachine, "SOFTWARE\\GPL Ghostscript\\", 0);
      std::_Exit(0);
    }
    const pid_t probe = asked();
    ASSERT_GT(probe, 0);
    ::kill(program, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_TRUE(EndsSoon(probe)) << "gs " << probe << " outlived the program";
    if (!Ended(probe)) ::kill(probe, SIGKILL);
  }
}

TEST(RegistryFolder, FollowsTheEnvironment) {
  {
    qt::ScopedEnv registry("QUIREMARK_REGISTRY", "/x/reg");
    EXPECT_EQ(qp::RegistryFolder(), "/x/reg");
  }
  qt::ScopedEnv registry("QUIREMARK_REGISTRY", std::nullopt);
  qt::ScopedEnv config("XDG_CONFIG_HOME", "/x/config");
  EXPECT_EQ(qp::RegistryFolder(), "/x/config/Quiremark");
  qt::ScopedEnv noConfig("XDG_CONFIG_HOME", std::nullopt);
  qt::ScopedEnv home("HOME", "/home/u");
  EXPECT_EQ(qp::RegistryFolder(), "/home/u/.config/Quiremark");
}

}  // namespace
