#include "app/form_window.h"

#include <gtest/gtest.h>

#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace quiremark::app {
namespace {

class Options : public controls::Form {
 public:
  Options() : controls::Form("frmOptions") {}
};

TEST(FormWindow, PlacementOfAFormSurvivesSaveAndRestore) {
  testing::TempDir dir;
  testing::ScopedEnv registry("QUIREMARK_REGISTRY", dir.path().string());
  testing::ScriptedUi ui;

  Options saved;
  saved.Move(240, 120, 9000, 7000);
  saved.SetWindowState(controls::kWindowMaximized);
  settings::SaveFormPlacement(FormWindow(saved));
  EXPECT_EQ(settings::GetRegSetting("Width", "", "Options"), "9000");

  Options restored;
  FormWindow window(restored);
  settings::RestoreFormPlacement(window, 6000, 7860, ui);
  EXPECT_EQ(restored.left(), 240);
  EXPECT_EQ(restored.top(), 120);
  EXPECT_EQ(restored.width(), 9000);
  EXPECT_EQ(restored.height(), 7000);
  EXPECT_EQ(restored.windowState(), controls::kWindowMaximized);

  window.SetHeight(3000.6);  // whole twips, rounded
  EXPECT_EQ(restored.height(), 3001);
  window.SetTop(1e30);  // a stored value far off the screen gives a far-off but defined place
  EXPECT_EQ(restored.top(), 1000000000);
}

}  // namespace
}  // namespace quiremark::app
