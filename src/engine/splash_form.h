#pragma once

#include <functional>
#include <string>

namespace quiremark::engine {

// The progress window shown while a bind run joins and converts files:
// a one-line text, a progress bar and an animated picture. This is the model
// the run drives; a view (Qt or none) follows it through onChanged.
class SplashForm {
 public:
  static constexpr const char* kInitialText = "Sammanfogar enskilda filer till sammansatt fil.";

  // Load on first use; Unload hides and forgets the text and bar.
  void Load();
  void Unload();
  void Show();  // modeless, no owner
  void Refresh();

  bool loaded() const { return loaded_; }
  bool visible() const { return visible_; }

  void SetProgressText(const std::string& text);  // lblProgress text, then refresh of the label
  const std::string& progressText() const { return text_; }

  void SetRange(int min, int max);
  void SetValue(int value);
  int min() const { return min_; }
  int max() const { return max_; }
  int value() const { return value_; }

  // Geometry in twips, as the run centres the window over the main window.
  int left = 0, top = 0;
  int width = 9885, height = 1260;
  bool hourglass = false;

  // Raised after every change a view must show (text, bar, visibility, refresh).
  std::function<void()> onChanged;
  int refreshCount = 0;

 private:
  void Changed();
  bool loaded_ = false;
  bool visible_ = false;
  std::string text_;
  int min_ = 0, max_ = 100, value_ = 0;
};

}  // namespace quiremark::engine
