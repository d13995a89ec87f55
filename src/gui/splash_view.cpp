#include "gui/splash_view.h"

#include <QApplication>
#include <QLabel>
#include <QMovie>
#include <QProgressBar>

#include "gui/twips.h"
#include "platform/program_info.h"

namespace quiremark::gui {

namespace {
QRect TwipsGeometry(int left, int top, int width, int height) {
  return {ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height)};
}
}  // namespace

SplashView::SplashView(engine::SplashForm& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint),
      model_(model),
      label_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      picture_(new QLabel(this)),
      movie_(new QMovie(QString::fromStdString((platform::ProgramFolder() / "Loading.gif").string()), {}, this)) {
  setModal(false);
  setFixedSize(ToPixels(9750), ToPixels(855));
  label_->setGeometry(TwipsGeometry(-120, 0, 9795, 195));
  label_->setFont(QFont(QStringLiteral("Tahoma"), 8));
  label_->setAlignment(Qt::AlignCenter);
  bar_->setGeometry(TwipsGeometry(0, 240, 9735, 615));
  bar_->setTextVisible(false);
  picture_->setGeometry(TwipsGeometry(4440, 280, 615, 495));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMovie(movie_);
  model_.onChanged = [this] { Follow(); };
  Follow();
}

SplashView::~SplashView() { model_.onChanged = nullptr; }

void SplashView::SetBackColor(std::uint32_t color) {
  QPalette p = palette();
  p.setColor(QPalette::Window, FromColorNumber(color));
  setPalette(p);
  setAutoFillBackground(true);
}

void SplashView::Follow() {
  // Each load starts the picture from its first frame.
  if (model_.loaded() && !wasLoaded_ && movie_->isValid()) {
    movie_->stop();
    movie_->start();
  }
  if (!model_.loaded()) movie_->stop();
  wasLoaded_ = model_.loaded();

  label_->setText(QString::fromStdString(model_.progressText()));
  bar_->setRange(model_.min(), model_.max());
  bar_->setValue(model_.value());
  move(ToPixels(model_.left), ToPixels(model_.top));
  if (model_.hourglass) setCursor(Qt::WaitCursor);
  else unsetCursor();
  setVisible(model_.visible());
  if (isVisible()) repaint();
}

}  // namespace quiremark::gui
