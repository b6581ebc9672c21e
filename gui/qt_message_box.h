// Message boxes as the window shows them.
#pragma once

#include <QWidget>

#include "platform/msgbox.h"

namespace orvane::gui {

// A handler for platform::MsgBox that shows a QMessageBox centred on parent: an error with the
// warning icon, anything else as information. Wide enough that the window manager's title bar
// shows the whole caption beside its buttons.
platform::MessageBoxHandler QtMessageBoxHandler(QWidget* parent);

}  // namespace orvane::gui
