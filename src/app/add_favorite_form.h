#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "app/options_form.h"
#include "controls/basic_controls.h"
#include "controls/form.h"
#include "controls/ui_services.h"
#include "settings/app_state.h"

namespace quiremark::app {

// The settings file's section of the folders saved under a label.
inline constexpr const char* kFavoriteSection = "Favorite";

// The dialog frmAddFavorite: saves a folder path under a label as a line
// label=path of the settings file's section "Favorite".
class AddFavoriteForm : public controls::Form {
 public:
  AddFavoriteForm(const settings::AppState& state, controls::UiServices& ui);

  // Runs for every new dialog, before it is loaded; the Qt front end
  // attaches its window here. Unset: showing the dialog changes nothing.
  static std::function<void(AddFavoriteForm&)>& AttachView();

  controls::Frame fraSaveFavirite{"fraSaveFavirite"};
  controls::Label Label1{"Label1"};
  controls::TextBox txtLabel{"txtLabel"};
  controls::Label Label2{"Label2"};
  controls::TextBox txtPath{"txtPath"};
  CommandButton cmdSave{"cmdSave", "Spara"};
  CommandButton cmdCancel{"cmdCancel", "Avbryt"};

  // Saves the line; a folder that does not exist is saved only when the
  // user says Yes, and No closes the dialog. A label the settings file
  // cannot hold is refused.
  void cmdSave_Click();
  void cmdCancel_Click();

 protected:
  void Form_Load() override;

 private:
  std::filesystem::path SettingsFile() const;

  const settings::AppState& state_;
  controls::UiServices& ui_;
};

}  // namespace quiremark::app
