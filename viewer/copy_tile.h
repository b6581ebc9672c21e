// Edit > Copy: the canvas's own pixels onto the clipboard, through a cDIBSection, as a bitmap,
// offered to the desktop with its see-through pixels transparent.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tileset/see_through_mask.h"
#include "viewer/canvas.h"
#include "viewer/mosaic_view.h"

namespace orvane::viewer {

// What is copied: the canvas a mosaic of tileCount tiles is painted on, which of its pixels are
// see-through, and the selected block (none: the whole canvas).
struct CopySource {
    const Canvas& canvas;
    const tileset::SeeThroughMask& seeThrough;
    int tileCount = 0;
    std::optional<TileBlock> block;
};

// The canvas rectangle a copy takes: the block's cells, or the whole canvas.
PixelRect CopiedRect(const CopySource& source);

// The alpha of rect of the mosaic, top row first: 0 for see-through pixels and for the cells after
// the last tile, 255 for every other.
std::vector<std::uint8_t> MosaicAlpha(const tileset::SeeThroughMask& seeThrough, int tileCount,
                                      PixelRect rect);

// Copies the block as one picture, its cells as the mosaic lays them out. False when nothing was
// put on the clipboard (no pixels, a block beyond the canvas, or the clipboard refused).
bool CopyToClipboard(const CopySource& source);

}  // namespace orvane::viewer
