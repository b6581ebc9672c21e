// What the window remembers of its view between launches, in the settings file beside the recent
// files: the zoom last asked for, the grid, the background, and the window's size.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "viewer/mosaic_view.h"

namespace orvane::viewer {

struct ViewSettings {
    int zoom = kActualSize;
    bool grid = false;
    Background background = Background::WindowColour;
    PixelSize windowSize;  // the window without its frame, as last left; 0 x 0 while not known
    bool maximized = false;
    bool operator==(const ViewSettings&) const = default;
};

// The settings as the file holds them, key and value: "view/zoom" "4" or "1/3", "view/grid"
// "true", "view/background" "window" or "checkerboard", "window/size" "640x480",
// "window/maximized" "false".
std::vector<std::pair<std::string, std::string>> SettingsEntries(const ViewSettings& settings);
// The settings from the file's values (none for a key it lacks). A value the program would not
// have written (edited by hand, or from a later version) leaves that setting as it starts.
ViewSettings ReadViewSettings(
    const std::function<std::optional<std::string>(std::string_view key)>& value);

}  // namespace orvane::viewer
