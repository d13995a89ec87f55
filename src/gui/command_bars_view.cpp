#include "gui/command_bars_view.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <algorithm>

#include "gui/command_icons.h"
#include "gui/control_widgets.h"
#include "gui/key_codes.h"
#include "gui/theme_look.h"
#include "gui/twips.h"
#include "platform/registry.h"

namespace quiremark::gui {

namespace {

using controls::CommandBar;
using controls::CommandBarControl;
using controls::CommandBarControls;

constexpr int kLockPollMs = 250;  // the lock keys change outside the program too
constexpr int kMinToolbarRow = 600;  // pixels of toolbars in a row at least, before the next row starts

QString Plain(const std::string& caption) {
  QString text = ToQString(caption);
  return text.remove(u'&');
}

// The lock keys as the keyboard's lights show them (Linux input LEDs); where
// those cannot be read, the state follows the lock keys pressed in the program.
class LockKeys : public QObject {
 public:
  static LockKeys& Instance() {
    static LockKeys* keys = new LockKeys(qApp);
    return *keys;
  }

  bool On(int paneId) const {
    const char* led = paneId == controls::kPaneCapsLock  ? "capslock"
                      : paneId == controls::kPaneNumLock ? "numlock"
                                                         : "scrolllock";
    const QDir leds(QStringLiteral("/sys/class/leds"));
    const QStringList found = leds.entryList({QStringLiteral("*::") + QLatin1String(led)}, QDir::Dirs | QDir::System);
    if (!found.isEmpty()) {
      QFile brightness(leds.filePath(found.front() + QStringLiteral("/brightness")));
      if (brightness.open(QIODevice::ReadOnly)) return brightness.readAll().trimmed().toInt() > 0;
    }
    return toggled_.contains(paneId) && toggled_.value(paneId);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
      switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_CapsLock: Toggle(controls::kPaneCapsLock); break;
        case Qt::Key_NumLock: Toggle(controls::kPaneNumLock); break;
        case Qt::Key_ScrollLock: Toggle(controls::kPaneScrollLock); break;
        default: break;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  explicit LockKeys(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }
  void Toggle(int paneId) { toggled_[paneId] = !toggled_.value(paneId); }
  QHash<int, bool> toggled_;
};

bool IsLockPane(int id) {
  return id == controls::kPaneCapsLock || id == controls::kPaneNumLock || id == controls::kPaneScrollLock;
}

QString LockText(int id) {
  return id == controls::kPaneCapsLock ? QStringLiteral("CAPS")
         : id == controls::kPaneNumLock ? QStringLiteral("NUM")
                                        : QStringLiteral("SCRL");
}

void ShapeOf(const CommandBarControls& list, std::vector<const void*>& shape) {
  for (const auto& control : list) {
    shape.push_back(control.get());
    if (control->type() == controls::kControlPopup) ShapeOf(control->controls(), shape);
  }
  shape.push_back(nullptr);
}

std::string LayoutKey(const std::string& company, const std::string& product, const std::string& section) {
  return "Software\\" + company + "\\" + product + "\\" + section;
}

std::optional<QPoint> gPopupPlace;  // PopupPlace's

}  // namespace

PopupPlace::PopupPlace(const QPoint& global) { gPopupPlace = global; }
PopupPlace::~PopupPlace() { gPopupPlace.reset(); }
std::optional<QPoint> PopupPlace::current() { return gPopupPlace; }

CommandBarsView::CommandBarsView(controls::CommandBars& bars, QMainWindow& window)
    : QObject(&window), bars_(bars), window_(window) {
  bars_.SetLayoutStore(this);
  // While code builds the bars, each addition changes the structure; the
  // rebuild waits for the event loop (or an explicit Refresh).
  bars_.onChanged = [this] {
    if (CurrentShape() == shape_) SyncState();
    else if (!rebuildPending_) {
      rebuildPending_ = true;
      QTimer::singleShot(0, this, [this] { Refresh(); });
    }
  };
  bars_.statusBar().onChanged = [this] { SyncStatusBar(); };
  bars_.onShowPopup = [this](CommandBar& popup, bool atPosition, int x, int y) { RunPopup(popup, atPosition, x, y); };
  LockKeys::Instance();
  if (!window_.centralWidget()) window_.setCentralWidget(new QWidget(&window_));
  window_.centralWidget()->installEventFilter(this);
  connect(&lockTimer_, &QTimer::timeout, this, [this] { SyncStatusBar(); });
  lockTimer_.start(kLockPollMs);
  Refresh();
}

CommandBarsView::~CommandBarsView() {
  window_.centralWidget()->removeEventFilter(this);
  bars_.SetLayoutStore(nullptr);
  bars_.onChanged = nullptr;
  bars_.statusBar().onChanged = nullptr;
  bars_.onShowPopup = nullptr;
}

CommandBarsView::Shape CommandBarsView::CurrentShape() const {
  Shape shape;
  ShapeOf(bars_.activeMenuBar().controls(), shape);
  for (int i = 0; i < bars_.toolbarCount(); ++i) {
    shape.push_back(&bars_.Toolbar(i));
    ShapeOf(bars_.Toolbar(i).controls(), shape);
  }
  for (const auto& binding : bars_.keyBindings()) shape.push_back(&binding);
  auto& status = bars_.statusBar();
  for (int i = 0; i < status.paneCount(); ++i) shape.push_back(&status.Pane(i));
  return shape;
}

void CommandBarsView::Refresh() {
  rebuildPending_ = false;
  if (Shape shape = CurrentShape(); shape != shape_) {
    shape_ = std::move(shape);
    Rebuild();
  }
  SyncState();
}

void CommandBarsView::Rebuild() {
  items_.clear();
  BuildToolbars();  // before the menus: the toolbar list shows their toggles
  QMenuBar* menuBar = window_.menuBar();
  for (QAction* action : menuBar->actions())
    if (action->menu()) action->menu()->deleteLater();
  menuBar->clear();
  connect(menuBar, &QMenuBar::triggered, this, &CommandBarsView::OnMenuTriggered, Qt::UniqueConnection);
  for (const auto& control : bars_.activeMenuBar().controls()) {
    if (control->type() != controls::kControlPopup) continue;
    QMenu* menu = menuBar->addMenu(ToQString(control->caption));
    FillMenu(*menu, control->controls(), items_);
    items_.push_back({control.get(), menu->menuAction(), {}});
  }
  BuildStatusBar();
  BuildKeyBindings();
  if (onRebuilt) onRebuilt();
}

void CommandBarsView::BuildToolbars() {
  // Hosted widgets go at once, so that their controls are free for the new ones.
  for (auto& widget : hosted_) delete widget;
  hosted_.clear();
  for (auto& [bar, toolbar] : toolbars_)
    if (toolbar) {
      window_.removeToolBar(toolbar);
      toolbar->setObjectName({});  // a restored arrangement must find only the new one
      toolbar->deleteLater();
    }
  toolbars_.clear();
  lastButton_.clear();
  for (int i = 0; i < bars_.toolbarCount(); ++i) {
    CommandBar& bar = bars_.Toolbar(i);
    auto* toolbar = new QToolBar(ToQString(bar.name()), &window_);
    toolbar->setObjectName(ToQString(bar.name()));
    toolbar->setIconSize(QSize(16, 16));
    bool first = true;
    for (const auto& control : bar.controls()) {
      if (control->beginGroup && !first) toolbar->addSeparator();
      first = false;
      items_.push_back({control.get(), AddToolbarControl(*toolbar, *control), {}});
    }
    connect(toolbar->toggleViewAction(), &QAction::toggled, this, [this, &bar](bool shown) {
      if (!packing_) bar.SetVisible(shown);
    });
    toolbars_.emplace_back(&bar, toolbar);
  }
  arrangementLoaded_ = false;
  PackToolbars();
}

void CommandBarsView::PackToolbars() {
  if (arrangementLoaded_) return;
  const int rowWidth = std::max(window_.width(), kMinToolbarRow);
  int used = 0;
  packing_ = true;  // taking a toolbar out of the layout hides it for a moment
  for (auto& [bar, toolbar] : toolbars_) {
    if (!toolbar) continue;
    window_.removeToolBar(toolbar);
    const int width = bar->visible() ? toolbar->sizeHint().width() : 0;
    if (used > 0 && used + width > rowWidth) {
      window_.addToolBarBreak(Qt::TopToolBarArea);
      used = 0;
    }
    used += width;
    window_.addToolBar(Qt::TopToolBarArea, toolbar);
    toolbar->setHidden(!bar->visible());
  }
  packing_ = false;
}

QAction* CommandBarsView::AddToolbarControl(QToolBar& toolbar, CommandBarControl& control) {
  if (control.type() == controls::kControlCustom) {
    QWidget* widget = control.hosted ? CreateControlWidget(*control.hosted, Placement::Hosted, &toolbar) : nullptr;
    if (!widget) return toolbar.addSeparator();
    hosted_.push_back(widget);
    return toolbar.addWidget(widget);
  }
  auto* action = new QAction(ToQString(control.caption), &toolbar);
  action->setIconText(Plain(control.caption));  // as it stands; Qt would drop a trailing "..."
  if (bars_.HasImage(control.id())) action->setIcon(CommandIcon(control.id()));
  if (control.type() == controls::kControlPopup) {
    auto* menu = new QMenu(&toolbar);
    FillMenu(*menu, control.controls(), items_);
    action->setMenu(menu);
  } else {
    connect(action, &QAction::triggered, this, [this, c = &control] { Execute(c); });
  }
  toolbar.addAction(action);
  if (auto* button = qobject_cast<QToolButton*>(toolbar.widgetForAction(action))) {
    button->installEventFilter(this);  // the keyboard's way through the toolbar
    // Without a picture the caption shows whatever the style; with one, only style 3 adds the caption.
    Qt::ToolButtonStyle style = Qt::ToolButtonTextOnly;
    if (!action->icon().isNull())
      style = control.style == controls::kStyleIconAndCaption ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly;
    button->setToolButtonStyle(style);
  }
  return action;
}

void CommandBarsView::FillMenu(QMenu& menu, CommandBarControls& list, std::vector<Item>& items) {
  connect(&menu, &QMenu::aboutToShow, this, [this] { SyncState(); });
  for (const auto& control : list) {
    if (control->beginGroup) menu.addSeparator();  // leading and doubled separators collapse
    if (control->id() == controls::kToolbarListId) {
      for (auto& [bar, toolbar] : toolbars_)
        if (toolbar) menu.addAction(toolbar->toggleViewAction());
      continue;
    }
    switch (control->type()) {
      case controls::kControlPopup: {
        QMenu* sub = menu.addMenu(ToQString(control->caption));
        FillMenu(*sub, control->controls(), items);
        items.push_back({control.get(), sub->menuAction(), {}});
        break;
      }
      case controls::kControlButton: {
        QAction* action = menu.addAction(ToQString(control->caption));
        if (bars_.HasImage(control->id())) action->setIcon(CommandIcon(control->id()));
        action->setData(QVariant::fromValue(reinterpret_cast<quintptr>(control.get())));
        QString shortcut;
        for (const auto& binding : bars_.keyBindings())
          if (binding.commandId == control->id()) shortcut = QKeySequence(QtKeyOf(binding.keyCode)).toString();
        items.push_back({control.get(), action, shortcut});
        break;
      }
      default: break;  // a menu hosts no form controls
    }
  }
}

void CommandBarsView::BuildStatusBar() {
  QStatusBar* statusBar = window_.statusBar();
  for (auto& [id, widget] : panes_) delete widget;
  panes_.clear();
  auto& model = bars_.statusBar();
  for (int i = 0; i < model.paneCount(); ++i) {
    const auto& pane = model.Pane(i);
    QWidget* widget = pane.hosted ? CreateControlWidget(*pane.hosted, Placement::Hosted, statusBar) : nullptr;
    if (!widget) {
      auto* label = new QLabel(statusBar);
      label->setObjectName(QStringLiteral("pane%1").arg(pane.id));
      if (IsLockPane(pane.id)) {
        label->setText(LockText(pane.id));
        label->setAlignment(Qt::AlignCenter);
      }
      widget = label;
    }
    statusBar->addWidget(widget, pane.style & controls::kPaneStretch ? 1 : 0);
    panes_[pane.id] = widget;
  }
}

void CommandBarsView::BuildKeyBindings() {
  for (auto& shortcut : shortcuts_) delete shortcut;
  shortcuts_.clear();
  for (const auto& binding : bars_.keyBindings()) {
    const int key = QtKeyOf(binding.keyCode);
    if (key == 0) continue;
    auto* shortcut = new QShortcut(QKeySequence(key), &window_);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, code = binding.keyCode] {
      bars_.HandleKey(code, 0);
      SyncState();
    });
    shortcuts_.push_back(shortcut);
  }
}

