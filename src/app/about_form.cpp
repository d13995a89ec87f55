#include "app/about_form.h"

#include <cstdio>

#include "app/layout.h"
#include "app/main_form.h"
#include "platform/file_search.h"
#include "platform/process.h"
#include "version.h"

namespace quiremark::app {

namespace {

constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kSysInfoProgram = "MSINFO32.EXE";

constexpr const char* kDisclaimer =
    "Programmet levereras i befintligt skick, utan garantier av något slag. Upphovsrätten tillhör NORV; "
    "otillåten kopiering eller spridning av programmet eller delar av det är förbjuden.";

bool StartProgram(const std::string& path) {
  if (path.empty()) return false;
  auto started = platform::StartProcess(std::vector<std::string>{path});
  if (!started.process) return false;
  started.process->Detach();
  return true;
}

bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

}  // namespace

std::string VersionText(int major, int minor, int revision) {
  char minorText[16];
  std::snprintf(minorText, sizeof minorText, "%02d", minor);
  std::string text = "Version " + std::to_string(major) + "." + minorText;
  if (revision >= 1 && revision <= 26)
    text += static_cast<char>('a' + revision - 1);
  else if (revision > 26)
    text += "." + std::to_string(revision);
  return text;
}

std::string DoubleSpacedAmpersands(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == ' ') out += '&';
  }
  return out;
}

std::string MailLink(const std::string& address, const std::string& subject) {
  std::string encoded;
  for (unsigned char c : subject) {
    if (Unreserved(c)) {
      encoded += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      encoded += hex;
    }
  }
  return "mailto:" + address + "?Subject=" + encoded;
}

bool GetKeyValue(platform::Hive root, const std::string& keyName, const std::string& valueName, std::string& keyValue) {
  const auto value = platform::QueryValue(root, keyName, valueName);
  if (!value) {
    keyValue.clear();
    return false;
  }
  if (value->type == platform::REG_SZ) {
    keyValue = value->data.substr(0, value->data.find('\0'));
  } else if (value->type == platform::REG_DWORD) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "&h%08X", platform::DwordOf(value->data));
    keyValue = hex;
  }
  return true;
}

void StartSysInfo(controls::UiServices& ui) {
  std::string value;
  bool started = false;
  if (GetKeyValue(platform::Hive::LocalMachine, kSysInfoKey, "PATH", value)) {
    started = StartProgram(value);  // taken as it stands, without looking for the file
  } else if (GetKeyValue(platform::Hive::LocalMachine, kSysInfoLocationKey, "MSINFO", value) && !value.empty()) {
    if (const auto program = platform::FindNameIgnoringCase(value, kSysInfoProgram)) started = StartProgram(*program);
  }
  if (!started) ui.MessageBox("System Information Is Unavailable At This Time", controls::mb::kOkOnly, version::kTitle);
}

std::function<void(AboutForm&)>& AboutForm::AttachView() {
  static std::function<void(AboutForm&)> attach;
  return attach;
}

AboutForm::AboutForm(MainForm& owner) : controls::Form("frmAbout"), owner_(owner) {
  for (controls::Control* c : std::initializer_list<controls::Control*>{
           &imgWhite, &imgIcon, &imgLogo, &lblTitle, &lblVersion, &lblDescription, &Line1, &lblCopyright,
           &lblDisclaimer, &LblMail, &Lblwww, &cmdOK, &cmdSysInfo})
    Add(*c);
  imgWhite.picture = "white";
  imgLogo.picture = "logo";
  lblDisclaimer.SetCaption(kDisclaimer);
  LblMail.SetCaption(kMailAddress);
  Lblwww.SetCaption(kWebAddress);
  if (AttachView()) AttachView()(*this);
}

void AboutForm::Form_Load() {
  lblVersion.SetCaption(VersionText(version::kMajor, version::kMinor, version::kRevision));
  lblTitle.SetCaption(version::kTitle);
  lblDescription.SetCaption(version::kFileDescription);
  lblCopyright.SetCaption(DoubleSpacedAmpersands(version::kLegalCopyright));
  caption = std::string("Om ") + version::kTitle;
  icon = owner_.imgIcon.picture;
  imgIcon.picture = owner_.icon;  // while ShowAbout runs, the large icon
  SetFormColors(*this, 0, owner_.state.themeBaseColor);
}

void AboutForm::cmdOK_Click() { Unload(); }

void AboutForm::cmdSysInfo_Click() { StartSysInfo(owner_.ui); }

void AboutForm::LblMail_Click() {
  const std::string subject = std::string(version::kProductName) + " - Version " + std::to_string(version::kMajor) +
                              "." + std::to_string(version::kMinor);
  platform::ShellOpen(MailLink(LblMail.caption(), subject));
}

void AboutForm::Lblwww_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
  platform::ShellOpen(Lblwww.caption());
}

}  // namespace quiremark::app
