#pragma once

#include <QDialog>

#include "engine/splash_form.h"

class QLabel;
class QMovie;
class QProgressBar;

namespace quiremark::gui {

// The progress window on screen: follows the SplashForm model (text, bar,
// visibility, position, hourglass) and plays Loading.gif from the program's
// folder over the middle of the bar. A missing picture leaves the spot empty.
class SplashView : public QDialog {
  Q_OBJECT
 public:
  explicit SplashView(engine::SplashForm& model, QWidget* parent = nullptr);
  ~SplashView() override;

  // The form's back colour as the colouring routine sets it (&HBBGGRR).
  void SetBackColor(std::uint32_t color);

  QLabel* progressLabel() const { return label_; }
  QProgressBar* progressBar() const { return bar_; }
  QMovie* movie() const { return movie_; }

 private:
  void Follow();
  engine::SplashForm& model_;
  QLabel* label_;
  QProgressBar* bar_;
  QLabel* picture_;
  QMovie* movie_;
  bool wasLoaded_ = false;
};

}  // namespace quiremark::gui