void CommandBarsView::SyncItem(const Item& item) {
  QAction* action = item.action;
  if (!action) return;
  const CommandBarControl& c = *item.control;
  action->setVisible(c.visible());
  action->setEnabled(c.enabled());
  if (c.type() == controls::kControlCustom) {
    // The hosted widget shows the bar's tooltip and description.
    if (auto* host = qobject_cast<QWidgetAction*>(action); host && host->defaultWidget()) {
      if (!c.tooltipText().empty()) host->defaultWidget()->setToolTip(ToQString(c.tooltipText()));
      host->defaultWidget()->setStatusTip(ToQString(c.descriptionText()));
    }
    return;
  }
  QString text = ToQString(c.caption);
  if (!item.shortcut.isEmpty()) text += u'\t' + item.shortcut;
  if (action->text() != text) action->setText(text);
  if (c.checked() && !action->isCheckable()) action->setCheckable(true);
  if (action->isCheckable()) action->setChecked(c.checked());
  action->setToolTip(c.tooltipText().empty() ? Plain(c.caption) : ToQString(c.tooltipText()));
  action->setStatusTip(ToQString(c.descriptionText()));
}

void CommandBarsView::SyncState() {
  if (adopting_) return;
  for (const Item& item : items_) SyncItem(item);
  for (auto& [bar, toolbar] : toolbars_)
    if (toolbar && toolbar->isHidden() == bar->visible()) toolbar->setHidden(!bar->visible());
  SyncStatusBar();
  SyncTheme();
  SyncButtonFocus();
}

