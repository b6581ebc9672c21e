#include "dib/cdibsection.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>

#include "platform/clipboard.h"
#include "platform/clipboard_testing.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/user32.h"
#include "tests/support/buffers.h"
#include "tests/support/picture_compare.h"
#include "tests/support/recorders.h"
#include "tests/support/row_name.h"

namespace {

using orvane::cDIBSection;
using orvane::platform::LiveGdiObjectCount;
using namespace orvane::testing;

void ExpectEmpty(const cDIBSection& buffer) {
    EXPECT_EQ(buffer.hdc(), nullptr);
    EXPECT_EQ(buffer.hDib(), nullptr);
    EXPECT_EQ(buffer.DIBSectionBitsPtr(), nullptr);
}

TEST(cDIBSection, ANewBufferHoldsNothing) {
    cDIBSection buffer;
    ExpectEmpty(buffer);
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_EQ(buffer.Height(), 0);
    EXPECT_EQ(buffer.BytesPerScanLine(), 0);
}

// ---------------------------------------------------------------------------------------------
// Layout.

struct StrideCase {
    const char* name;
    LONG width;
    LONG bytes;

    friend void PrintTo(const StrideCase& c, std::ostream* os) { *os << c.name; }
};

class ScanLine : public ::testing::TestWithParam<StrideCase> {};

TEST_P(ScanLine, IsThreeBytesAPixelPaddedToFourAndMatchesTheSection) {
    const StrideCase& c = GetParam();
    Buffer buffer = MakeBuffer(c.width, 3);
    EXPECT_EQ(buffer->BytesPerScanLine(), c.bytes);
    BITMAP record{};
    ASSERT_NE(GetObjectA(buffer->hDib(), sizeof record, &record), 0);
    EXPECT_EQ(record.bmWidthBytes, c.bytes) << "the section's own row length";
    EXPECT_EQ(record.bmBits, buffer->DIBSectionBitsPtr());
}

INSTANTIATE_TEST_SUITE_P(Widths, ScanLine,
                         ::testing::Values(StrideCase{"w1", 1, 4}, StrideCase{"w2", 2, 8},
                                           StrideCase{"w3", 3, 12}, StrideCase{"w4", 4, 12},
                                           StrideCase{"w5", 5, 16}, StrideCase{"w6", 6, 20},
                                           StrideCase{"w7", 7, 24}, StrideCase{"w8", 8, 24},
                                           StrideCase{"w9", 9, 28}, StrideCase{"w32", 32, 96},
                                           StrideCase{"w33", 33, 100}, StrideCase{"w34", 34, 104},
                                           StrideCase{"w35", 35, 108},
                                           StrideCase{"canvas608", 608, 1824}),
                         RowName());

TEST(cDIBSection, PixelsDrawnThroughTheDCAreBottomUpBlueGreenRedBytes) {
    constexpr LONG kWidth = 5, kHeight = 3;
    Buffer buffer = MakeBuffer(kWidth, kHeight);
    Paint(buffer->hdc(), Painted(kWidth, kHeight, Distinct, 40));
    const BYTE* bits = buffer->DIBSectionBitsPtr();
    const COLORREF bottomLeft = Distinct(0, kHeight - 1, 40);
    EXPECT_EQ(bits[0], GetBValue(bottomLeft)) << "the first byte is blue of the bottom-left pixel";
    EXPECT_TRUE(PicturesNear(ViewOfDibRows(bits, kWidth, kHeight, 16),
                             Painted(kWidth, kHeight, Distinct, 40)));
}

TEST(cDIBSection, BytesWrittenInPlaceAreWhatTheDCReads) {
    constexpr LONG kWidth = 3, kHeight = 4;
    Buffer buffer = MakeBuffer(kWidth, kHeight);
    for (LONG r = 0; r < kHeight; ++r) {
        for (LONG x = 0; x < kWidth; ++x) {
            const COLORREF c = Distinct(x, kHeight - 1 - r, 8);  // memory rows run bottom-up
            BYTE* pixel = Row(*buffer, r) + 3 * x;
            pixel[0] = GetBValue(c);
            pixel[1] = GetGValue(c);
            pixel[2] = GetRValue(c);
        }
    }
    EXPECT_TRUE(PicturesNear(ViewOf(buffer->hdc(), kWidth, kHeight),
                             Painted(kWidth, kHeight, Distinct, 8)));
}

// ---------------------------------------------------------------------------------------------
// Lifecycle.

TEST(cDIBSection, CreateAgainReleasesTheFirstSectionAndDC) {
    const std::size_t before = LiveGdiObjectCount();
    {
        Buffer buffer = MakeBuffer(4, 4);
        EXPECT_EQ(LiveGdiObjectCount(), before + 2) << "its DC and its section";
        HDC firstDC = buffer->hdc();
        HBITMAP firstDib = buffer->hDib();
        ASSERT_TRUE(buffer->Create(8, 2));
        EXPECT_EQ(LiveGdiObjectCount(), before + 2);
        BITMAP record{};
        EXPECT_EQ(GetObjectA(firstDib, sizeof record, &record), 0) << "first section deleted";
        EXPECT_FALSE(DeleteDC(firstDC)) << "first DC deleted";
        EXPECT_EQ(buffer->Width(), 8);
        EXPECT_EQ(buffer->Height(), 2);
    }
    EXPECT_EQ(LiveGdiObjectCount(), before) << "the last reference going runs ClearUp";
}

TEST(cDIBSection, ClearUpEmptiesTheBufferKeepsItsSizeAndMayBeRepeated) {
    const std::size_t before = LiveGdiObjectCount();
    Buffer buffer = MakeBuffer(6, 7);
    buffer->ClearUp();
    ExpectEmpty(*buffer);
    EXPECT_EQ(buffer->Width(), 6);
    EXPECT_EQ(buffer->Height(), 7);
    EXPECT_EQ(buffer->BytesPerScanLine(), 20);
    EXPECT_EQ(LiveGdiObjectCount(), before);
    buffer->ClearUp();
    ExpectEmpty(*buffer);
    EXPECT_EQ(buffer->Width(), 6);
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

struct FailingSize {
    const char* name;
    LONG width;
    LONG height;

    friend void PrintTo(const FailingSize& c, std::ostream* os) { *os << c.name; }
};

class FailedCreate : public ::testing::TestWithParam<FailingSize> {};

TEST_P(FailedCreate, LeavesNothingBehindAndReportsTheSizeAskedFor) {
    const FailingSize& c = GetParam();
    Buffer buffer = MakeBuffer(3, 3);
    const std::size_t held = LiveGdiObjectCount();
    EXPECT_FALSE(buffer->Create(c.width, c.height));
    ExpectEmpty(*buffer);
    EXPECT_EQ(buffer->Width(), c.width);
    EXPECT_EQ(buffer->Height(), c.height);
    EXPECT_EQ(LiveGdiObjectCount(), held - 2) << "the earlier buffer went, nothing new stayed";
}

INSTANTIATE_TEST_SUITE_P(Sizes, FailedCreate,
                         ::testing::Values(FailingSize{"zero_width", 0, 5},
                                           FailingSize{"zero_height", 5, 0},
                                           FailingSize{"negative_width", -1, 3},
                                           FailingSize{"negative_height", 3, -2},
                                           FailingSize{"row_too_long", INT_MAX, 1},
                                           FailingSize{"image_too_large", 100'000, 100'000}),
                         RowName());

// ---------------------------------------------------------------------------------------------
// Copies in and out. Expected pixels are worked out one by one through GetPixel.

struct BltCase {
    const char* name;
    LONG left, top, width, height;  // for PaintPicture: the destination's; for Load: the source's
    LONG srcLeft, srcTop;           // PaintPicture only

    friend void PrintTo(const BltCase& c, std::ostream* os) { *os << c.name; }
};

constexpr COLORREF kUntouched = RGB(1, 2, 3);
constexpr LONG kBufferWidth = 4, kBufferHeight = 3;
constexpr int kOtherWidth = 6, kOtherHeight = 5;

LONG Whole(LONG requested, LONG whole) {
    return requested < 0 ? whole : requested;
}

bool Inside(int x, int y, int width, int height) {
    return x >= 0 && y >= 0 && x < width && y < height;
}

class LoadPictureBltCase : public ::testing::TestWithParam<BltCase> {};

TEST_P(LoadPictureBltCase, CopiesTheSourceAreaToTheBuffersTopLeft) {
    const BltCase& c = GetParam();
    Surface source(kOtherWidth, kOtherHeight, Distinct, 9);
    Buffer buffer = MakeBuffer(kBufferWidth, kBufferHeight);
    Surface expected(kBufferWidth, kBufferHeight);
    expected.Fill(kUntouched);
    BitBlt(buffer->hdc(), 0, 0, kBufferWidth, kBufferHeight, expected.dc(), 0, 0, SRCCOPY);

    const LONG width = Whole(c.width, kBufferWidth), height = Whole(c.height, kBufferHeight);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (Inside(c.left + x, c.top + y, kOtherWidth, kOtherHeight)) {
                SetPixelV(expected.dc(), x, y, GetPixel(source.dc(), c.left + x, c.top + y));
            }
        }
    }
    buffer->LoadPictureBlt(source.dc(), c.left, c.top, c.width, c.height);
    EXPECT_EQ(Pixels(buffer->hdc(), kBufferWidth, kBufferHeight),
              Pixels(expected.dc(), kBufferWidth, kBufferHeight));
}

