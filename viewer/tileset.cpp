#include "viewer/tileset.h"

#include <array>

#include "platform/runtime_error.h"

namespace orvane::viewer {
namespace {

[[noreturn]] void RaiseDamaged(std::string reason) {
    platform::RaiseBecause(platform::ErrorNumber::InvalidFileFormat, std::move(reason));
}

std::string Counted(std::int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

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

TilesetFile::TilesetFile(const std::string& fileName) : file_(fileName) {
    const std::int64_t length = file_.Length();
    if (length < kTilesetHeaderBytes) {
        RaiseDamaged(length == 0 ? "the file is empty"
                                 : "the file holds " + Counted(length, "byte", "bytes") +
                                       ", fewer than the " + std::to_string(kTilesetHeaderBytes) +
                                       " of a tileset's header");
    }
    std::array<BYTE, kTilesetHeaderBytes> bytes;
    if (file_.Get(1, bytes) < bytes.size()) {
        RaiseDamaged("the file ended while its header was read");
    }
    header_ = DecodeTilesetHeader(bytes);
    const std::int64_t held = (length - kTilesetHeaderBytes) / kTileBytes;
    if (held < Tiles()) {
        RaiseDamaged("the header counts " + Counted(Tiles(), "tile", "tiles") +
                     ", the file holds " + std::to_string(held));
    }
}

void TilesetFile::ReadTiles(int first, std::span<BYTE> out) {
    if (file_.Get(kFirstPixelPosition + std::int64_t{first} * kTileBytes, out) < out.size()) {
        RaiseDamaged("the file was cut short while it was read");
    }
}

}  // namespace orvane::viewer
