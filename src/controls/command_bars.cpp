#include "controls/command_bars.h"

#include <algorithm>
#include <array>

namespace quiremark::controls {

namespace {

// The toolbar face of each theme (special colour 30).
constexpr std::array<Color, kVisualThemeCount> kToolbarFaces = {
    Rgb(236, 233, 216),  // 0 Office XP
    Rgb(212, 208, 200),  // 1 Standard
    Rgb(196, 218, 250),  // 2 Office 2003
    Rgb(241, 239, 226),  // 3 Normal XP
    Rgb(229, 229, 215),  // 4 Visual Studio 2005
    Rgb(191, 219, 255),  // 5 Office 2007
    Rgb(227, 239, 255),  // 6 Office 2007 Ribbon
};

}  // namespace

CommandBarControl::CommandBarControl(CommandBars* owner, int type, int id, std::string caption)
    : caption(std::move(caption)), owner_(owner), type_(type), id_(id) {
  if (type_ == kControlPopup) children_ = std::make_unique<CommandBarControls>(owner);
}

void CommandBarControl::Changed() const {
  if (owner_) owner_->Changed();
}

void CommandBarControl::SetDescriptionText(const std::string& text) {
  description_ = text;
  Changed();
}

void CommandBarControl::SetTooltipText(const std::string& text) {
  tooltip_ = text;
  Changed();
}

void CommandBarControl::SetVisible(bool visible) {
  visible_ = visible;
  Changed();
}

void CommandBarControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Changed();
}

void CommandBarControl::SetChecked(bool checked) {
  checked_ = checked;
  Changed();
}

void CommandBar::SetTitle(const std::string& title) {
  title_ = title;
  if (owner_) owner_->Changed();
}

void CommandBar::SetVisible(bool visible) {
  visible_ = visible;
  if (owner_) owner_->Changed();
}

CommandBarControls& CommandBarControl::controls() {
  if (!children_) throw std::logic_error("command " + std::to_string(id_) + " is not a popup");
  return *children_;
}

const CommandBarControls& CommandBarControl::controls() const {
  return const_cast<CommandBarControl*>(this)->controls();
}

CommandBarControl& CommandBarControls::Add(int type, int id, const std::string& caption) {
  if (type != kControlButton && type != kControlPopup && type != kControlCustom)
    throw ControlError(kErrInvalidPropertyValue, "command control kind " + std::to_string(type));
  items_.push_back(std::make_unique<CommandBarControl>(owner_, type, id, caption));
  return *items_.back();
}

StatusBarPane& CommandBarsStatusBar::AddPane(int id) {
  panes_.push_back(StatusBarPane{});
  panes_.back().id = id;
  return panes_.back();
}

StatusBarPane* CommandBarsStatusBar::FindPane(int id) {
  auto it = std::find_if(panes_.begin(), panes_.end(), [id](const StatusBarPane& p) { return p.id == id; });
  return it == panes_.end() ? nullptr : &*it;
}

void CommandBarsStatusBar::SetPaneText(int id, const std::string& text) {
  if (StatusBarPane* pane = FindPane(id)) {
    pane->text = text;
    if (onChanged) onChanged();
  }
}

CommandBars::CommandBars() = default;

CommandBar& CommandBars::Add(const std::string& name, int position) {
  toolbars_.push_back(std::make_unique<CommandBar>(this, name, position));
  return *toolbars_.back();
}

CommandBar* CommandBars::FindToolbar(const std::string& name) {
  for (auto& bar : toolbars_)
    if (bar->name() == name) return bar.get();
  return nullptr;
}

CommandBar& CommandBars::AddPopup() {
  std::erase_if(popups_, [this](const std::unique_ptr<CommandBar>& p) { return p.get() != showing_; });
  if (lastPopupShown_ != showing_) lastPopupShown_ = nullptr;
  popups_.push_back(std::make_unique<CommandBar>(this, "Popup", kBarPopup));
  return *popups_.back();
}

void CommandBars::ShowPopup(CommandBar& popup) { RunPopup(popup, false, 0, 0); }

void CommandBars::ShowPopup(CommandBar& popup, int x, int y) { RunPopup(popup, true, x, y); }

void CommandBars::RunPopup(CommandBar& popup, bool atPosition, int x, int y) {
  lastPopupShown_ = &popup;
  CommandBar* outer = showing_;
  showing_ = &popup;
  if (onShowPopup) onShowPopup(popup, atPosition, x, y);
  showing_ = outer;
}

void CommandBars::CollectById(CommandBarControls& list, int id, int type, std::vector<CommandBarControl*>& out) {
  for (const auto& item : list) {
    if (item->id() == id && (type == 0 || item->type() == type)) out.push_back(item.get());
    if (item->type() == kControlPopup) CollectById(item->controls(), id, type, out);
  }
}

CommandBarControl* CommandBars::FindControl(int id, int type) {
  std::vector<CommandBarControl*> found;
  for (auto& bar : toolbars_) CollectById(bar->controls(), id, type, found);
  CollectById(menuBar_.controls(), id, type, found);
  return found.empty() ? nullptr : found.front();
}

std::vector<CommandBarControl*> CommandBars::FindControls(int id) {
  std::vector<CommandBarControl*> found;
  CollectById(menuBar_.controls(), id, 0, found);
  for (auto& bar : toolbars_) CollectById(bar->controls(), id, 0, found);
  return found;
}

bool CommandBars::HasImage(int commandId) const {
  return std::find(imageIds_.begin(), imageIds_.end(), commandId) != imageIds_.end();
}

void CommandBars::AddKeyBinding(int keyCode, int commandId) { keyBindings_.push_back({keyCode, commandId}); }

bool CommandBars::HandleKey(int keyCode, int shift) {
  if (shift != 0) return false;
  auto it = std::find_if(keyBindings_.begin(), keyBindings_.end(),
                         [keyCode](const KeyBinding& b) { return b.keyCode == keyCode; });
  if (it == keyBindings_.end()) return false;
  if (CommandBarControl* control = FindControl(it->commandId)) {
    Execute(*control);
  } else {
    CommandBarControl bare(this, kControlButton, it->commandId, "");
    Execute(bare);
  }
  return true;
}

void CommandBars::SetVisualTheme(int theme) {
  if (theme < 0 || theme >= kVisualThemeCount)
    throw ControlError(kErrInvalidPropertyValue, "visual theme " + std::to_string(theme));
  visualTheme_ = theme;
  Changed();
}

void CommandBars::SetThemeFrame(bool on) {
  themeFrame_ = on;
  Changed();
}

Color CommandBars::GetSpecialColor(int index) const {
  if (index != kToolbarFaceColor)
    throw ControlError(kErrInvalidPropertyValue, "special colour " + std::to_string(index));
  return kToolbarFaces[visualTheme_];
}

void CommandBars::SetClientRect(const BarRect& rect) {
  const bool changed = rect.left != clientRect_.left || rect.top != clientRect_.top ||
                       rect.right != clientRect_.right || rect.bottom != clientRect_.bottom;
  clientRect_ = rect;
  if (changed && onResize) onResize();
}

void CommandBars::SaveCommandBars(const std::string& company, const std::string& product, const std::string& section) {
  if (layoutStore_) layoutStore_->SaveLayout(company, product, section);
}

void CommandBars::LoadCommandBars(const std::string& company, const std::string& product, const std::string& section) {
  if (layoutStore_) layoutStore_->LoadLayout(company, product, section);
  Changed();
}

void CommandBars::Execute(CommandBarControl& control) {
  if (onExecute) onExecute(control);
}

}  // namespace quiremark::controls
