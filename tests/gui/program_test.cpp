#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

QProcessEnvironment WithoutDisplay(const quiremark::testing::TempDir& registry) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NORV_DEBUG"})
    env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("QUIREMARK_REGISTRY"), QString::fromStdString(registry.path().string()));
  return env;
}

// Runs a program to its end; returns what it wrote to the error stream.
std::string RunProgram(const char* program, const QProcessEnvironment& env, const QStringList& arguments) {
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(QUIREMARK_BINARY_DIR "/bin/") + QString::fromLatin1(program), arguments);
  EXPECT_TRUE(process.waitForFinished(30000)) << program;
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program;
  const std::string err = process.readAllStandardError().toStdString();
  EXPECT_EQ(process.exitCode(), 0) << program << ": " << err;
  return err;
}

// Without a display and without a chosen Qt platform both programs build
// their frame and end normally instead of failing to open a window.
TEST(Programs, RunWithoutADisplayAndEndNormally) {
  quiremark::testing::TempDir registry;
  for (const char* program : {"Quiremark", "QuiremarkGS"}) RunProgram(program, WithoutDisplay(registry), {});
}

// The start procedure runs in the programs: a start folder with blanks and
// capitals is kept as typed, a line without one shows the syntax message, and
// the debug boxes come in their order.
TEST(Programs, StartProcedureReadsTheCommandLine) {
  quiremark::testing::TempDir registry;
  quiremark::testing::TempDir drawings;
  const auto folder = drawings / "Hus A/Plan 1";
  std::filesystem::create_directories(folder);

  QProcessEnvironment env = WithoutDisplay(registry);
  env.insert(QStringLiteral("NORV_DEBUG"), QStringLiteral("1"));
  const std::string err = RunProgram("QuiremarkGS", env,
                              {QString::fromStdString("/StartDir:\"" + folder.string() + "\""),
                               QStringLiteral("/TreeScan:Yes")});
  const auto loading = err.find("Loading frmMain");
  const auto loaded = err.find("frmMain loaded");
  const auto showing = err.find("Showing frmMain");
  ASSERT_NE(showing, std::string::npos) << err;
  EXPECT_LT(loading, loaded);
  EXPECT_LT(loaded, showing);
  const std::string hive = quiremark::testing::ReadFile(registry / "HKEY_CURRENT_USER.reg");
  EXPECT_NE(hive.find("\"LastFolder\"=\"" + folder.string() + "\""), std::string::npos) << hive;

  const std::string syntax = RunProgram("Quiremark", WithoutDisplay(registry), {QStringLiteral("/OutFile:x.pdf")});
  EXPECT_NE(syntax.find("Fel i anrop: SYNTAX:\nQuiremark /StartDir:\"Sökväg\" [/OutFile:\"Filnamn\"] "
                        "[/TreeScan:\"Yes|No\"] [OK]"),
            std::string::npos)
      << syntax;
}

}  // namespace
