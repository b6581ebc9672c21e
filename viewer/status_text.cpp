#include "viewer/status_text.h"

#include <cstdio>
#include <filesystem>

#include "tileset/format.h"
#include "viewer/tile_copies.h"

namespace orvane::viewer {

std::string WindowTitle(std::string_view fileName) {
    if (fileName.empty()) {
        return "Orvane";
    }
    return std::filesystem::path(fileName).filename().string() + " \u2014 Orvane";
}

std::string MosaicSummary(int tileCount, PixelSize mosaic, bool fromPicture) {
    const std::string picture = fromPicture ? "Picture \u00B7 " : "";
    if (tileCount <= 0) {
        return picture + "0 tiles";  // and no picture: nothing to give a size
    }
    return picture + std::to_string(tileCount) + (tileCount == 1 ? " tile" : " tiles") +
           " \u00B7 " + std::to_string(mosaic.width) + " \u00D7 " + std::to_string(mosaic.height) +
           " pixels";
}

std::string ZoomText(int zoom) {
    const int divisor = ZoomDivisor(zoom);
    if (divisor == 1) {
        return std::to_string(zoom * 100) + "%";
    }
    // Whole percents down to 1/10; below, two digits, so that no step reads "0%".
    char text[24];
    std::snprintf(text, sizeof text, divisor <= 10 ? "%.0f%%" : "%.2g%%", 100.0 / divisor);
    return text;
}

std::optional<PointerInfo> Probe(const platform::BitmapBits& canvas,
                                 const tileset::SeeThroughMask& mask, int tileCount, PixelPoint at,
                                 const std::vector<int>& firstCopies) {
    const std::optional<TileHit> hit = TileAt(tileCount, at);
    if (!hit || !canvas || at.x >= canvas.width || at.y >= canvas.height) {
        return std::nullopt;
    }
    const BYTE* pixel = canvas.Row(at.y) + 3 * static_cast<std::ptrdiff_t>(at.x);
    PointerInfo info{*hit, at, pixel[2], pixel[1], pixel[0], mask.Test(at.x, at.y)};
    info.sameAs = EarlierCopy(firstCopies, hit->tile);
    return info;
}

std::string PointerText(const PointerInfo& info) {
    const TileHit& hit = info.hit;
    const long long offset =
        tileset::kTilesetHeaderBytes + static_cast<long long>(hit.tile) * tileset::kTileBytes;
    std::string colour = "see-through";
    if (!info.seeThrough) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", info.red, info.green, info.blue);
        colour = hex;
    }
    return "Tile " + std::to_string(hit.tile + 1) + " (byte " + std::to_string(offset) +
           ") \u00B7 col " + std::to_string(hit.column) + ", row " + std::to_string(hit.row) +
           " \u00B7 pixel " + std::to_string(info.canvas.x) + ", " + std::to_string(info.canvas.y) +
           " (" + std::to_string(hit.inTile.x) + ", " + std::to_string(hit.inTile.y) +
           " in tile) \u00B7 " + colour +
           (info.sameAs ? " \u00B7 same as " + std::to_string(*info.sameAs + 1) : "");
}

std::string ReloadFailure(const platform::RuntimeError& error, std::string_view fileName) {
    return "Not reloaded: '" + std::string(fileName) + "': " + platform::ErrorDetail(error);
}

}  // namespace orvane::viewer
