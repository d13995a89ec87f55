#pragma once

#include <QObject>
#include <QRect>
#include <functional>
#include <optional>

class QWidget;

namespace quiremark::gui {

// Places a window by its outer frame, the size the forms keep, and gives it
// its state. The frame the window manager draws around a window is known only
// once the window is on screen: until then the window is sized as if it had
// none and shown normally, and as soon as its frame is known its size is put
// right and it takes its state. So a window that opens maximised has the
// right normal size when the user restores it. A window never opens beyond
// its screen's work area, not even one that needs more room than it was given.
class FramePlacement : public QObject {
 public:
  explicit FramePlacement(QWidget& window);

  // Puts the window's normal frame at `outer` (pixels) and gives it `state`.
  // A window that is maximised or minimised on screen keeps its normal frame.
  void Place(const QRect& outer, Qt::WindowStates state = Qt::WindowNoState);

  // Runs once, when the frame is first known, before the size is put right;
  // it gets the frame's share of the outer size.
  std::function<void(const QSize& frame)> onFrameKnown;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Pending {
    QRect outer;
    Qt::WindowStates state;
  };
  QSize Frame() const;
  void PlaceNow(const QRect& outer);
  // The window is on screen for the first time: its frame is known.
  void FrameShown();

  QWidget& window_;
  std::optional<Pending> pending_;  // placed before the frame was known
  bool frameKnown_ = false;
  bool watchingHandle_ = false;
};

}  // namespace quiremark::gui
