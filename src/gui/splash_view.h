#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

#include "engine/splash_form.h"

class QLabel;
class QMovie;
class QProgressBar;

namespace quiremark::gui {

// The progress window on screen: follows the SplashForm model (text, bar,
// visibility, position, colour, hourglass) and plays the picture its
// document names (Loading.gif from the program's folder) over the middle of
// the bar. A missing picture leaves the spot empty. Escape stops the run.
class SplashView : public QDialog {
 public:
  explicit SplashView(engine::SplashForm& model, QWidget* parent = nullptr);
  ~SplashView() override;

  QLabel* progressLabel() const { return label_; }
  QProgressBar* progressBar() const { return bar_; }
  QMovie* movie() const { return movie_; }

  // The file an "<img src=...>" document shows ("" when it names none).
  static QString PictureFile(const std::string& html);

 protected:
  // Escape, or closing the window, asks the run to stop; the run takes the
  // window away once it has.
  void reject() override;

 private:
  void Follow();
  engine::SplashForm& model_;
  QLabel* label_;
  QProgressBar* bar_;
  QLabel* picture_;
  QMovie* movie_;
  bool wasLoaded_ = false;
  QString shownText_;  // the run's text, which the label may show shortened
  // What the window shows now, so that a report that changes none of it costs nothing.
  std::optional<std::uint32_t> shownColor_;
  int shownPercent_ = -1;
  bool shownHourglass_ = false;
};

}  // namespace quiremark::gui
