// Painting a tileset's mosaic into bitmap memory, by the SSSE3 painter and by the plain one alike:
// every tile in its cell, the key colour (and only it) as the background and marked see-through,
// the cells after the last tile the background; read back byte by byte.
#include "tileset/paint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/cpu_features_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"

namespace {

using namespace orvane::tileset;
using orvane::testing::Rgb;

constexpr COLORREF kBackground = RGB(10, 200, 30);

// The key colour, and its nearest neighbours (colours like any other), here and there in every
// tile, at places that differ from tile to tile.
Rgb TilePixel(int tile, int x, int y) {
    switch ((tile + 7 * x + 3 * y) % 11) {
        case 0:
            return {kKeyRed, kKeyGreen, kKeyBlue};
        case 1:
            return {0, 1, 3};
        case 2:
            return {1, 1, 2};
        case 3:
            return {0, 0, 2};
        default:
            return orvane::testing::Signature(tile, x, y);
    }
}

// Tile counts, and whether the plain painter is forced where the processor has SSSE3.
class Painting : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(Painting, PutsEveryTileInItsCellAndOnlyTheKeyColourSeeThrough) {
    const auto [tiles, plain] = GetParam();
    std::optional<orvane::platform::testing::ScopedPlainCpu> plainCpu;
    if (plain) {
        plainCpu.emplace();
    }
    orvane::testing::TempDir dir;
    orvane::testing::WriteFile(
        dir / "t.tst", orvane::testing::TilesetBytes(std::int16_t(tiles), tiles, TilePixel));
    const TilesetFile file(dir / "t.tst");
    const MosaicSize size = MosaicSizeFor(tiles, kTilesPerRow);
    const auto stride = static_cast<LONG>(orvane::platform::BitmapStride(size.width));
    std::vector<BYTE> memory(static_cast<std::size_t>(stride) * size.height, 0xAB);
    const orvane::platform::BitmapBits picture{memory.data(), size.width, size.height, stride};
    SeeThroughMask seeThrough(size.width, size.height);

    // In calls of 5 rows: across the painter's own blocks of rows.
    const int rows = MosaicRowsFor(tiles);
    for (int first = 0; first < rows; first += 5) {
        PaintMosaicRows(file, first, std::min(5, rows - first), picture, kBackground, &seeThrough);
    }

    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const int tile = y / kTileSize * kTilesPerRow + x / kTileSize;
            const Rgb p = TilePixel(tile, x % kTileSize + 1, y % kTileSize + 1);
            const bool key = tile < tiles && IsKeyColour(p.r, p.g, p.b);
            const COLORREF want = tile >= tiles || key ? kBackground : RGB(p.r, p.g, p.b);
            const BYTE* got = picture.Row(y) + 3 * x;
            ASSERT_EQ(RGB(got[2], got[1], got[0]), want) << "at (" << x << ", " << y << ")";
            ASSERT_EQ(seeThrough.Test(x, y), key) << "at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TileCounts, Painting,
                         ::testing::Combine(::testing::Values(1, 18, 19, 20, 39, 240),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "_tiles_" +
                                    (std::get<1>(info.param) ? "plain" : "as_the_processor_allows");
                         });

}  // namespace
