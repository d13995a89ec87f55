#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "support/test_support.h"

namespace {

// Without a display and without a chosen Qt platform both programs build
// their frame and end normally instead of failing to open a window.
TEST(Programs, RunWithoutADisplayAndEndNormally) {
  quiremark::testing::TempDir registry;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  env.insert(QStringLiteral("QUIREMARK_REGISTRY"), QString::fromStdString(registry.path().string()));
  for (const char* program : {"Quiremark", "QuiremarkGS"}) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUIREMARK_BINARY_DIR "/bin/") + QString::fromLatin1(program), {});
    ASSERT_TRUE(process.waitForFinished(30000)) << program;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program;
    EXPECT_EQ(process.exitCode(), 0) << program << ": " << process.readAllStandardError().toStdString();
  }
}

}  // namespace
