#pragma once

#include <functional>
#include <string>

#include "app/options_form.h"
#include "controls/basic_controls.h"
#include "controls/form.h"
#include "controls/ui_services.h"
#include "platform/registry.h"

namespace quiremark::app {

class MainForm;

// "Version " + major + "." + minor with at least two digits, then the
// revision as a lower-case letter (1 a ... 26 z) when it is above 0: 1.0
// with revision 12 reads "Version 1.00l". A revision above 26, which no
// letter stands for, follows as "." and its number.
std::string VersionText(int major, int minor, int revision);

// A text for a label that takes "&" as an access-key mark: every "& " is
// written "&& " so that the ampersand shows.
std::string DoubleSpacedAmpersands(const std::string& text);

// A mailto link to `address` whose subject is `subject`, encoded as mailto
// links need ("mailto:a@b?Subject=Quiremark%20-%20Version%201.0").
std::string MailLink(const std::string& address, const std::string& subject);

// Reads value `valueName` of key `keyName` under `root` into `keyValue`:
// a text value as its text up to the first NUL, a 32-bit number as "&h"
// and eight hexadecimal digits; a value of any other type leaves keyValue as
// it was. True when the value was read; false (keyValue "") when the key or
// the value is missing.
bool GetKeyValue(platform::Hive root, const std::string& keyName, const std::string& valueName, std::string& keyValue);

// Starts the system information program named in the machine hive, or says
// that it is unavailable.
void StartSysInfo(controls::UiServices& ui);

// A line of the form design.
class Line : public controls::Control {
 public:
  using Control::Control;
};

// The about box frmAbout: the program's title, version, description and
// copyright from the build's version information, the maker's mail and web
// links, a button for the system information program and OK.
class AboutForm : public controls::Form {
 public:
  explicit AboutForm(MainForm& owner);

  // Runs for every new about box, before it is loaded; the Qt front end
  // attaches its window here. Unset: showing the box changes nothing.
  static std::function<void(AboutForm&)>& AttachView();

  static constexpr const char* kMailAddress = "support@norv.se";
  static constexpr const char* kWebAddress = "https://www.norv.se";

  controls::PictureBox imgWhite{"imgWhite"};
  controls::PictureBox imgIcon{"imgIcon"};
  controls::PictureBox imgLogo{"imgLogo"};
  controls::Label lblTitle{"lblTitle"};
  controls::Label lblVersion{"lblVersion"};
  controls::Label lblDescription{"lblDescription"};
  Line Line1{"Line1"};
  controls::Label lblCopyright{"lblCopyright"};
  controls::Label lblDisclaimer{"lblDisclaimer"};
  controls::Label LblMail{"LblMail"};
  controls::Label Lblwww{"Lblwww"};
  CommandButton cmdOK{"cmdOK", "OK"};
  CommandButton cmdSysInfo{"cmdSysInfo", "&System Info..."};

  void cmdOK_Click();
  void cmdSysInfo_Click();
  // Opens a new mail to the address of LblMail.
  void LblMail_Click();
  // Opens the web address of Lblwww, whichever mouse button was let go.
  void Lblwww_MouseUp(int button, int shift, float x, float y);

 protected:
  void Form_Load() override;

 private:
  MainForm& owner_;
};

}  // namespace quiremark::app
