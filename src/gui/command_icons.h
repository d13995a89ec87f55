#pragma once

#include <QIcon>

namespace quiremark::gui {

// The 16 x 16 button picture labelled with a command ID; a null icon for IDs
// without a picture.
QIcon CommandIcon(int commandId);

}  // namespace quiremark::gui
