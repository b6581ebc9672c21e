// Tileset files for tests, written here byte by byte rather than by the code under test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/windef.h"

namespace orvane::testing {

struct Rgb {
    BYTE r, g, b;
};

// The colour of pixel (x, y) of tile number tile; tile counts from 0, x and y from 1.
using TilePixels = std::function<Rgb(int tile, int x, int y)>;

// A distinct colour for each tile and tile corner, never the key colour: red and green carry the
// tile number (green's top bit always set), blue the position inside the tile.
Rgb Signature(int tile, int x, int y);
COLORREF SignatureColour(int tile, int x, int y);

// Signature, with the key colour scattered over every tile (a fifth of its pixels) and here and
// there the canvas's background colour (240, 240, 240), which only the file tells from the key.
Rgb SeeThroughSignature(int tile, int x, int y);

// The 6-byte header (word0, tileCount, word4, little-endian) and then tilesInFile tiles, each
// column by column from the top, red, green, blue.
std::string TilesetBytes(std::int16_t tileCount, int tilesInFile,
                         const TilePixels& pixels = Signature, WORD word0 = 0, WORD word4 = 0);

}  // namespace orvane::testing
