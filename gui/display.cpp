#include "gui/display.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace orvane::gui {
namespace {

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// The value of a Qt option given as "-name value" or "--name value", or null.
const char* Option(int argc, char** argv, std::string_view name) {
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--")) {
            arg.remove_prefix(1);
        }
        if (arg.size() == name.size() + 1 && arg.front() == '-' && arg.substr(1) == name) {
            return argv[i + 1];
        }
    }
    return nullptr;
}

bool XServerAccepts(const char* display) {
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    // Also frees the object xcb hands back for a connection that failed.
    xcb_disconnect(connection);
    return connected;
}

}  // namespace

bool DisplayReachable(int argc, char** argv) {
    if (IsSet("QT_QPA_PLATFORM") || Option(argc, argv, "platform") != nullptr) {
        return true;
    }
    if (IsSet("WAYLAND_DISPLAY")) {
        return true;
    }
    const char* display = Option(argc, argv, "display");
    if (display == nullptr && !IsSet("DISPLAY")) {
        return false;
    }
    return XServerAccepts(display);
}

}  // namespace orvane::gui
