#include "app/add_favorite_form.h"

#include "app/layout.h"
#include "app/main_startup.h"
#include "platform/program_info.h"
#include "settings/ini_file.h"
#include "settings/text_routines.h"

namespace quiremark::app {

namespace {

namespace mb = controls::mb;

// A label that would break the settings file: empty, taken for a comment,
// or holding a character of the file's own syntax, a line break or a NUL.
bool UnusableLabel(const std::string& label) {
  return label.empty() || label.front() == ';' || label.find_first_of(std::string("=[]\r\n\0", 7)) != std::string::npos;
}

bool HoldsLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

std::function<void(AddFavoriteForm&)>& AddFavoriteForm::AttachView() {
  static std::function<void(AddFavoriteForm&)> attach;
  return attach;
}

AddFavoriteForm::AddFavoriteForm(const settings::AppState& state, controls::UiServices& ui)
    : controls::Form("frmAddFavorite"), state_(state), ui_(ui) {
  caption = "Spara sökväg bland favoriter";
  for (controls::Control* c : std::initializer_list<controls::Control*>{&fraSaveFavirite, &Label1, &txtLabel, &Label2,
                                                                        &txtPath, &cmdSave, &cmdCancel})
    Add(*c);
  Label1.SetCaption("Mapprubrik:");
  Label2.SetCaption("Sökväg:");
  if (AttachView()) AttachView()(*this);
}

void AddFavoriteForm::Form_Load() { SetFormColors(*this, 0, state_.themeBaseColor); }

std::filesystem::path AddFavoriteForm::SettingsFile() const {
  if (!state_.iniPath.empty()) return state_.iniPath;
  return platform::ProgramFolder() / kIniFileName;
}

void AddFavoriteForm::cmdSave_Click() {
  const std::string& label = txtLabel.text();
  const std::string& path = txtPath.text();
  if (UnusableLabel(label)) {
    ui_.MessageBox(
        "Mapprubriken kan inte sparas. Den får inte vara tom, börja med ; eller innehålla =, [, ] "
        "eller radbrytningar.",
        mb::kOkOnly | mb::kExclamation, "Mapprubrik");
    return;
  }
  if (HoldsLineBreak(path)) {
    ui_.MessageBox("Sökvägen kan inte sparas. Den får inte innehålla radbrytningar.", mb::kOkOnly | mb::kExclamation,
                   "Sökväg");
    return;
  }
  if (!settings::FolderExists(path)) {
    const auto answer = ui_.MessageBox("Angiven sökväg existerar ej. Vill du ändå spara?",
                                       mb::kYesNoCancel | mb::kQuestion, "Mapp saknas");
    if (answer == controls::MsgResult::No) {
      Unload();
      return;
    }
    if (answer != controls::MsgResult::Yes) return;
  }
  const std::filesystem::path file = SettingsFile();
  if (!settings::WriteIniString(kFavoriteSection, label, path, file))
    ui_.MessageBox("Kunde inte spara i inställningsfilen " + file.string() + ".", mb::kOkOnly | mb::kCritical, "Fel");
}

void AddFavoriteForm::cmdCancel_Click() { Unload(); }

}  // namespace quiremark::app
