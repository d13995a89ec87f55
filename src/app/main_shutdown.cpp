#include <string>

#include "app/form_window.h"
#include "app/main_form.h"
#include "app/main_startup.h"
#include "settings/form_placement.h"
#include "settings/registry_settings.h"
#include "version.h"

namespace quiremark::app {

// The main window closes: what the next start-up reads back is saved, the
// program's version is recorded for the machine, and the other windows close.
// An unattended run ends without coming here, so it saves nothing.
void MainForm::Form_Unload(bool& /*cancel*/) {
  // A bind under way ends its converter and makes no PDF: nobody is left to
  // see it open.
  if (state.bindRunActive) frmSplash.stopRequested = true;
  // A minimised window saves the size it has when shown normally.
  if (windowState() == controls::kWindowMinimized) SetWindowState(controls::kWindowNormal);
  settings::SaveFormPlacement(FormWindow(*this));
  settings::SaveRegSetting("Width", std::to_string(width()));
  settings::SaveRegSetting("Height", std::to_string(height()));
  settings::SaveRegSetting("WinState", std::to_string(windowState()));
  settings::SaveRegSetting("FileExtension", cboFileExt.text());
  settings::SaveRegSetting("FolderPattern", cboFolderName.text());
  for (int col = 0; col < fgFiles.cols(); ++col)
    settings::SaveRegSetting("GridCol_" + std::to_string(col), std::to_string(fgFiles.ColWidth(col)));
  CommandBars.SaveCommandBars(version::kCompanyName, version::kProductName, kBarLayoutSection);
  settings::SaveMachineSetting("Version", std::to_string(version::kMajor) + "." + std::to_string(version::kMinor) +
                                              "." + std::to_string(version::kRevision));
  frmSplash.Unload();
}

}  // namespace quiremark::app
