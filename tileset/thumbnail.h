// A tileset's thumbnail, for file managers.
#pragma once

#include <string>

#include "tileset/tileset_file.h"

namespace orvane::tileset {

inline constexpr int kMaxThumbnailSize = 4096;

// The first rows of a tileset's mosaic as the window lays it out, 19 tiles wide and at most 19
// rows high (a square), or the whole mosaic when it has fewer tiles, see-through pixels
// transparent, as a PNG that fits within size × size pixels: shrunk bilinearly
// (cDIBSection::Resample), or enlarged nearest-neighbour by a whole factor when that fits. Reads
// only those tiles, so a large tileset costs no more than a middling one. Raises as
// SaveTilesetAsPng does, and InvalidPropertyValue (380) for a size outside 1 to kMaxThumbnailSize.
void SaveTilesetThumbnail(TilesetFile& file, const std::string& output, int size);

}  // namespace orvane::tileset
