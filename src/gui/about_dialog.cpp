#include "gui/about_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/input_codes.h"
#include "gui/control_widgets.h"
#include "gui/focus_ring.h"
#include "gui/key_codes.h"
#include "gui/pictures.h"
#include "gui/twips.h"
#include "version.h"

namespace quiremark::gui {

namespace {

constexpr int kIconSize = 32;
constexpr int kTextWidth = 330;  // pixels: the column of texts

// A label of the form; `buddy` makes Qt take "&" as an access-key mark.
QLabel* Label(controls::Label& model, QWidget* buddy, QWidget* parent) {
  auto* label = static_cast<QLabel*>(CreateControlWidget(model, Placement::Hosted, parent));
  label->setBuddy(buddy);
  label->setWordWrap(true);
  label->setMaximumWidth(kTextWidth);
  return label;
}

void LookLikeLink(QLabel* label) {
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 200));
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
}

}  // namespace

AboutDialog::AboutDialog(app::AboutForm& form, QWidget* parent) : FormDialog(form, parent), form_(form) {
  ok_ = CreateButton(form.cmdOK, this);
  ok_->setDefault(true);
  sysInfo_ = CreateButton(form.cmdSysInfo, this);
  connect(ok_, &QPushButton::clicked, this, [this] { form_.cmdOK_Click(); });
  connect(sysInfo_, &QPushButton::clicked, this, [this] { form_.cmdSysInfo_Click(); });

  // The white column with the program's icon and the maker's mark.
  auto* white = new QFrame(this);
  white->setObjectName(ToQString(form.imgWhite.name()));
  white->setAutoFillBackground(true);
  QPalette whitePalette = white->palette();
  whitePalette.setColor(QPalette::Window, Qt::white);
  white->setPalette(whitePalette);
  icon_ = new QLabel(white);
  icon_->setObjectName(ToQString(form.imgIcon.name()));
  auto* logo = new QLabel(ToQString(version::kCompanyName), white);
  logo->setObjectName(ToQString(form.imgLogo.name()));
  QFont logoFont = logo->font();
  logoFont.setBold(true);
  logoFont.setLetterSpacing(QFont::PercentageSpacing, 120);
  logo->setFont(logoFont);
  QPalette logoPalette = logo->palette();
  logoPalette.setColor(QPalette::WindowText, QColor(200, 30, 30));
  logo->setPalette(logoPalette);
  auto* whiteColumn = new QVBoxLayout(white);
  whiteColumn->addWidget(icon_, 0, Qt::AlignHCenter);
  whiteColumn->addStretch();
  whiteColumn->addWidget(logo, 0, Qt::AlignHCenter);

  QLabel* title = Label(form.lblTitle, ok_, this);
  QFont titleFont = title->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
  title->setFont(titleFont);
  auto* line = new QFrame(this);
  line->setObjectName(ToQString(form.Line1.name()));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  mail_ = Label(form.LblMail, ok_, this);
  web_ = Label(form.Lblwww, ok_, this);
  for (QLabel* link : {mail_, web_}) {
    LookLikeLink(link);
    link->installEventFilter(this);
    link->setFocusPolicy(Qt::TabFocus);  // Enter or Space follows it
  }

  auto* texts = new QVBoxLayout;
  texts->addWidget(title);
  texts->addWidget(Label(form.lblVersion, ok_, this));
  texts->addWidget(Label(form.lblDescription, ok_, this));
  texts->addSpacing(6);
  texts->addWidget(line);
  texts->addWidget(Label(form.lblCopyright, ok_, this));
  texts->addSpacing(6);
  texts->addWidget(Label(form.lblDisclaimer, ok_, this));
  texts->addSpacing(6);
  texts->addWidget(mail_);
  texts->addWidget(web_);
  texts->addStretch();

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addStretch();
  buttons->addWidget(sysInfo_);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(white);
  layout->addLayout(texts, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  form_.onChanged = [this] { FollowForm(); };
  FollowForm();
  setTabOrder(ok_, mail_);
  setTabOrder(mail_, web_);
  setTabOrder(web_, sysInfo_);
  new FocusRing(*this);
}

QLabel* AboutDialog::label(const controls::Label& model) const { return findChild<QLabel*>(ToQString(model.name())); }

void AboutDialog::FollowForm() {
  setWindowTitle(ToQString(form_.caption));
  setWindowIcon(PictureIcon(form_.icon));
  icon_->setPixmap(PictureIcon(form_.imgIcon.picture).pixmap(kIconSize, kIconSize));
  FillWithColor(this, form_.backColor());
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == web_ || watched == mail_)) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      if (watched == web_) form_.Lblwww_MouseUp(controls::kLeftButton, 0, 0, 0);
      else form_.LblMail_Click();
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (watched == web_) {
      form_.Lblwww_MouseUp(ButtonOf(mouse->button()), ShiftStateOf(mouse->modifiers()),
                           float(ToTwips(int(mouse->position().x()))), float(ToTwips(int(mouse->position().y()))));
      return true;
    }
    if (watched == mail_ && mouse->button() == Qt::LeftButton) {
      form_.LblMail_Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowAboutBoxesOnScreen(QWidget* owner) { ShowModallyOnScreen<AboutDialog, app::AboutForm>(owner); }

}  // namespace quiremark::gui
