#pragma once

#include <string>

#include "controls/command_bars.h"

namespace quiremark::app {

class MainForm;

// Command IDs of the main window. The menus and toolbars, the key bindings
// and the context menus all use these; the dispatcher maps them to actions.
namespace cmd {
inline constexpr int kMenuFile = 100;
inline constexpr int kCreatePdf = 101;
inline constexpr int kExit = 102;
inline constexpr int kCreatePdfSpec = 103;
inline constexpr int kCreatePdfRelation = 105;
inline constexpr int kMenuEdit = 200;
inline constexpr int kMenuView = 300;
inline constexpr int kNumberAll = 301;
inline constexpr int kNumberSelected = 302;
inline constexpr int kUnnumberAll = 303;
inline constexpr int kViewPdf = 304;
inline constexpr int kDeletePlotFiles = 305;
inline constexpr int kScanFolderTree = 306;
inline constexpr int kFileFilter = 307;
inline constexpr int kOptions = 308;
inline constexpr int kRefreshTree = 309;
inline constexpr int kRefreshFiles = 310;
inline constexpr int kFolderFilter = 311;
inline constexpr int kFilterLabel = 312;
inline constexpr int kExploreFolder = 313;
inline constexpr int kFilterBySelection = 314;
inline constexpr int kBookmarkFilter = 315;
inline constexpr int kBookmarkLabel = 316;
inline constexpr int kMenuTools = 400;
inline constexpr int kAbout = 601;
inline constexpr int kCloseTree = 905;
inline constexpr int kDeletePrevious = 906;
inline constexpr int kDeleteFavourite = 907;
inline constexpr int kSaveFavourite = 908;
inline constexpr int kGotoFolder = 909;
inline constexpr int kScriptFolder = 910;
inline constexpr int kScriptChoice = 911;
inline constexpr int kEditScript = 912;
inline constexpr int kRefreshScripts = 913;
inline constexpr int kAcadPath = 920;
inline constexpr int kAcadParams = 921;
inline constexpr int kRunAcad = 922;
inline constexpr int kBrowseAcad = 923;
inline constexpr int kIcadPath = 930;
inline constexpr int kIcadParams = 931;
inline constexpr int kRunIcad = 932;
inline constexpr int kBrowseIcad = 933;
inline constexpr int kDigiTejp = 940;
inline constexpr int kProgressPane = 950;
inline constexpr int kDeleteSelectedFiles = 956;
inline constexpr int kToolbarList = controls::kToolbarListId;
}  // namespace cmd

// Builds the main window's menu bar, button pictures, toolbars, key
// bindings and status bar.
void CreateCommandBars(MainForm& form);

// Adds a toolbar button to `controls` and sets, in this order, its group
// mark, description, style and category.
controls::CommandBarControl& AddControl(controls::CommandBarControls& controls, int type, int id,
                                        const std::string& caption, bool beginGroup, const std::string& descriptionText,
                                        int style, const std::string& category);

}  // namespace quiremark::app
