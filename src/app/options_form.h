#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "controls/basic_controls.h"
#include "controls/form.h"
#include "controls/ui_services.h"
#include "settings/app_state.h"

namespace quiremark::app {

// The registry subkey that holds the options and the dialog's placement.
inline constexpr const char* kOptionsKey = "Options";
// The title the bind takes from the drawing folder's title file.
inline constexpr const char* kTitleFileMarker = "<QuiremarkTitle.txt>";

// A push button; its click runs the dialog's handler.
class CommandButton : public controls::Control {
 public:
  CommandButton(std::string name, std::string caption) : Control(std::move(name)), caption(std::move(caption)) {}
  std::string caption;
};

// A group box: a frame with a caption.
class GroupBox : public controls::Frame {
 public:
  GroupBox(std::string name, std::string caption) : Frame(std::move(name)), caption(std::move(caption)) {}
  std::string caption;
};

// A tab control: its tab captions and the tab shown.
class TabControl : public controls::Control {
 public:
  TabControl(std::string name, std::vector<std::string> tabs) : Control(std::move(name)), tabs(std::move(tabs)) {}
  std::vector<std::string> tabs;
  int currentTab = 0;
};

// The options dialog frmOptions: the PDF viewer settings, the document
// information, opening the PDF, the metadata prompt, the history days and
// the converter, each kept as a value of the subkey "Options".
class OptionsForm : public controls::Form {
 public:
  OptionsForm(const settings::AppState& state, controls::UiServices& ui);

  // Runs for every new dialog, before it is loaded; the Qt front end
  // attaches its window here. Unset: the dialog has no window (tests,
  // unattended runs), and showing it changes nothing.
  static std::function<void(OptionsForm&)>& AttachView();

  // The window never opens smaller than this (twips).
  static constexpr int kMinHeight = 6000;
  static constexpr int kMinWidth = 7860;

  TabControl tabOptions{"tabOptions", {"Generella inställningar", "Acrobat Distiller", "Ghostscript"}};

  // Tab "Generella inställningar".
  GroupBox fraPdfProperties{"fraPdfProperties", "PDF-egenskaper"};
  controls::Label lblShow{"lblShow"};
  controls::ComboBox cboShow{"cboShow"};
  controls::Label lblLayout{"lblLayout"};
  controls::ComboBox cboLayout{"cboLayout"};
  controls::Label lblZoom{"lblZoom"};
  controls::ComboBox cboZoom{"cboZoom"};

  GroupBox fraMetadata{"fraMetadata", "Dokument-metadata"};
  controls::Label lblDocTitle{"lblDocTitle"};
  controls::ComboBox cboDocTitle{"cboDocTitle"};
  controls::Label lblDocAuthor{"lblDocAuthor"};
  controls::ComboBox cboDocAuthor{"cboDocAuthor"};
  controls::Label lblDocSubject{"lblDocSubject"};
  controls::ComboBox cboDocSubject{"cboDocSubject"};
  controls::Label lblDocKeywords{"lblDocKeywords"};
  controls::TextBox txtDocKeywords{"txtDocKeywords"};

  GroupBox fraOther{"fraOther", "Övriga inställningar"};
  controls::CheckBox chkOpenPdf{"chkOpenPdf"};
  controls::CheckBox chkMetadata{"chkMetadata"};
  controls::Label lblPrevious{"lblPrevious"};
  controls::ComboBox cboHistoryDays{"cboHistoryDays"};

  CommandButton cmdIni{"cmdIni", "Programinställningsfil..."};

  // Tabs "Acrobat Distiller" (index 1 of the arrays) and "Ghostscript" (index 0).
  controls::CheckBox chkDistiller{"chkDistiller"};
  controls::CheckBox chkGS{"chkGS"};
  std::array<controls::Label, 2> lblHomepage{controls::Label("lblHomepage"), controls::Label("lblHomepage")};
  std::array<controls::TextBox, 2> txtHomepage{controls::TextBox("txtHomepage"), controls::TextBox("txtHomepage")};
  std::array<CommandButton, 2> cmdHomepage{CommandButton("cmdHomepage", "Gå till..."),
                                           CommandButton("cmdHomepage", "Gå till...")};

  CommandButton cmdSaveChanges{"cmdSaveChanges", "S&para ändringar"};
  CommandButton cmdCancel{"cmdCancel", "A&vsluta utan att spara"};

  // Fills the controls from the stored options (defaults where none are stored).
  void LoadOptions();
  // Stores every option and closes the dialog.
  void cmdSaveChanges_Click();
  // Closes the dialog without storing anything.
  void cmdCancel_Click();
  // Opens the web address of txtHomepage(index).
  void cmdHomepage_Click(int index);

 protected:
  void Form_Load() override;
  void Form_Unload(bool& cancel) override;

 private:
  const settings::AppState& state_;
  controls::UiServices& ui_;
};

}  // namespace quiremark::app
