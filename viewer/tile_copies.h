// Which tiles on the canvas are copies of earlier ones: the view outlines them and the status bar
// names the first, so that a tileset's copies can be seen where they lie.
#pragma once

#include <optional>
#include <vector>

#include "platform/bitmap_bits.h"
#include "tileset/see_through_mask.h"

namespace orvane::viewer {

// For each of the tileCount tiles on canvas (the mosaic, 19 to a row), the first tile identical to
// it: itself when it has no earlier copy. Tiles are compared as the file holds them, a
// see-through pixel (set in mask) as the key colour and not as the background the canvas shows
// there; a mask of another size than the canvas is not read. One pass, as orvane-tiles finds
// copies in the file: a hash of each tile, bytes compared only where hashes meet.
std::vector<int> FirstCopiesOnCanvas(const platform::BitmapBits& canvas,
                                     const tileset::SeeThroughMask& mask, int tileCount);

// The earlier tile that tile is a copy of, by firstCopies (as above); none for the first of its
// kind, or a tile firstCopies does not know.
std::optional<int> EarlierCopy(const std::vector<int>& firstCopies, int tile);

}  // namespace orvane::viewer
