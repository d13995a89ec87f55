#include "controls/basic_controls.h"

#include <algorithm>
#include <system_error>

#include "platform/file_search.h"

namespace quiremark::controls {

namespace fs = std::filesystem;

void Label::SetCaption(const std::string& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  Changed();
}

void TextBox::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  Changed();
  if (onChange) onChange();
}

void ComboBox::SetText(const std::string& text) {
  if (text_ == text) return;
  text_ = text;
  if (listIndex_ >= 0 && items_[listIndex_] != text_) listIndex_ = -1;
  Changed();
  if (onChange) onChange();
}

void ComboBox::AddItem(const std::string& item) {
  items_.push_back(item);
  Changed();
}

void ComboBox::Clear() {
  items_.clear();
  listIndex_ = -1;
  Changed();
}

void ComboBox::ChooseItem(int index) {
  const std::string& item = items_.at(index);
  listIndex_ = index;
  if (text_ != item) {
    text_ = item;
    Changed();
    if (onChange) onChange();
  } else {
    Changed();
  }
  if (onClick) onClick();
}

void CheckBox::SetValue(int value) {
  if (value < 0 || value > 2) throw ControlError(kErrInvalidPropertyValue, "check box value " + std::to_string(value));
  if (value_ == value) return;
  value_ = value;
  Changed();
  if (onClick) onClick();
}

void ProgressBar::SetMin(int min) {
  min_ = min;
  max_ = std::max(max_, min_);
  value_ = std::clamp(value_, min_, max_);
  Changed();
}

void ProgressBar::SetMax(int max) {
  max_ = std::max(max, min_);
  value_ = std::clamp(value_, min_, max_);
  Changed();
}

void ProgressBar::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
  Changed();
}

void FolderList::SetPath(const std::string& path) {
  std::error_code ec;
  if (!fs::is_directory(fs::path(path), ec)) throw ControlError(kErrPathNotFound, "path not found: " + path);
  const bool changed = path != path_;
  path_ = path;
  Refresh();
  if (changed && onChange) onChange();
}

void FolderList::Clear() {
  const bool changed = !path_.empty();
  path_.clear();
  Refresh();
  if (changed && onChange) onChange();
}

void FolderList::Refresh() {
  subfolders_.clear();
  if (path_.empty()) return Changed();
  for (const platform::FoundEntry& e : platform::FindEntries(path_, "*", {platform::EntryKind::Folders, false, false}))
    subfolders_.push_back(e.path.string());
  Changed();
}

void FileList::SetPath(const std::string& path) {
  path_ = path;
  Refresh();
}

void FileList::SetPattern(const std::string& pattern) {
  if (pattern.find_first_of("/\\") != std::string::npos)
    throw ControlError(kErrInvalidPropertyValue, "file pattern names a folder: " + pattern);
  pattern_ = pattern;
  Refresh();
}

void FileList::Refresh() {
  names_.clear();
  if (path_.empty()) return Changed();
  for (const platform::FoundEntry& e : platform::FindEntries(path_, pattern_, {platform::EntryKind::Files, false, false}))
    names_.push_back(e.name);
  Changed();
}

void DriveList::SetEntries(std::vector<Entry> entries) {
  entries_ = std::move(entries);
  Changed();
}

void PanelStatusBar::SetPanelText(int panel, const std::string& text) {
  panels_.at(panel - 1) = text;
  Changed();
}

}  // namespace quiremark::controls
