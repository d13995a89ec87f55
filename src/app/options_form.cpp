#include "app/options_form.h"

#include <algorithm>
#include <charconv>

#include "app/form_window.h"
#include "app/layout.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "settings/form_placement.h"
#include "settings/registry_settings.h"

namespace quiremark::app {
namespace {

constexpr int kShade = 10;

constexpr const char* kGhostscriptPage = "https://ghostscript.com/releases/gsdnld.html";
constexpr const char* kDistillerPage = "https://www.adobe.com/acrobat/acrobat-pro.html";

std::string Stored(const std::string& name, const std::string& defaultValue) {
  return settings::GetRegSetting(name, defaultValue, kOptionsKey);
}

void Store(const std::string& name, const std::string& value) { settings::SaveRegSetting(name, value, kOptionsKey); }

// A stored number; `fallback` when the text is none.
int StoredNumber(const std::string& name, int fallback) {
  const std::string text = Stored(name, std::to_string(fallback));
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

// Fills a list and chooses the stored item. An index beyond the list (an
// edited registry, or -1 stored for a typed text) is brought into it.
void FillList(controls::ComboBox& box, const std::vector<std::string>& items, const std::string& indexName,
              int defaultIndex) {
  box.Clear();
  for (const auto& item : items) box.AddItem(item);
  if (box.listCount() == 0) return;
  box.ChooseItem(settings::ListChoice(Stored(indexName, std::to_string(defaultIndex)), defaultIndex, box.listCount()));
}

std::vector<std::string> SplitAtBars(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (std::size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(text.substr(start, bar - start));
  parts.push_back(text.substr(start));
  return parts;
}

// The list position of the box's text, -1 when it matches no item.
int IndexOfText(const controls::ComboBox& box) {
  if (box.listIndex() >= 0) return box.listIndex();
  const auto& items = box.items();
  const auto it = std::find(items.begin(), items.end(), box.text());
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void LoadCheck(controls::CheckBox& box, const char* name, int defaultValue) {
  const int value = StoredNumber(name, defaultValue);
  box.SetValue(value >= 0 && value <= 2 ? value : defaultValue);
}

}  // namespace

std::function<void(OptionsForm&)>& OptionsForm::AttachView() {
  static std::function<void(OptionsForm&)> attach;
  return attach;
}

OptionsForm::OptionsForm(const settings::AppState& state, controls::UiServices& ui)
    : controls::Form("frmOptions"), state_(state), ui_(ui) {
  caption = "Alternativ";
  for (controls::Control* c : std::initializer_list<controls::Control*>{
           &tabOptions, &fraPdfProperties, &lblShow, &cboShow, &lblLayout, &cboLayout, &lblZoom, &cboZoom,
           &fraMetadata, &lblDocTitle, &cboDocTitle, &lblDocAuthor, &cboDocAuthor, &lblDocSubject, &cboDocSubject,
           &lblDocKeywords, &txtDocKeywords, &fraOther, &chkOpenPdf, &chkMetadata, &lblPrevious, &cboHistoryDays,
           &cmdIni, &chkDistiller, &lblHomepage[1], &txtHomepage[1], &cmdHomepage[1], &chkGS, &lblHomepage[0],
           &txtHomepage[0], &cmdHomepage[0], &cmdSaveChanges, &cmdCancel})
    Add(*c);

  lblShow.SetCaption("Visa:");
  lblLayout.SetCaption("Sidlayout:");
  lblZoom.SetCaption("Förstoring:");
  lblDocTitle.SetCaption("Titel:");
  lblDocAuthor.SetCaption("Författare:");
  lblDocSubject.SetCaption("Ämne:");
  lblDocKeywords.SetCaption("Nyckelord:");
  chkOpenPdf.caption = " Öppna PDF när den skapats";
  chkMetadata.caption = " Ange Metadata när PDF skapas";
  lblPrevious.SetCaption("Antal dagar för tidigare mappar");
  chkDistiller.caption = "Använd Acrobat Distiller";
  chkGS.caption = "Använd GhostScript";
  for (auto& label : lblHomepage) label.SetCaption("Web-adress:");
  txtHomepage[0].SetText(kGhostscriptPage);
  txtHomepage[1].SetText(kDistillerPage);

  // Exactly one converter is ticked after any click.
  chkDistiller.onClick = [this] { chkGS.SetValue(chkDistiller.value() == 1 ? 0 : 1); };
  chkGS.onClick = [this] { chkDistiller.SetValue(chkGS.value() == 1 ? 0 : 1); };

  if (AttachView()) AttachView()(*this);
}

void OptionsForm::Form_Load() {
  FormWindow window(*this);
  settings::RestoreFormPlacement(window, kMinHeight, kMinWidth, ui_);
  SetFormColors(*this, kShade, state_.themeBaseColor);
  LoadOptions();
}

void OptionsForm::Form_Unload(bool& /*cancel*/) { settings::SaveFormPlacement(FormWindow(*this)); }

void OptionsForm::LoadOptions() {
  FillList(cboShow, {"Endast sida", "Sida och bokmärken", "Sida och miniatyrer"}, "cboShow", 1);
  FillList(cboLayout, {"En sida", "Kontinuerligt", "Motstående sidor"}, "cboLayout", 0);
  FillList(cboZoom, {"Sidbredd", "Anpassa till sida", "100%"}, "cboZoom", 1);
  FillList(cboDocTitle, SplitAtBars(Stored("DocTitle", kTitleFileMarker)), "cboDocTitle", 0);
  FillList(cboDocAuthor, SplitAtBars(Stored("DocAuthor", platform::UserName())), "cboDocAuthor", 0);
  FillList(cboDocSubject, SplitAtBars(Stored("DocSubject", "")), "cboDocSubject", 0);
  txtDocKeywords.SetText(Stored("DocKeywords", ""));
  LoadCheck(chkOpenPdf, "chkOpenPdf", 1);
  LoadCheck(chkMetadata, "chkMetadata", 0);
  FillList(cboHistoryDays, {"1", "2", "3", "4", "5", "7", "14", "21", "28", "50", "75", "100"}, "cboHistoryDays",
           6);
  LoadCheck(chkDistiller, "chkDistiller", 1);
  chkGS.SetValue(chkDistiller.value() == 1 ? 0 : 1);
}

void OptionsForm::cmdSaveChanges_Click() {
  platform::HiveWriteBatch oneWrite(platform::Hive::CurrentUser);
  Store("cboShow", std::to_string(IndexOfText(cboShow)));
  Store("cboLayout", std::to_string(IndexOfText(cboLayout)));
  Store("cboZoom", std::to_string(IndexOfText(cboZoom)));
  Store("cboDocTitle", std::to_string(IndexOfText(cboDocTitle)));
  Store("DocTitle", cboDocTitle.text());
  Store("cboDocAuthor", std::to_string(IndexOfText(cboDocAuthor)));
  Store("DocAuthor", cboDocAuthor.text());
  Store("cboDocSubject", std::to_string(IndexOfText(cboDocSubject)));
  Store("DocSubject", cboDocSubject.text());
  Store("DocKeywords", txtDocKeywords.text());
  Store("cboHistoryDays", std::to_string(IndexOfText(cboHistoryDays)));
  Store("chkOpenPdf", std::to_string(chkOpenPdf.value()));
  Store("chkMetadata", std::to_string(chkMetadata.value()));
  Store("chkDistiller", std::to_string(chkDistiller.value()));
  Unload();
}

void OptionsForm::cmdCancel_Click() { Unload(); }

void OptionsForm::cmdHomepage_Click(int index) {
  if (index < 0 || index >= static_cast<int>(txtHomepage.size())) return;
  platform::ShellOpen(txtHomepage[index].text());
}

}  // namespace quiremark::app
