#include "viewer/view_settings.h"

#include <charconv>

namespace orvane::viewer {
namespace {

constexpr char kZoomKey[] = "view/zoom";
constexpr char kGridKey[] = "view/grid";
constexpr char kBackgroundKey[] = "view/background";
constexpr char kSizeKey[] = "window/size";
constexpr char kMaximizedKey[] = "window/maximized";

constexpr std::string_view kWindowColour = "window";
constexpr std::string_view kCheckerboard = "checkerboard";
// Larger than any screen: a window size beyond it is not one the program wrote.
constexpr int kLargestWindowSide = 1 << 16;

// The whole of text as a number from least to most.
std::optional<int> Number(std::string_view text, int least, int most) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < least ||
        number > most) {
        return std::nullopt;
    }
    return number;
}

std::optional<bool> Flag(std::string_view text) {
    if (text == "true" || text == "false") {
        return text == "true";
    }
    return std::nullopt;
}

// "4" for 4×, "1/3" for a third.
std::string ZoomValue(int zoom) {
    return zoom >= kActualSize ? std::to_string(zoom) : "1/" + std::to_string(ZoomDivisor(zoom));
}

std::optional<int> ZoomOf(std::string_view text) {
    if (text.starts_with("1/")) {
        const std::optional<int> divisor = Number(text.substr(2), 2, ZoomDivisor(kLeastZoom));
        return divisor ? std::optional<int>(ShrinkStep(*divisor)) : std::nullopt;
    }
    return Number(text, kActualSize, kMaxZoom);
}

std::optional<PixelSize> SizeOf(std::string_view text) {
    const std::size_t by = text.find('x');
    if (by == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> width = Number(text.substr(0, by), 1, kLargestWindowSide);
    const std::optional<int> height = Number(text.substr(by + 1), 1, kLargestWindowSide);
    return width && height ? std::optional<PixelSize>({*width, *height}) : std::nullopt;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SettingsEntries(const ViewSettings& settings) {
    std::vector<std::pair<std::string, std::string>> entries{
        {kZoomKey, ZoomValue(settings.zoom)},
        {kGridKey, settings.grid ? "true" : "false"},
        {kBackgroundKey,
         std::string(settings.background == Background::Checkerboard ? kCheckerboard
                                                                     : kWindowColour)},
        {kMaximizedKey, settings.maximized ? "true" : "false"}};
    if (settings.windowSize.width > 0 && settings.windowSize.height > 0) {
        entries.emplace_back(kSizeKey, std::to_string(settings.windowSize.width) + "x" +
                                           std::to_string(settings.windowSize.height));
    }
    return entries;
}

ViewSettings ReadViewSettings(
    const std::function<std::optional<std::string>(std::string_view key)>& value) {
    ViewSettings settings;
    const auto read = [&](std::string_view key, auto parse, auto& into) {
        if (const std::optional<std::string> text = value(key)) {
            if (const auto parsed = parse(*text)) {
                into = *parsed;
            }
        }
    };
    read(kZoomKey, ZoomOf, settings.zoom);
    read(kGridKey, Flag, settings.grid);
    read(
        kBackgroundKey,
        [](std::string_view text) -> std::optional<Background> {
            if (text == kCheckerboard) {
                return Background::Checkerboard;
            }
            return text == kWindowColour ? std::optional(Background::WindowColour) : std::nullopt;
        },
        settings.background);
    read(kSizeKey, SizeOf, settings.windowSize);
    read(kMaximizedKey, Flag, settings.maximized);
    return settings;
}

}  // namespace orvane::viewer
