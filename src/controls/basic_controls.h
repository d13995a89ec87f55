#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "controls/control.h"

namespace quiremark::controls {

// A label; `caption` is its text.
class Label : public Control {
 public:
  using Control::Control;
  const std::string& caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  std::string fontName;

 private:
  std::string caption_;
};

// A frame or plain container (fraMain); only its place and colour matter.
class Frame : public Control {
 public:
  using Control::Control;
};

// A picture control; `picture` names the image a view draws (empty: none).
// Tree rows and form icons refer to these by the control's name.
class PictureBox : public Control {
 public:
  using Control::Control;
  std::string picture;
};

// A text box. onChange runs whenever the text changes, by the user or by code.
// A locked box shows its text without letting the user change it; one that
// is no tab stop never takes the keyboard focus.
class TextBox : public Control {
 public:
  using Control::Control;
  const std::string& text() const { return text_; }
  void SetText(const std::string& text);
  bool multiLine = false;
  bool locked = false;
  bool tabStop = true;
  std::string toolTipText;
  std::function<void()> onChange;

 private:
  std::string text_;
};

// A combo box: an editable text over a list of items. onChange runs on every
// change of the text (typing or code); onClick when an item is chosen from
// the list, after the text has taken the item; onEnter when the user
// confirms the text with Enter.
class ComboBox : public Control {
 public:
  using Control::Control;
  const std::string& text() const { return text_; }
  void SetText(const std::string& text);

  void AddItem(const std::string& item);
  void Clear();  // empties the list; the text stays
  int listCount() const { return static_cast<int>(items_.size()); }
  const std::string& List(int index) const { return items_.at(index); }
  const std::vector<std::string>& items() const { return items_; }
  // -1 when the text is not the chosen item.
  int listIndex() const { return listIndex_; }
  // The user (or code) picks an item: the text becomes it, then onChange and onClick run.
  void ChooseItem(int index);

  std::string toolTipText;
  std::function<void()> onChange;
  std::function<void()> onClick;
  std::function<void()> onEnter;

 private:
  std::string text_;
  std::vector<std::string> items_;
  int listIndex_ = -1;
};

// A check box: value 0 cleared, 1 set, 2 greyed. onClick runs on every change of the value.
class CheckBox : public Control {
 public:
  using Control::Control;
  int value() const { return value_; }
  void SetValue(int value);
  std::string caption;
  std::function<void()> onClick;

 private:
  int value_ = 0;
};

// A progress bar with a range; the value stays within it.
class ProgressBar : public Control {
 public:
  using Control::Control;
  int min() const { return min_; }
  int max() const { return max_; }
  int value() const { return value_; }
  void SetMin(int min);
  void SetMax(int max);
  void SetValue(int value);

 private:
  int min_ = 0, max_ = 100, value_ = 0;
};

// A folder list: its folder and that folder's subfolders (full paths, in
// name order ignoring case; hidden ones are not listed). onChange runs when the folder changes.
class FolderList : public Control {
 public:
  using Control::Control;
  const std::string& path() const { return path_; }
  // Throws ControlError (76, path not found) when the folder does not exist;
  // the list then keeps its previous folder.
  void SetPath(const std::string& path);
  // No folder at all (the folder tree's computer root); onChange runs when there was one.
  void Clear();
  void Refresh();
  int listCount() const { return static_cast<int>(subfolders_.size()); }
  const std::string& List(int index) const { return subfolders_.at(index); }
  std::function<void()> onChange;

 private:
  std::string path_;
  std::vector<std::string> subfolders_;
};

inline constexpr int kErrPathNotFound = 76;

// A file list: the names of its folder's files that match its pattern
// (several patterns separated by ";", "*" and "?" as wildcards, letter case
// ignored), in name order ignoring case; hidden files and subfolders are not listed.
class FileList : public Control {
 public:
  using Control::Control;
  const std::string& path() const { return path_; }
  void SetPath(const std::string& path);  // lists the folder again
  const std::string& pattern() const { return pattern_; }
  // Throws ControlError 380 for a pattern that names a folder; the list keeps its pattern.
  void SetPattern(const std::string& pattern);
  void Refresh();
  int listCount() const { return static_cast<int>(names_.size()); }
  const std::string& List(int index) const { return names_.at(index); }

 private:
  std::string path_;
  std::string pattern_ = "*.*";
  std::vector<std::string> names_;
};

// The list of drives. Each entry's text begins with the folder the drive
// is mounted on (a network drive's also names its source); its folder is
// that folder alone. Entries come from whoever knows the machine's drives.
class DriveList : public Control {
 public:
  struct Entry {
    std::string text;
    std::string folder;
  };
  using Control::Control;
  void SetEntries(std::vector<Entry> entries);
  int listCount() const { return static_cast<int>(entries_.size()); }
  const std::string& List(int index) const { return entries_.at(index).text; }
  const std::string& Folder(int index) const { return entries_.at(index).folder; }

 private:
  std::vector<Entry> entries_;
};

// A plain status bar with numbered panels (1 is the first, as the forms count them).
class PanelStatusBar : public Control {
 public:
  explicit PanelStatusBar(std::string name, int panels = 1) : Control(std::move(name)), panels_(panels) {}
  int panelCount() const { return static_cast<int>(panels_.size()); }
  const std::string& PanelText(int panel) const { return panels_.at(panel - 1); }
  void SetPanelText(int panel, const std::string& text);
  void Refresh() const { Changed(); }

 private:
  std::vector<std::string> panels_;
};

}  // namespace quiremark::controls
