#include "gui/display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <string>
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

// Qt's Wayland platform comes in a package of its own (qt6-wayland), which may be missing.
bool WaylandPluginInstalled() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

// The compositor's socket: WAYLAND_DISPLAY names it, relative to XDG_RUNTIME_DIR unless absolute.
bool WaylandCompositorAccepts() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (display == nullptr) {
        return false;
    }
    const std::string name = display;
    if (!name.starts_with('/') && runtime == nullptr) {
        return false;
    }
    const std::string path = name.starts_with('/') ? name : runtime + ("/" + name);
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return connected;
}

}  // namespace

std::optional<const char*> ChoosePlatform(int argc, char** argv) {
    if (IsSet("QT_QPA_PLATFORM") || Option(argc, argv, "platform") != nullptr) {
        return nullptr;
    }
    if (IsSet("WAYLAND_DISPLAY") && WaylandPluginInstalled() && WaylandCompositorAccepts()) {
        return "wayland";
    }
    const char* display = Option(argc, argv, "display");
    if ((display != nullptr || IsSet("DISPLAY")) && XServerAccepts(display)) {
        return "xcb";
    }
    return std::nullopt;
}

}  // namespace orvane::gui
