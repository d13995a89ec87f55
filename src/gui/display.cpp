#include "gui/display.h"

#include <QString>
#include <QtGlobal>

namespace quiremark::gui {

bool DisplayAvailable() {
  // "name:options", or a list of names to try: the first one counts.
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u';', 0, 0).section(u':', 0, 0).trimmed();
  if (platform == u"offscreen" || platform == u"minimal" || platform == u"minimalegl") return false;
  if (!platform.isEmpty()) return true;
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace quiremark::gui
