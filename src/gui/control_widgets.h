#pragma once

#include "controls/control.h"

class QWidget;

namespace quiremark::gui {

// Where a control's widget sits: placed by its own twips geometry inside a
// form or frame, or hosted in a toolbar or status pane, which places it.
enum class Placement { Form, Hosted };

// A widget that follows a form control model (text, list, value, visibility,
// enabled state, back colour, and its geometry when placed) and gives the
// user's edits back to it, so the model's change and click handlers run.
// Combo boxes, text boxes, check boxes, labels, frames and progress bars have
// one; other controls (folder and file lists, pictures) get nullptr.
QWidget* CreateControlWidget(controls::Control& control, Placement placement, QWidget* parent = nullptr);

}  // namespace quiremark::gui
