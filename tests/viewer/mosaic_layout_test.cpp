// Where File > Open puts every tile, how large it makes the canvas and the window, and what
// shows where no tile is; read back from the painted canvas.
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

// ---------------------------------------------------------------------------------------------

struct KeyColourCase {
    const char* name;
    Rgb triple;
    bool seeThrough;
};
void PrintTo(const KeyColourCase& c, std::ostream* os) {
    *os << c.name;
}

class KeyColour : public ::testing::TestWithParam<KeyColourCase> {};

// Only the exact triple (0, 1, 2) lets the canvas show through, in whichever tile and place.
TEST_P(KeyColour, OnlyTheExactTripleLetsTheBackgroundShow) {
    const KeyColourCase& c = GetParam();
    const std::pair<int, int> places[] = {{1, 1}, {32, 32}, {1, 32}, {20, 7}};
    const auto isPlace = [&](int x, int y) {
        return std::find(std::begin(places), std::end(places), std::pair{x, y}) != std::end(places);
    };
    TempDir dir;
    WriteFile(dir / "key.tst", TilesetBytes(21, 21, [&](int tile, int x, int y) {
                  return isPlace(x, y) ? c.triple : orvane::testing::Signature(tile, x, y);
              }));
    ScriptedDialog dialog({dir / "key.tst"});
    MainForm form(dialog);

    form.mnuOpen_Click();

    const COLORREF expected =
        c.seeThrough ? kCanvasBackground : RGB(c.triple.r, c.triple.g, c.triple.b);
    for (const int tile : {0, 18, 20}) {
        for (const auto& [x, y] : places) {
            const int X = 32 * (tile % 19) + x - 1;
            const int Y = 32 * (tile / 19) + y - 1;
            EXPECT_EQ(GetPixel(form.Picture1.hDC(), X, Y), expected)
                << "tile " << tile << " pixel (" << x << ", " << y << ")";
            // The view tells such a pixel from a tile's own pixel of the background's colour.
            EXPECT_EQ(form.SeeThrough().Test(X, Y), c.seeThrough);
        }
        EXPECT_FALSE(form.SeeThrough().Test(32 * (tile % 19) + 1, 32 * (tile / 19)));
        EXPECT_EQ(GetPixel(form.Picture1.hDC(), 32 * (tile % 19) + 1, 32 * (tile / 19)),
                  SignatureColour(tile, 2, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(NearNeighbours, KeyColour,
                         ::testing::Values(KeyColourCase{"key_0_1_2", {0, 1, 2}, true},
                                           KeyColourCase{"blue_3", {0, 1, 3}, false},
                                           KeyColourCase{"red_1", {1, 1, 2}, false},
                                           KeyColourCase{"green_0", {0, 0, 2}, false}),
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
