#include "gui/add_favorite_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/control_widgets.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

constexpr int kFieldWidth = 4800;  // twips

QPushButton* Button(const app::CommandButton& model, QWidget* parent) {
  auto* button = new QPushButton(ToQString(model.caption), parent);
  button->setObjectName(ToQString(model.name()));
  button->setAutoDefault(false);
  return button;
}

QWidget* Field(controls::TextBox& box, QWidget* parent) {
  QWidget* widget = CreateControlWidget(box, Placement::Hosted, parent);
  widget->setMinimumWidth(ToPixels(kFieldWidth));
  widget->setMaximumWidth(QWIDGETSIZE_MAX);
  widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return widget;
}

}  // namespace

AddFavoriteDialog::AddFavoriteDialog(app::AddFavoriteForm& form, QWidget* parent) : QDialog(parent), form_(form) {
  setObjectName(ToQString(form.name()));
  setModal(true);

  auto* group = static_cast<QFrame*>(CreateControlWidget(form.fraSaveFavirite, Placement::Hosted, this));
  group->setFrameShape(QFrame::StyledPanel);
  save_ = Button(form.cmdSave, group);
  save_->setDefault(true);
  cancel_ = Button(form.cmdCancel, group);
  connect(save_, &QPushButton::clicked, this, [this] { form_.cmdSave_Click(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { form_.cmdCancel_Click(); });

  auto* fields = new QGridLayout;
  fields->addWidget(CreateControlWidget(form.Label1, Placement::Hosted, group), 0, 0);
  fields->addWidget(Field(form.txtLabel, group), 0, 1);
  fields->addWidget(CreateControlWidget(form.Label2, Placement::Hosted, group), 1, 0);
  fields->addWidget(Field(form.txtPath, group), 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save_);
  buttons->addWidget(cancel_);
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addLayout(fields);
  inGroup->addLayout(buttons);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  form_.onChanged = [this] { FollowForm(); };
  form_.onHideRequest = [this] {
    if (isVisible()) done(QDialog::Rejected);
  };
  FollowForm();
}

AddFavoriteDialog::~AddFavoriteDialog() {
  form_.onChanged = nullptr;
  form_.onHideRequest = nullptr;
}

void AddFavoriteDialog::FollowForm() {
  setWindowTitle(ToQString(form_.caption));
  if (controls::IsSystemColor(form_.backColor())) return;
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, FromColorNumber(form_.backColor()));
  setPalette(palette);
  setAutoFillBackground(true);
}

void AddFavoriteDialog::closeEvent(QCloseEvent* event) {
  if (form_.loaded() && !form_.Unload()) return event->ignore();
  QDialog::closeEvent(event);
}

void AddFavoriteDialog::reject() {
  if (form_.loaded()) form_.Unload();
  QDialog::reject();
}

void ShowAddFavoriteDialogsOnScreen(QWidget* owner) {
  QPointer<QWidget> guardedOwner(owner);
  app::AddFavoriteForm::AttachView() = [guardedOwner](app::AddFavoriteForm& form) {
    form.onShowRequest = [&form, guardedOwner](bool) {
      AddFavoriteDialog dialog(form, guardedOwner.data());
      dialog.exec();
    };
  };
}

}  // namespace quiremark::gui
