// Edit > Copy: the canvas's own pixels onto the clipboard, through a cDIBSection, as a bitmap,
// offered to the desktop with its see-through pixels transparent.
#pragma once

#include <optional>

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

// Copies the block as one picture, its cells as the mosaic lays them out; the desktop's PNG of it
// has the see-through pixels and the cells after the last tile transparent. False when nothing was
// put on the clipboard (no pixels, a block beyond the canvas, or the clipboard refused).
bool CopyToClipboard(const CopySource& source);

}  // namespace orvane::viewer
