#include "tileset/format.h"

namespace orvane::tileset {

TilesetHeader DecodeTilesetHeader(std::span<const BYTE, kTilesetHeaderBytes> bytes) {
    const auto word = [&](int offset) {
        return static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
    };
    TilesetHeader header;
    header.Unknown1 = word(0);
    header.TileCount = static_cast<std::int16_t>(word(2));
    header.Unknown2 = word(4);
    return header;
}

MosaicSize MosaicSizeFor(std::int16_t tileCount) {
    return MosaicSizeFor(int{tileCount}, kTilesPerRow);
}

MosaicSize MosaicSizeFor(int tiles, int columns) {
    if (tiles <= 0) {
        return {0, kTileSize};
    }
    const int rows = (tiles + columns - 1) / columns;
    const int width = rows > 1 ? columns * kTileSize : tiles * kTileSize;
    return {width, rows * kTileSize};
}

int MosaicRowsFor(int tiles) {
    return tiles > 0 ? (tiles + kTilesPerRow - 1) / kTilesPerRow : 0;
}

}  // namespace orvane::tileset
