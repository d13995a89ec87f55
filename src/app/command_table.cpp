#include "app/command_table.h"

#include <array>

#include "app/layout.h"
#include "app/main_form.h"
#include "controls/input_codes.h"
#include "version.h"

namespace quiremark::app {

using controls::CommandBarControl;
using controls::CommandBarControls;
using controls::kControlButton;
using controls::kControlCustom;
using controls::kControlPopup;

namespace {

const char* const kCategory = "Controls";
constexpr int kStyle = controls::kStyleIconAndCaption;

constexpr std::array<const char*, controls::kVisualThemeCount> kThemeCaptions = {
    "Office XP", "Standard", "Office 2003", "Normal XP", "Visual Studio 2005", "Office 2007", "Office 2007 Ribbon"};

void AddThemeButtons(CommandBarControls& list) {
  for (int theme = 0; theme < controls::kVisualThemeCount; ++theme)
    list.Add(kControlButton, kFirstThemeCommand + theme, kThemeCaptions[theme]);
}

CommandBarControl& AddCustom(CommandBarControls& list, int id, controls::Control& hosted, bool beginGroup,
                             const std::string& description) {
  CommandBarControl& c = list.Add(kControlCustom, id, "");
  c.beginGroup = beginGroup;
  c.hosted = &hosted;
  c.SetDescriptionText(description);
  return c;
}

void BuildMenus(controls::CommandBar& menuBar) {
  CommandBarControls& file = menuBar.controls().Add(kControlPopup, cmd::kMenuFile, "&Arkiv").controls();
  file.Add(kControlButton, cmd::kCreatePdf, "Skapa &PDF");
  file.Add(kControlButton, cmd::kCreatePdfSpec, "Skapa P&DF Spec");
  file.Add(kControlButton, cmd::kCreatePdfRelation, "Skapa P&DF Relation");
  file.Add(kControlButton, cmd::kViewPdf, "&Granska PDF");
  file.Add(kControlButton, cmd::kExit, "A&vsluta").beginGroup = true;

  CommandBarControls& edit = menuBar.controls().Add(kControlPopup, cmd::kMenuEdit, "&Redigera").controls();
  edit.Add(kControlButton, cmd::kNumberAll, "Numrera &alla");
  edit.Add(kControlButton, cmd::kNumberSelected, "Numrera &utvalda");
  edit.Add(kControlButton, cmd::kUnnumberAll, "A&vnumrera alla");

  CommandBarControls& view = menuBar.controls().Add(kControlPopup, cmd::kMenuView, "&Visa").controls();
  view.Add(kControlPopup, 0, "&Verktygsfält").controls().Add(kControlButton, cmd::kToolbarList, "&Standard");
  AddThemeButtons(view.Add(kControlPopup, 0, "Färgsche&ma").controls());

  CommandBarControls& tools = menuBar.controls().Add(kControlPopup, cmd::kMenuTools, "Verkt&yg").controls();
  tools.Add(kControlButton, cmd::kOptions, "Alternati&v").beginGroup = true;
  tools.Add(kControlButton, cmd::kRefreshTree, "&Uppdatera mappträd").beginGroup = true;
  tools.Add(kControlButton, cmd::kRefreshFiles, "Uppdatera &fillista");
  tools.Add(kControlButton, cmd::kScanFolderTree, "Sök alla filer i mapp&träd").beginGroup = true;

  CommandBarControls& help = menuBar.controls().Add(kControlPopup, 0, "&Hjälp").controls();
  help.Add(kControlButton, cmd::kAbout, std::string("&Om ") + version::kTitle + "...");
}

void BuildStandardToolbar(controls::CommandBars& bars) {
  CommandBarControls& bar = bars.Add("Standard").controls();
  AddControl(bar, kControlButton, cmd::kScanFolderTree, "Sök alla filer i mapp&träd", false,
             "Avsök aktuell och underliggande mappar", kStyle, kCategory)
      .beginGroup = true;
  AddControl(bar, kControlButton, cmd::kNumberAll, "Numrera &alla", false, "", kStyle, kCategory).beginGroup = true;
  AddControl(bar, kControlButton, cmd::kNumberSelected, "Numrera &utvalda", false, "", kStyle, kCategory);
  AddControl(bar, kControlButton, cmd::kUnnumberAll, "A&vnumrera alla", false, "", kStyle, kCategory);
  AddControl(bar, kControlButton, cmd::kCreatePdf, "Skapa &PDF", false, "", kStyle, kCategory).beginGroup = true;
  AddControl(bar, kControlButton, cmd::kCreatePdfSpec, "Skapa P&DF Special", false, "", kStyle, kCategory)
      .SetVisible(false);
  AddControl(bar, kControlButton, cmd::kCreatePdfRelation, "Skapa P&DF Relation", false, "", kStyle, kCategory)
      .SetVisible(false);
  AddControl(bar, kControlButton, cmd::kViewPdf, "&Granska PDF", false, "", kStyle, kCategory).beginGroup = true;
  AddControl(bar, kControlButton, cmd::kDeletePlotFiles, "&Radera plot- och bokmärkesfiler", false, "", kStyle,
             kCategory);
}

void BuildScriptToolbar(MainForm& form) {
  CommandBarControls& bar = form.CommandBars.Add("Scriptmallar").controls();
  AddControl(bar, kControlButton, cmd::kRefreshScripts, "Uppdatera scriptmalls-listan", true,
             "Uppdaterar urvalslistan med scriptmallar", controls::kStyleIcon, kCategory);
  AddControl(bar, kControlButton, cmd::kScriptFolder, "S&ökväg scriptmallar", true, "I", kStyle, kCategory);
  AddCustom(bar, cmd::kScriptChoice, form.cboScr, true, "Scriptmallar").SetTooltipText("Välj scriptmall");
  AddControl(bar, kControlButton, cmd::kEditScript, "Re&digera scriptmall", true, "I", kStyle, kCategory);
}

struct CadToolbar {
  const char* name;
  int pathId, browseId, paramsId, runId;
  const char* pathDescription;
  const char* browseDescription;
  const char* paramsDescription;
  const char* runCaption;
};

void BuildCadToolbar(controls::CommandBars& bars, const CadToolbar& t, controls::Control& path,
                     controls::Control& params) {
  CommandBarControls& bar = bars.Add(t.name).controls();
  AddCustom(bar, t.pathId, path, false, t.pathDescription);
  AddControl(bar, kControlButton, t.browseId, "...", true, t.browseDescription, kStyle, kCategory)
      .SetTooltipText(t.browseDescription);
  AddCustom(bar, t.paramsId, params, true, t.paramsDescription);
  AddControl(bar, kControlButton, t.runId, t.runCaption, true, "Startar scriptkörning av markerade ritningsfiler",
             kStyle, kCategory);
}

void BuildFilesToolbar(MainForm& form) {
  CommandBarControls& bar = form.CommandBars.Add("Filer").controls();
  AddControl(bar, kControlButton, cmd::kRefreshTree, "&Uppdatera mappträd", false,
             "Uppdaterar mappträdet och visar eventuella mappförändringar", kStyle, kCategory)
      .beginGroup = true;
  AddControl(bar, kControlButton, cmd::kRefreshFiles, "Uppdatera &fillista", false,
             "Uppdaterar fillistan och visar eventuella förändringar", kStyle, kCategory);
  CommandBarControl& folderLabel =
      AddControl(bar, kControlButton, cmd::kFilterLabel, "Mappfilter:", false, "", kStyle, kCategory);
  folderLabel.beginGroup = true;
  folderLabel.SetEnabled(false);
  AddCustom(bar, cmd::kFolderFilter, form.cboFolderName, false, "");
  AddControl(bar, kControlButton, cmd::kBookmarkLabel, "Bokmärke:", false, "", kStyle, kCategory).SetEnabled(false);
  AddCustom(bar, cmd::kBookmarkFilter, form.cboBookMark, false, "");
  AddControl(bar, kControlButton, cmd::kFilterLabel, "Filfilter:", false, "", kStyle, kCategory).SetEnabled(false);
  AddCustom(bar, cmd::kFileFilter, form.cboFileExt, false, "");
}

void BuildStatusBar(MainForm& form) {
  controls::CommandBarsStatusBar& status = form.StatusBar;
  status.visible = true;
  status.AddPane(0).width = 1600;
  controls::StatusBarPane& progress = status.AddPane(cmd::kProgressPane);
  progress.hosted = &form.NorvProgressBar;
  form.NorvProgressBar.SetValue(50);
  progress.width = 400;
  progress.visible = false;
  controls::StatusBarPane& blank = status.AddPane(1);
  blank.width = 1400;
  blank.visible = true;
  blank.text = "";
  status.AddPane(controls::kPaneCapsLock);
  status.AddPane(controls::kPaneNumLock);
  status.AddPane(controls::kPaneScrollLock);
  status.idleText = "";
  for (int position = 2; position <= status.paneCount() - 1; ++position) status.Pane(position).width = 40;
  status.Pane(0).style = controls::kPaneStretch;
}

}  // namespace

CommandBarControl& AddControl(CommandBarControls& controls, int type, int id, const std::string& caption,
                              bool beginGroup, const std::string& descriptionText, int style,
                              const std::string& category) {
  CommandBarControl& control = controls.Add(type, id, caption);
  control.beginGroup = beginGroup;
  control.SetDescriptionText(descriptionText);
  control.style = style;
  control.category = category;
  return control;
}

void CreateCommandBars(MainForm& form) {
  controls::CommandBars& bars = form.CommandBars;
  BuildMenus(bars.activeMenuBar());
  bars.AttachImages({101, 102, 103, 105, 301, 302, 303, 304, 305, 306, 308, 309,
                     310, 313, 314, 601, 905, 906, 907, 908, 909, 922, 932, 956});
  BuildStandardToolbar(bars);
  BuildScriptToolbar(form);
  BuildCadToolbar(
      bars,
      {"AutoCAD", cmd::kAcadPath, cmd::kBrowseAcad, cmd::kAcadParams, cmd::kRunAcad, "Sökväg till AutoCADs körbara fil",
       "Bläddra fram Acad.exe eller Aclt.exe.", "Startparametrar för AutoCAD", "K&ör script i AutoCAD"},
      form.txtAcad, form.txtParamAcad);
  BuildCadToolbar(bars,
                  {"IntelliCAD", cmd::kIcadPath, cmd::kBrowseIcad, cmd::kIcadParams, cmd::kRunIcad,
                   "Sökväg till IntelliCADs körbara fil", "Bläddra fram Icad.exe.", "Startparametrar för IntelliCAD",
                   "K&ör script i IntelliCAD"},
                  form.txtIcad, form.txtParamIcad);
  controls::CommandBar& themes = bars.Add("Färgschema");
  AddThemeButtons(themes.controls());
  themes.SetVisible(false);
  AddCustom(bars.Add("DigiTejp").controls(), cmd::kDigiTejp, form.cboDigiTejp, true, "Välj inställning")
      .SetTooltipText("Adderar DigiTejp till slutlig PDF");
  BuildFilesToolbar(form);
  bars.AddKeyBinding(controls::kKeyF5, cmd::kRefreshTree);
  bars.AddKeyBinding(controls::kKeyF3, cmd::kScanFolderTree);
  BuildStatusBar(form);
  bars.Changed();
}

}  // namespace quiremark::app
