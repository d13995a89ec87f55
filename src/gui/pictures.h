#pragma once

#include <QIcon>
#include <string>

namespace quiremark::gui {

// The picture the logic names (a tree row's picture, a form's icon): a small
// drawn icon chosen by what the name says (computer, drive, folder, history,
// favourite, program). A null icon for an empty or unknown name.
QIcon PictureIcon(const std::string& name);

}  // namespace quiremark::gui
