#include "controls/basic_controls.h"

#include <algorithm>
#include <cctype>
#include <system_error>

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

void FolderList::Refresh() {
  subfolders_.clear();
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(path_), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (it->is_directory(typeEc)) subfolders_.push_back(it->path().string());
  }
  std::sort(subfolders_.begin(), subfolders_.end());
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
  std::vector<std::string> patterns;
  for (std::size_t start = 0;;) {
    const std::size_t end = pattern_.find(';', start);
    const std::string one = pattern_.substr(start, end - start);
    if (!one.empty()) patterns.push_back(one);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(path_), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc)) continue;
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;  // hidden
    if (std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) { return WildcardMatch(name, p); }))
      names_.push_back(name);
  }
  std::sort(names_.begin(), names_.end());
  Changed();
}

void DriveList::SetEntries(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  Changed();
}

void PanelStatusBar::SetPanelText(int panel, const std::string& text) {
  panels_.at(panel - 1) = text;
  Changed();
}

namespace {

// Splits UTF-8 text into characters, lower-casing ASCII letters.
std::vector<std::string> FoldedChars(const std::string& s) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t len = 1;
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead >= 0xF0) len = 4;
    else if (lead >= 0xE0) len = 3;
    else if (lead >= 0xC0) len = 2;
    std::string c = s.substr(i, len);
    if (len == 1) c[0] = static_cast<char>(std::tolower(lead));
    chars.push_back(std::move(c));
    i += len;
  }
  return chars;
}

}  // namespace

bool WildcardMatch(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  const std::vector<std::string> n = FoldedChars(name);
  const std::vector<std::string> p = FoldedChars(pattern);
  std::size_t ni = 0, pi = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == "?" || p[pi] == n[ni])) {
      ++ni;
      ++pi;
    } else if (pi < p.size() && p[pi] == "*") {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == "*") ++pi;
  return pi == p.size();
}

}  // namespace quiremark::controls
