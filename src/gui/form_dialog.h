#pragma once

#include <QDialog>
#include <QPointer>

#include "controls/color.h"
#include "controls/form.h"

class QCloseEvent;
class QPushButton;

namespace quiremark::app {
class CommandButton;
}

namespace quiremark::gui {

// A push button with the caption and name of the form's button; it is not
// pressed by Enter unless made the default.
QPushButton* CreateButton(const app::CommandButton& model, QWidget* parent);

// Gives a widget the form's back colour; a system colour leaves it as the
// platform draws it.
void FillWithColor(QWidget* widget, controls::Color color);

// A dialog window showing a form. Unloading the form closes it; the close
// box and Escape unload the form (which may refuse), after BeforeUnload has
// given the form what it needs to keep (its window's place, for instance).
class FormDialog : public QDialog {
 public:
  FormDialog(controls::Form& form, QWidget* parent);
  ~FormDialog() override;

 protected:
  virtual void BeforeUnload() {}
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  controls::Form& shownForm_;
};

// From now on every form of type F the program makes is shown on screen as
// a modal dialog D over `owner` when the form is shown: the dialog lives
// while it is shown.
template <typename D, typename F>
void ShowModallyOnScreen(QWidget* owner) {
  QPointer<QWidget> guardedOwner(owner);
  F::AttachView() = [guardedOwner](F& form) {
    form.onShowRequest = [&form, guardedOwner](bool) {
      D dialog(form, guardedOwner.data());
      dialog.exec();
    };
  };
}

}  // namespace quiremark::gui
