#include "gui/main_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <vector>

#include "controls/form.h"
#include "gui/command_bars_view.h"
#include "gui/control_widgets.h"
#include "gui/focus_ring.h"
#include "gui/frame_placement.h"
#include "gui/grid_view.h"
#include "gui/pictures.h"
#include "gui/splash_view.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

int FormStateOf(Qt::WindowStates states) {
  if (states & Qt::WindowMinimized) return controls::kWindowMinimized;
  if (states & Qt::WindowMaximized) return controls::kWindowMaximized;
  return controls::kWindowNormal;
}

Qt::WindowState QtStateOf(int state) {
  switch (state) {
    case controls::kWindowMinimized: return Qt::WindowMinimized;
    case controls::kWindowMaximized: return Qt::WindowMaximized;
    default: return Qt::WindowNoState;
  }
}

}  // namespace

MainWindow::MainWindow(app::MainForm& form) : form_(form) {
  setObjectName(ToQString(form.name()));
  setCentralWidget(new QWidget(this));  // only measures the client area; the frame lies over it
  bars_ = new CommandBarsView(form.CommandBars, *this);
  // The frame and its panes are placed in the window's own coordinates, as the layout computes them.
  frame_ = CreateControlWidget(form.fraMain, Placement::Form, this);
  notice_ = CreateControlWidget(form.Text1, Placement::Form, frame_);
  tree_ = new GridView(form.fgTree, GridView::Kind::Outline, frame_);
  files_ = new GridView(form.fgFiles, GridView::Kind::Table, frame_);
  notice_->lower();  // the notice box lies under the file grid, which stays usable
  // Owned by the window, so that it stays above it also while a bind waits
  // for another run and the user clicks the window.
  splash_ = std::make_unique<SplashView>(form.frmSplash, this);
  placement_ = new FramePlacement(*this);
  bars_->onRebuilt = [this] { ApplyTabOrder(); };
  ApplyTabOrder();
  new FocusRing(*this);
  // F10 opens the menu bar, as the desktops do.
  auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menuKey, &QShortcut::activated, this, [this] {
    for (QAction* menu : menuBar()->actions())
      if (menu->isVisible() && menu->isEnabled()) return menuBar()->setActiveAction(menu);
  });
  form_.onChanged = [this] { FollowForm(); };
  form_.onShowRequest = [this](bool) { show(); };
  form_.onHideRequest = [this] {
    if (form_.loaded()) hide();
    else close();  // an unloaded main window ends the program
  };
  FollowForm();
}

MainWindow::~MainWindow() {
  delete bars_;  // while this is still a main window: the bars' view asks it about its client area
  form_.onChanged = nullptr;
  form_.onShowRequest = nullptr;
  form_.onHideRequest = nullptr;
}

MainWindow::Geometry MainWindow::FormGeometry() const {
  return {form_.left(), form_.top(), form_.width(), form_.height(), form_.windowState()};
}

MainWindow::Geometry MainWindow::WindowGeometry() const {
  const QRect outer = frameGeometry();
  return {ToTwips(outer.left()), ToTwips(outer.top()), ToTwips(outer.width()), ToTwips(outer.height()),
          FormStateOf(windowState())};
}

void MainWindow::FollowForm() {
  setWindowTitle(ToQString(form_.caption));
  setWindowIcon(PictureIcon(form_.icon));
  if (form_.hourglass()) setCursor(Qt::WaitCursor);
  else unsetCursor();
  const Geometry wanted = FormGeometry();
  if (wanted == reported_ || wanted.width <= 0 || wanted.height <= 0) return;
  // The form was placed by code: take its place, size and state. Inside a
  // resize report the new size is applied once the report has finished.
  if (reporting_) {
    QTimer::singleShot(0, this, [this] { FollowForm(); });
    return;
  }
  reported_ = wanted;
  // The states a window not yet shown passes through on the way are not the form's.
  placingHidden_ = !isVisible();
  placement_->Place(QRect(ToPixels(wanted.left), ToPixels(wanted.top), ToPixels(wanted.width), ToPixels(wanted.height)),
                    QtStateOf(wanted.state));
  placingHidden_ = false;
}

void MainWindow::ReportSize() {
  const Geometry now = WindowGeometry();
  if (now == reported_) return;
  reported_ = now;
  reporting_ = true;
  bars_->UpdateClientRect();  // the layout reads the client area left by the bars
  form_.Resized(now.width, now.height, now.state);
  reporting_ = false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  ReportSize();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  const Geometry now = WindowGeometry();
  if (now.left == reported_.left && now.top == reported_.top) return;
  reported_.left = now.left;
  reported_.top = now.top;
  form_.Move(now.left, now.top, form_.width(), form_.height());
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && !placingHidden_) ReportSize();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  bars_->PackToolbars();  // now that the window has its width
  tree_->setFocus(Qt::OtherFocusReason);  // the window starts in the folder tree
}

void MainWindow::ApplyTabOrder() {
  // The form's order, through the views of its controls that are shown.
  std::vector<QWidget*> chain;
  for (const controls::Control* control : form_.tabOrder)
    if (auto* widget = findChild<QWidget*>(ToQString(control->name()))) chain.push_back(widget);
  // A toolbar's buttons come after the last of its boxes in the ring, or at
  // its end when it has none there.
  for (const std::vector<QToolButton*>& buttons : bars_->ToolbarButtons()) {
    if (buttons.empty()) continue;
    const QWidget* toolbar = buttons.front()->parentWidget();
    std::size_t at = chain.size();
    for (std::size_t i = 0; i < chain.size(); ++i)
      if (toolbar->isAncestorOf(chain[i])) at = i + 1;
    chain.insert(chain.begin() + static_cast<std::ptrdiff_t>(at), buttons.begin(), buttons.end());
    for (QToolButton* button : buttons) button->setFocusPolicy(Qt::TabFocus);  // Qt orders none that takes no focus
  }
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
  bars_->SyncButtonFocus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing by the user runs the form's unload, which may refuse; an
  // unload by code has run it already.
  if (form_.loaded() && !form_.Unload()) return event->ignore();
  event->accept();
  // A text selected in the window (X's primary selection) ends with the
  // program. Left owned, the program's exit would ask the desktop's
  // clipboard manager to keep it and wait on its answer, up to seconds after
  // the window has gone; what the user copied stays for the manager.
  if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard->ownsSelection())
    clipboard->clear(QClipboard::Selection);
}

}  // namespace quiremark::gui
