#include "engine/splash_form.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quiremark::engine {
namespace {

TEST(SplashForm, LoadTakesTheThemeColourWithShadeTenAndThePictureBesideTheProgram) {
  testing::ScopedEnv programDir("QUIREMARK_PROGRAM_DIR", "/opt/quiremark");
  settings::AppState state;
  state.themeBaseColor = 0x00FFEFF8;  // red 248: the shade carries into green
  SplashForm splash;
  splash.appState = &state;
  splash.Load();
  EXPECT_EQ(splash.backColor(), 0x00FFF002u);
  EXPECT_EQ(splash.pictureHtml(), "<img src=\"/opt/quiremark/Loading.gif\">");
  EXPECT_EQ(splash.progressText(), SplashForm::kInitialText);

  // A later run loads it again and takes the colour of the theme chosen meanwhile.
  splash.Unload();
  state.themeBaseColor = 0x00D8E9EC;
  splash.Load();
  EXPECT_EQ(splash.backColor(), 0x00D8E9F6u);
}

}  // namespace
}  // namespace quiremark::engine