INSTANTIATE_TEST_SUITE_P(Areas, LoadPictureBltCase,
                         ::testing::Values(BltCase{"defaults", 0, 0, -1, -1, 0, 0},
                                           BltCase{"minus_five_is_whole", 0, 0, -5, -5, 0, 0},
                                           BltCase{"zero_width_copies_nothing", 0, 0, 0, -1, 0, 0},
                                           BltCase{"zero_height_copies_nothing", 0, 0, -1, 0, 0, 0},
                                           BltCase{"part", 0, 0, 2, 1, 0, 0},
                                           BltCase{"source_offset", 2, 1, -1, -1, 0, 0},
                                           BltCase{"source_offset_past_its_edge", 4, 3, -1, -1, 0,
                                                   0},
                                           BltCase{"negative_source_offset", -1, -2, -1, -1, 0, 0}),
                         RowName());

class PaintPictureCase : public ::testing::TestWithParam<BltCase> {};

TEST_P(PaintPictureCase, CopiesTheBufferAreaOntoTheDC) {
    const BltCase& c = GetParam();
    const Surface picture(kBufferWidth, kBufferHeight, Distinct, 77);
    Buffer buffer = BufferOf(picture);
    Surface target(kOtherWidth, kOtherHeight), expected(kOtherWidth, kOtherHeight);
    target.Fill(kUntouched);
    expected.Fill(kUntouched);

    const LONG width = Whole(c.width, kBufferWidth), height = Whole(c.height, kBufferHeight);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (Inside(c.srcLeft + x, c.srcTop + y, kBufferWidth, kBufferHeight)) {
                SetPixelV(expected.dc(), c.left + x, c.top + y,
                          GetPixel(picture.dc(), c.srcLeft + x, c.srcTop + y));
            }
        }
    }
    buffer->PaintPicture(target.dc(), c.left, c.top, c.width, c.height, c.srcLeft, c.srcTop);
    EXPECT_EQ(Pixels(target.dc(), kOtherWidth, kOtherHeight),
              Pixels(expected.dc(), kOtherWidth, kOtherHeight));
}

