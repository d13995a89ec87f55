#pragma once

#include "app/add_favorite_form.h"
#include "gui/form_dialog.h"

class QPushButton;

namespace quiremark::gui {

// The add-favourite dialog on screen: the group with the label and path
// fields and the two buttons, following the form. "Spara" leaves it open
// (unless the user answers No to a missing folder); "Avbryt", the close box
// and Escape unload the form.
class AddFavoriteDialog : public FormDialog {
 public:
  explicit AddFavoriteDialog(app::AddFavoriteForm& form, QWidget* parent = nullptr);

  QPushButton* saveButton() const { return save_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void FollowForm();

  app::AddFavoriteForm& form_;
  QPushButton* save_;
  QPushButton* cancel_;
};

// From now on every add-favourite dialog the program makes is shown on
// screen, modally over `owner`, when its form is shown.
void ShowAddFavoriteDialogsOnScreen(QWidget* owner);

}  // namespace quiremark::gui
