#include "app/command_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/main_form.h"
#include "support/scripted_ui.h"

namespace quiremark::app {
namespace {

using controls::CommandBarControl;
using controls::CommandBarControls;

// One expected control: where it stands, then everything the table says of it.
struct Expected {
  int type;
  int id;
  std::string caption;
  bool group = false;
  std::string description = "";
  std::string tooltip = "";
  int style = 0;
  std::string category = "";
  bool visible = true;
  bool enabled = true;
  std::string hosts = "";
};

constexpr int B = controls::kControlButton;
constexpr int P = controls::kControlPopup;
constexpr int C = controls::kControlCustom;

void ExpectControls(const CommandBarControls& actual, const std::vector<Expected>& expected, const std::string& where) {
  ASSERT_EQ(actual.count(), static_cast<int>(expected.size())) << where;
  for (int i = 0; i < actual.count(); ++i) {
    const CommandBarControl& a = actual[i];
    const Expected& e = expected[i];
    const std::string at = where + " #" + std::to_string(i) + " (" + std::to_string(e.id) + ")";
    EXPECT_EQ(a.type(), e.type) << at;
    EXPECT_EQ(a.id(), e.id) << at;
    EXPECT_EQ(a.caption, e.caption) << at;
    EXPECT_EQ(a.beginGroup, e.group) << at;
    EXPECT_EQ(a.descriptionText(), e.description) << at;
    EXPECT_EQ(a.tooltipText(), e.tooltip) << at;
    EXPECT_EQ(a.style, e.style) << at;
    EXPECT_EQ(a.category, e.category) << at;
    EXPECT_EQ(a.visible(), e.visible) << at;
    EXPECT_EQ(a.enabled(), e.enabled) << at;
    EXPECT_EQ(a.hosted ? a.hosted->name() : "", e.hosts) << at;
    EXPECT_FALSE(a.checked()) << at;
  }
}

std::vector<Expected> ThemeButtons() {
  return {{B, 1000, "Office XP"},         {B, 1001, "Standard"},           {B, 1002, "Office 2003"},
          {B, 1003, "Normal XP"},         {B, 1004, "Visual Studio 2005"}, {B, 1005, "Office 2007"},
          {B, 1006, "Office 2007 Ribbon"}};
}

Expected Tool(int id, std::string caption, bool group = false, std::string description = "", int style = 3) {
  return {B, id, std::move(caption), group, std::move(description), "", style, "Controls"};
}

class CommandTable : public ::testing::Test {
 protected:
  void SetUp() override { CreateCommandBars(form); }
  settings::AppState state;
  testing::ScriptedUi ui;
  MainForm form{state, ui};
};

TEST_F(CommandTable, EveryMenuToolbarAndControlIsAsTheTableSays) {
  const CommandBarControls& menu = form.CommandBars.activeMenuBar().controls();
  ExpectControls(menu,
                 {{P, 100, "&Arkiv"}, {P, 200, "&Redigera"}, {P, 300, "&Visa"}, {P, 400, "Verkt&yg"}, {P, 0, "&Hjälp"}},
                 "menu bar");
  ExpectControls(menu[0].controls(),
                 {{B, 101, "Skapa &PDF"},
                  {B, 103, "Skapa P&DF Spec"},
                  {B, 105, "Skapa P&DF Relation"},
                  {B, 304, "&Granska PDF"},
                  {B, 102, "A&vsluta", true}},
                 "Arkiv");
  ExpectControls(menu[1].controls(),
                 {{B, 301, "Numrera &alla"}, {B, 302, "Numrera &utvalda"}, {B, 303, "A&vnumrera alla"}}, "Redigera");
  ExpectControls(menu[2].controls(), {{P, 0, "&Verktygsfält"}, {P, 0, "Färgsche&ma"}}, "Visa");
  ExpectControls(menu[2].controls()[0].controls(), {{B, 59392, "&Standard"}}, "Verktygsfält");
  ExpectControls(menu[2].controls()[1].controls(), ThemeButtons(), "Färgschema menu");
  ExpectControls(menu[3].controls(),
                 {{B, 308, "Alternati&v", true},
                  {B, 309, "&Uppdatera mappträd", true},
                  {B, 310, "Uppdatera &fillista"},
                  {B, 306, "Sök alla filer i mapp&träd", true}},
                 "Verktyg");
  ExpectControls(menu[4].controls(), {{B, 601, "&Om Quiremark..."}}, "Hjälp");

  const std::vector<std::string> names = {"Standard",   "Scriptmallar", "AutoCAD", "IntelliCAD",
                                          "Färgschema", "DigiTejp",     "Filer"};
  ASSERT_EQ(form.CommandBars.toolbarCount(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(form.CommandBars.Toolbar(i).name(), names[i]);
    EXPECT_EQ(form.CommandBars.Toolbar(i).position(), controls::kBarTop);
    EXPECT_EQ(form.CommandBars.Toolbar(i).visible(), names[i] != "Färgschema") << names[i];
  }

  Expected special = Tool(103, "Skapa P&DF Special");
  special.visible = false;
  Expected relation = Tool(105, "Skapa P&DF Relation");
  relation.visible = false;
  ExpectControls(form.CommandBars.Toolbar(0).controls(),
                 {Tool(306, "Sök alla filer i mapp&träd", true, "Avsök aktuell och underliggande mappar"),
                  Tool(301, "Numrera &alla", true), Tool(302, "Numrera &utvalda"), Tool(303, "A&vnumrera alla"),
                  Tool(101, "Skapa &PDF", true), special, relation, Tool(304, "&Granska PDF", true),
                  Tool(305, "&Radera plot- och bokmärkesfiler")},
                 "Standard");
  ExpectControls(form.CommandBars.Toolbar(1).controls(),
                 {Tool(913, "Uppdatera scriptmalls-listan", true, "Uppdaterar urvalslistan med scriptmallar", 2),
                  Tool(910, "S&ökväg scriptmallar", true, "I"),
                  {C, 911, "", true, "Scriptmallar", "Välj scriptmall", 0, "", true, true, "cboScr"},
                  Tool(912, "Re&digera scriptmall", true, "I")},
                 "Scriptmallar");
  Expected browseAcad = Tool(923, "...", true, "Bläddra fram Acad.exe eller Aclt.exe.");
  browseAcad.tooltip = browseAcad.description;
  ExpectControls(form.CommandBars.Toolbar(2).controls(),
                 {{C, 920, "", false, "Sökväg till AutoCADs körbara fil", "", 0, "", true, true, "txtAcad"},
                  browseAcad,
                  {C, 921, "", true, "Startparametrar för AutoCAD", "", 0, "", true, true, "txtParamAcad"},
                  Tool(922, "K&ör script i AutoCAD", true, "Startar scriptkörning av markerade ritningsfiler")},
                 "AutoCAD");
  Expected browseIcad = Tool(933, "...", true, "Bläddra fram Icad.exe.");
  browseIcad.tooltip = browseIcad.description;
  ExpectControls(form.CommandBars.Toolbar(3).controls(),
                 {{C, 930, "", false, "Sökväg till IntelliCADs körbara fil", "", 0, "", true, true, "txtIcad"},
                  browseIcad,
                  {C, 931, "", true, "Startparametrar för IntelliCAD", "", 0, "", true, true, "txtParamIcad"},
                  Tool(932, "K&ör script i IntelliCAD", true, "Startar scriptkörning av markerade ritningsfiler")},
                 "IntelliCAD");
  ExpectControls(form.CommandBars.Toolbar(4).controls(), ThemeButtons(), "Färgschema");
  ExpectControls(
      form.CommandBars.Toolbar(5).controls(),
      {{C, 940, "", true, "Välj inställning", "Adderar DigiTejp till slutlig PDF", 0, "", true, true, "cboDigiTejp"}},
      "DigiTejp");
  Expected folderLabel = Tool(312, "Mappfilter:", true);
  folderLabel.enabled = false;
  Expected bookmarkLabel = Tool(316, "Bokmärke:");
  bookmarkLabel.enabled = false;
  Expected fileLabel = Tool(312, "Filfilter:");
  fileLabel.enabled = false;
  ExpectControls(form.CommandBars.Toolbar(6).controls(),
                 {Tool(309, "&Uppdatera mappträd", true, "Uppdaterar mappträdet och visar eventuella mappförändringar"),
                  Tool(310, "Uppdatera &fillista", false, "Uppdaterar fillistan och visar eventuella förändringar"),
                  folderLabel,
                  {C, 311, "", false, "", "", 0, "", true, true, "cboFolderName"},
                  bookmarkLabel,
                  {C, 315, "", false, "", "", 0, "", true, true, "cboBookMark"},
                  fileLabel,
                  {C, 307, "", false, "", "", 0, "", true, true, "cboFileExt"}},
                 "Filer");
}

TEST_F(CommandTable, PicturesKeysAndStatusBar) {
  for (int id : {101, 102, 103, 105, 301, 302, 303, 304, 305, 306, 308, 309,
                 310, 313, 314, 601, 905, 906, 907, 908, 909, 922, 932, 956})
    EXPECT_TRUE(form.CommandBars.HasImage(id)) << id;
  EXPECT_FALSE(form.CommandBars.HasImage(910));
  EXPECT_EQ(form.CommandBars.imageIds().size(), 24u);

  const auto& keys = form.CommandBars.keyBindings();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].keyCode, 116);
  EXPECT_EQ(keys[0].commandId, 309);
  EXPECT_EQ(keys[1].keyCode, 114);
  EXPECT_EQ(keys[1].commandId, 306);

