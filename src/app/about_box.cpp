// The about box launcher of the main window.

#include "app/about_form.h"
#include "app/main_commands.h"
#include "app/main_form.h"

namespace quiremark::app {

void ShowAbout(MainForm& form) {
  form.icon = form.imgIconLarge.picture;
  form.Refresh();
  {
    AboutForm about(form);
    about.Show(true);  // modal over the main window; returns when the box has closed
    about.Unload();
  }
  form.icon = form.imgIcon.picture;
  form.Refresh();
}

}  // namespace quiremark::app
