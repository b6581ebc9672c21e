// Whether the window can be shown at all, asked before Qt is: without a display, Qt's platform
// plugin ends the program with an abort and a message about plugins that tells a user nothing.
#pragma once

namespace orvane::gui {

// True when a Qt platform is named (QT_QPA_PLATFORM, or -platform among the arguments; trusted as
// given), when WAYLAND_DISPLAY is set, or when the X display (-display among the arguments, else
// DISPLAY) accepts a connection.
bool DisplayReachable(int argc, char** argv);

}  // namespace orvane::gui
