#include <gtest/gtest.h>

#include <QApplication>

#include "gui/swedish_translator.h"

// The view tests need one QApplication for the whole run; the offscreen
// platform is chosen when no display is named. Qt's own texts are Swedish,
// as in the programs.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  quiremark::gui::SwedishTranslator swedish;
  swedish.Install();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
