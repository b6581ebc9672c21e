// A block of tiles: the rectangle of mosaic cells between the tile a selection started on and the
// one it was stretched to (Shift+click, a drag, Select All). Copy and Export Selection take its
// tiles row by row, as the mosaic lays them out.
#pragma once

#include <vector>

namespace orvane::viewer {

struct TileBlock {
    int anchor = 0;  // the cell the selection started on, from 0
    int corner = 0;  // the opposite cell; the anchor again for one tile
    bool operator==(const TileBlock&) const = default;

    int FirstColumn() const;
    int FirstRow() const;
    int Columns() const;
    int Rows() const;
};

// The tiles of the block that the mosaic holds, row by row: cells after the last tile are left out.
std::vector<int> TilesOf(const TileBlock& block, int tileCount);

}  // namespace orvane::viewer
