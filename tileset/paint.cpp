#include "tileset/paint.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/cpu_features.h"

namespace orvane::tileset {
namespace {

// Mosaic rows read at once: some 230 KB, which stays in cache while it is painted.
constexpr int kRowsPerRead = 4;
constexpr int kTilesPerRead = kRowsPerRead * kTilesPerRow;

static_assert(std::endian::native == std::endian::little, "pixels are moved as 32-bit lanes");

// GCC's and Clang's own vectors: each compiler turns their shuffles into the best instructions
// the processor has.
using Bytes16 = BYTE __attribute__((vector_size(16)));
using Lanes4 = std::uint32_t __attribute__((vector_size(16)));

// The painter reads 16 bytes for 4 pixels: a block of tiles has this room after its last tile.
constexpr std::size_t kReadSlack = 4;

// A pixel as a lane holds it: blue, green, red from the low byte up.
constexpr std::uint32_t LanePixel(BYTE red, BYTE green, BYTE blue) {
    return blue | green << 8 | red << 16;
}

// A tile, stored column by column, painted along the canvas's rows (row y of the tile at
// topRow + y * pitch), 4 x 4 pixels at a time: 4 pixels of each of 4 columns are widened to a
// 32-bit lane each, key colours replaced by the background, transposed into 4 rows of 4 and
// narrowed back to 3 bytes a pixel. A block's row is stored as 16 bytes, whose last 4 the block
// to its right then overwrites; the last block of a row stores 12, so that nothing beyond the
// tile is touched. Returns whether the tile holds a key colour at all.
[[gnu::always_inline]] inline bool PaintTile(const BYTE* tile, BYTE* topRow, std::ptrdiff_t pitch,
                                             std::uint32_t background) {
    constexpr int kColumnBytes = 3 * kTileSize;
    constexpr Bytes16 kZero{};
    constexpr std::uint32_t kKey = LanePixel(kKeyRed, kKeyGreen, kKeyBlue);
    constexpr Lanes4 kKeys{kKey, kKey, kKey, kKey};
    const Lanes4 backgrounds{background, background, background, background};
    Lanes4 anyKey{};
    for (int y0 = 0; y0 < kTileSize; y0 += 4) {
        for (int x0 = 0; x0 < kTileSize; x0 += 4) {
            std::array<Lanes4, 4> columns;
            for (int k = 0; k < 4; ++k) {
                const BYTE* from =
                    tile + std::ptrdiff_t{kColumnBytes} * (x0 + k) + std::ptrdiff_t{3} * y0;
                Bytes16 bytes;
                std::memcpy(&bytes, from, sizeof bytes);
                const auto lanes = reinterpret_cast<Lanes4>(__builtin_shufflevector(
                    bytes, kZero, 2, 1, 0, 16, 5, 4, 3, 16, 8, 7, 6, 16, 11, 10, 9, 16));
                const auto isKey = reinterpret_cast<Lanes4>(lanes == kKeys);
                anyKey |= isKey;
                columns[k] = (isKey & backgrounds) | (~isKey & lanes);
            }
            const Lanes4 low01 = __builtin_shufflevector(columns[0], columns[1], 0, 4, 1, 5);
            const Lanes4 low23 = __builtin_shufflevector(columns[2], columns[3], 0, 4, 1, 5);
            const Lanes4 high01 = __builtin_shufflevector(columns[0], columns[1], 2, 6, 3, 7);
            const Lanes4 high23 = __builtin_shufflevector(columns[2], columns[3], 2, 6, 3, 7);
            const std::array<Lanes4, 4> rows{__builtin_shufflevector(low01, low23, 0, 1, 4, 5),
                                             __builtin_shufflevector(low01, low23, 2, 3, 6, 7),
                                             __builtin_shufflevector(high01, high23, 0, 1, 4, 5),
                                             __builtin_shufflevector(high01, high23, 2, 3, 6, 7)};
            for (int j = 0; j < 4; ++j) {
                const auto lanes = reinterpret_cast<Bytes16>(rows[j]);
                const Bytes16 pixels = __builtin_shufflevector(lanes, lanes, 0, 1, 2, 4, 5, 6, 8, 9,
                                                               10, 12, 13, 14, 0, 0, 0, 0);
                BYTE* to = topRow + (y0 + j) * pitch + std::ptrdiff_t{3} * x0;
                if (x0 + 4 < kTileSize) {
                    std::memcpy(to, &pixels, sizeof pixels);
                } else {
                    std::memcpy(to, &pixels, 12);
                }
            }
        }
    }
    return (anyKey[0] | anyKey[1] | anyKey[2] | anyKey[3]) != 0;
}

using TilePainter = bool (*)(const BYTE* tile, BYTE* topRow, std::ptrdiff_t pitch,
                             std::uint32_t background);

bool PaintTilePlain(const BYTE* tile, BYTE* topRow, std::ptrdiff_t pitch,
                    std::uint32_t background) {
    return PaintTile(tile, topRow, pitch, background);
}

#if defined(__x86_64__)
[[gnu::target("ssse3")]] bool PaintTileSsse3(const BYTE* tile, BYTE* topRow, std::ptrdiff_t pitch,
                                             std::uint32_t background) {
    return PaintTile(tile, topRow, pitch, background);
}
#endif

// The see-through pixels of a tile whose top-left corner is canvas pixel (left, top). Only tiles
// that hold a key colour come here: in most tilesets, few do.
void MarkSeeThrough(const BYTE* tile, int left, int top, SeeThroughMask& seeThrough) {
    const BYTE* pixel = tile;
    for (int x = 0; x < kTileSize; ++x) {
        for (int y = 0; y < kTileSize; ++y, pixel += 3) {
            if (IsKeyColour(pixel[0], pixel[1], pixel[2])) {
                seeThrough.Set(left + x, top + y);
            }
        }
    }
}

// On x86-64 the painter is built twice, with SSSE3's byte shuffle and with SSE2 alone.
TilePainter ChooseTilePainter() {
#if defined(__x86_64__)
    if (platform::CpuHas(platform::CpuFeature::Ssse3)) {
        return PaintTileSsse3;
    }
#endif
    return PaintTilePlain;
}

void FillRow(BYTE* to, int pixels, std::uint32_t background) {
    for (int x = 0; x < pixels; ++x, to += 3) {
        to[0] = static_cast<BYTE>(background);
        to[1] = static_cast<BYTE>(background >> 8);
        to[2] = static_cast<BYTE>(background >> 16);
    }
}

}  // namespace

void PaintMosaicRows(const TilesetFile& file, int firstRow, int rows,
                     const platform::BitmapBits& picture, COLORREF background,
                     SeeThroughMask* seeThrough) {
    const std::uint32_t backgroundPixel =
        LanePixel(GetRValue(background), GetGValue(background), GetBValue(background));
    const TilePainter paintTile = ChooseTilePainter();
    const int tiles = file.Tiles();
    std::vector<BYTE> block(static_cast<std::size_t>(std::min(kTilesPerRead, tiles)) * kTileBytes +
                            kReadSlack);
    for (int row = firstRow; row < firstRow + rows; row += kRowsPerRead) {
        const int first = row * kTilesPerRow;
        const int read =
            std::min({tiles - first, (firstRow + rows - row) * kTilesPerRow, kTilesPerRead});
        file.ReadTiles(first, std::span(block).first(static_cast<std::size_t>(read) * kTileBytes));
        for (int tile = 0; tile < read; ++tile) {
            const int rowY = (row + tile / kTilesPerRow) * kTileSize;
            const int left = (tile % kTilesPerRow) * kTileSize;
            const BYTE* pixels = block.data() + static_cast<std::size_t>(tile) * kTileBytes;
            if (paintTile(pixels, picture.Row(rowY) + std::ptrdiff_t{3} * left,
                          -std::ptrdiff_t{picture.stride}, backgroundPixel) &&
                seeThrough != nullptr) {
                MarkSeeThrough(pixels, left, rowY, *seeThrough);
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

}  // namespace orvane::tileset
