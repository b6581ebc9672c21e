// The view without its widget: zoom steps, the window's fit, the tile under the pointer, what the
// status bar says, what a repaint draws, and what a reload keeps.
#include "viewer/mosaic_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "viewer/folder_tilesets.h"
#include "viewer/recent_files.h"
#include "viewer/reload_watch.h"
#include "viewer/status_text.h"
#include "viewer/tile_block.h"
#include "viewer/view_render.h"
#include "viewer/view_settings.h"

namespace {

using namespace orvane::viewer;
using namespace orvane::tileset;

TEST(ZoomSteps, CoverEveryCanvasPixelWithTheSameWholeDevicePixels) {
    struct Row {
        int zoom;
        double ratio;
        int devicePixels;
    };
    for (const Row& row : std::vector<Row>{{1, 1.0, 1},
                                           {4, 1.0, 4},
                                           {16, 1.0, 16},
                                           {1, 1.25, 1},
                                           {2, 1.25, 3},
                                           {1, 1.5, 2},
                                           {2, 1.5, 3},
                                           {3, 1.5, 5},
                                           {16, 1.5, 24},
                                           {1, 2.0, 2}}) {
        EXPECT_EQ(DevicePixelsPer(row.zoom, row.ratio), row.devicePixels)
            << row.zoom << "x at " << row.ratio;
    }
    for (const auto& [zoom, ratio, scale] :
         std::vector<std::tuple<int, double, ZoomScale>>{{ShrinkStep(2), 1.0, {1, 2}},
                                                         {ShrinkStep(3), 1.5, {2, 3}},
                                                         {ShrinkStep(2), 2.0, {1, 1}}}) {
        EXPECT_EQ(ScaleOf(zoom, ratio), scale) << ZoomText(zoom) << " at " << ratio;
    }
    EXPECT_EQ(LogicalLength(1216, 1.5), 811) << "rounded up, never cut";
    EXPECT_EQ(LogicalLength(150, 1.5), 100);

    MosaicView view;
    view.SetMosaic({608, 96}, 57);
    EXPECT_FALSE(view.ZoomTo(0));
    view.SetViewport({300, 400});
    EXPECT_TRUE(view.ZoomTo(2));
    EXPECT_EQ(view.Scroll(), (PixelPoint{0, 0})) << "from the edges the view is at";
    view.ScrollTo({10, 0});
    EXPECT_TRUE(view.ZoomTo(3));
    EXPECT_EQ(view.Scroll(), (PixelPoint{(10 + 150) * 3 / 2 - 150, 0})) << "about the middle";
    EXPECT_TRUE(view.ZoomTo(99));
    EXPECT_EQ(view.Zoom(), kMaxZoom);
    EXPECT_EQ(view.Content(), (PixelSize{608 * 16, 96 * 16}));
}

// Zoom Out, as Ctrl+- gives it, on the largest mosaic on a 1920 x 1080 screen, the window
// fitted at each step: below 1× to 1/2, then 1/3, the window narrower with the mosaic, down to
// the step at which all of it fits; a smaller mosaic then stops at 1×, and the larger one
// returns to the zoom last asked for.
TEST(ZoomSteps, GoBelowActualSizeUntilTheWholeMosaicFits) {
    const PixelSize largest{608, 55'200};
    const FitRequest screen{{}, 50, {2, 27}, {0, 0, 1920, 1080}, 15, {}, {200, 80}};
    MosaicView view;
    view.SetMosaic(largest, 32'767);
    view.SetViewport({608, 1000});
    const int whole = FitWholeZoom(largest, 1.0, screen);
    EXPECT_EQ(whole, ShrinkStep(55'200 / (1080 - 50 - 27) + 1));
    view.SetZoomFloor(whole);
    std::vector<int> zooms;
    std::vector<int> widths;
    for (int press = 0; press < 3; ++press) {
        FitRequest request = screen;
        request.content = view.LogicalContent();
        widths.push_back(FitWindow(request).client.width);
        zooms.push_back(view.Zoom());
        view.ZoomTo(view.Zoom() - 1);
    }
    EXPECT_EQ(zooms, (std::vector<int>{1, ShrinkStep(2), ShrinkStep(3)}));
    EXPECT_EQ(widths, (std::vector<int>{608 + 15, 304 + 15, 203 + 15}));
    EXPECT_EQ(ZoomText(ShrinkStep(3)), "33%");
    EXPECT_EQ(ZoomText(whole), "1.8%");
    view.ZoomTo(whole - 5);
    EXPECT_EQ(view.Zoom(), whole) << "no further than the whole mosaic";

    EXPECT_TRUE(view.SetZoomFloor(FitWholeZoom({608, 96}, 1.0, screen)));
    EXPECT_EQ(view.Zoom(), kActualSize);
    EXPECT_TRUE(view.SetZoomFloor(whole));
    EXPECT_EQ(view.Zoom(), whole);
    EXPECT_FALSE(view.RestoreZoom(whole - 10)) << "remembered, shown once the floor allows";
    EXPECT_EQ(view.WantedZoom(), whole - 10);
}

struct FitCase {
    const char* name;
    PixelSize content;
    PixelSize decoration;
    PixelPoint topLeft;
    WindowFit fit;
};
void PrintTo(const FitCase& c, std::ostream* os) {
    *os << c.name;
}

class Fit : public ::testing::TestWithParam<FitCase> {};

// A 1280 x 1024 screen with a 30-pixel panel at the top; menus and status bar take 50 pixels,
// a scrollbar 15.
TEST_P(Fit, WrapsTheContentExactlyWithinTheScreen) {
    const FitCase& c = GetParam();
    FitRequest request{c.content, 50, c.decoration, {0, 30, 1280, 994}, 15, c.topLeft, {200, 80}};

    EXPECT_EQ(FitWindow(request), c.fit);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, Fit,
    ::testing::Values(
        FitCase{"terrain", {608, 96}, {2, 27}, {100, 100}, {{608, 146}, {100, 100}, false, false}},
        // The frame's 27 pixels count too: the last row stays reachable.
        FitCase{"island", {608, 1152}, {2, 27}, {100, 100}, {{623, 967}, {100, 30}, true, false}},
        FitCase{"island_frame_unknown",
                {608, 1152},
                {0, 0},
                {0, 0},
                {{623, 994}, {0, 30}, true, false}},
        FitCase{
            "terrain_4x", {2432, 384}, {2, 27}, {100, 100}, {{1278, 449}, {0, 100}, false, true}},
        FitCase{"island_4x", {2432, 4608}, {2, 27}, {100, 100}, {{1278, 967}, {0, 30}, true, true}},
        // Fits across until the vertical scrollbar is added.
        FitCase{"scrollbar_makes_it_wide",
                {1270, 1100},
                {2, 27},
                {0, 0},
                {{1278, 967}, {0, 30}, true, true}},
        FitCase{"one_tile", {32, 32}, {2, 27}, {100, 100}, {{200, 82}, {100, 100}, false, false}},
        FitCase{"moved_inside",
                {608, 96},
                {2, 27},
                {900, 900},
                {{608, 146}, {670, 851}, false, false}}),
    orvane::testing::RowName());

TEST(FitZoom, IsTheLargestZoomWhoseWidthNeedsNoScrollbar) {
    FitRequest request{{}, 50, {2, 27}, {0, 0, 1920, 1080}, 15, {}, {}};
    EXPECT_EQ(FitZoom({608, 96}, 1.0, request), 3);
    EXPECT_EQ(FitZoom({608, 1152}, 1.0, request), 3) << "with the vertical scrollbar";
    EXPECT_EQ(FitZoom({608, 96}, 1.5, request), 2);
    EXPECT_EQ(FitZoom({32, 32}, 1.0, request), kMaxZoom);
    request.available = {0, 0, 1280, 1024};
    EXPECT_EQ(FitZoom({608, 96}, 1.0, request), 2);
    request.available = {0, 0, 1200, 1024};
    EXPECT_EQ(FitZoom({608, 96}, 1.5, request), 1) << "2x: 1216 logical pixels and the frame";
    request.available = {0, 0, 500, 1024};
    EXPECT_EQ(FitZoom({608, 96}, 1.0, request), ShrinkStep(2)) << "a narrow screen";
    request.available = {0, 0, 1920, 1080};
    EXPECT_EQ(FitWholeZoom({608, 96}, 1.0, request), 3);
    EXPECT_EQ(FitWholeZoom({608, 1152}, 1.0, request), ShrinkStep(2)) << "the island sample";
}

struct PointerCase {
    const char* name;
    int zoom;
    double ratio;
    PixelPoint scroll;  // device pixels
    double x, y;        // logical, in the viewport
    std::optional<TileHit> hit;
};
void PrintTo(const PointerCase& c, std::ostream* os) {
    *os << c.name;
}

class Pointer : public ::testing::TestWithParam<PointerCase> {};

// 20 tiles: a full row and one tile of the second.
TEST_P(Pointer, FindsTheTileUnderIt) {
    const PointerCase& c = GetParam();
    MosaicView view;
    view.SetMosaic({608, 64}, 20);
    view.SetDevicePixelRatio(c.ratio);
    view.SetViewport({300, 100});
    view.SetZoomFloor(kLeastZoom);
    view.ZoomTo(c.zoom, {0, 0});
    view.ScrollTo(c.scroll);
    ASSERT_EQ(view.Scroll(), c.scroll);

    const std::optional<PixelPoint> at = view.CanvasAtLogical(c.x, c.y);

    EXPECT_EQ(at ? TileAt(view.TileCount(), *at) : std::nullopt, c.hit);
}

INSTANTIATE_TEST_SUITE_P(
    Places, Pointer,
    ::testing::Values(
        PointerCase{"origin", 1, 1.0, {0, 0}, 0, 0, TileHit{0, 0, 0, {0, 0}}},
        PointerCase{
            "last_pixel_of_tile_1_at_4x", 4, 1.0, {0, 0}, 127.9, 127.9, TileHit{0, 0, 0, {31, 31}}},
        PointerCase{"tile_2_at_4x", 4, 1.0, {0, 0}, 128, 0, TileHit{1, 1, 0, {0, 0}}},
        PointerCase{"scrolled_at_4x", 4, 1.0, {2000, 100}, 20, 20, TileHit{15, 15, 0, {25, 30}}},
        PointerCase{"last_partial_row", 1, 1.0, {0, 0}, 31, 40, TileHit{19, 0, 1, {31, 8}}},
        PointerCase{"empty_cell", 1, 1.0, {0, 0}, 32, 40, std::nullopt},
        PointerCase{"empty_cell_scrolled_at_16x", 16, 1.0, {600, 700}, 10, 10, std::nullopt},
        PointerCase{"at_1_5", 1, 1.5, {0, 0}, 21.4, 0.7, TileHit{0, 0, 0, {16, 0}}},
        PointerCase{"at_1_5_4x", 4, 1.5, {0, 0}, 100, 20, TileHit{0, 0, 0, {25, 5}}},
        PointerCase{"beyond_the_canvas", 1, 1.0, {0, 0}, 700, 10, std::nullopt},
        PointerCase{"half", ShrinkStep(2), 1.0, {0, 0}, 10.5, 20, TileHit{19, 0, 1, {20, 8}}},
        PointerCase{"third_at_1_5", ShrinkStep(3), 1.5, {0, 0}, 50, 4, TileHit{3, 3, 0, {16, 9}}},
        PointerCase{"beyond_a_quarter", ShrinkStep(4), 1.0, {0, 0}, 152, 0, std::nullopt}),
    orvane::testing::RowName());

// A 64 x height canvas, bottom row first as a canvas holds it: pixel (x, y) is red x, green y
// (modulo 256), blue 7.
class GradientCanvas {
  public:
    explicit GradientCanvas(int height = 32) : height_(height), rows_(kStride * height) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < 64; ++x) {
                BYTE* pixel = rows_.data() + (height - 1 - y) * kStride + 3 * x;
                pixel[0] = 7, pixel[1] = static_cast<BYTE>(y), pixel[2] = static_cast<BYTE>(x);
            }
        }
    }
    orvane::platform::BitmapBits Bits() { return {rows_.data(), 64, height_, kStride}; }

  private:
    static constexpr int kStride = 64 * 3;
    int height_;
    std::vector<BYTE> rows_;
};

TEST(StatusText, SaysWhatThePointerIsOverAndWhatIsOpen) {
    EXPECT_EQ(WindowTitle("/home/a/terrain.tst"), "terrain.tst \u2014 Orvane");
    EXPECT_EQ(WindowTitle(""), "Orvane");
    EXPECT_EQ(MosaicSummary(57, {608, 96}), "57 tiles \u00B7 608 \u00D7 96 pixels");
    EXPECT_EQ(MosaicSummary(1, {32, 32}), "1 tile \u00B7 32 \u00D7 32 pixels");
    EXPECT_EQ(MosaicSummary(0, {0, 32}), "0 tiles");
    EXPECT_EQ(ZoomText(4), "400%");

    // One tile on the canvas.
    GradientCanvas pixels;
    const orvane::platform::BitmapBits canvas = pixels.Bits();
    SeeThroughMask mask(64, 32);
    mask.Set(3, 4);
    EXPECT_FALSE(Probe(canvas, mask, 1, {40, 5})) << "the empty cell after the last tile";
    const std::optional<PointerInfo> info = Probe(canvas, mask, 1, {17, 8});
    ASSERT_TRUE(info);
    EXPECT_EQ(PointerText(*info),
              "Tile 1 (byte 6) \u00B7 col 0, row 0 \u00B7 pixel 17, 8 (17, 8 in tile) "
              "\u00B7 #110807");
    EXPECT_TRUE(PointerText(*Probe(canvas, mask, 1, {3, 4})).ends_with("\u00B7 see-through"));
    PointerInfo far{{22, 3, 1, {17, 8}}, {113, 40}, 0xA0, 0xB0, 0xC0, false};
    EXPECT_EQ(PointerText(far),
              "Tile 23 (byte 67590) \u00B7 col 3, row 1 \u00B7 pixel 113, 40 (17, 8 in tile) "
              "\u00B7 #A0B0C0");

    const orvane::platform::RuntimeError gone(53, "orvane", "File not found");
    EXPECT_EQ(ReloadFailure(gone, "a.tst"), "Not reloaded: 'a.tst': error 53: File not found");
}

// Two tiles, 64 x 32; pixel (x, y) is red x, green y, blue 7; (5, 5) is see-through. At 2x with
// the grid, the checkerboard and tile 2 selected.
TEST(RenderView, DrawsTheCanvasMagnifiedWithTheViewOverIt) {
    GradientCanvas pixels;
    const orvane::platform::BitmapBits canvas = pixels.Bits();
    SeeThroughMask mask(64, 32);
    mask.Set(5, 5);
    MosaicView view;
    view.SetMosaic({64, 32}, 2);
    view.SetViewport({200, 100});
    view.ZoomTo(2, {0, 0});
    view.grid = true;
    view.background = Background::Checkerboard;
    view.Select(1);
    constexpr Argb kOutside = 0xFF123456;
    const PixelRect all{0, 0, 200, 100};
    std::vector<Argb> out(200 * 100);

    RenderView(view, canvas, mask, all, kOutside, out);

    const auto at = [&](int x, int y) { return out[static_cast<std::size_t>(y * 200 + x)]; };
    EXPECT_EQ(at(3, 5), 0xFF010207u) << "canvas (1, 2)";
    EXPECT_EQ(at(11, 11), kCheckerLight) << "see-through (5, 5)";
    EXPECT_EQ(at(0, 5), GridOver(0xFF000207u)) << "a tile's left edge";
    EXPECT_EQ(at(10, 63), GridOver(0xFF051F07u)) << "the mosaic's bottom edge";
    EXPECT_EQ(at(64, 0), kSelectionColour);
    EXPECT_EQ(at(127, 30), kSelectionColour);
    EXPECT_EQ(at(66, 10), kSelectionInner);
    EXPECT_EQ(at(67, 10), 0xFF210507u) << "canvas (33, 5)";
    EXPECT_EQ(at(130, 10), kOutside);
    EXPECT_EQ(at(10, 70), kOutside);
    EXPECT_EQ(GridOver(0xFFFFFFFF), 0xFF7F7F7Fu);

    // A part drawn alone is that part of the whole, scrolled or not.
    for (const PixelPoint scroll : {PixelPoint{0, 0}, PixelPoint{7, 3}}) {
        view.SetViewport({100, 50});
        view.ScrollTo(scroll);
        RenderView(view, canvas, mask, all, kOutside, out);
        const PixelRect part{50, 20, 30, 25};
        std::vector<Argb> piece(30 * 25);
        RenderView(view, canvas, mask, part, kOutside, piece);
        for (int y = 0; y < part.height; ++y) {
            for (int x = 0; x < part.width; ++x) {
                ASSERT_EQ(piece[static_cast<std::size_t>(y * 30 + x)], at(part.x + x, part.y + y))
                    << "(" << x << ", " << y << ") scrolled " << scroll.x;
            }
        }
    }
}

// At 1/2 each device pixel blends the canvas pixels about twice its place, see-through ones show
// the checkerboard, and the grid is on the tiles' edges. A canvas taller than a band of the
// resampled view: a part drawn alone, across a band's edge, is still that part of the whole.
TEST(RenderView, DrawsTheCanvasShrunkWithTheViewOverIt) {
    GradientCanvas pixels(3000);
    SeeThroughMask mask(64, 3000);
    mask.Set(4, 4);
    MosaicView view;
    view.SetMosaic({64, 3000}, 2);
    view.SetViewport({40, 1500});
    view.SetZoomFloor(kLeastZoom);
    view.ZoomTo(ShrinkStep(2), {0, 0});
    ASSERT_EQ(view.Content(), (PixelSize{32, 1500}));
    view.background = Background::Checkerboard;
    std::vector<Argb> out(40 * 1500);

    RenderView(view, pixels.Bits(), mask, {0, 0, 40, 1500}, 0, out);

    const auto at = [&](int x, int y) { return out[static_cast<std::size_t>(y * 40 + x)]; };
    for (int i = 3; i < 32; ++i) {
        EXPECT_NEAR(at(i, i) >> 16 & 0xFF, 2 * i, 1) << "red at (" << i << ", " << i << ")";
        EXPECT_NEAR(at(i, 4 * i) >> 8 & 0xFF, 8 * i % 256, 1) << "green at row " << 4 * i;
    }
    EXPECT_EQ(at(2, 2), kCheckerLight) << "see-through (4, 4)";
    EXPECT_EQ(at(32, 10), 0u) << "beyond the canvas";

    view.SetViewport({40, 500});
    view.ScrollTo({0, 1000});
    RenderView(view, pixels.Bits(), mask, {0, 0, 40, 500}, 0, out);
    view.grid = true;
    std::vector<Argb> whole(40 * 500);
    RenderView(view, pixels.Bits(), mask, {0, 0, 40, 500}, 0, whole);
    EXPECT_EQ(whole[16], GridOver(out[16])) << "tile 2's left edge";
    EXPECT_EQ(whole[15], out[15]);
    EXPECT_EQ(whole[8 * 40 + 5], GridOver(out[8 * 40 + 5])) << "canvas row 2016, a tile's top";
    const PixelRect part{3, 200, 30, 300};
    std::vector<Argb> piece(30 * 300);
    RenderView(view, pixels.Bits(), mask, part, 0, piece);
    for (int y = 0; y < part.height; ++y) {
        for (int x = 0; x < part.width; ++x) {
            ASSERT_EQ(piece[static_cast<std::size_t>(y * 30 + x)],
                      whole[static_cast<std::size_t>((part.y + y) * 40 + part.x + x)])
                << "(" << x << ", " << y << ")";
        }
    }
}

// Tile 2 is a copy of tile 1: at 2x its cell is outlined, 2 device pixels thick, and the status
// bar names tile 1 over it.
TEST(RenderView, MarksTilesThatHaveAnEarlierCopy) {
    GradientCanvas pixels;
    const SeeThroughMask mask(64, 32);
    MosaicView view;
    view.SetMosaic({64, 32}, 2);
    view.SetViewport({128, 64});
    view.ZoomTo(2, {0, 0});
    view.SetFirstCopies({0, 0});
    view.markDuplicates = true;
    std::vector<Argb> out(128 * 64);

    RenderView(view, pixels.Bits(), mask, {0, 0, 128, 64}, 0, out);

    const auto at = [&](int x, int y) { return out[static_cast<std::size_t>(y * 128 + x)]; };
    EXPECT_EQ(at(64, 0), kDuplicateColour);
    EXPECT_EQ(at(127, 63), kDuplicateColour);
    EXPECT_EQ(at(65, 30), kDuplicateColour);
    EXPECT_EQ(at(66, 10), 0xFF210507u) << "canvas (33, 5)";
    EXPECT_EQ(at(0, 0), 0xFF000007u) << "tile 1, the first of its kind";
    EXPECT_TRUE(PointerText(*Probe(pixels.Bits(), mask, 2, {40, 5}, view.FirstCopies()))
                    .ends_with(" \u00B7 #280507 \u00B7 same as 1"));
    EXPECT_TRUE(PointerText(*Probe(pixels.Bits(), mask, 2, {8, 5}, view.FirstCopies()))
                    .ends_with(" \u00B7 #080507"));
}

// A block runs between two corners whichever way it was stretched; it holds the tiles of its
// cells, row by row, and no empty cell after the last tile.
TEST(Selection, StretchesToTheBlockBetweenTwoTilesAndSaysWhatItHolds) {
    struct Row {
        const char* name;
        int tiles;
        std::vector<int> clicks;  // the first selects, the rest stretch; -1 selects all
        std::string text;
    };
    for (const Row& row : std::vector<Row>{
             {"down_and_across", 57, {0, 20}, "4 tiles selected \u00B7 2 \u00D7 2"},
             {"up_and_back", 57, {20, 0}, "4 tiles selected \u00B7 2 \u00D7 2"},
             {"restretched_from_the_first", 57, {2, 40, 3}, "2 tiles selected \u00B7 2 \u00D7 1"},
             {"not_a_tile_changes_nothing", 57, {5, 57}, "Tile 6 selected"},
             {"empty_cells_left_out", 21, {18, 19}, "21 tiles selected \u00B7 19 \u00D7 2"},
             {"all", 21, {-1}, "21 tiles selected \u00B7 19 \u00D7 2"}}) {
        MosaicView view;
        view.SetMosaic(PixelSize{608, 32 * ((row.tiles + 18) / 19)}, row.tiles);
        for (std::size_t i = 0; i < row.clicks.size(); ++i) {
            if (row.clicks[i] < 0) {
                view.SelectAll();
            } else if (i == 0) {
                view.Select(row.clicks[i]);
            } else {
                view.ExtendSelection(row.clicks[i]);
            }
        }
        ASSERT_TRUE(view.SelectedBlock()) << row.name;
        EXPECT_EQ(SelectionText(*view.SelectedBlock(), row.tiles), row.text) << row.name;
    }
    EXPECT_EQ(TilesOf(TileBlock{20, 0}, 57), (std::vector<int>{0, 1, 19, 20}));
    MosaicView view;
    view.SetMosaic({608, 64}, 21);
    view.Select(0);
    view.ExtendSelection(20);
    view.SetMosaic({608, 32}, 19);
    EXPECT_EQ(BlockRect(*view.SelectedBlock()), (PixelRect{0, 0, 64, 32})) << "cut to the rows";
}

// Tile 500 lies in row 26, far below a 400-pixel view at 2x; once in view it stays put.
TEST(GoToTile, SelectsTheTileAndBringsItIntoView) {
    MosaicView view;
    view.SetMosaic({608, 1152}, 684);
    view.SetViewport({600, 400});
    view.ZoomTo(2, {0, 0});

    EXPECT_TRUE(view.GoToTile(499));

    EXPECT_EQ(view.Selection(), 499);
    const PixelRect shown = view.DeviceRect(TileRect(499));
    EXPECT_TRUE(PixelRect({0, 0, 600, 400}).Contains({shown.x, shown.y}));
    EXPECT_TRUE(PixelRect({0, 0, 600, 400}).Contains({shown.x + 63, shown.y + 63}));
    const PixelPoint scroll = view.Scroll();
    EXPECT_TRUE(view.GoToTile(500));
    EXPECT_EQ(view.Scroll(), scroll) << "already in view";
    EXPECT_FALSE(view.GoToTile(684));
    EXPECT_EQ(view.Selection(), 500);
}

TEST(Reload, KeepsZoomScrollAndSelectionWhereTheNewMosaicAllows) {
    MosaicView view;
    view.SetMosaic({608, 1152}, 684);
    view.SetViewport({600, 400});
    view.ZoomTo(4, {0, 0});
    view.ScrollTo({1000, 3000});
    view.Select(600);

    view.SetMosaic({608, 1152}, 684);
    EXPECT_EQ(view.Zoom(), 4);
    EXPECT_EQ(view.Scroll(), (PixelPoint{1000, 3000}));
    EXPECT_EQ(view.Selection(), 600);

    view.SetMosaic({608, 96}, 57);
    EXPECT_EQ(view.Zoom(), 4);
    EXPECT_EQ(view.Scroll(), (PixelPoint{1000, 0}));
    EXPECT_EQ(view.Selection(), std::nullopt);

    // Only a state of the file that has held still for two looks is opened, and only once.
    using Step = ReloadWatch::Step;
    const FileStamp a{true, 100, 1, 9};
    const FileStamp b{true, 50, 2, 9};
    const FileStamp c{true, 100, 3, 9};
    const FileStamp gone{};
    ReloadWatch watch;
    watch.Shown(a);
    std::vector<Step> steps;
    for (const FileStamp& look : {a, b, c, c, c, gone, gone, gone, a, a}) {
        steps.push_back(watch.Look(look));
    }
    EXPECT_EQ(steps,
              (std::vector<Step>{Step::Idle, Step::Wait, Step::Wait, Step::Reload, Step::Idle,
                                 Step::Wait, Step::Reload, Step::Idle, Step::Wait, Step::Reload}));

    RecentFiles recent({"/a", "b", "/a"});
    EXPECT_EQ(recent.Files(), std::vector<std::string>{"/a"}) << "b: relative to what?";
    for (int i = 0; i < 12; ++i) {
        recent.Add(std::to_string(i));
    }
    recent.Add("5");
    EXPECT_EQ(recent.Files(),
              (std::vector<std::string>{"5", "11", "10", "9", "8", "7", "6", "4", "3", "2"}));
    EXPECT_EQ(AbsoluteFileName("/a/../b/./c.tst"), "/a/../b/c.tst") << "a link may lead anywhere";
}

// What the settings file holds of the view, and what is made of a value the program never wrote.
TEST(ViewSettings, GoToTheFileAndBackAndIgnoreWhatTheProgramWouldNotWrite) {
    const ViewSettings chosen{ShrinkStep(3), true, Background::Checkerboard, {640, 480}, true};
    std::map<std::string, std::string, std::less<>> file;
    for (const auto& [key, value] : SettingsEntries(chosen)) {
        file[key] = value;
    }
    const auto from = [&](std::string_view key) -> std::optional<std::string> {
        const auto found = file.find(key);
        return found != file.end() ? std::optional(found->second) : std::nullopt;
    };
    EXPECT_EQ(file["view/zoom"], "1/3");
    EXPECT_EQ(ReadViewSettings(from), chosen);

    file = {{"view/zoom", "17"},
            {"view/grid", "yes"},
            {"view/background", "pink"},
            {"window/size", "640x"},
            {"window/maximized", "1"}};
    EXPECT_EQ(ReadViewSettings(from), ViewSettings{});
    for (const char* zoom : {"1/1", "1/0", "1/-4", "0", "4x", "1/99999999999"}) {
        file = {{"view/zoom", zoom}};
        EXPECT_EQ(ReadViewSettings(from).zoom, kActualSize) << zoom;
    }
}

// The next and the previous tileset in a folder as a file manager orders it; hidden files, other
// files and folders are not tilesets to show.
TEST(FolderTilesets, FollowInTheOrderOfAFileManager) {
    orvane::testing::TempDir dir;
    for (const char* name : {"t10.tst", "t2.tst", "T3.TST", "t02b.tst", ".t4.tst", "t5.png"}) {
        orvane::testing::WriteFile(dir / name, "");
    }
    std::filesystem::create_directory(dir / "t6.tst");
    std::vector<std::string> order{dir / "t2.tst"};
    while (const auto next = NeighbourTileset(order.back(), Direction::Next)) {
        order.push_back(*next);
    }
    EXPECT_EQ(order, (std::vector<std::string>{dir / "t2.tst", dir / "t02b.tst", dir / "T3.TST",
                                               dir / "t10.tst"}));
    EXPECT_EQ(NeighbourTileset(dir / "t2.tst", Direction::Previous), std::nullopt);
    EXPECT_EQ(NeighbourTileset(dir / "t4.tst", Direction::Previous), dir / "T3.TST")
        << "from a file no longer there";
    EXPECT_TRUE(NaturalLess("a99999999999999999999", "a100000000000000000000"));
    EXPECT_TRUE(NaturalLess("t02", "t2") && !NaturalLess("t2", "t02")) << "then byte by byte";
}

// a.tst replaced by a file of the same size, its modification time put back, as tools do it.
TEST(FileStamp, ChangesWhenAFileIsReplacedWithItsTimePutBack) {
    orvane::testing::TempDir dir;
    orvane::testing::WriteFile(dir / "a.tst", "tiles one");
    orvane::testing::WriteFile(dir / "b.tst", "tiles two");
    const auto inFolder = [&](const std::string& command) {
        return orvane::testing::RunProgram(dir, "/bin/sh",
                                           {"-c", "cd '" + dir.path().string() + "' && " + command})
            .status;
    };
    // Whole seconds, which a tar archive keeps.
    ASSERT_EQ(inFolder("touch -d @1600000000 a.tst b.tst && mkdir x && cp -p b.tst x/a.tst && "
                       "tar cf b.tar -C x a.tst"),
              0);
    for (const char* replace : {"cp -p b.tst a.tst", "tar xf b.tar",
                                "cp b.tst c.tst && touch -r a.tst c.tst && mv c.tst a.tst"}) {
        const FileStamp shown = StampOf(dir / "a.tst");
        // File times come from a clock that moves in ticks of some milliseconds.
        timespec now{};
        while (clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 &&
               now.tv_sec * 1'000'000'000LL + now.tv_nsec <= shown.changedNs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(inFolder(replace), 0);
        EXPECT_EQ(StampOf(dir / "a.tst").modifiedNs, shown.modifiedNs) << replace;
        EXPECT_NE(StampOf(dir / "a.tst"), shown) << replace;
    }
}

}  // namespace
