// The tileset file (.tst): a 6-byte header, then TileCount tiles of 32 x 32 pixels, 24-bit,
// stored column by column with red, green, blue bytes; and the mosaic the tiles are laid out in.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/binary_file.h"
#include "platform/bitmap_bits.h"
#include "platform/windef.h"
#include "viewer/see_through_mask.h"

namespace orvane::viewer {

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

// A tileset file opened for reading, its header read and its length checked against it: every
// tile the header counts is there to be read. What follows the last counted tile plays no part.
class TilesetFile {
  public:
    // Raises the file's open and read errors, and InvalidFileFormat (321) for a file shorter than
    // a header, or one that ends before the last tile its header counts; the reason says which
    // in words ("the header counts 100 tiles, the file holds 2").
    explicit TilesetFile(const std::string& fileName);

    const struct TilesetHeader& Header() const { return header_; }
    // The tiles to paint: the header's count, or 0 for a count of 0 or below.
    int Tiles() const { return header_.TileCount > 0 ? header_.TileCount : 0; }

    // Tiles first, first + 1, ... (from 0) into out, whole tiles of kTileBytes each. Raises
    // InvalidFileFormat when the file has shrunk meanwhile, so that a file being rewritten is
    // never shown half. Several threads may read at once, each into a block of its own.
    void ReadTiles(int first, std::span<BYTE> out) const;

    void Close() noexcept { file_.Close(); }

  private:
    platform::BinaryFile file_;
    struct TilesetHeader header_;
};

// Paints mosaic rows [firstRow, firstRow + rows) of file's mosaic into picture, a bitmap of the
// mosaic's size (MosaicSizeFor), reading their tiles from the file. Every pixel of those rows is
// written: each tile's pixels take its colours, except that key-colour pixels, like the cells
// after the last tile, take the background colour; seeThrough, when given, learns which pixels
// those key colours were. Raises the first read error, with the rows before it painted. Calls
// for rows of their own may run at the same time.
void PaintMosaicRows(const TilesetFile& file, int firstRow, int rows,
                     const platform::BitmapBits& picture, COLORREF background,
                     SeeThroughMask* seeThrough = nullptr);

}  // namespace orvane::viewer
