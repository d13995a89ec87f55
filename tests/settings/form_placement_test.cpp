#include "settings/form_placement.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "settings/registry_settings.h"
#include "support/scripted_ui.h"
#include "support/test_support.h"

namespace qs = quiremark::settings;
namespace qt = quiremark::testing;

namespace {

class FakeWindow : public qs::PlacementWindow {
 public:
  explicit FakeWindow(std::string name) : name_(std::move(name)) {}
  std::string Name() const override { return name_; }
  double Top() const override { return top; }
  double Left() const override { return left; }
  double Width() const override { return width; }
  double Height() const override { return height; }
  int WindowState() const override { return state; }
  void SetTop(double v) override { top = v; }
  void SetLeft(double v) override { left = v; }
  void SetWidth(double v) override { width = v; }
  void SetHeight(double v) override { height = v; }
  void SetWindowState(int v) override { state = v; }
  double top = 1, left = 1, width = 1, height = 1;
  int state = 0;

 private:
  std::string name_;
};

class PointClock : public quiremark::platform::SystemClock {
 public:
  char DecimalSeparator() const override { return '.'; }
};

class FormPlacement : public ::testing::Test {
 protected:
  qt::TempDir dir;
  qt::ScopedEnv registry{"QUIREMARK_REGISTRY", dir.path().string()};
  PointClock clock;
  quiremark::platform::ScopedClock scopedClock{clock};
  qt::ScriptedUi ui;  // screen 28800 x 16200 twips
};

TEST_F(FormPlacement, FirstStartIsTopLeftAtMinimumSize) {
  FakeWindow main("frmMain");
  qs::RestoreFormPlacement(main, 8000, 12000, ui);
  EXPECT_EQ(main.top, 0);
  EXPECT_EQ(main.left, 0);
  EXPECT_EQ(main.width, 12000);
  EXPECT_EQ(main.height, 8000);
  EXPECT_EQ(main.state, qs::kWindowNormal);
}

TEST_F(FormPlacement, SavedValuesAreDecimalTextsInTheWindowsSubkey) {
  FakeWindow main("frmMain");
  main.top = 120, main.left = 240, main.width = 9000, main.height = 7000;
  qs::SaveFormPlacement(main);
  EXPECT_EQ(qs::GetRegSetting("Top", "", "Main"), "120");
  EXPECT_EQ(qs::GetRegSetting("Left", "", "Main"), "240");
  EXPECT_EQ(qs::GetRegSetting("Height", "", "Main"), "7000");
  EXPECT_EQ(qs::GetRegSetting("Width", "", "Main"), "9000");
  EXPECT_EQ(qs::GetRegSetting("WinState", "", "Main"), "0");
  FakeWindow again("frmMain");
  qs::RestoreFormPlacement(again, 6000, 7860, ui);
  EXPECT_EQ(again.top, 120);
  EXPECT_EQ(again.width, 9000);
}

TEST_F(FormPlacement, CorrectionsKeepTheWindowOnScreenAndAtLeastMinimum) {
  qs::SaveRegSetting("Left", "-200", "Main");
  qs::SaveRegSetting("Top", "-1", "Main");
  qs::SaveRegSetting("Width", "50000", "Main");
  qs::SaveRegSetting("Height", "3000", "Options");
  qs::SaveRegSetting("WinState", "2", "Main");
  FakeWindow main("frmMain");
  qs::RestoreFormPlacement(main, 8000, 12000, ui);
  EXPECT_EQ(main.left, 0);
  EXPECT_EQ(main.top, 0);
  EXPECT_EQ(main.width, 28800);
  EXPECT_EQ(main.state, qs::kWindowMaximized);
  FakeWindow options("frmOptions");
  qs::RestoreFormPlacement(options, 6000, 7860, ui);
  EXPECT_EQ(options.height, 6000);

  ui.SetScreen({0, 0, 9000, 5000}, {0, 0, 9000, 4500});
  FakeWindow narrow("frmMain");
  qs::RestoreFormPlacement(narrow, 8000, 12000, ui);
  EXPECT_EQ(narrow.width, 12000) << "the minimum wins over the screen";
}

// Places stored on a 1920 x 1080 screen, restored on 1024 x 768 with a 30
// pixel panel at the top (work area 15360 x 11070 twips from 450 down).
// A window closed on another screen opens there again, kept inside that
// screen's work area, not pulled onto the primary one.
TEST_F(FormPlacement, APlaceFromALargerScreenIsMovedAndShrunkIntoTheWorkArea) {
  ui.SetScreen({0, 0, 15360, 11520}, {0, 450, 15360, 11070});
  ui.AddScreen({-28800, 0, 28800, 16200});  // a second screen to the left
  const struct {
    const char* what;
    double left, top, width, height;  // stored
    double wantLeft, wantTop, wantWidth, wantHeight;
  } cases[] = {
      {"fits where it was", 1500, 1500, 7860, 6000, 1500, 1500, 7860, 6000},
      {"beyond the right and bottom edges", 21000, 12000, 10500, 7500, 4860, 4020, 10500, 7500},
      {"under the panel", 3000, 0, 7860, 6000, 3000, 450, 7860, 6000},
      {"larger than the work area", 6000, 6000, 28800, 16200, 0, 450, 15360, 11070},
      {"wholly off to the left and up", -30000, -20000, 7860, 6000, 0, 450, 7860, 6000},
      {"on the other screen", -20000, 3000, 7860, 6000, -20000, 3000, 7860, 6000},
      {"beyond the other screen's left edge", -32000, 3000, 7860, 6000, -28800, 3000, 7860, 6000},
  };
  for (const auto& c : cases) {
    qs::SaveRegSetting("Left", std::to_string(int(c.left)), "Options");
    qs::SaveRegSetting("Top", std::to_string(int(c.top)), "Options");
    qs::SaveRegSetting("Width", std::to_string(int(c.width)), "Options");
    qs::SaveRegSetting("Height", std::to_string(int(c.height)), "Options");
    FakeWindow options("frmOptions");
    qs::RestoreFormPlacement(options, 6000, 7860, ui);
    EXPECT_EQ(std::vector<double>({options.left, options.top, options.width, options.height}),
              std::vector<double>({c.wantLeft, c.wantTop, c.wantWidth, c.wantHeight}))
        << c.what;
  }
}

TEST_F(FormPlacement, TextsThatAreNoNumbersFallBackToDefaults) {
  qs::SaveRegSetting("Top", "abc", "Main");
  qs::SaveRegSetting("Width", "", "Main");
  qs::SaveRegSetting("WinState", "7", "Main");
  FakeWindow main("frmMain");
  qs::RestoreFormPlacement(main, 8000, 12000, ui);
  EXPECT_EQ(main.top, 0);
  EXPECT_EQ(main.width, 12000);
  EXPECT_EQ(main.state, qs::kWindowNormal);
}

}  // namespace