INSTANTIATE_TEST_SUITE_P(
    Areas, PaintPictureCase,
    ::testing::Values(BltCase{"defaults", 0, 0, -1, -1, 0, 0},
                      BltCase{"minus_five_is_whole", 0, 0, -5, -5, 0, 0},
                      BltCase{"zero_width_copies_nothing", 0, 0, 0, -1, 0, 0},
                      BltCase{"zero_height_copies_nothing", 0, 0, -1, 0, 0, 0},
                      BltCase{"destination_offset", 2, 1, -1, -1, 0, 0},
                      BltCase{"destination_offset_past_its_edge", 4, 3, -1, -1, 0, 0},
                      BltCase{"negative_destination_offset", -1, -1, -1, -1, 0, 0},
                      BltCase{"source_offset", 1, 1, -1, -1, 1, 2},
                      BltCase{"part_with_source_offset", 0, 0, 2, 2, 2, 1}),
    RowName());

TEST(cDIBSection, AnEmptyBufferCopiesNothingEitherWay) {
    Surface other(kOtherWidth, kOtherHeight, Distinct, 5);
    const auto before = Pixels(other.dc(), kOtherWidth, kOtherHeight);
    Buffer buffer = MakeBuffer(kBufferWidth, kBufferHeight);
    buffer->ClearUp();
    buffer->LoadPictureBlt(other.dc());
    buffer->PaintPicture(other.dc());
    ExpectEmpty(*buffer);
    EXPECT_EQ(Pixels(other.dc(), kOtherWidth, kOtherHeight), before);
}

