#include "viewer/tileset.h"

namespace orvane::viewer {

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
    if (tileCount <= 0) {
        return {0, kTileSize};
    }
    const int rows = (tileCount + kTilesPerRow - 1) / kTilesPerRow;
    const int width = rows > 1 ? kFullRowWidth : tileCount * kTileSize;
    return {width, rows * kTileSize};
}

}  // namespace orvane::viewer
