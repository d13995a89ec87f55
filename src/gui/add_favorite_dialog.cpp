#include "gui/add_favorite_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/control_widgets.h"
#include "gui/twips.h"

namespace quiremark::gui {

namespace {

constexpr int kFieldWidth = 4800;  // twips

QWidget* Field(controls::TextBox& box, QWidget* parent) {
  QWidget* widget = CreateControlWidget(box, Placement::Hosted, parent);
  widget->setMinimumWidth(ToPixels(kFieldWidth));
  widget->setMaximumWidth(QWIDGETSIZE_MAX);
  widget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  return widget;
}

}  // namespace

AddFavoriteDialog::AddFavoriteDialog(app::AddFavoriteForm& form, QWidget* parent)
    : FormDialog(form, parent), form_(form) {
  auto* group = static_cast<QFrame*>(CreateControlWidget(form.fraSaveFavirite, Placement::Hosted, this));
  group->setFrameShape(QFrame::StyledPanel);
  save_ = CreateButton(form.cmdSave, group);
  save_->setDefault(true);
  cancel_ = CreateButton(form.cmdCancel, group);
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
  FollowForm();
}

void AddFavoriteDialog::FollowForm() {
  setWindowTitle(ToQString(form_.caption));
  FillWithColor(this, form_.backColor());
}

void ShowAddFavoriteDialogsOnScreen(QWidget* owner) {
  ShowModallyOnScreen<AddFavoriteDialog, app::AddFavoriteForm>(owner);
}

}  // namespace quiremark::gui