// ---------------------------------------------------------------------------------------------
// Pictures.

TEST(CreateFromPicture, CopiesAnOddSizedPictureExactly) {
    constexpr int kWidth = 7, kHeight = 5;
    Surface picture(kWidth, kHeight, Distinct, 13);
    const auto expected = Pixels(picture.dc(), kWidth, kHeight);
    HBITMAP handle = picture.Release();
    const std::size_t before = LiveGdiObjectCount();

    cDIBSection buffer;
    buffer.CreateFromPicture(handle);
    EXPECT_EQ(buffer.Width(), kWidth);
    EXPECT_EQ(buffer.Height(), kHeight);
    EXPECT_EQ(Pixels(buffer.hdc(), kWidth, kHeight), expected);
    EXPECT_EQ(LiveGdiObjectCount(), before + 2) << "only the buffer's own DC and section remain";
    EXPECT_TRUE(DeleteObject(handle)) << "the picture is free again";
    picture.Reselect();
}

TEST(CreateFromPicture, APictureHeldByTheCanvasDCIsSizedForAndThenCopiedFromTheDC) {
    constexpr int kWidth = 9, kHeight = 3;
    Surface canvas(kWidth, kHeight, Distinct, 21);
    cDIBSection buffer;
    buffer.CreateFromPicture(canvas.bitmap());
    EXPECT_EQ(buffer.Width(), kWidth);
    EXPECT_EQ(buffer.Height(), kHeight);
    ASSERT_NE(buffer.hdc(), nullptr);
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), Distinct(0, 0, 21)) << "canvas undisturbed";

    buffer.LoadPictureBlt(canvas.dc());
    EXPECT_EQ(Pixels(buffer.hdc(), kWidth, kHeight), Pixels(canvas.dc(), kWidth, kHeight));
}

TEST(CreateFromPicture, NoPictureLeavesTheBufferEmpty) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP stale = CreateCompatibleBitmap(dc, 4, 4);
    DeleteObject(stale);
    DeleteDC(dc);
    const std::size_t before = LiveGdiObjectCount();
    for (HBITMAP picture : {static_cast<HBITMAP>(nullptr), stale}) {
        cDIBSection buffer;
        buffer.CreateFromPicture(picture);
        ExpectEmpty(buffer);
        EXPECT_EQ(buffer.Width(), 0);
        EXPECT_EQ(buffer.Height(), 0);
        EXPECT_EQ(LiveGdiObjectCount(), before);
    }
}

// ---------------------------------------------------------------------------------------------
// Clipboard.

class CopyToClipboard : public ::testing::Test {
  protected:
    void SetUp() override { orvane::platform::testing::ResetClipboard(); }
    void TearDown() override { orvane::platform::testing::ResetClipboard(); }

    // Something already on the clipboard, to see whether it is left alone.
    static HBITMAP PutMarkerOnClipboard() {
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP marker = CreateCompatibleBitmap(dc, 1, 1);
        DeleteDC(dc);
        OpenClipboard(nullptr);
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, marker);
        CloseClipboard();
        return marker;
    }
    static HANDLE OnClipboard() {
        OpenClipboard(nullptr);
        HANDLE h = GetClipboardData(CF_BITMAP);
        CloseClipboard();
        return h;
    }
};

