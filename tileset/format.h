// The tileset file (.tst): a 6-byte header, then TileCount tiles of 32 x 32 pixels, 24-bit,
// stored column by column with red, green, blue bytes; and the mosaic the tiles are laid out in.
#pragma once

#include <cstdint>
#include <span>

#include "platform/windef.h"

namespace orvane::tileset {

struct TilesetHeader {
    WORD Unknown1 = 0;  // read with the header, never looked at
    std::int16_t TileCount = 0;
    WORD Unknown2 = 0;  // read with the header, never looked at
};

inline constexpr int kTilesetHeaderBytes = 6;
inline constexpr int kTileSize = 32;  // pixels, both ways
inline constexpr int kTileBytes = kTileSize * kTileSize * 3;
// Positions count from 1, as the runtime's binary reads do.
inline constexpr std::int64_t kFirstPixelPosition = kTilesetHeaderBytes + 1;

inline constexpr int kTilesPerRow = 19;
inline constexpr int kFullRowWidth = kTilesPerRow * kTileSize;  // pixels

// The red, green, blue triple (0, 1, 2) marks a see-through pixel, not a colour: such a pixel
// shows the canvas's background.
inline constexpr BYTE kKeyRed = 0;
inline constexpr BYTE kKeyGreen = 1;
inline constexpr BYTE kKeyBlue = 2;

constexpr bool IsKeyColour(BYTE red, BYTE green, BYTE blue) {
    return red == kKeyRed && green == kKeyGreen && blue == kKeyBlue;
}

// Little-endian, whatever the machine.
TilesetHeader DecodeTilesetHeader(std::span<const BYTE, kTilesetHeaderBytes> bytes);

// The mosaic's size in pixels for a tile count: 19 tiles to a row, partial last row included in
// the height, width of the first row only when there is one row. No tiles: 0 x 32.
struct MosaicSize {
    int width = 0;
    int height = 0;
};
MosaicSize MosaicSizeFor(std::int16_t tileCount);
// The same layout with `columns` tiles to a row (at least 1) for any number of tiles.
MosaicSize MosaicSizeFor(int tiles, int columns);
// Mosaic rows of tiles, 19 to a row: 0 for no tiles.
int MosaicRowsFor(int tiles);

// The most tiles a header can count: TileCount is a signed 16-bit number.
inline constexpr int kMaxTiles = 32767;

}  // namespace orvane::tileset
