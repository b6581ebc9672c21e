// What the two ways of drawing the canvas share, and the second of them: the canvas at a zoom that
// is no whole magnification (below 1×, or 1/2 at a desktop scale of 3), resampled bilinearly by
// cDIBSection.
#pragma once

#include <span>

#include "platform/bitmap_bits.h"
#include "tileset/see_through_mask.h"
#include "viewer/mosaic_view.h"
#include "viewer/view_render.h"

namespace orvane::viewer {

inline Argb FromBgr(const BYTE* pixel) {
    return 0xFF000000U | Argb{pixel[2]} << 16 | Argb{pixel[1]} << 8 | Argb{pixel[0]};
}

// The checkerboard at a device pixel of the zoomed canvas (counted from its corner), in squares
// of square device pixels.
inline Argb CheckerAt(int x, int y, int square) {
    return (x / square + y / square) % 2 == 0 ? kCheckerLight : kCheckerDark;
}

// Bytes of canvas that one band of the resampled view reads: about a quarter of what a screenful
// of the view at 1× takes, whatever the zoom.
inline constexpr int kScaledBandBytes = 1 << 19;

// The canvas over the area at the view's zoom, the checkerboard under see-through pixels where
// checker is given, outside beyond the canvas. The zoomed canvas is cut into bands of rows at
// fixed places, each made from the canvas rows it shows with Resample and then dropped: a pixel
// comes out the same whatever part of the view is asked for, and no more than one band is held,
// however far the mosaic is shrunk.
void PaintScaled(const MosaicView& view, const platform::BitmapBits& canvas,
                 const tileset::SeeThroughMask* checker, PixelRect area, Argb outside,
                 std::span<Argb> out);

}  // namespace orvane::viewer
