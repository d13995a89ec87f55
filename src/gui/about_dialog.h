#pragma once

#include "app/about_form.h"
#include "gui/form_dialog.h"

class QLabel;
class QPushButton;

namespace quiremark::gui {

// The about box on screen: the program's icon on a white column, the
// title, version, description and copyright, the notice, the mail and web
// links and the two buttons, each widget following its control in the form.
// Labels take "&" as an access-key mark, as the form's labels do ("&&"
// shows one ampersand). OK, the close box and Escape unload the form.
class AboutDialog : public FormDialog {
 public:
  explicit AboutDialog(app::AboutForm& form, QWidget* parent = nullptr);

  QLabel* label(const controls::Label& model) const;
  QPushButton* okButton() const { return ok_; }
  QPushButton* sysInfoButton() const { return sysInfo_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FollowForm();

  app::AboutForm& form_;
  QLabel* icon_;
  QLabel* mail_;
  QLabel* web_;
  QPushButton* ok_;
  QPushButton* sysInfo_;
};

// From now on every about box the program makes is shown on screen,
// modally over `owner`, when its form is shown.
void ShowAboutBoxesOnScreen(QWidget* owner);

}  // namespace quiremark::gui
