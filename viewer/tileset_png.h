// Tilesets as PNG files: the mosaic with its see-through pixels transparent, a thumbnail of its
// first tiles, and tiles taken back from any PNG. Pictures are made from the tileset file's own
// pixels, never from the canvas, whose background stands where the key colour was and which a
// tile's own pixel may share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"
#include "viewer/tileset.h"

namespace orvane::viewer {

// The tEXt chunk that records how many tiles an exported picture holds, so that tiles at the end
// that are wholly see-through, and so look like empty cells, come back.
inline constexpr std::string_view kTileCountKeyword = "Orvane tiles";

// zlib's level, rows unfiltered: bench_png measures the choices on the largest tileset. Level 6
// unfiltered makes the smallest files short of level 9, which takes twice as long for 2 % less;
// filtering each row makes them larger and slower on pixel art.
inline constexpr int kPngCompressionLevel = 6;

struct PngExportOptions {
    int columns = kTilesPerRow;  // tiles to a row, 1 to kMaxTiles
    int compressionLevel = kPngCompressionLevel;
    bool filterRows = false;  // libspng's adaptive filters
};

// Writes the tileset's mosaic to output as an 8-bit RGBA PNG, the size of the picture Save As
// writes with as many columns, recording the tile count. Reads a band of tiles at a time. An
// existing output is replaced only once the new file is complete. Raises InvalidPicture (481)
// for a tileset without tiles, InvalidPropertyValue (380) for columns out of range,
// PendingFile's errors, and ReadTiles's.
void SaveTilesetAsPng(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options = {});

// The first tiles of a tileset, at most 4 × 4 of them in rows as near square as they come,
// scaled nearest-neighbour to fit within size × size pixels (by a whole factor when it fits),
// see-through pixels transparent, as a PNG. Reads only those tiles, so a large tileset costs no
// more than a small one. Raises as SaveTilesetAsPng does, and InvalidPropertyValue (380) for a
// size outside 1 to kMaxThumbnailSize.
inline constexpr int kMaxThumbnailSize = 4096;
void SaveTilesetThumbnail(TilesetFile& file, const std::string& output, int size);

// The tiles of a PNG, ready for WriteTileset.
struct PictureTiles {
    std::vector<BYTE> tiles;  // whole tiles, column by column
    int count = 0;
    std::optional<int> noted;  // the count the picture records, when it records one
    std::int64_t nudged = 0;   // opaque pixels of the key colour in those tiles, made (0, 1, 3)
};

// Any PNG whose width and height are whole multiples of 32: its cells, in reading order, up to
// the count the picture records or to the last cell that is not wholly transparent, whichever
// is further (a drawn cell is never dropped). Raises the file's open and read errors, and
// InvalidFileFormat (321) with the reason in words for a picture it refuses: not a PNG, damaged,
// a size that is not a multiple of 32, a recorded count it cannot hold, or more than kMaxTiles.
PictureTiles TilesFromPng(const std::string& picture);

}  // namespace orvane::viewer
