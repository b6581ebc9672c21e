#include "viewer/tileset.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/runtime_error.h"

namespace orvane::viewer {
namespace {

[[noreturn]] void RaiseDamaged(std::string reason) {
    platform::RaiseBecause(platform::ErrorNumber::InvalidFileFormat, std::move(reason));
}

std::string Counted(std::int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Mosaic rows read at once: some 230 KB, which stays in cache while it is painted.
constexpr int kRowsPerRead = 4;
constexpr int kTilesPerRead = kRowsPerRead * kTilesPerRow;

static_assert(std::endian::native == std::endian::little, "pixels are moved as 32-bit words");

// A file pixel's red, green and blue bytes as the low three bytes of a word, as a 32-bit load
// gives them.
constexpr std::uint32_t kKeyColourWord = kKeyRed | kKeyGreen << 8 | kKeyBlue << 16;

std::uint32_t Load32(const BYTE* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The pixel of a file's red, green, blue word as a bitmap's blue, green, red: the low three
// bytes of the result.
std::uint32_t BitmapPixel(std::uint32_t rgb, std::uint32_t background) {
    return (rgb & 0xFFFFFF) == kKeyColourWord ? background : __builtin_bswap32(rgb) >> 8;
}

// Row y of a tile, whose pixels lie a column (96 bytes) apart in the file, side by side on the
// canvas: the writes go along the canvas's row. Each pixel but the last is stored as a whole
// word, whose fourth byte the next pixel then overwrites; the last is stored byte by byte, so
// nothing beyond the tile's row is touched.
void PaintTileRow(const BYTE* from, BYTE* to, std::uint32_t background) {
    constexpr int kColumnBytes = 3 * kTileSize;
    for (int x = 0; x < kTileSize - 1; ++x, from += kColumnBytes, to += 3) {
        const std::uint32_t pixel = BitmapPixel(Load32(from), background);
        std::memcpy(to, &pixel, sizeof pixel);
    }
    const std::uint32_t last =
        BitmapPixel(from[0] | std::uint32_t{from[1]} << 8 | std::uint32_t{from[2]} << 16,
                    background);
    to[0] = static_cast<BYTE>(last);
    to[1] = static_cast<BYTE>(last >> 8);
    to[2] = static_cast<BYTE>(last >> 16);
}

void FillRow(BYTE* to, int pixels, std::uint32_t background) {
    for (int x = 0; x < pixels; ++x, to += 3) {
        to[0] = static_cast<BYTE>(background);
        to[1] = static_cast<BYTE>(background >> 8);
        to[2] = static_cast<BYTE>(background >> 16);
    }
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
    if (tileCount <= 0) {
        return {0, kTileSize};
    }
    const int rows = MosaicRowsFor(tileCount);
    const int width = rows > 1 ? kFullRowWidth : tileCount * kTileSize;
    return {width, rows * kTileSize};
}

int MosaicRowsFor(int tiles) {
    return tiles > 0 ? (tiles + kTilesPerRow - 1) / kTilesPerRow : 0;
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

void TilesetFile::ReadTiles(int first, std::span<BYTE> out) const {
    if (file_.GetUnbuffered(kFirstPixelPosition + std::int64_t{first} * kTileBytes, out) <
        out.size()) {
        RaiseDamaged("the file was cut short while it was read");
    }
}

void PaintMosaicRows(const TilesetFile& file, int firstRow, int rows,
                     const platform::BitmapBits& picture, COLORREF background) {
    const std::uint32_t backgroundPixel =
        GetBValue(background) | GetGValue(background) << 8 | GetRValue(background) << 16;
    const int tiles = file.Tiles();
    std::vector<BYTE> block(static_cast<std::size_t>(std::min(kTilesPerRead, tiles)) * kTileBytes);
    for (int row = firstRow; row < firstRow + rows; row += kRowsPerRead) {
        const int first = row * kTilesPerRow;
        const int read =
            std::min({tiles - first, (firstRow + rows - row) * kTilesPerRow, kTilesPerRead});
        file.ReadTiles(first, std::span(block).first(static_cast<std::size_t>(read) * kTileBytes));
        for (int tile = 0; tile < read; ++tile) {
            const BYTE* pixels = block.data() + static_cast<std::size_t>(tile) * kTileBytes;
            const int rowY = (row + tile / kTilesPerRow) * kTileSize;
            const std::ptrdiff_t left = std::ptrdiff_t{3} * (tile % kTilesPerRow) * kTileSize;
            for (int y = 0; y < kTileSize; ++y) {
                PaintTileRow(pixels + 3 * y, picture.Row(rowY + y) + left, backgroundPixel);
            }
        }
        // The empty cells after the last tile, in a mosaic of more than one row.
        if (const int last = first + read;
            last == tiles && last % kTilesPerRow != 0 && tiles > kTilesPerRow) {
            const int rowY = (last / kTilesPerRow) * kTileSize;
            const int filled = (last % kTilesPerRow) * kTileSize;
            for (int y = rowY; y < rowY + kTileSize; ++y) {
                FillRow(picture.Row(y) + std::ptrdiff_t{3} * filled, picture.width - filled,
                        backgroundPixel);
            }
        }
    }
}

}  // namespace orvane::viewer
