// Painting a tileset's mosaic into bitmap memory, on every processor's share of the rows.
#pragma once

#include "platform/bitmap_bits.h"
#include "platform/windef.h"
#include "tileset/see_through_mask.h"
#include "tileset/tileset_file.h"

namespace orvane::tileset {

// Paints mosaic rows [firstRow, firstRow + rows) of file's mosaic into picture, a bitmap of the
// mosaic's size (MosaicSizeFor), reading their tiles from the file. Every pixel of those rows is
// written: each tile's pixels take its colours, except that key-colour pixels, like the cells
// after the last tile, take the background colour; seeThrough, when given, learns which pixels
// those key colours were. Raises the first read error, with the rows before it painted. Calls
// for rows of their own may run at the same time.
void PaintMosaicRows(const TilesetFile& file, int firstRow, int rows,
                     const platform::BitmapBits& picture, COLORREF background,
                     SeeThroughMask* seeThrough = nullptr);

}  // namespace orvane::tileset
