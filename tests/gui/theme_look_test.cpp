#include "gui/theme_look.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <set>

#include "controls/command_bars.h"
#include "gui/twips.h"

namespace quiremark::gui {
namespace {

TEST(ThemeLook, EveryThemeLooksDifferentAndUsesItsFaceColour) {
  controls::CommandBars bars;
  std::set<QString> sheets;
  for (int theme = 0; theme < controls::kVisualThemeCount; ++theme) {
    bars.SetVisualTheme(theme);
    const QColor face = FromColorNumber(bars.GetSpecialColor(controls::kToolbarFaceColor));
    QMainWindow window;
    ApplyThemeLook(window, theme, face, false);
    EXPECT_EQ(window.palette().color(QPalette::Window), face) << theme;
    sheets.insert(window.styleSheet());
  }
  EXPECT_EQ(sheets.size(), size_t(controls::kVisualThemeCount));
}

TEST(ThemeLook, TheRibbonFrameIsDrawnOnlyWhenSwitchedOn) {
  const QColor face(227, 239, 255);
  EXPECT_FALSE(ThemeStyleSheet(6, face, false).contains(QStringLiteral("QMainWindow")));
  EXPECT_TRUE(ThemeStyleSheet(6, face, true).contains(QStringLiteral("QMainWindow")));
}

}  // namespace
}  // namespace quiremark::gui
