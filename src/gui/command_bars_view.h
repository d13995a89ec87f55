#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "controls/command_bars.h"

class QAction;
class QKeyEvent;
class QLabel;
class QMainWindow;
class QMenu;
class QShortcut;
class QToolBar;
class QToolButton;

namespace quiremark::gui {

// Where the context menus that the model shows "at the pointer" open while
// this object lives: a menu the keyboard opens belongs at the focused
// control's current row, not wherever the pointer happens to be. `global`
// is in screen coordinates.
class PopupPlace {
 public:
  explicit PopupPlace(const QPoint& global);
  ~PopupPlace();
  PopupPlace(const PopupPlace&) = delete;
  PopupPlace& operator=(const PopupPlace&) = delete;

  static std::optional<QPoint> current();
};

// The command bars of a main window on screen: the menu bar, the toolbars
// (dockable, hosting the form controls of custom controls), key bindings,
// context menus at the pointer, the status bar with its panes and lock-key
// indicators, and the look of the visual theme. Every choice the user makes
// reaches the model's Execute; the model's state (captions, visibility,
// enabled, check marks, tooltips) follows its change notification, and is
// shown again after every command and when a menu opens. It also keeps the
// bars' arrangement in the registry for the model's save and load.
class CommandBarsView : public QObject, public controls::BarLayoutStore {
 public:
  CommandBarsView(controls::CommandBars& bars, QMainWindow& window);
  ~CommandBarsView() override;

  // Rebuilds the Qt bars when the model's structure changed, then shows its state.
  void Refresh();

  // Docks the toolbars in rows as wide as the window, in the model's order,
  // unless a saved arrangement was loaded.
  void PackToolbars();

  QToolBar* Toolbar(const std::string& name) const;
  // Each toolbar's buttons (not the boxes it hosts), in the model's order of
  // toolbars. The buttons of one toolbar are one stop of the window's Tab
  // ring: the one used last, or else the first one that can be used, takes
  // the keyboard; the arrows go on from button to button, and Space or
  // Enter presses the button.
  std::vector<std::vector<QToolButton*>> ToolbarButtons() const;
  // Gives the keyboard's stop of each toolbar to its button as said above.
  void SyncButtonFocus();
  // The menu item or toolbar copy showing a control (nullptr when none).
  QAction* ActionOf(const controls::CommandBarControl& control) const;
  // The status pane widget with that pane ID (nullptr when none).
  QWidget* Pane(int id) const;

  // The client rectangle the bars leave free, in the window's twips, and
  // telling the model about it (which raises its resize when it changed).
  controls::BarRect ClientRect() const;
  void UpdateClientRect();

  void SaveLayout(const std::string& company, const std::string& product, const std::string& section) override;
  void LoadLayout(const std::string& company, const std::string& product, const std::string& section) override;

  static constexpr const char* kLayoutValue = "BarsState";

  // Runs when the bars were built anew, with new widgets for the form controls they host.
  std::function<void()> onRebuilt;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Item {
    controls::CommandBarControl* control;
    QPointer<QAction> action;
    QString shortcut;  // key binding text shown in menus
  };
  using Shape = std::vector<const void*>;

  Shape CurrentShape() const;
  void Rebuild();
  void BuildToolbars();
  void FillMenu(QMenu& menu, controls::CommandBarControls& list, std::vector<Item>& items);
  QAction* AddToolbarControl(QToolBar& toolbar, controls::CommandBarControl& control);
  void BuildStatusBar();
  void BuildKeyBindings();
  void SyncState();
  void SyncItem(const Item& item);
  void SyncStatusBar();
  void SyncTheme();
  bool ButtonKey(QToolButton& button, QKeyEvent& key);
  void RunPopup(controls::CommandBar& popup, bool atPosition, int x, int y);
  void Execute(controls::CommandBarControl* control);
  void OnMenuTriggered(QAction* action);

  controls::CommandBars& bars_;
  QMainWindow& window_;
  Shape shape_;
  std::vector<Item> items_;
  std::vector<std::pair<controls::CommandBar*, QPointer<QToolBar>>> toolbars_;
  std::map<QToolBar*, QPointer<QToolButton>> lastButton_;  // per toolbar, the button that had the keyboard last
  std::vector<QPointer<QShortcut>> shortcuts_;
  std::vector<QPointer<QWidget>> hosted_;  // form controls' widgets in the toolbars
  std::map<int, QPointer<QWidget>> panes_;
  QTimer lockTimer_;  // the lock-key indicators follow the keyboard
  int appliedTheme_ = -1;
  controls::Color appliedFace_ = 0;
  bool appliedFrame_ = false;
  bool arrangementLoaded_ = false;
  bool packing_ = false;
  bool adopting_ = false;
  bool rebuildPending_ = false;
};

}  // namespace quiremark::gui
