#pragma once

#include <string>
#include <vector>

namespace quiremark::gui {

enum class Display {
  None,        // no display is named, or the Qt platform draws where nobody looks
  Open,        // someone can see the program's windows
  CannotOpen,  // displays are named, but none of them can be opened
};

struct DisplayCheck {
  Display state = Display::None;
  std::vector<std::string> unopened;  // the displays tried in vain: ":199 (DISPLAY)"

  // "skärmen :199 (DISPLAY) kan inte öppnas"
  std::string Reason() const;
};

// Whether someone can see the program's windows, the displays tried in the
// order Qt tries its platforms: those of QT_QPA_PLATFORM in its order, else a
// Wayland display (WAYLAND_DISPLAY) before an X display (DISPLAY). offscreen
// and minimal draw where nobody looks. An X display is open when a connection
// to it can be made as Qt's X platform makes one (through libxcb, loaded only
// to ask, with the user's authorisation); a Wayland display when its socket
// takes a connection. Other platforms (vnc, eglfs, ...) need no display
// server and count as open. Without Qt: the program asks before it loads
// any, since Qt ends the process when its platform cannot start.
DisplayCheck CheckDisplay();

}  // namespace quiremark::gui
