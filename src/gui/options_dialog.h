#pragma once

#include "app/options_form.h"
#include "gui/form_dialog.h"

class QTabWidget;

namespace quiremark::gui {

// The options dialog on screen: its three tabs with their groups, labels,
// lists, check boxes and buttons, each widget following its control in the
// form, and the window following the form's caption, colour and place.
// Closing by a button, the close box or Escape unloads the form, which
// stores the placement (and, for "Spara ändringar", the options).
class OptionsDialog : public FormDialog {
 public:
  explicit OptionsDialog(app::OptionsForm& form, QWidget* parent = nullptr);

  QTabWidget* tabs() const { return tabs_; }

 protected:
  // Gives the form the window's place and size before it unloads and stores them.
  void BeforeUnload() override { ReportGeometry(); }

 private:
  void FollowForm();
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
