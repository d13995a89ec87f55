#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

class QFocusFrame;
class QPalette;
class QWidget;

namespace quiremark::gui {

// The colour that marks the control that has the keyboard: the highlight,
// deepened so that it stands out from a light highlight and a light face.
QColor FocusColor(const QPalette& palette);

// A ring of the focus colour, two pixels wide, around the control of
// `window` that has the keyboard (a combo box's ring for its edit field):
// the styles' own marks, a thin light line or a dotted rectangle, are hard
// to see. The grids draw their own mark on their frame.
class FocusRing : public QObject {
 public:
  explicit FocusRing(QWidget& window);

  QWidget* around() const;  // the control the ring is around (nullptr: none)

 private:
  void Follow(QWidget* focus);

  QWidget& window_;
  QPointer<QFocusFrame> frame_;
};

}  // namespace quiremark::gui
