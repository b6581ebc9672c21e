// Message boxes as the window shows them.
#pragma once

#include <QWidget>

#include "platform/msgbox.h"

namespace orvane::gui {

// A handler for platform::MsgBox that shows QMessageBox::information over parent.
platform::MessageBoxHandler QtMessageBoxHandler(QWidget* parent);

}  // namespace orvane::gui
