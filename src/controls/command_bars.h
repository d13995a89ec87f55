#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/color.h"
#include "controls/control.h"

namespace quiremark::controls {

// Kinds of command controls, by the numbers the forms use.
inline constexpr int kControlButton = 1;
inline constexpr int kControlPopup = 2;
inline constexpr int kControlCustom = 7;

// Button styles.
inline constexpr int kStyleIcon = 2;  // picture only
inline constexpr int kStyleIconAndCaption = 3;

// Bar positions: docked at the top edge, or a popup (context) menu.
inline constexpr int kBarTop = 0;
inline constexpr int kBarPopup = 5;

// The number of the special colour that is the theme's toolbar face.
inline constexpr int kToolbarFaceColor = 30;

inline constexpr int kVisualThemeCount = 7;  // themes 0 to 6

class CommandBar;
class CommandBarControls;
class CommandBars;

// One command on a bar or in a menu. The same command ID may stand on
// several controls (menu item and toolbar copy); each control keeps its own
// state. Caption, group mark, style, category and hosted control are set
// while the bars are built; the states that change later have setters that
// tell the view.
class CommandBarControl {
 public:
  CommandBarControl(CommandBars* owner, int type, int id, std::string caption);

  int type() const { return type_; }
  int id() const { return id_; }
  std::string caption;
  bool beginGroup = false;
  int style = 0;  // 0: the bar's default
  std::string category;
  Control* hosted = nullptr;  // custom controls: the form control shown in the bar

  const std::string& descriptionText() const { return description_; }
  void SetDescriptionText(const std::string& text);
  const std::string& tooltipText() const { return tooltip_; }
  void SetTooltipText(const std::string& text);
  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool checked() const { return checked_; }
  void SetChecked(bool checked);

  // Popups only: the items of the sub-menu.
  CommandBarControls& controls();
  const CommandBarControls& controls() const;

 private:
  void Changed() const;

  CommandBars* owner_;
  int type_;
  int id_;
  std::string description_;
  std::string tooltip_;
  bool visible_ = true;
  bool enabled_ = true;
  bool checked_ = false;
  std::unique_ptr<CommandBarControls> children_;
};

// An ordered list of command controls (a bar's or a popup's).
class CommandBarControls {
 public:
  explicit CommandBarControls(CommandBars* owner) : owner_(owner) {}
  CommandBarControl& Add(int type, int id, const std::string& caption);
  int count() const { return static_cast<int>(items_.size()); }
  CommandBarControl& operator[](int index) { return *items_.at(index); }
  const CommandBarControl& operator[](int index) const { return *items_.at(index); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  CommandBars* owner_;
  std::vector<std::unique_ptr<CommandBarControl>> items_;
};

// A menu bar, toolbar or popup menu.
class CommandBar {
 public:
  CommandBar(CommandBars* owner, std::string name, int position)
      : owner_(owner), name_(std::move(name)), position_(position), controls_(owner) {}
  const std::string& name() const { return name_; }
  int position() const { return position_; }
  const std::string& title() const { return title_; }  // the menu bar's title
  void SetTitle(const std::string& title);
  bool visible() const { return visible_; }
  void SetVisible(bool visible);
  CommandBarControls& controls() { return controls_; }
  const CommandBarControls& controls() const { return controls_; }

 private:
  CommandBars* owner_;
  std::string name_;
  int position_;
  std::string title_;
  bool visible_ = true;
  CommandBarControls controls_;
};

struct StatusBarPane {
  int id = 0;
  int width = 0;  // twips; 0: the bar's default for the pane
  bool visible = true;
  std::string text;
  Control* hosted = nullptr;
  int style = 0;  // kPaneStretch: takes the free width
};
inline constexpr int kPaneStretch = 0x08000000;

// A menu item with this ID stands for the bars' own list of toolbars, each
// shown or hidden there.
inline constexpr int kToolbarListId = 59392;

// Indicator panes that show the state of the lock keys.
inline constexpr int kPaneCapsLock = 59137;
inline constexpr int kPaneNumLock = 59138;
inline constexpr int kPaneScrollLock = 59139;

// The bars' status bar. Pane positions count from 0 in the order added.
class CommandBarsStatusBar {
 public:
  bool visible = false;
  std::string idleText;
  StatusBarPane& AddPane(int id);
  int paneCount() const { return static_cast<int>(panes_.size()); }
  StatusBarPane& Pane(int position) { return panes_.at(position); }
  const StatusBarPane& Pane(int position) const { return panes_.at(position); }
  StatusBarPane* FindPane(int id);
  // Sets the text of the pane with that ID (nothing when there is none) and tells the view.
  void SetPaneText(int id, const std::string& text);
  std::function<void()> onChanged;

