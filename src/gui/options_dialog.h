#pragma once

#include <QDialog>

#include "app/options_form.h"

class QTabWidget;

namespace quiremark::gui {

// The options dialog on screen: its three tabs with their groups, labels,
// lists, check boxes and buttons, each widget following its control in the
// form, and the window following the form's caption, colour and place.
// Closing by a button, the close box or Escape unloads the form, which
// stores the placement (and, for "Spara ändringar", the options).
class OptionsDialog : public QDialog {
 public:
  explicit OptionsDialog(app::OptionsForm& form, QWidget* parent = nullptr);
  ~OptionsDialog() override;

  QTabWidget* tabs() const { return tabs_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void FollowForm();
  // Gives the form the window's place and size before it unloads and stores them.
  void ReportGeometry();
  QWidget* GeneralTab();
  QWidget* ConverterTab(controls::CheckBox& use, int index);

  app::OptionsForm& form_;
  QTabWidget* tabs_;
};

// From now on every options dialog the program makes is shown on screen,
// modally over `owner`, when its form is shown.
void ShowOptionsDialogsOnScreen(QWidget* owner);

}  // namespace quiremark::gui