std::vector<std::vector<QToolButton*>> CommandBarsView::ToolbarButtons() const {
  std::vector<std::vector<QToolButton*>> all;
  for (const auto& [bar, toolbar] : toolbars_) {
    std::vector<QToolButton*>& buttons = all.emplace_back();
    if (!toolbar) continue;
    for (QAction* action : toolbar->actions()) {
      if (qobject_cast<QWidgetAction*>(action)) continue;  // a hosted box
      if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action))) buttons.push_back(button);
    }
  }
  return all;
}

namespace {

bool Usable(const QToolButton* button) { return button && !button->isHidden() && button->isEnabled(); }

}  // namespace

void CommandBarsView::SyncButtonFocus() {
  for (const std::vector<QToolButton*>& buttons : ToolbarButtons()) {
    if (buttons.empty()) continue;
    auto* toolbar = qobject_cast<QToolBar*>(buttons.front()->parentWidget());
    QToolButton* entry = lastButton_[toolbar];
    if (!Usable(entry)) {
      const auto first = std::find_if(buttons.begin(), buttons.end(), Usable);
      entry = first == buttons.end() ? nullptr : *first;
    }
    for (QToolButton* button : buttons) {
      const Qt::FocusPolicy policy = button == entry ? Qt::TabFocus : Qt::NoFocus;
      if (button->focusPolicy() != policy) button->setFocusPolicy(policy);
    }
  }
}

