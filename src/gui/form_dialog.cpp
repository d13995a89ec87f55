#include "gui/form_dialog.h"

#include <QCloseEvent>
#include <QPushButton>

#include "app/options_form.h"
#include "gui/twips.h"

namespace quiremark::gui {

QPushButton* CreateButton(const app::CommandButton& model, QWidget* parent) {
  auto* button = new QPushButton(ToQString(model.caption), parent);
  button->setObjectName(ToQString(model.name()));
  button->setAutoDefault(false);
  return button;
}

void FillWithColor(QWidget* widget, controls::Color color) {
  if (controls::IsSystemColor(color)) return;
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, FromColorNumber(color));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

FormDialog::FormDialog(controls::Form& form, QWidget* parent) : QDialog(parent), shownForm_(form) {
  setObjectName(ToQString(form.name()));
  setModal(true);
  shownForm_.onHideRequest = [this] {
    if (isVisible()) done(QDialog::Rejected);
  };
}

FormDialog::~FormDialog() {
  shownForm_.onChanged = nullptr;
  shownForm_.onHideRequest = nullptr;
}

void FormDialog::closeEvent(QCloseEvent* event) {
  BeforeUnload();
  if (shownForm_.loaded() && !shownForm_.Unload()) return event->ignore();
  QDialog::closeEvent(event);
}

void FormDialog::reject() {
  BeforeUnload();
  if (shownForm_.loaded()) shownForm_.Unload();
  QDialog::reject();
}

}  // namespace quiremark::gui
