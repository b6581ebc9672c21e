// A tileset as an 8-bit RGBA picture and back. The mosaic of the tiles, any number of them to a
// row, with the key colour and the cells after the last tile transparent; tiles cut from the
// 32 x 32 cells of a picture; and a tileset file written from tiles. The PNG files of the
// window's File > Export PNG, of orvane-export and of orvane-pack are made of these, so that a
// tileset goes to a picture and back the same way whichever program takes it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/bitmap_bits.h"
#include "platform/windef.h"
#include "tileset/format.h"
#include "tileset/see_through_mask.h"
#include "tileset/tileset_file.h"

namespace orvane::tileset {

inline constexpr int kRgbaBytes = 4;
// Alpha from which a picture's pixel is opaque; below it the pixel is see-through.
inline constexpr std::uint8_t kOpaqueFrom = 128;
// What an opaque pixel of the key colour becomes, so that it stays visible: the nearest colour
// that is not the key, one step bluer.
inline constexpr BYTE kNudgedKeyBlue = kKeyBlue + 1;

// The bytes of one band of a mosaic `width` pixels wide: kTileSize RGBA rows.
inline std::size_t BandBytes(int width) {
    return static_cast<std::size_t>(width) * kRgbaBytes * kTileSize;
}

// One band of a mosaic, the kTileSize rows of `width` pixels that hold tiles (whole tiles of
// kTileBytes, in file order) from the band's first column on. Key-colour pixels, and the columns
// past the last tile, are transparent (0, 0, 0, 0); every other pixel is opaque in its own
// colour. band holds kTileSize × width × 4 bytes.
void PaintMosaicBand(std::span<const BYTE> tiles, int width, std::span<std::uint8_t> band);

// A mosaic painted on a canvas (PaintMosaicRows, 19 tiles to a row), with the mask of the pixels
// that were see-through, the number of tiles painted and the free words of their header.
struct PaintedMosaic {
    platform::BitmapBits canvas;
    const SeeThroughMask& seeThrough;
    int tiles = 0;
    FreeWords words;
};

// Rows [firstRow, firstRow + rows) of the painted mosaic as RGBA rows of the canvas's width, the
// same pixels PaintMosaicBand makes of the tiles: see-through pixels, and the cells after the
// last tile, transparent (0, 0, 0, 0); every other pixel opaque in its colour, even where that is
// the background's. rows holds a whole number of rows.
void CopyPaintedRows(const PaintedMosaic& mosaic, int firstRow, std::span<std::uint8_t> rows);

// Whether a picture's RGBA pixel is opaque, and so drawn.
inline bool IsOpaque(const std::uint8_t* rgba) {
    return rgba[3] >= kOpaqueFrom;
}

// An opaque RGBA pixel of a picture as a tile's pixel: its own colour, except that the key colour
// becomes (0, 1, 3). Returns 1 when it was the key colour, 0 otherwise.
inline int PutOpaque(const std::uint8_t* rgba, BYTE* pixel) {
    pixel[0] = rgba[0];
    pixel[1] = rgba[1];
    pixel[2] = rgba[2];
    if (IsKeyColour(rgba[0], rgba[1], rgba[2])) {
        pixel[2] = kNudgedKeyBlue;
        return 1;
    }
    return 0;
}

// Cell `cell` (from 0, left to right) of band, kTileSize RGBA rows of `width` pixels, as a tile:
// column by column, a pixel with alpha below 128 as the key colour, an opaque one in its own
// colour, except that the key colour itself becomes (0, 1, 3).
struct CellCut {
    bool transparent = true;  // no pixel of the cell is opaque
    int nudged = 0;           // opaque pixels of the key colour
};
CellCut CutCell(std::span<const std::uint8_t> band, int width, int cell,
                std::span<BYTE, kTileBytes> tile);

// Nearest-neighbour: every pixel of `to` (toWidth × toHeight RGBA) takes the `from` pixel
// (fromWidth × fromHeight RGBA) its centre falls on.
void ScaleNearest(std::span<const std::uint8_t> from, int fromWidth, int fromHeight,
                  std::span<std::uint8_t> to, int toWidth, int toHeight);

}  // namespace orvane::tileset
