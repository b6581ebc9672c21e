// A tileset's thumbnail, for file managers.
#pragma once

#include <string>

#include "tileset/tileset_file.h"

namespace orvane::tileset {

inline constexpr int kMaxThumbnailSize = 4096;

// The first tiles of a tileset, at most 4 × 4 of them in rows as near square as they come,
// scaled nearest-neighbour to fit within size × size pixels (by a whole factor when it fits),
// see-through pixels transparent, as a PNG. Reads only those tiles, so a large tileset costs no
// more than a small one. Raises as SaveTilesetAsPng does, and InvalidPropertyValue (380) for a
// size outside 1 to kMaxThumbnailSize.
void SaveTilesetThumbnail(TilesetFile& file, const std::string& output, int size);

}  // namespace orvane::tileset
