// Tilesets as PNG files: the mosaic with its see-through pixels transparent, a thumbnail of its
// first tiles, and tiles taken back from any PNG. The mosaic's pictures are made of the tileset
// file's own pixels, or of what the window painted of them together with the mask of its
// see-through pixels: the canvas alone cannot tell them from a tile's own pixels of the
// background colour. Both make the same file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/detail/pixel_memory.h"
#include "platform/files.h"
#include "platform/windef.h"
#include "png/png_writer.h"
#include "tileset/picture.h"
#include "tileset/tileset_file.h"

namespace orvane::tileset {

// The tEXt chunk that records how many tiles an exported picture holds, so that tiles at the end
// that are wholly see-through, and so look like empty cells, come back.
inline constexpr std::string_view kTileCountKeyword = "Orvane tiles";
// The tEXt chunks that record the header's two free words (FreeWords), in decimal, when either is
// not 0, so that a tileset comes back from its picture byte for byte. A Tiled tileset keeps all
// three records as properties of the same names.
inline constexpr std::string_view kFirstWordKeyword = "Orvane first header word";
inline constexpr std::string_view kLastWordKeyword = "Orvane last header word";

struct PngExportOptions {
    int columns = kTilesPerRow;  // tiles to a row, 1 to kMaxTiles
};

// A PNG of width × height to output, its rows from source, through a PendingFile: a failure
// anywhere leaves an existing output as it was.
void WritePngFile(const std::string& output, int width, int height,
                  const png::WriteOptions& options, const png::RowSource& source);

// The tiles of file a picture shows, at most `most`. Raises InvalidPicture (481) for a tileset
// without tiles: as for a bitmap of the canvas, a picture of no pixels cannot be saved.
int TilesToShow(const TilesetFile& file, int most);

// Writes the tileset's mosaic to output as an 8-bit RGBA PNG, the size of the picture Save As
// writes with as many columns, recording the tile count and the header's free words, on every
// usable processor. Reads the tiles a band at a time. An existing output is replaced only once the
// new file is complete. Raises InvalidPicture (481) for a tileset without tiles,
// InvalidPropertyValue (380) for columns out of range, PendingFile's errors, and ReadTiles's.
void SaveTilesetAsPng(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options = {});
// The same into output, left for the caller to commit: a file written beside it says where.
void SaveTilesetAsPng(TilesetFile& file, platform::PendingFile& output,
                      const PngExportOptions& options = {});
// The same picture of tiles held in memory (whole tiles of kTileBytes, in file order), recording
// words. Raises InvalidPicture (481) for none, and as SaveTilesetAsPng of a file does for the rest.
void SaveTilesetAsPng(std::span<const BYTE> tiles, const std::string& output,
                      const PngExportOptions& options, FreeWords words = {});
// The same file, byte for byte, made of what the window painted of the tileset (19 columns).
// Raises InvalidPicture (481) for a mosaic without tiles, and PendingFile's errors.
void SaveTilesetAsPng(const PaintedMosaic& mosaic, const std::string& output);

// The tiles of a PNG, ready for WriteTileset.
struct PictureTiles {
    platform::detail::PixelMemory memory;  // the tiles, and room past them that takes none
    int count = 0;
    std::optional<int> noted;  // the count the picture records, when it records one
    std::int64_t nudged = 0;   // opaque pixels of the key colour in those tiles, made (0, 1, 3)
    FreeWords words;           // as the picture records them, else 0
    // What the file holds that a tileset cannot (a Tiled tileset's terrains, say), each named
    // once, in the order first met.
    std::vector<std::string> ignored;

    // Whole tiles, column by column.
    std::span<const BYTE> Tiles() const {
        return {memory.get(), static_cast<std::size_t>(count) * kTileBytes};
    }
};

// Any PNG whose width and height are whole multiples of 32: its cells, in reading order, up to
// the count the picture records or to the last cell that is not wholly transparent, whichever
// is further (a drawn cell is never dropped). Memory follows those tiles, not the size the
// picture declares: a row of pixels is held, never the whole picture, interlaced or not. Raises
// the file's open and read errors; OutOfMemory (7) when the tiles would take more memory than
// the system has left; and InvalidFileFormat (321) with the reason in words for a picture it
// refuses: not a PNG, damaged (a palette index past the palette's end included), a size that is
// not a multiple of 32, a recorded count it cannot hold, no tiles, or more than kMaxTiles.
PictureTiles TilesFromPng(const std::string& picture);

// How a Tiled tileset lays its tiles out on its picture, and what it records of them.
struct TileGrid {
    int margin = 0;   // pixels before the first row and the first column of tiles
    int spacing = 0;  // pixels between rows and between columns of tiles
    // A colour that is see-through wherever the picture has it, whatever its alpha.
    std::optional<std::array<std::uint8_t, 3>> trans;
    // Tiled's own count of the tiles: the count when nothing else records one, no more than the
    // cells the picture holds.
    std::optional<int> tileCount;
    // The records that a PNG of orvane-export keeps in its texts (kTileCountKeyword and the free
    // words): the value of one, or nothing.
    std::function<std::optional<std::string>(std::string_view keyword)> record;
};

// The tiles of any PNG laid out as grid says, as Tiled slices it: 32 x 32 tiles from the margin
// on, a spacing apart, as many to a row and as many rows as fit whole; pixels past the last are
// ignored. The rest as TilesFromPng, except that the counts and the free words are grid's records.
PictureTiles TilesFromGrid(const std::string& picture, const TileGrid& grid);

}  // namespace orvane::tileset
