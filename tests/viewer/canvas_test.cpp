// Picture1: its size in twips, what a resize keeps, and the resources it holds.
#include "viewer/canvas.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>

#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/runtime_error.h"
#include "tests/support/file_conditions.h"
#include "tests/support/picture_compare.h"
#include "tests/support/row_name.h"

namespace {

using orvane::platform::LiveGdiObjectCount;
using orvane::platform::RuntimeError;
using namespace orvane::testing;
using orvane::viewer::Canvas;
using orvane::viewer::ScaleMode;

// Every pixel a colour of its own, none of them the background (salt 240 would paint it at 0, 0).
void PaintDistinct(const Canvas& canvas) {
    Paint(canvas.hDC(), Painted(canvas.PixelWidth(), canvas.PixelHeight(), Distinct, 1));
}

void SetPixelSize(Canvas& canvas, int width, int height) {
    canvas.Width(15.0f * width);
    canvas.Height(15.0f * height);
}

TEST(Canvas, StartsAtItsDesignSizeInTheBackgroundColour) {
    Canvas canvas;
    EXPECT_EQ(canvas.Width(), 2475);
    EXPECT_EQ(canvas.Height(), 2295);
    ASSERT_EQ(canvas.PixelWidth(), 165);
    ASSERT_EQ(canvas.PixelHeight(), 153);
    for (const auto& [x, y] : {std::pair{0, 0}, {164, 0}, {0, 152}, {164, 152}}) {
        EXPECT_EQ(GetPixel(canvas.hDC(), x, y), kCanvasBackground);
    }
}

struct ResizeCase {
    const char* name;
    int fromWidth, fromHeight;
    int toWidth, toHeight;
    bool atOnce = false;  // both sizes in one call
};
void PrintTo(const ResizeCase& c, std::ostream* os) {
    *os << c.name;
}

class CanvasResize : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(CanvasResize, KeepsTheSharedAreaAndGivesNewPixelsTheBackground) {
    const ResizeCase& c = GetParam();
    Canvas canvas;
    SetPixelSize(canvas, c.fromWidth, c.fromHeight);
    PaintDistinct(canvas);

    if (c.atOnce) {
        canvas.Size(15.0f * c.toWidth, 15.0f * c.toHeight);
    } else {
        SetPixelSize(canvas, c.toWidth, c.toHeight);
    }

    ASSERT_EQ(canvas.PixelWidth(), c.toWidth);
    ASSERT_EQ(canvas.PixelHeight(), c.toHeight);
    BITMAP picture{};
    ASSERT_EQ(GetObjectA(canvas.Image(), sizeof picture, &picture), int{sizeof picture});
    EXPECT_EQ(picture.bmWidth, c.toWidth);
    EXPECT_EQ(picture.bmHeight, c.toHeight);
    EXPECT_NE(picture.bmBits, nullptr) << "the view reads the picture's memory";
    EXPECT_TRUE(
        PicturesNear(ViewOf(canvas), {c.toWidth, c.toHeight, [&](int x, int y) {
                                          const bool kept = x < c.fromWidth && y < c.fromHeight;
                                          return kept ? Distinct(x, y, 1) : kCanvasBackground;
                                      }}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CanvasResize,
                         ::testing::Values(ResizeCase{"grow", 33, 20, 47, 41},
                                           ResizeCase{"shrink", 47, 41, 33, 20},
                                           ResizeCase{"wider_and_lower", 20, 41, 47, 9},
                                           ResizeCase{"narrower_and_taller", 47, 9, 5, 41},
                                           ResizeCase{"at_once", 20, 41, 47, 9, true}),
                         RowName());

// With no pixels there is no picture, so nothing of the old one can come back.
TEST(Canvas, ZeroWidthHoldsNoPictureAndGrowingAgainStartsBlank) {
    Canvas canvas;
    PaintDistinct(canvas);

    canvas.Width(0);
    EXPECT_EQ(canvas.Image(), nullptr);
    EXPECT_NE(canvas.hDC(), nullptr);
    EXPECT_EQ(canvas.Height(), 2295);

    canvas.Width(150);
    ASSERT_NE(canvas.Image(), nullptr);
    EXPECT_TRUE(PicturesNear(ViewOf(canvas),
                             Plain(canvas.PixelWidth(), canvas.PixelHeight(), kCanvasBackground)));
}

TEST(Canvas, RefusesANegativeOrUndefinedSizeAndKeepsItsOwn) {
    Canvas canvas;
    for (const float twips : {-1.0f, -15.0f, std::nanf("")}) {
        for (const bool width : {true, false}) {
            const RuntimeError error =
                RaisedError([&] { width ? canvas.Width(twips) : canvas.Height(twips); });
            EXPECT_EQ(error.Number(), 380) << twips;
            EXPECT_EQ(error.Description(), "Invalid property value");
        }
    }
    EXPECT_EQ(canvas.Width(), 2475);
    EXPECT_EQ(canvas.Height(), 2295);
}

// Twips become whole pixels, halves going to the even neighbour.
TEST(Canvas, TwipsRoundToWholePixels) {
    Canvas canvas;
    const std::pair<float, float> cases[] = {{7.4f, 0},   {7.5f, 0},    {22.5f, 30}, {37.5f, 30},
                                             {52.5f, 60}, {9135, 9135}, {100, 105}};
    for (const auto& [given, taken] : cases) {
        canvas.Width(given);
        EXPECT_EQ(canvas.Width(), taken) << "given " << given;
    }
    EXPECT_EQ(canvas.ScaleX(608, ScaleMode::Pixels, ScaleMode::Twips), 9120);
    EXPECT_EQ(canvas.ScaleY(55200, ScaleMode::Pixels, ScaleMode::Twips), 828000);
    EXPECT_EQ(canvas.ScaleY(6015, ScaleMode::Twips, ScaleMode::Pixels), 401);
}

TEST(Canvas, ClsClearsAndRefreshTellsTheView) {
    Canvas canvas;
    int refreshes = 0;
    canvas.OnRefresh([&] { ++refreshes; });
    PaintDistinct(canvas);

    canvas.Cls();
    canvas.Refresh();

    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(GetPixel(canvas.hDC(), 0, 0), kCanvasBackground);
    EXPECT_EQ(GetPixel(canvas.hDC(), 164, 152), kCanvasBackground);
}

// The largest mosaic (some 100 MB) under a 48 MB limit: refused with error 7 when it is asked
// for, not by the kernel killing the program when the pixels are first cleared.
TEST(Canvas, ASizeMemoryCannotHoldIsRefusedWhenAskedFor) {
    const std::optional<int> status = RunWithMemoryLimit(48 << 20, [] {
        Canvas canvas;
        return RaisedNumber([&] { canvas.Size(608 * 15, 55'200 * 15); });
    });
    if (!status) {
        GTEST_SKIP() << "no memory control group can be made here";
    }
    ASSERT_TRUE(WIFEXITED(*status)) << "killed by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 7);
}

TEST(Canvas, HoldsOneDeviceContextAndOnePictureAndReleasesBoth) {
    const std::size_t before = LiveGdiObjectCount();
    {
        Canvas canvas;
        EXPECT_EQ(LiveGdiObjectCount(), before + 2);
        SetPixelSize(canvas, 609, 401);
        SetPixelSize(canvas, 608, 1000);
        EXPECT_EQ(LiveGdiObjectCount(), before + 2);
        canvas.Height(0);
        EXPECT_EQ(LiveGdiObjectCount(), before + 1);
        canvas.Height(15);
    }
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

}  // namespace
