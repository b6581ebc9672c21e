// Where File > Open puts every tile, how large it makes the canvas and the window, and what
// shows where no tile is; read back from the painted canvas.
#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
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
};
void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.name;
}

class MosaicLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MosaicLayout, EveryTileLandsInItsCellAndTheCanvasFitsTheMosaic) {
    const LayoutCase& c = GetParam();
    TempDir dir;
    // A row of extra tiles follows the counted ones: they must neither be painted nor size
    // anything.
    const int tiles = std::max<int>(c.tileCount, 0);
    const int extras = c.tileCount == 32767 ? 0 : 19;
    WriteFile(dir / "set.tst",
              TilesetBytes(c.tileCount, tiles + extras, [&](int tile, int x, int y) {
                  return tile < tiles ? orvane::testing::Signature(tile, x, y) : Rgb{255, 255, 255};
              }));
    ScriptedDialog dialog({dir / "set.tst"});
    MainForm form(dialog);

    form.mnuOpen_Click();

    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(form.TilesetHeader.TileCount, c.tileCount);
    const Canvas& canvas = form.Picture1;
    ASSERT_EQ(canvas.PixelWidth(), c.width);
    ASSERT_EQ(canvas.PixelHeight(), c.height);
    EXPECT_EQ(canvas.Width(), 15.0f * c.width);
    EXPECT_EQ(canvas.Height(), 15.0f * c.height);
    EXPECT_EQ(form.Width(), 15.0f * c.width + 100);
    EXPECT_EQ(form.Height(), 15.0f * c.height + 800);
    if (c.width == 0) {
        EXPECT_EQ(canvas.Image(), nullptr);
        return;
    }

    const HDC dc = canvas.hDC();
    for (int tile = 0; tile < tiles; ++tile) {
        const int left = 32 * (tile % 19);
        const int top = 32 * (tile / 19);
        for (const auto& [x, y] : {std::pair{1, 1}, {32, 1}, {1, 32}, {32, 32}, {17, 9}}) {
            ASSERT_EQ(GetPixel(dc, left + x - 1, top + y - 1), SignatureColour(tile, x, y))
                << "tile " << tile << " pixel (" << x << ", " << y << ")";
        }
    }
    // The cells after the last tile of an unfinished last row, when there is more than one row.
    for (int cell = tiles; tiles > 19 && cell % 19 != 0; ++cell) {
        const int left = 32 * (cell % 19);
        const int top = 32 * (cell / 19);
        for (const auto& [x, y] : {std::pair{0, 0}, {31, 31}, {16, 16}}) {
            ASSERT_EQ(GetPixel(dc, left + x, top + y), kCanvasBackground) << "empty cell " << cell;
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
                                           LayoutCase{"largest", 32767, 608, 55200}),
                         [](const auto& info) { return std::string(info.param.name); });

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
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
