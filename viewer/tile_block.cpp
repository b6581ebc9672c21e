#include "viewer/tile_block.h"

#include <algorithm>
#include <cstdlib>

#include "tileset/format.h"

namespace orvane::viewer {
namespace {

constexpr int kColumns = tileset::kTilesPerRow;

}  // namespace

int TileBlock::FirstColumn() const {
    return std::min(anchor % kColumns, corner % kColumns);
}

int TileBlock::FirstRow() const {
    return std::min(anchor / kColumns, corner / kColumns);
}

int TileBlock::Columns() const {
    return std::abs(anchor % kColumns - corner % kColumns) + 1;
}

int TileBlock::Rows() const {
    return std::abs(anchor / kColumns - corner / kColumns) + 1;
}

std::vector<int> TilesOf(const TileBlock& block, int tileCount) {
    std::vector<int> tiles;
    for (int row = block.FirstRow(); row < block.FirstRow() + block.Rows(); ++row) {
        for (int column = block.FirstColumn(); column < block.FirstColumn() + block.Columns();
             ++column) {
            const int tile = row * kColumns + column;
            if (tile < tileCount) {
                tiles.push_back(tile);
            }
        }
    }
    return tiles;
}

}  // namespace orvane::viewer
