#include "gui/frame_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace quiremark::gui {

FramePlacement::FramePlacement(QWidget& window) : QObject(&window), window_(window) {
  window_.installEventFilter(this);
}

QSize FramePlacement::Frame() const { return window_.frameGeometry().size() - window_.size(); }

void FramePlacement::Place(const QRect& outer, Qt::WindowStates state) {
  if (frameKnown_) {
    pending_.reset();
    window_.setWindowState(state);
    if (state == Qt::WindowNoState) PlaceNow(outer);
    return;
  }
  pending_ = Pending{outer, state};
  if (window_.windowState() != Qt::WindowNoState) window_.setWindowState(Qt::WindowNoState);
  PlaceNow(outer);
}

void FramePlacement::PlaceNow(const QRect& outer) {
  // The window may need more room than the form gave it (its widgets'
  // minimum): it is moved as far as it takes to lie inside the work area of
  // its screen, or with its top left corner on it when it is larger.
  const QSize inner = (outer.size() - Frame()).expandedTo(window_.minimumSize()).boundedTo(window_.maximumSize());
  const QSize size = inner + Frame();
  const QScreen* screen = QGuiApplication::screenAt(outer.center());
  if (!screen) screen = window_.screen();
  QPoint at = outer.topLeft();  // a window's position is that of its frame
  if (screen) {
    const QRect area = screen->availableGeometry();
    at.setX(std::max(std::min(at.x(), area.x() + area.width() - size.width()), area.x()));
    at.setY(std::max(std::min(at.y(), area.y() + area.height() - size.height()), area.y()));
  }
  window_.move(at);
  window_.resize(inner);
}

void FramePlacement::FrameShown() {
  if (frameKnown_) return;
  frameKnown_ = true;
  if (onFrameKnown) onFrameKnown(Frame());
  if (!pending_) return;
  const Pending placed = *pending_;
  pending_.reset();
  // The size first: the platform keeps it as the normal frame of a window it maximises.
  if (window_.windowState() == Qt::WindowNoState) PlaceNow(placed.outer);
  if (placed.state != Qt::WindowNoState) window_.setWindowState(placed.state);
}

bool FramePlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Show && !watchingHandle_ && window_.windowHandle()) {
    watchingHandle_ = true;
    window_.windowHandle()->installEventFilter(this);
  } else if (watched != &window_ && event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
    FrameShown();
  }
  return false;
}

}  // namespace quiremark::gui
