#include "tileset/thumbnail.h"

#include <algorithm>
#include <vector>

#include "platform/runtime_error.h"
#include "tileset/picture.h"
#include "tileset/png.h"

namespace orvane::tileset {
namespace {

using platform::ErrorNumber;
using platform::RaiseBecause;

// The first tiles a thumbnail shows: 4 × 4, each still some pixels wide at the sizes file
// managers ask for (128, 256).
constexpr int kThumbnailColumns = 4;
constexpr int kThumbnailTiles = kThumbnailColumns * kThumbnailColumns;

}  // namespace

void SaveTilesetThumbnail(TilesetFile& file, const std::string& output, int size) {
    if (size < 1 || size > kMaxThumbnailSize) {
        RaiseBecause(ErrorNumber::InvalidPropertyValue,
                     "the size must be 1 to " + std::to_string(kMaxThumbnailSize));
    }
    const int shown = TilesToShow(file, kThumbnailTiles);
    int columns = 1;
    while (columns * columns < shown) {
        ++columns;
    }
    std::vector<BYTE> tiles(static_cast<std::size_t>(shown) * kTileBytes);
    file.ReadTiles(0, tiles);

    const MosaicSize grid = MosaicSizeFor(shown, columns);
    std::vector<std::uint8_t> mosaic(BandBytes(grid.width) * (grid.height / kTileSize));
    const std::size_t bandTiles = static_cast<std::size_t>(columns) * kTileBytes;
    for (std::size_t band = 0; band * bandTiles < tiles.size(); ++band) {
        PaintMosaicBand(
            std::span<const BYTE>(tiles).subspan(
                band * bandTiles, std::min(bandTiles, tiles.size() - band * bandTiles)),
            grid.width,
            std::span(mosaic).subspan(band * BandBytes(grid.width), BandBytes(grid.width)));
    }

    // Pixel art stays crisp at a whole factor; only a size smaller than the tiles shrinks them.
    const int longer = std::max(grid.width, grid.height);
    const int factor = size / longer;
    const int width = factor > 0 ? grid.width * factor : std::max(1, grid.width * size / longer);
    const int height = factor > 0 ? grid.height * factor : std::max(1, grid.height * size / longer);
    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(width) * height * kRgbaBytes);
    ScaleNearest(mosaic, grid.width, grid.height, scaled, width, height);
    // A file manager makes many thumbnails at once: one thread each.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kRgbaBytes;
    WritePngFile(
        output, width, height,
        {.bandRows = static_cast<std::uint32_t>(height), .threads = 1, .texts = {}, .quick = true},
        [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
            std::copy_n(scaled.begin() + static_cast<std::ptrdiff_t>(firstRow * rowBytes),
                        rows.size(), rows.begin());
        });
}

}  // namespace orvane::tileset
