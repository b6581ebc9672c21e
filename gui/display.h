// Whether the window can be shown at all, and where, asked before Qt is: without a display it can
// use, Qt's platform plugin ends the program with an abort and a list of plugins that tells a
// user nothing.
#pragma once

#include <optional>

namespace orvane::gui {

// The Qt platform to start: null when one is named (QT_QPA_PLATFORM, or -platform among the
// arguments; trusted as given); "wayland" when WAYLAND_DISPLAY names a compositor that accepts a
// connection and Qt's Wayland plugin is installed; else "xcb" when the X display (-display among
// the arguments, else DISPLAY) accepts one; nothing when no display can be used.
std::optional<const char*> ChoosePlatform(int argc, char** argv);

}  // namespace orvane::gui
