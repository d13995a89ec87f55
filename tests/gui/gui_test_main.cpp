#include <gtest/gtest.h>

#include <QApplication>

// The view tests need one QApplication for the whole run; the offscreen
// platform is chosen when no display is named.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
