#include "gui/theme_look.h"

#include <QPalette>
#include <QWidget>
#include <algorithm>

namespace quiremark::gui {

namespace {

// What tells the themes apart besides the face colour.
struct Look {
  int barTopLighter;     // toolbar gradient: top = face.lighter(barTopLighter)
  int barBottomDarker;   // bottom = face.darker(barBottomDarker); 100/100 is flat
  int radius;            // corner radius of toolbars and hot buttons, pixels
  const char* hot;       // background of the button under the pointer
  const char* hotBorder;
  const char* pressed;
  const char* menuHot;   // highlighted menu item
  const char* menuHotText;
  bool raisedButtons;    // classic 3-D edges instead of flat hot boxes
  bool ribbon;           // menu bar as a ribbon's tab strip
};

constexpr Look kLooks[kThemeCount] = {
    // 0 Office XP: flat, navy-edged lilac hot boxes.
    {100, 100, 0, "#c1d2ee", "#316ac5", "#98b5e2", "#c1d2ee", "#000000", false, false},
    // 1 Standard: the classic grey look with raised buttons.
    {100, 100, 0, "transparent", "#808080", "#c0c0c0", "#0a246a", "#ffffff", true, false},
    // 2 Office 2003: rounded blue gradient bars, orange hot buttons.
    {118, 112, 4, "#ffeec2", "#000080", "#fe8e4b", "#ffeec2", "#000000", false, false},
    // 3 Normal XP: soft gradient, blue-grey hot boxes.
    {106, 106, 2, "#b6bdd2", "#0a246a", "#8592b5", "#b6bdd2", "#000000", false, false},
    // 4 Visual Studio 2005: pale bars fading into the face colour.
    {112, 100, 2, "#c1d2ee", "#316ac5", "#98b5e2", "#c1d2ee", "#000000", false, false},
    // 5 Office 2007: glossy blue bars, amber hot buttons.
    {114, 108, 3, "#ffe7a2", "#ffbd69", "#fbb35c", "#ffe7a2", "#000000", false, false},
    // 6 Office 2007 Ribbon: as 2007, with the menu bar drawn as a ribbon's tab strip.
    {114, 108, 3, "#ffe7a2", "#ffbd69", "#fbb35c", "#ffe7a2", "#000000", false, true},
};

QString Hex(const QColor& c) { return c.name(QColor::HexRgb); }

}  // namespace

QString ThemeStyleSheet(int theme, const QColor& face, bool frame) {
  const Look& look = kLooks[std::clamp(theme, 0, kThemeCount - 1)];
  const QString top = Hex(face.lighter(look.barTopLighter));
  const QString bottom = Hex(face.darker(look.barBottomDarker));
  const QString edge = Hex(face.darker(125));
  QString css = QStringLiteral(
                    "QToolBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);"
                    " border: 1px solid %3; border-radius: %4px; padding: 1px; spacing: 2px; }"
                    "QToolBar::separator { background: %3; width: 1px; margin: 3px 2px; }"
                    "QToolBar QToolButton { background: transparent; border: 1px solid transparent;"
                    " border-radius: %4px; padding: 2px 3px; }"
                    "QToolBar QToolButton:hover { background: %5; border-color: %6; }"
                    "QToolBar QToolButton:pressed, QToolBar QToolButton:checked { background: %7; border-color: %6; }"
                    "QToolBar QToolButton:disabled { color: #303030; }"
                    "QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }"
                    "QMenuBar::item { background: transparent; padding: 3px 8px; border: 1px solid transparent; }"
                    "QMenuBar::item:selected { background: %5; border-color: %6; border-radius: %4px; }"
                    "QMenu { background: #fdfdfd; border: 1px solid %3; }"
                    "QMenu::item { padding: 3px 24px 3px 28px; }"
                    "QMenu::item:selected { background: %8; color: %9; }"
                    "QMenu::separator { height: 1px; background: %3; margin: 2px 4px 2px 28px; }"
                    "QStatusBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);"
                    " border-top: 1px solid %3; }"
                    "QStatusBar::item { border: 1px solid %3; border-radius: 1px; }")
                    .arg(top, bottom, edge)
                    .arg(look.radius)
                    .arg(QLatin1String(look.hot), QLatin1String(look.hotBorder), QLatin1String(look.pressed),
                         QLatin1String(look.menuHot), QLatin1String(look.menuHotText));
  if (look.raisedButtons)
    css += QStringLiteral(
        "QToolBar QToolButton:hover { border: 1px solid; border-color: #ffffff #808080 #808080 #ffffff; }"
        "QToolBar QToolButton:pressed { border: 1px solid; border-color: #808080 #ffffff #ffffff #808080; }");
  if (frame) css += QStringLiteral("QMainWindow { border: 3px solid %1; }").arg(Hex(face.darker(140)));
  if (look.ribbon)
    css += QStringLiteral(
               "QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %2, stop:1 %1);"
               " border-bottom: 2px solid %1; padding-top: 2px; }"
               "QMenuBar::item { color: #15428b; padding: 4px 12px; border-top-left-radius: 4px;"
               " border-top-right-radius: 4px; }"
               "QMenuBar::item:selected { background: #ffffff; border: 1px solid %1; border-bottom: none; }")
               .arg(Hex(face.darker(140)), Hex(face.lighter(120)));
  return css;
}

void ApplyThemeLook(QWidget& window, int theme, const QColor& face, bool frame) {
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, face);
  palette.setColor(QPalette::Button, face);
  window.setPalette(palette);
  window.setStyleSheet(ThemeStyleSheet(theme, face, frame));
}

}  // namespace quiremark::gui