bool CommandBarsView::ButtonKey(QToolButton& button, QKeyEvent& key) {
  if (key.modifiers() & ~Qt::KeypadModifier) return false;
  if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
    button.click();
    return true;
  }
  const int step = key.key() == Qt::Key_Left || key.key() == Qt::Key_Up ? -1
                   : key.key() == Qt::Key_Right || key.key() == Qt::Key_Down ? 1
                                                                              : 0;
  if (step == 0) return false;
  for (const std::vector<QToolButton*>& buttons : ToolbarButtons()) {
    const auto at = std::find(buttons.begin(), buttons.end(), &button);
    if (at == buttons.end()) continue;
    // The next usable button that way, round the end of the toolbar.
    const auto count = static_cast<std::ptrdiff_t>(buttons.size());
    for (std::ptrdiff_t k = 1; k < count; ++k) {
      QToolButton* next = buttons[static_cast<size_t>(((at - buttons.begin()) + step * k + count * k) % count)];
      if (Usable(next)) {
        next->setFocus(Qt::TabFocusReason);
        break;
      }
    }
    return true;
  }
  return false;
}

void CommandBarsView::SyncStatusBar() {
  auto& model = bars_.statusBar();
  window_.statusBar()->setVisible(model.visible);
  for (int i = 0; i < model.paneCount(); ++i) {
    const auto& pane = model.Pane(i);
    QWidget* widget = Pane(pane.id);
    if (!widget) continue;
    widget->setVisible(pane.visible);
    if (!(pane.style & controls::kPaneStretch) && pane.width > 0) widget->setMinimumWidth(ToPixels(pane.width));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      if (IsLockPane(pane.id)) label->setEnabled(LockKeys::Instance().On(pane.id));
      else if (label->text() != ToQString(pane.text)) label->setText(ToQString(pane.text));
    }
  }
}

