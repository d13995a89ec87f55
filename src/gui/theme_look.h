#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace quiremark::gui {

// The command bars' seven visual themes as Qt looks. `face` is the theme's
// toolbar face colour (the command bars' special colour 30); every other
// colour of a look is derived from it or fixed per theme. `frame` draws the
// window frame that goes with theme 6.
QString ThemeStyleSheet(int theme, const QColor& face, bool frame);

// Gives `window` (a main window with its bars) the look of `theme`: its style
// sheet and a palette whose window colour is the face colour.
void ApplyThemeLook(QWidget& window, int theme, const QColor& face, bool frame);

}  // namespace quiremark::gui