  const controls::CommandBarsStatusBar& status = form.StatusBar;
  EXPECT_TRUE(status.visible);
  EXPECT_EQ(status.idleText, "");
  struct Pane {
    int id, width;
    bool visible;
    int style;
  };
  const std::vector<Pane> panes = {{0, 1600, true, controls::kPaneStretch},
                                   {950, 400, false, 0},
                                   {1, 40, true, 0},
                                   {59137, 40, true, 0},
                                   {59138, 40, true, 0},
                                   {59139, 40, true, 0}};
  ASSERT_EQ(status.paneCount(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(status.Pane(i).id, panes[i].id);
    EXPECT_EQ(status.Pane(i).width, panes[i].width) << panes[i].id;
    EXPECT_EQ(status.Pane(i).visible, panes[i].visible) << panes[i].id;
    EXPECT_EQ(status.Pane(i).style, panes[i].style) << panes[i].id;
    EXPECT_EQ(status.Pane(i).text, "");
  }
  EXPECT_EQ(status.Pane(1).hosted, &form.NorvProgressBar);
  EXPECT_EQ(form.NorvProgressBar.value(), 50);
}

TEST_F(CommandTable, FindingACommandGivesTheToolbarCopy) {
  // 103 and 105 are hidden on the toolbar while their menu items show.
  EXPECT_FALSE(form.CommandBars.FindControl(103)->visible());
  for (CommandBarControl* c : form.CommandBars.FindControls(105))
    EXPECT_EQ(c->visible(), c->caption == "Skapa P&DF Relation" && c->style == 0);
  // The two label buttons share 312; neither can be chosen.
  for (CommandBarControl* c : form.CommandBars.FindControls(312)) EXPECT_FALSE(c->enabled());
  EXPECT_EQ(form.CommandBars.FindControls(312).size(), 2u);
}

}  // namespace
}  // namespace quiremark::app
