#include "controls/command_bars.h"

#include <gtest/gtest.h>

#include <set>

namespace quiremark::controls {
namespace {

class RecordingStore : public BarLayoutStore {
 public:
  void SaveLayout(const std::string& c, const std::string& p, const std::string& s) override {
    saved = c + "|" + p + "|" + s;
  }
  void LoadLayout(const std::string& c, const std::string& p, const std::string& s) override {
    loaded = c + "|" + p + "|" + s;
  }
  std::string saved, loaded;
};

TEST(CommandBars, FindControlPrefersTheToolbarCopyAndFindControlsReturnsEveryCopy) {
  CommandBars bars;
  CommandBarControls& file = bars.activeMenuBar().controls().Add(kControlPopup, 100, "&Arkiv").controls();
  file.Add(kControlButton, 103, "Skapa P&DF Spec");
  bars.Add("Standard").controls().Add(kControlButton, 103, "Skapa P&DF Special").SetVisible(false);

  CommandBarControl* found = bars.FindControl(103);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->caption, "Skapa P&DF Special");
  EXPECT_EQ(bars.FindControl(100)->caption, "&Arkiv");
  EXPECT_EQ(bars.FindControl(103, kControlPopup), nullptr);
  EXPECT_EQ(bars.FindControl(999), nullptr);
  ASSERT_EQ(bars.FindControls(103).size(), 2u);
  EXPECT_EQ(bars.FindControls(103)[0]->caption, "Skapa P&DF Spec");
  EXPECT_THROW(file.Add(3, 1, "x"), ControlError);
}

TEST(CommandBars, LaterChangesOfAControlReachTheView) {
  CommandBars bars;
  CommandBarControls& popup = bars.activeMenuBar().controls().Add(kControlPopup, 300, "&Visa").controls();
  CommandBarControl& item = popup.Add(kControlButton, 1006, "Office 2007 Ribbon");
  CommandBar& toolbar = bars.Add("Färgschema");
  int changes = 0;
  bars.onChanged = [&] { ++changes; };
  item.SetChecked(true);
  item.SetEnabled(false);
  item.SetTooltipText("t");
  item.SetDescriptionText("d");
  toolbar.SetVisible(false);
  bars.activeMenuBar().SetTitle("Meny");
  EXPECT_EQ(changes, 6);
  EXPECT_TRUE(item.checked());
  EXPECT_FALSE(toolbar.visible());
  EXPECT_EQ(bars.activeMenuBar().title(), "Meny");
}

TEST(CommandBars, KeyBindingsRunTheirCommandOnlyWithoutModifiers) {
  CommandBars bars;
  bars.Add("Filer").controls().Add(kControlButton, 309, "&Uppdatera mappträd");
  bars.AddKeyBinding(116, 309);
  bars.AddKeyBinding(114, 306);  // a command with no control still runs
  std::vector<int> ran;
  bars.onExecute = [&](CommandBarControl& c) { ran.push_back(c.id()); };
  EXPECT_TRUE(bars.HandleKey(116, 0));
  EXPECT_FALSE(bars.HandleKey(116, 2));
  EXPECT_TRUE(bars.HandleKey(114, 0));
  EXPECT_FALSE(bars.HandleKey(65, 0));
  EXPECT_EQ(ran, (std::vector<int>{309, 306}));
}

TEST(CommandBars, PopupsAreShownThroughTheViewAndReplacedWhenBuiltAnew) {
  CommandBars bars;
  std::vector<std::string> shown;
  bars.onShowPopup = [&](CommandBar& popup, bool atPosition, int, int) {
    shown.push_back(popup.controls()[0].caption + (atPosition ? "@" : ""));
    bars.Execute(popup.controls()[0]);
  };
  int executed = 0;
  bars.onExecute = [&](CommandBarControl& c) { executed = c.id(); };
  CommandBar& first = bars.AddPopup();
  EXPECT_EQ(first.name(), "Popup");
  EXPECT_EQ(first.position(), kBarPopup);
  first.controls().Add(kControlButton, 956, "&Radera markerade filer");
  bars.ShowPopup(first);
  EXPECT_EQ(executed, 956);
  CommandBar& second = bars.AddPopup();
  second.controls().Add(kControlButton, 314, "&Ny filtrering med markerade filnamn");
  EXPECT_EQ(bars.lastPopupShown(), nullptr);  // the first one is gone
  bars.ShowPopup(second, 10, 20);
  EXPECT_EQ(bars.lastPopupShown(), &second);
  EXPECT_EQ(shown, (std::vector<std::string>{"&Radera markerade filer", "&Ny filtrering med markerade filnamn@"}));
}

TEST(CommandBars, ThemesStatusBarClientRectAndLayout) {
  CommandBars bars;
  std::set<Color> faces;
  for (int theme = 0; theme < kVisualThemeCount; ++theme) {
    bars.SetVisualTheme(theme);
    EXPECT_FALSE(IsSystemColor(bars.GetSpecialColor(kToolbarFaceColor)));
    faces.insert(bars.GetSpecialColor(kToolbarFaceColor));
  }
  EXPECT_EQ(faces.size(), 7u);  // every theme has a face of its own
  EXPECT_THROW(bars.SetVisualTheme(7), ControlError);
  EXPECT_THROW(bars.SetVisualTheme(-1), ControlError);
  EXPECT_EQ(bars.visualTheme(), 6);  // a refused theme changes nothing

  CommandBarsStatusBar& status = bars.statusBar();
  status.AddPane(0);
  status.AddPane(1);
  status.SetPaneText(0, "/data/ritningar");
  status.SetPaneText(77, "nowhere");  // no such pane: nothing
  EXPECT_EQ(status.FindPane(0)->text, "/data/ritningar");
  EXPECT_EQ(status.FindPane(77), nullptr);

  int resizes = 0;
  bars.onResize = [&] { ++resizes; };
  bars.SetClientRect({0, 600, 9000, 6000});
  bars.SetClientRect({0, 600, 9000, 6000});
  EXPECT_EQ(resizes, 1);

  RecordingStore store;
  bars.SaveCommandBars("NORV", "Quiremark", "Layout");  // no store: nothing kept, no failure
  bars.SetLayoutStore(&store);
  bars.SaveCommandBars("NORV", "Quiremark", "Layout");
  bars.LoadCommandBars("NORV", "Quiremark", "Layout");
  EXPECT_EQ(store.saved, "NORV|Quiremark|Layout");
  EXPECT_EQ(store.loaded, "NORV|Quiremark|Layout");
}

}  // namespace
}  // namespace quiremark::controls