void CommandBarsView::SyncTheme() {
  const int theme = bars_.visualTheme();
  const controls::Color face = bars_.GetSpecialColor(controls::kToolbarFaceColor);
  const bool frame = bars_.themeFrame();
  if (theme == appliedTheme_ && face == appliedFace_ && frame == appliedFrame_) return;
  appliedTheme_ = theme;
  appliedFace_ = face;
  appliedFrame_ = frame;
  ApplyThemeLook(window_, theme, FromColorNumber(face), frame);
}

void CommandBarsView::Execute(CommandBarControl* control) {
  QPointer<CommandBarsView> alive(this);
  bars_.Execute(*control);
  if (alive) SyncState();
}

void CommandBarsView::RunPopup(CommandBar& popup, bool atPosition, int x, int y) {
  QMenu menu(&window_);
  std::vector<Item> items;
  FillMenu(menu, popup.controls(), items);
  for (const Item& item : items) SyncItem(item);
  const QPoint at =
      atPosition ? window_.mapToGlobal(QPoint(ToPixels(x), ToPixels(y))) : PopupPlace::current().value_or(QCursor::pos());
  if (QAction* chosen = menu.exec(at)) OnMenuTriggered(chosen);
}

void CommandBarsView::OnMenuTriggered(QAction* action) {
  // Menu items carry their control; the toolbar list's toggles carry nothing.
  if (action->data().isValid()) Execute(reinterpret_cast<CommandBarControl*>(action->data().value<quintptr>()));
}

QToolBar* CommandBarsView::Toolbar(const std::string& name) const {
  for (const auto& [bar, toolbar] : toolbars_)
    if (bar->name() == name) return toolbar;
  return nullptr;
}

QAction* CommandBarsView::ActionOf(const CommandBarControl& control) const {
  for (const Item& item : items_)
    if (item.control == &control) return item.action;
  return nullptr;
}

QWidget* CommandBarsView::Pane(int id) const {
  const auto it = panes_.find(id);
  return it == panes_.end() ? nullptr : it->second.data();
}

controls::BarRect CommandBarsView::ClientRect() const {
  const QRect client = window_.centralWidget()->geometry();
  return {ToTwips(client.left()), ToTwips(client.top()), ToTwips(client.left() + client.width()),
          ToTwips(client.top() + client.height())};
}

void CommandBarsView::UpdateClientRect() { bars_.SetClientRect(ClientRect()); }

bool CommandBarsView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.centralWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
    UpdateClientRect();
  if (auto* button = qobject_cast<QToolButton*>(watched)) {
    if (event->type() == QEvent::FocusIn) {
      lastButton_[qobject_cast<QToolBar*>(button->parentWidget())] = button;
      SyncButtonFocus();
    } else if (event->type() == QEvent::KeyPress && ButtonKey(*button, *static_cast<QKeyEvent*>(event))) {
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void CommandBarsView::SaveLayout(const std::string& company, const std::string& product, const std::string& section) {
  const QByteArray state = window_.saveState();
  platform::SetValue(platform::Hive::CurrentUser, LayoutKey(company, product, section), kLayoutValue,
                     platform::REG_BINARY, state.toStdString());
}

void CommandBarsView::LoadLayout(const std::string& company, const std::string& product, const std::string& section) {
  Refresh();  // the toolbars must stand before their arrangement is restored
  const auto stored =
      platform::QueryValue(platform::Hive::CurrentUser, LayoutKey(company, product, section), kLayoutValue);
  if (!stored || stored->type != platform::REG_BINARY) return;
  if (!window_.restoreState(QByteArray::fromStdString(stored->data))) return;
  arrangementLoaded_ = true;
  // The model takes the restored visibility; until all bars have it, the
  // view must not show the model's older state.
  adopting_ = true;
  for (auto& [bar, toolbar] : toolbars_)
    if (toolbar) bar->SetVisible(!toolbar->isHidden());
  adopting_ = false;
}

}  // namespace quiremark::gui
