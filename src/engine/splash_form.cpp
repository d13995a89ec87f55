#include "engine/splash_form.h"

#include <algorithm>

#include "platform/program_info.h"

namespace quiremark::engine {

void SplashForm::Load() {
  if (loaded_) return;
  loaded_ = true;
  if (appState) backColor_ = appState->themeBaseColor + static_cast<std::uint32_t>(kShade);
  pictureHtml_ = "<img src=\"" + (platform::ProgramFolder() / "Loading.gif").string() + "\">";
  text_ = kInitialText;
  min_ = 0;
  max_ = 100;
  value_ = 0;
  Changed();
}

void SplashForm::Unload() {
  if (!loaded_) return;
  loaded_ = false;
  visible_ = false;
  hourglass = false;
  Changed();
}

void SplashForm::Show() {
  Load();
  visible_ = true;
  Changed();
}

void SplashForm::Refresh() {
  ++refreshCount;
  Changed();
}

void SplashForm::SetProgressText(const std::string& text) {
  Load();
  text_ = text;
  Refresh();
}

void SplashForm::SetRange(int min, int max) {
  Load();
  min_ = min;
  max_ = std::max(min, max);
  value_ = std::clamp(value_, min_, max_);
  Changed();
}

void SplashForm::SetValue(int value) {
  Load();
  value_ = std::clamp(value, min_, max_);
  Changed();
}

void SplashForm::Changed() {
  if (onChanged) onChanged();
}

}  // namespace quiremark::engine