TEST_F(CopyToClipboard, AsBitmapPutsTheBuffersPixelsThere) {
    constexpr int kWidth = 5, kHeight = 3;
    Buffer buffer = BufferOf(Surface(kWidth, kHeight, Distinct, 99));
    std::vector<BYTE> published;
    LONG publishedWidth = 0, publishedHeight = 0, publishedStride = 0;
    orvane::platform::SetClipboardSink([&](const orvane::platform::BitmapBits& image) {
        publishedWidth = image.width;
        publishedHeight = image.height;
        publishedStride = image.stride;
        published.assign(image.bits, image.bits + image.Bytes());
    });
    const std::size_t before = LiveGdiObjectCount();

    EXPECT_TRUE(buffer->CopyToClipboard(false));
    EXPECT_EQ(LiveGdiObjectCount(), before + 1) << "the clipboard's bitmap, nothing else";
    HANDLE onClipboard = OnClipboard();
    BITMAP record{};
    ASSERT_NE(GetObjectA(onClipboard, sizeof record, &record), 0);
    EXPECT_EQ(record.bmWidth, kWidth);
    EXPECT_EQ(record.bmHeight, kHeight);
    EXPECT_EQ(publishedWidth, kWidth);
    EXPECT_EQ(publishedHeight, kHeight);
    ASSERT_EQ(publishedStride, 16) << "15 bytes of pixels and one of filler";
    ASSERT_EQ(published.size(), std::size_t{kHeight * 16});
    EXPECT_TRUE(PicturesNear(ViewOfDibRows(published.data(), kWidth, kHeight, 16),
                             Painted(kWidth, kHeight, Distinct, 99)));

    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST_F(CopyToClipboard, AsDIBByDefaultOnlySaysItCannot) {
    MessageBoxRecorder messages;
    Buffer buffer = MakeBuffer(2, 2);
    HBITMAP marker = PutMarkerOnClipboard();
    const std::size_t before = LiveGdiObjectCount();
    EXPECT_FALSE(buffer->CopyToClipboard());
    ASSERT_EQ(messages.prompts.size(), 1u);
    EXPECT_EQ(messages.prompts[0],
              "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    EXPECT_EQ(messages.titles[0], "Orvane");
    EXPECT_EQ(OnClipboard(), marker) << "clipboard untouched";
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST_F(CopyToClipboard, FailsWithoutLeakingWhileAnotherProgramHoldsItOpen) {
    Buffer buffer = MakeBuffer(3, 3);
    HBITMAP marker = PutMarkerOnClipboard();
    ASSERT_TRUE(OpenClipboard(GetDesktopWindow()));
    const std::size_t before = LiveGdiObjectCount();
    EXPECT_FALSE(buffer->CopyToClipboard(false));
    EXPECT_EQ(LiveGdiObjectCount(), before) << "its bitmap was deleted";
    CloseClipboard();
    EXPECT_EQ(OnClipboard(), marker);
}

TEST_F(CopyToClipboard, FailsWithoutLeakingWhenTheClipboardRefusesTheBitmap) {
    Buffer buffer = MakeBuffer(3, 3);
    orvane::platform::testing::RefuseClipboardData(true);
    const std::size_t before = LiveGdiObjectCount();
    EXPECT_FALSE(buffer->CopyToClipboard(false));
    EXPECT_EQ(LiveGdiObjectCount(), before) << "its bitmap was deleted";
    EXPECT_TRUE(OpenClipboard(nullptr)) << "and the clipboard closed again";
    CloseClipboard();
}

// Never created, or cleared up (which still reports the old size): nothing to copy, and what the
// clipboard holds stays there.
TEST_F(CopyToClipboard, AnEmptyBufferHasNothingToCopy) {
    cDIBSection never;
    Buffer cleared = MakeBuffer(4, 4);
    cleared->ClearUp();
    for (cDIBSection* buffer : {&never, cleared.get()}) {
        HBITMAP marker = PutMarkerOnClipboard();
        const std::size_t before = LiveGdiObjectCount();
        EXPECT_FALSE(buffer->CopyToClipboard(false));
        EXPECT_EQ(LiveGdiObjectCount(), before);
        EXPECT_EQ(OnClipboard(), marker);
    }
}

}  // namespace
