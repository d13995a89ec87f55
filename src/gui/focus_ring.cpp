#include "gui/focus_ring.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusFrame>

namespace quiremark::gui {

QColor FocusColor(const QPalette& palette) {
  return QColor::fromRgb(palette.color(QPalette::Active, QPalette::Highlight).darker(150).rgb());
}

FocusRing::FocusRing(QWidget& window) : QObject(&window), window_(window), frame_(new QFocusFrame(&window)) {
  QPalette palette = frame_->palette();
  palette.setColor(QPalette::WindowText, FocusColor(window.palette()));
  frame_->setPalette(palette);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
  Follow(QApplication::focusWidget());
}

QWidget* FocusRing::around() const { return frame_ ? frame_->widget() : nullptr; }

void FocusRing::Follow(QWidget* focus) {
  if (!frame_) return;
  if (focus && focus->window() != &window_) return;  // another window's focus: this one's stays marked there
  if (focus && qobject_cast<QComboBox*>(focus->parentWidget())) focus = focus->parentWidget();
  if (qobject_cast<QAbstractItemView*>(focus)) focus = nullptr;  // marks its own frame
  frame_->setWidget(focus);
}

}  // namespace quiremark::gui
