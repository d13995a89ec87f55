#pragma once

namespace quiremark::gui {

// Whether someone can see the program's windows: a display server is named
// (DISPLAY, WAYLAND_DISPLAY or a Qt platform) and the Qt platform is not one
// that draws where nobody looks (offscreen, minimal). Without one the
// program talks to the user through the error stream.
bool DisplayAvailable();

}  // namespace quiremark::gui
