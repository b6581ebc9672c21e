#include "viewer/copy_tile.h"

#include <cstdint>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/clipboard.h"
#include "tileset/format.h"

namespace orvane::viewer {
namespace {

// The canvas rectangle a copy takes: the block's cells, or the whole canvas.
PixelRect CopiedRect(const CopySource& source) {
    return source.block ? BlockRect(*source.block)
                        : PixelRect{0, 0, source.canvas.PixelWidth(), source.canvas.PixelHeight()};
}

// The alpha of rect of the mosaic, top row first: 0 for see-through pixels and for the cells after
// the last tile, 255 for every other. Row by row: a copy of the whole of the largest mosaic is 33
// million pixels, most of them in rows that hold no see-through pixel and no empty cell.
std::vector<std::uint8_t> MosaicAlpha(const tileset::SeeThroughMask& seeThrough, int tileCount,
                                      PixelRect rect) {
    std::vector<std::uint8_t> alpha(
        static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height), 255);
    const int fullRows = tileCount / tileset::kTilesPerRow;
    const int lastRowEnd = tileCount % tileset::kTilesPerRow * tileset::kTileSize;
    auto row = alpha.begin();
    for (int y = rect.y; y < rect.y + rect.height; ++y, row += rect.width) {
        // Where the row's tiles end: the cells after the last tile are empty.
        const int tilesEnd = y / tileset::kTileSize < fullRows    ? tileset::kFullRowWidth
                             : y / tileset::kTileSize == fullRows ? lastRowEnd
                                                                  : 0;
        if (tilesEnd >= rect.x + rect.width && !seeThrough.RowHasAny(y)) {
            continue;
        }
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            if (x >= tilesEnd || seeThrough.Test(x, y)) {
                row[x - rect.x] = 0;
            }
        }
    }
    return alpha;
}

}  // namespace

bool CopyToClipboard(const CopySource& source) {
    const Canvas& canvas = source.canvas;
    const PixelRect rect = CopiedRect(source);
    if (canvas.Image() == nullptr || rect.width <= 0 || rect.height <= 0 ||
        rect.x + rect.width > canvas.PixelWidth() || rect.y + rect.height > canvas.PixelHeight()) {
        return false;
    }
    cDIBSection dib;
    if (!dib.Create(rect.width, rect.height)) {
        return false;
    }
    dib.LoadPictureBlt(canvas.hDC(), rect.x, rect.y, rect.width, rect.height);
    const platform::ClipboardTransparency transparency(
        rect.width, rect.height, MosaicAlpha(source.seeThrough, source.tileCount, rect));
    return dib.CopyToClipboard(false);
}

}  // namespace orvane::viewer
