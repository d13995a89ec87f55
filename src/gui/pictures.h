#pragma once

#include <QIcon>
#include <string>

namespace quiremark::gui {

// The picture the logic names (a tree row's picture, a form's icon), chosen
// by what the name says: the computer, folders and drives from the desktop's
// icon theme or the style's standard icons; history and favourites from the
// theme or drawn; the program's icon drawn. A null icon for an empty or
// unknown name.
QIcon PictureIcon(const std::string& name);

}  // namespace quiremark::gui
