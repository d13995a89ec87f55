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

constexpr int kLabelMargin = 10;  // pixels the centred text keeps from each edge of the window

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

void SplashView::reject() {
  if (model_.loaded()) model_.stopRequested = true;
}

void SplashView::Follow() {
  // Each load starts the picture again from its first frame.
  if (model_.loaded() && !wasLoaded_) {
    movie_->stop();
    movie_->setFileName(PictureFile(model_.pictureHtml()));
    if (movie_->isValid()) movie_->start();
  }
  if (!model_.loaded()) movie_->stop();
  wasLoaded_ = model_.loaded();

  // A bind run of thousands of files reports every file: only what the
  // window shows differently is set, and it is painted only then.
  bool changed = false;  // the whole window is painted again
  bool textChanged = false, barChanged = false;
  if (!controls::IsSystemColor(model_.backColor()) && shownColor_ != model_.backColor()) {
    QPalette p = palette();
    p.setColor(QPalette::Window, FromColorNumber(model_.backColor()));
    setPalette(p);
    shownColor_ = model_.backColor();
    changed = true;
  }
  if (const QString text = ToQString(model_.progressText()); text != shownText_) {
    // A text wider than the window (a long path) loses its middle, so that
    // its beginning, which says what happens, and its end both show.
    shownText_ = text;
    label_->setText(label_->fontMetrics().elidedText(text, Qt::ElideMiddle, width() - 2 * kLabelMargin));
    textChanged = true;
  }
  if (bar_->minimum() != model_.min() || bar_->maximum() != model_.max()) {
    bar_->setRange(model_.min(), model_.max());
    shownPercent_ = -1;
    changed = true;
  }
  // The bar moves by whole percents: a step of one file in thousands moves it by no pixel.
  const long long span = static_cast<long long>(model_.max()) - model_.min();
  const int percent = span > 0 ? static_cast<int>((static_cast<long long>(model_.value()) - model_.min()) * 100 / span) : 0;
  if (percent != shownPercent_) {
    bar_->setValue(model_.value());
    shownPercent_ = percent;
    barChanged = true;
  }
  const QPoint at(ToPixels(model_.left), ToPixels(model_.top));
  if (pos() != at) move(at);
  if (model_.hourglass != shownHourglass_) {
    if (model_.hourglass) setCursor(Qt::WaitCursor);
    else unsetCursor();
    shownHourglass_ = model_.hourglass;
  }
  if (isVisible() != model_.visible()) {
    setVisible(model_.visible());
    changed = true;
  }
  if (!isVisible()) return;
  if (changed) {
    repaint();
    return;
  }
  if (textChanged) label_->repaint();
  if (barChanged) bar_->repaint();
}

}  // namespace quiremark::gui