 private:
  std::vector<StatusBarPane> panes_;
};

struct BarRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // twips
};

// Keeps the bars' arrangement (which toolbars show, where they are docked)
// between runs. The Qt view implements it; without one nothing is kept.
class BarLayoutStore {
 public:
  virtual ~BarLayoutStore() = default;
  virtual void SaveLayout(const std::string& company, const std::string& product, const std::string& section) = 0;
  virtual void LoadLayout(const std::string& company, const std::string& product, const std::string& section) = 0;
};

struct KeyBinding {
  int keyCode = 0;
  int commandId = 0;
};

// Menu bar, toolbars, context menus, key bindings and status bar of a
// window, with the visual theme. The form logic builds and changes them; a
// view renders them, tells about the user's choices through Execute and
// about size changes through SetClientRect.
class CommandBars {
 public:
  CommandBars();
  CommandBars(const CommandBars&) = delete;
  CommandBars& operator=(const CommandBars&) = delete;

  CommandBar& activeMenuBar() { return menuBar_; }
  const CommandBar& activeMenuBar() const { return menuBar_; }

  // Toolbars in the order added (the menu bar is not one of them).
  CommandBar& Add(const std::string& name, int position = kBarTop);
  int toolbarCount() const { return static_cast<int>(toolbars_.size()); }
  CommandBar& Toolbar(int index) { return *toolbars_.at(index); }
  const CommandBar& Toolbar(int index) const { return *toolbars_.at(index); }
  CommandBar* FindToolbar(const std::string& name);

  // A context menu "Popup", built anew each time it is needed; earlier
  // popups that are not showing are dropped.
  CommandBar& AddPopup();
  // Shows a popup at the mouse pointer (or, with a position in twips, there).
  // The view's onShowPopup runs it and raises Execute for the chosen item.
  void ShowPopup(CommandBar& popup);
  void ShowPopup(CommandBar& popup, int x, int y);
  CommandBar* lastPopupShown() { return lastPopupShown_; }

  // One control with that ID (kind 0: any kind): a toolbar copy when there
  // is one, as the user sees it there, otherwise the menu item. nullptr when none.
  CommandBarControl* FindControl(int id, int type = 0);
  // Every control with that ID: menu items first, then toolbar copies.
  std::vector<CommandBarControl*> FindControls(int id);

  // Pictures: the command IDs that have a picture.
  void AttachImages(std::vector<int> commandIds) { imageIds_ = std::move(commandIds); }
  bool HasImage(int commandId) const;
  const std::vector<int>& imageIds() const { return imageIds_; }

  // Keys without modifiers that run commands.
  void AddKeyBinding(int keyCode, int commandId);
  const std::vector<KeyBinding>& keyBindings() const { return keyBindings_; }
  // A key pressed in the window: runs the bound command and returns true
  // when the key is bound and no modifier is held.
  bool HandleKey(int keyCode, int shift);

  CommandBarsStatusBar& statusBar() { return statusBar_; }

  // Visual theme 0 to 6 (other numbers are refused with error 380), the
  // window frame that goes with theme 6, and the theme's colours.
  int visualTheme() const { return visualTheme_; }
  void SetVisualTheme(int theme);
  bool themeFrame() const { return themeFrame_; }
  void SetThemeFrame(bool on);
  Color GetSpecialColor(int index) const;

  // The client rectangle the bars leave free, in twips. The view sets it;
  // a change raises onResize.
  BarRect GetClientRect() const { return clientRect_; }
  void SetClientRect(const BarRect& rect);

  void SetLayoutStore(BarLayoutStore* store) { layoutStore_ = store; }
  void SaveCommandBars(const std::string& company, const std::string& product, const std::string& section);
  void LoadCommandBars(const std::string& company, const std::string& product, const std::string& section);

  // The user chose a command (menu, toolbar, key binding or context menu).
  void Execute(CommandBarControl& control);

  // Notifications to the form logic.
  std::function<void(CommandBarControl&)> onExecute;
  std::function<void()> onResize;

  // For the view: structure or state changed (rebuild/refresh), a popup is to be shown.
  void Changed() const {
    if (onChanged) onChanged();
  }
  std::function<void()> onChanged;
  std::function<void(CommandBar& popup, bool atPosition, int x, int y)> onShowPopup;

 private:
  void RunPopup(CommandBar& popup, bool atPosition, int x, int y);
  void CollectById(CommandBarControls& list, int id, int type, std::vector<CommandBarControl*>& out);

  CommandBar menuBar_{this, "Menu Bar", kBarTop};
  std::vector<std::unique_ptr<CommandBar>> toolbars_;
  std::vector<std::unique_ptr<CommandBar>> popups_;
  CommandBar* lastPopupShown_ = nullptr;
  CommandBar* showing_ = nullptr;
  std::vector<int> imageIds_;
  std::vector<KeyBinding> keyBindings_;
  CommandBarsStatusBar statusBar_;
  int visualTheme_ = 0;
  bool themeFrame_ = false;
  BarRect clientRect_;
  BarLayoutStore* layoutStore_ = nullptr;
};

}  // namespace quiremark::controls
