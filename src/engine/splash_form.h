#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/ui_services.h"
#include "settings/app_state.h"

namespace quiremark::engine {

// The progress window shown while a bind run joins and converts files:
// a one-line text, a progress bar and an animated picture. This is the model
// the run drives; a view (Qt or none) follows it through onChanged.
class SplashForm {
 public:
  static constexpr const char* kInitialText = "Sammanfogar enskilda filer till sammansatt fil.";
  // Why a run that was asked to stop made no PDF.
  static constexpr const char* kStoppedText = "Bindningen avbröts.";

  // Load on first use; Unload hides and forgets the text and bar.
  void Load();
  void Unload();
  void Show();  // modeless, over the main window
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
  // The user asked the run to stop (Escape on this window, or the main window
  // closed): the run ends its converter at its next look and makes no PDF.
  // Each run clears it as it starts.
  bool stopRequested = false;

  // The design: client area and the places of the label, the bar and the
  // picture over the middle of the bar (left, top, width, height).
  static constexpr int kClientWidth = 9750;
  static constexpr int kClientHeight = 855;
  static constexpr controls::TwipsRect kLabelRect{-120, 0, 9795, 195};
  static constexpr controls::TwipsRect kBarRect{0, 240, 9735, 615};
  static constexpr controls::TwipsRect kPictureRect{4440, 280, 615, 495};
  static constexpr const char* kLabelFont = "Tahoma";
  static constexpr int kShade = 10;

  // Where the load takes the theme's base colour from; without it the
  // window keeps the system colour.
  const settings::AppState* appState = nullptr;
  // Set by the load: the colour of the window and of its three controls
  // (the theme's base colour plus the shade 10), and the document of the
  // picture control, which shows Loading.gif from the program's folder.
  std::uint32_t backColor() const { return backColor_; }
  const std::string& pictureHtml() const { return pictureHtml_; }

  // Raised after every change a view must show (text, bar, visibility, refresh).
  std::function<void()> onChanged;
  int refreshCount = 0;

 private:
  void Changed();
  bool loaded_ = false;
  bool visible_ = false;
  std::string text_;
  int min_ = 0, max_ = 100, value_ = 0;
  std::uint32_t backColor_ = 0x80000005;
  std::string pictureHtml_;
};

}  // namespace quiremark::engine
