// Paints part of the view into memory: the canvas's pixels magnified nearest-neighbour, the
// see-through ones on the chosen background, the grid and the selection over them. Only the
// pixels asked for are touched, so a repaint costs what the screen shows, not what the canvas
// holds.
#pragma once

#include <cstdint>
#include <span>

#include "platform/bitmap_bits.h"
#include "tileset/see_through_mask.h"
#include "viewer/mosaic_view.h"

namespace orvane::viewer {

// 0xFFRRGGBB, as Qt's RGB32 images hold them.
using Argb = std::uint32_t;

inline constexpr Argb kCheckerLight = 0xFFFFFFFF;
inline constexpr Argb kCheckerDark = 0xFFCCCCCC;
// The selection's outline: a strong line, and a white one inside it for dark tiles.
inline constexpr Argb kSelectionColour = 0xFF1E78FF;
inline constexpr Argb kSelectionInner = 0xFFFFFFFF;
// The outline of a tile that has an earlier copy (View > Mark Duplicates): a colour few tiles
// hold, apart from the selection's.
inline constexpr Argb kDuplicateColour = 0xFFFF30C0;
// Logical pixels per checkerboard square.
inline constexpr int kCheckerSquare = 8;

// Writes area (viewport device pixels) into out, area.width pixels a row, top row first.
// outside is the colour beyond the canvas. A canvas or mask that does not match the view's
// canvas size (a picture being replaced) is not read.
void RenderView(const MosaicView& view, const platform::BitmapBits& canvas,
                const tileset::SeeThroughMask& mask, PixelRect area, Argb outside,
                std::span<Argb> out);

// A grid line's colour over a pixel: darker over light pixels, lighter over dark ones, so that
// the line shows over any tile.
Argb GridOver(Argb pixel);

}  // namespace orvane::viewer
