// Tilesets as Tiled's tilesets (.tsx): an XML file that names a PNG of the mosaic and says how it
// is cut into tiles, which Tiled, and the game engines' importers of its files, read. Written
// beside the PNG that orvane-export writes, and read back as tiles the way Tiled cuts them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tileset/png.h"
#include "tileset/tileset_file.h"

namespace orvane::tileset {

// The picture a .tsx of this name names: its last three characters "png" instead, beside it.
std::string PictureBeside(const std::string& tsx);

// What a .tsx written of a tileset says.
struct TsxSheet {
    std::string name;   // the tileset's, as Tiled lists it
    std::string image;  // the picture's file name, relative to the .tsx
    int tiles = 0;      // the tiles the tileset holds
    MosaicSize size;    // the picture's, in pixels
    FreeWords words;
};

// The .tsx text: the tileset's name, its tiles' size, Tiled's count of them (every cell of the
// picture, as Tiled counts them whatever the file says) and columns, the counts that Tiled cannot
// hold as properties (kTileCountKeyword and, when either is not 0, the free words), and the
// picture, named relative to the .tsx. Names are escaped for XML; a picture's name that Tiled
// would take for an address (one with a colon) is written "./name".
std::string TsxDocument(const TsxSheet& sheet);

// Writes the tileset's mosaic as the PNG that SaveTilesetAsPng writes, beside output
// (PictureBeside), and output as a .tsx that names it. Both files are written whole before either
// takes its name: a failure on the way leaves both as they were. Only a failure to put the .tsx
// in place once the PNG has been (a full disk while it is flushed, say) leaves the new PNG beside
// the old .tsx, and the error's reason says so. Raises as SaveTilesetAsPng does, and
// BadFileNameOrNumber (52) for a name that a .tsx cannot hold as text (not UTF-8, or with a
// control character other than a tab or a line break) and for two names of one file.
void SaveTilesetAsTsx(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options = {});

// What a .tsx says of its tileset, as far as a tileset file can take it.
struct TsxTileset {
    int tileWidth = 0;
    int tileHeight = 0;
    std::optional<int> tileCount;
    int margin = 0;
    int spacing = 0;
    std::string image;  // as written: relative to the .tsx's folder, or absolute; "" for none
    bool embeddedImage = false;    // the picture's data is in the file, not named
    bool imageCollection = false;  // a picture for each tile, not one picture
    std::optional<std::array<std::uint8_t, 3>> trans;
    // The tileset's properties whose names are among the records (kTileCountKeyword and the free
    // words), with their values.
    std::map<std::string, std::string, std::less<>> records;
    // Tiled's parts that a tileset cannot hold, named once each, in the order first met:
    // "properties" (others than the records), "wangsets", "tile", "grid"...
    std::vector<std::string> ignored;
};

// The largest .tsx that is read: many times what Tiled writes for the largest tileset, with a
// property, a terrain and an animation on every tile.
inline constexpr std::int64_t kMostTsxBytes = std::int64_t{64} << 20;

// Reads the XML of a .tsx. Raises InvalidFileFormat (321), with the reason in words, for text
// that is not well-formed XML (with the line it goes wrong on), has a document type (which
// Tiled never writes, and through which entities could multiply), or is not a <tileset>; and for
// attributes that are not numbers where Tiled writes numbers, or a trans that is not a colour.
TsxTileset ParseTsx(std::string_view text);

// A Tiled tileset's tiles: the picture it names, found relative to the .tsx, cut as Tiled cuts it
// (TilesFromGrid), its trans colour see-through. Raises InvalidFileFormat (321) for a .tsx that
// ParseTsx refuses, larger than kMostTsxBytes, of tiles other than 32 x 32, of no picture or of
// one picture a tile, and for a picture TilesFromPng would refuse; and the errors of opening and
// reading the .tsx and its picture, the picture's name in their reason.
PictureTiles TilesFromTsx(const std::string& tsx);

// The tiles orvane-pack makes of a file: a Tiled tileset (a file that begins as XML does) as
// TilesFromTsx reads it, any other as a PNG (TilesFromPng).
PictureTiles TilesFromPicture(const std::string& picture);

}  // namespace orvane::tileset
