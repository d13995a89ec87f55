#include "gui/theme_look.h"

#include <QPalette>
#include <QWidget>
#include <algorithm>

#include "controls/command_bars.h"

namespace quiremark::gui {

namespace {

constexpr int kFrameWidth = 3;  // pixels of the theme-6 window frame

QString Hex(const QColor& c) { return c.name(QColor::HexRgb); }

QString Vertical(const QColor& top, const QColor& bottom) {
  return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)").arg(Hex(top), Hex(bottom));
}

QString Horizontal(const QColor& left, const QColor& right) {
  return QStringLiteral("qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 %1, stop:1 %2)").arg(Hex(left), Hex(right));
}

// A glassy face: light upper half, a step, a deeper lower half.
QString Gloss(const QColor& face) {
  return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:0.45 %2, stop:0.46 %3, stop:1 %4)")
      .arg(Hex(face.lighter(112)), Hex(face.lighter(104)), Hex(face.darker(103)), Hex(face.darker(108)));
}

// What tells the themes apart besides the face colour.
struct Look {
  QString bars;        // toolbar background
  QString menuBar;     // menu bar background
  QString statusBar;   // status bar background
  int radius;          // corners of toolbars and hot buttons, pixels
  QString hot;         // the button or menu title under the pointer
  QString hotBorder;
  QString pressed;     // a pressed or checked button
  QString menuHot;     // the highlighted menu item and its text
  QString menuHotText;
  QString extra;       // rules of this theme only
};

Look LookOf(int theme, const QColor& face) {
  switch (theme) {
    case 0:  // Office XP: flat bars, square lilac hot boxes with navy edges.
      return {Hex(face), Hex(face), Hex(face), 0, "#c1d2ee", "#316ac5", "#98b5e2", "#c1d2ee", "#000000",
              QStringLiteral("QMenu { background: #fcfcf9; } QMenu::item:selected { border: 1px solid #316ac5; }")};
    case 1:  // Standard: the classic grey, raised edges, navy menu highlight.
      return {Hex(face), Hex(face), Hex(face), 0, "transparent", "#808080", Hex(face), "#0a246a", "#ffffff",
              QStringLiteral("QToolBar { border: 1px solid; border-color: #ffffff #808080 #808080 #ffffff; }"
                             "QToolBar QToolButton:hover { border: 1px solid;"
                             " border-color: #ffffff #404040 #404040 #ffffff; }"
                             "QToolBar QToolButton:pressed { border: 1px solid;"
                             " border-color: #404040 #ffffff #ffffff #404040; }"
                             "QStatusBar::item { border: 1px solid; border-color: #808080 #ffffff #ffffff #808080; }")};
    case 2:  // Office 2003: rounded blue gradient bars, orange hot buttons.
      return {Vertical(face.lighter(125), face.darker(118)), Horizontal(face.lighter(115), face.darker(108)),
              Vertical(face.lighter(110), face.darker(110)), 4, "#ffeec2", "#000080", "#fe914e", "#ffeec2", "#000000",
              QStringLiteral("QMenu { background: #f6f6f6; }")};
    case 3:  // Normal XP: white fading to the face, small rounding.
      return {Vertical(QColor(Qt::white), face.darker(104)), Hex(face), Vertical(face.lighter(104), face.darker(104)), 2,
              "#b6bdd2", "#0a246a", "#8592b5", "#b6bdd2", "#000000", {}};
    case 4:  // Visual Studio 2005: bars fading sideways, a darker right end.
      return {Horizontal(face.lighter(118), face.darker(112)), Horizontal(face.lighter(108), face.darker(104)),
              Vertical(face.lighter(108), face), 3, "#c1d2ee", "#316ac5", "#98b5e2", "#c1d2ee", "#000000",
              QStringLiteral("QMenu { background: #fbfbf9; border: 1px solid #8a867a; }")};
    case 5:  // Office 2007: glassy blue bars, amber hot buttons.
      return {Gloss(face), Vertical(face.lighter(108), face.darker(104)), Gloss(face), 3,
              "qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff5cc, stop:1 #ffd46e)", "#ffbd69", "#fbb35c",
              "#ffe7a2", "#000000", QStringLiteral("QMenuBar::item { color: #15428b; }")};
    default:  // 6 Office 2007 Ribbon: as 2007, the menu bar a ribbon's tab band.
      return {Gloss(face), Vertical(QColor(0xdb, 0xe7, 0xf7), QColor(0xbf, 0xd4, 0xef)), Gloss(face), 3,
              "qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff5cc, stop:1 #ffd46e)", "#ffbd69", "#fbb35c",
              "#ffe7a2", "#000000",
              QStringLiteral("QMenuBar { border-bottom: 1px solid #8db2e3; padding-top: 3px; }"
                             "QMenuBar::item { color: #15428b; padding: 3px 12px; border-top-left-radius: 4px;"
                             " border-top-right-radius: 4px; }"
                             "QMenuBar::item:selected { background: %1; border: 1px solid #8db2e3;"
                             " border-bottom: none; }")
                  .arg(Hex(face.lighter(104)))};
  }
}

}  // namespace

QString ThemeStyleSheet(int theme, const QColor& face, bool frame) {
  const Look look = LookOf(std::clamp(theme, 0, controls::kVisualThemeCount - 1), face);
  const QString edge = Hex(face.darker(125));
  QString css =
      QStringLiteral(
          "QToolBar { background: %1; border: 1px solid %4; border-radius: %5px; padding: 1px; spacing: 2px; }"
          "QToolBar::separator { background: %4; width: 1px; margin: 3px 2px; }"
          "QToolBar QToolButton { background: transparent; border: 1px solid transparent; border-radius: %5px;"
          " padding: 2px 3px; }"
          "QToolBar QToolButton:hover { background: %6; border-color: %7; }"
          "QToolBar QToolButton:pressed, QToolBar QToolButton:checked { background: %8; border-color: %7; }"
          "QToolBar QToolButton:disabled { color: #202020; }"
          "QMenuBar { background: %2; }"
          "QMenuBar::item { background: transparent; padding: 3px 8px; border: 1px solid transparent; }"
          "QMenuBar::item:selected { background: %6; border-color: %7; border-radius: %5px; }"
          "QMenu { background: #fdfdfd; border: 1px solid %4; }"
          "QMenu::item { padding: 3px 24px 3px 28px; }"
          "QMenu::item:selected { background: %9; color: %10; }"
          "QMenu::separator { height: 1px; background: %4; margin: 2px 4px 2px 28px; }"
          "QStatusBar { background: %3; border-top: 1px solid %4; }"
          "QStatusBar::item { border: 1px solid %4; border-radius: 1px; }")
          .arg(look.bars, look.menuBar, look.statusBar, edge)
          .arg(look.radius)
          .arg(look.hot, look.hotBorder, look.pressed, look.menuHot, look.menuHotText);
  css += look.extra;
  if (frame) css += QStringLiteral("QMainWindow { border: %1px solid %2; }").arg(kFrameWidth).arg(Hex(face.darker(150)));
  return css;
}

void ApplyThemeLook(QWidget& window, int theme, const QColor& face, bool frame) {
  // The style sheet first: changing it puts back the palette from before the previous one.
  window.setStyleSheet(ThemeStyleSheet(theme, face, frame));
  window.setAttribute(Qt::WA_StyledBackground, frame);
  const int margin = frame ? kFrameWidth : 0;
  window.setContentsMargins(margin, margin, margin, margin);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, face);
  palette.setColor(QPalette::Button, face);
  window.setPalette(palette);
}

}  // namespace quiremark::gui
