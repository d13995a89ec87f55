#include "gui/splash_view.h"

#include <QLabel>
#include <QMovie>
#include <QProgressBar>
#include <QRegularExpression>

#include "controls/color.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

using engine::SplashForm;

QRect Pixels(const controls::TwipsRect& r) {
  return {ToPixels(r.left), ToPixels(r.top), ToPixels(r.width), ToPixels(r.height)};
}

}  // namespace

QString SplashView::PictureFile(const std::string& html) {
  static const QRegularExpression src(QStringLiteral("src\\s*=\\s*\"([^\"]*)\""), QRegularExpression::CaseInsensitiveOption);
  const auto match = src.match(ToQString(html));
  return match.hasMatch() ? match.captured(1) : QString();
}

SplashView::SplashView(SplashForm& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint),
      model_(model),
      label_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      picture_(new QLabel(this)),
      movie_(new QMovie(this)) {
  setModal(false);
  setFixedSize(ToPixels(SplashForm::kClientWidth), ToPixels(SplashForm::kClientHeight));
  label_->setGeometry(Pixels(SplashForm::kLabelRect));
  label_->setFont(QFont(QString::fromLatin1(SplashForm::kLabelFont), 8));
  label_->setAlignment(Qt::AlignCenter);
  bar_->setGeometry(Pixels(SplashForm::kBarRect));
  bar_->setTextVisible(false);
  picture_->setGeometry(Pixels(SplashForm::kPictureRect));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMovie(movie_);
  setAutoFillBackground(true);
  model_.onChanged = [this] { Follow(); };
  Follow();
}

SplashView::~SplashView() { model_.onChanged = nullptr; }

void SplashView::Follow() {
  // Each load starts the picture again from its first frame.
  if (model_.loaded() && !wasLoaded_) {
    movie_->stop();
    movie_->setFileName(PictureFile(model_.pictureHtml()));
    if (movie_->isValid()) movie_->start();
  }
  if (!model_.loaded()) movie_->stop();
  wasLoaded_ = model_.loaded();

  if (!controls::IsSystemColor(model_.backColor())) {
    QPalette p = palette();
    p.setColor(QPalette::Window, FromColorNumber(model_.backColor()));
    setPalette(p);
  }
  label_->setText(ToQString(model_.progressText()));
  bar_->setRange(model_.min(), model_.max());
  bar_->setValue(model_.value());
  move(ToPixels(model_.left), ToPixels(model_.top));
  if (model_.hourglass) setCursor(Qt::WaitCursor);
  else unsetCursor();
  setVisible(model_.visible());
  if (isVisible()) repaint();
}

}  // namespace quiremark::gui
