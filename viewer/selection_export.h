// The tiles of a selected block taken off the window's canvas, as the tileset file holds them.
#pragma once

#include <span>
#include <vector>

#include "platform/bitmap_bits.h"
#include "platform/windef.h"
#include "tileset/see_through_mask.h"

namespace orvane::viewer {

// Tiles (numbers from 0) of the mosaic painted on canvas, in the order given, as whole tiles of
// the file's layout: the see-through pixels the key colour again, every other pixel its colour.
std::vector<BYTE> TilesOnCanvas(const platform::BitmapBits& canvas,
                                const tileset::SeeThroughMask& seeThrough,
                                std::span<const int> tiles);

}  // namespace orvane::viewer
