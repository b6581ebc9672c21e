// Where File > Open puts every tile, how large it makes the canvas and the window, what shows
// where no tile is, and which pixels it marks see-through; read back from the painted canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/gdi.h"
#include "platform/runtime_error.h"
#include "tests/support/pictures.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

using namespace orvane::testing;
using orvane::viewer::Canvas;
using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;

struct LayoutCase {
    const char* name;
    std::int16_t tileCount;
    int width;  // the canvas afterwards, in pixels
    int height;
    int tilesInFile = -1;  // fewer than tileCount: the file ends early and is refused
};
void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

// A key-colour pixel here and there in every tile, at places that differ from tile to tile.
Rgb TilePixel(int tile, int x, int y) {
    return (tile + 7 * x + 3 * y) % 11 == 0 ? Rgb{0, 1, 2} : orvane::testing::Signature(tile, x, y);
}

// The canvas as painting the file pixel by pixel, in file order, onto a cleared canvas leaves
// it: rows from the top, blue, green, red.
std::vector<BYTE> PaintedInFileOrder(int tiles, int width, int height) {
    std::vector<BYTE> rows(3 * static_cast<std::size_t>(width) * height, 240);
    for (int tile = 0; tile < tiles; ++tile) {
        for (int x = 1; x <= 32; ++x) {
            for (int y = 1; y <= 32; ++y) {
                const Rgb c = TilePixel(tile, x, y);
                if (c.r == 0 && c.g == 1 && c.b == 2) {
                    continue;
                }
                const std::size_t at = 3 * ((32 * (tile / 19) + y - 1) * std::size_t(width) +
                                            32 * (tile % 19) + x - 1);
                rows[at] = c.b, rows[at + 1] = c.g, rows[at + 2] = c.r;
            }
        }
    }
    return rows;
}

class MosaicLayout : public ::testing::TestWithParam<LayoutCase> {};

// The tiles are painted in bands on several threads, straight into the canvas's memory: byte for
// byte what painting one pixel after another gives.
TEST_P(MosaicLayout, EveryTileLandsInItsCellAndTheCanvasFitsTheMosaic) {
    const LayoutCase& c = GetParam();
    TempDir dir;
    // A row of extra tiles follows the counted ones: they must neither be painted nor size
    // anything.
    const int tiles = std::max<int>(c.tileCount, 0);
    const int inFile = c.tilesInFile >= 0 ? c.tilesInFile : tiles + (tiles == 32767 ? 0 : 19);
    WriteFile(dir / "set.tst", TilesetBytes(c.tileCount, inFile, [&](int tile, int x, int y) {
                  return tile < tiles ? TilePixel(tile, x, y) : Rgb{255, 255, 255};
              }));
    ScriptedDialog dialog({dir / "set.tst"});
    MainForm form(dialog);

    if (inFile < tiles) {
        EXPECT_THROW(form.mnuOpen_Click(), orvane::platform::RuntimeError);
        EXPECT_FALSE(form.bTilesetLoaded);
    } else {
        form.mnuOpen_Click();
        EXPECT_TRUE(form.bTilesetLoaded);
        EXPECT_EQ(form.TilesetHeader.TileCount, c.tileCount);
        EXPECT_EQ(form.Width(), 15.0f * c.width + 100);
        EXPECT_EQ(form.Height(), 15.0f * c.height + 800);
    }
    const Canvas& canvas = form.Picture1;
    ASSERT_EQ(canvas.PixelWidth(), c.width);
    ASSERT_EQ(canvas.PixelHeight(), c.height);
    EXPECT_EQ(canvas.Width(), 15.0f * c.width);
    EXPECT_EQ(canvas.Height(), 15.0f * c.height);
    if (c.width == 0) {
        EXPECT_EQ(canvas.Image(), nullptr);
        return;
    }

    const std::vector<BYTE> expected =
        PaintedInFileOrder(inFile < tiles ? 0 : tiles, c.width, c.height);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(c.width);
    for (int y = 0; y < c.height; ++y) {
        const BYTE* row = canvas.Bits().Row(y);
        const auto [want, got] = std::mismatch(expected.begin() + y * rowBytes,
                                               expected.begin() + (y + 1) * rowBytes, row);
        ASSERT_EQ(got, row + rowBytes)
            << "first difference at (" << (got - row) / 3 << ", " << y << "), byte "
            << (got - row) % 3 << ": " << int{*got} << " instead of " << int{*want};
        // The view tells a see-through pixel from a tile's own pixel of the background colour.
        for (int x = 0; x < c.width && inFile >= tiles; ++x) {
            const int tile = y / 32 * 19 + x / 32;
            const Rgb p = TilePixel(tile, x % 32 + 1, y % 32 + 1);
            ASSERT_EQ(form.SeeThrough().Test(x, y),
                      tile < tiles && p.r == 0 && p.g == 1 && p.b == 2)
                << "at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TileCounts, MosaicLayout,
                         ::testing::Values(LayoutCase{"none", 0, 0, 32},
                                           LayoutCase{"negative", -5, 0, 32},
                                           LayoutCase{"one", 1, 32, 32},
                                           LayoutCase{"one_full_row", 19, 608, 32},
                                           LayoutCase{"second_row_begun", 20, 608, 64},
                                           LayoutCase{"two_full_rows", 38, 608, 64},
                                           LayoutCase{"third_row_begun", 39, 608, 96},
                                           // Thirteen rows: taller than the 401-pixel drawing area.
                                           LayoutCase{"beyond_the_drawing_area", 240, 608, 416},
                                           LayoutCase{"nineteen_full_rows", 361, 608, 608},
                                           LayoutCase{"largest", 32767, 608, 55200},
                                           // Refused before the canvas changes: the design size.
                                           LayoutCase{"ends_early", 32767, 165, 153, 20000}),
                         orvane::testing::RowName());

// Tile 2 has a see-through pixel where tile 3 has the background's colour: the canvas shows
// them alike, the file does not. Tiles 4, 5 and 6 copy tiles 1, 2 and 3; tile 21, on the second
// row, copies tile 1.
TEST(FirstCopies, AreTheFileTilesFirstOfEachKind) {
    const auto pixels = [](int tile, int x, int y) {
        const int kind = tile < 6 ? tile % 3 : tile == 20 ? 0 : tile;
        if (x == 5 && y == 9 && kind == 1) {
            return Rgb{0, 1, 2};
        }
        if (x == 5 && y == 9 && kind == 2) {
            return Rgb{240, 240, 240};
        }
        return orvane::testing::Signature(kind == 2 ? 1 : kind, x, y);
    };
    TempDir dir;
    WriteFile(dir / "copies.tst", TilesetBytes(21, 21, pixels));
    ScriptedDialog dialog({dir / "copies.tst", dir / "copies.tst"});
    MainForm form(dialog);
    form.mnuOpen_Click();
    EXPECT_TRUE(form.FirstCopies().empty()) << "only for a view that shows them";
    form.TrackSeeThrough(true);

    form.mnuOpen_Click();

    std::vector<int> expected{0, 1, 2, 0, 1, 2};
    for (int tile = 6; tile < 20; ++tile) {
        expected.push_back(tile);
    }
    expected.push_back(0);
    EXPECT_EQ(form.FirstCopies(), expected);
}

}  // namespace
