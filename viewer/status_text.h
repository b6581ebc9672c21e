// What the title and the status bar say, worked out from the model alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmap_bits.h"
#include "platform/runtime_error.h"
#include "tileset/see_through_mask.h"
#include "viewer/mosaic_view.h"

namespace orvane::viewer {

// "terrain.tst — Orvane"; "Orvane" while no file is shown.
std::string WindowTitle(std::string_view fileName);

// "57 tiles · 608 × 96 pixels", "1 tile · 32 × 32 pixels"; "0 tiles" for a tileset without any.
// A tileset made of a picture is named as one: "Picture · 57 tiles · 608 × 96 pixels".
std::string MosaicSummary(int tileCount, PixelSize mosaic, bool fromPicture = false);

// "400%", "33%" (1/3), "1.8%" (1/56).
std::string ZoomText(int zoom);

// What the pointer is over: a tile's pixel.
struct PointerInfo {
    TileHit hit;
    PixelPoint canvas;
    BYTE red = 0;
    BYTE green = 0;
    BYTE blue = 0;
    bool seeThrough = false;
    std::optional<int> sameAs = std::nullopt;  // the earlier tile this one is a copy of
};
// None over empty canvas: the cells after the last tile, or beyond the canvas. firstCopies, for
// each tile the first identical to it (MainForm::FirstCopies), tells sameAs where given.
std::optional<PointerInfo> Probe(const platform::BitmapBits& canvas,
                                 const tileset::SeeThroughMask& mask, int tileCount, PixelPoint at,
                                 const std::vector<int>& firstCopies = {});

// "Tile 23 (byte 67590) · col 3, row 1 · pixel 113, 40 (17, 8 in tile) · #A0B0C0": the
// tile numbered from 1 and its first byte in the file, as the format counts; columns, rows and
// pixels from 0, as picture editors count them. A copy adds " · same as 12", the first tile
// like it.
std::string PointerText(const PointerInfo& info);

// "Not reloaded: 'terrain.tst': error 53: File not found".
std::string ReloadFailure(const platform::RuntimeError& error, std::string_view fileName);

}  // namespace orvane::viewer
