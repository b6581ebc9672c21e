#include "platform/gdi.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

#include "platform/gdi_testing.h"
#include "platform/user32.h"
#include "tests/support/picture_compare.h"
#include "tests/support/row_name.h"

namespace {

using orvane::platform::LiveGdiObjectCount;
using namespace orvane::testing;

// ---------------------------------------------------------------------------------------------
// Raster operations, checked against their textbook formulas with a white brush as pattern.

struct RopCase {
    const char* name;
    DWORD rop;
    std::function<BYTE(BYTE p, BYTE s, BYTE d)> formula;
};

class RasterOperation : public ::testing::TestWithParam<RopCase> {};

TEST_P(RasterOperation, CombinesSourceDestinationAndPatternPerChannel) {
    const RopCase& c = GetParam();
    // Bytes chosen for their bits rather than as a picture: all clear, all set and mixed, so
    // that every formula meets each combination in some channel.
    const BYTE values[] = {0x00, 0xFF, 0x5A, 0xC3, 0x0F};
    const PixelView source{
        5, 5, [&](int i, int j) { return RGB(values[i], values[j], values[(i + j) % 5]); }};
    const PixelView destination{
        5, 5, [&](int i, int j) { return RGB(values[j], values[(i + 2) % 5], values[i]); }};
    Surface src(5, 5), dst(5, 5);
    Paint(src.dc(), source);
    Paint(dst.dc(), destination);
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 5, 5, src.dc(), 0, 0, c.rop));
    constexpr BYTE kWhiteBrush = 0xFF;
    const PixelView expected{5, 5, [&](int i, int j) {
                                 const COLORREF s = source.at(i, j), d = destination.at(i, j);
                                 return RGB(c.formula(kWhiteBrush, GetRValue(s), GetRValue(d)),
                                            c.formula(kWhiteBrush, GetGValue(s), GetGValue(d)),
                                            c.formula(kWhiteBrush, GetBValue(s), GetBValue(d)));
                             }};
    EXPECT_TRUE(PicturesNear(ViewOf(dst.dc(), 5, 5), expected)) << c.name;
}

BYTE Not(BYTE v) {
    return static_cast<BYTE>(~v);
}

INSTANTIATE_TEST_SUITE_P(
    CommonCodes, RasterOperation,
    ::testing::Values(
        RopCase{"SRCCOPY", SRCCOPY, [](BYTE, BYTE s, BYTE) { return s; }},
        RopCase{"SRCPAINT", SRCPAINT, [](BYTE, BYTE s, BYTE d) -> BYTE { return s | d; }},
        RopCase{"SRCAND", SRCAND, [](BYTE, BYTE s, BYTE d) -> BYTE { return s & d; }},
        RopCase{"SRCINVERT", SRCINVERT, [](BYTE, BYTE s, BYTE d) -> BYTE { return s ^ d; }},
        RopCase{"SRCERASE", SRCERASE, [](BYTE, BYTE s, BYTE d) -> BYTE { return s & Not(d); }},
        RopCase{"NOTSRCCOPY", NOTSRCCOPY, [](BYTE, BYTE s, BYTE) { return Not(s); }},
        RopCase{"NOTSRCERASE", NOTSRCERASE, [](BYTE, BYTE s, BYTE d) { return Not(s | d); }},
        RopCase{"MERGECOPY", MERGECOPY, [](BYTE p, BYTE s, BYTE) -> BYTE { return p & s; }},
        RopCase{"MERGEPAINT", MERGEPAINT, [](BYTE, BYTE s, BYTE d) -> BYTE { return Not(s) | d; }},
        RopCase{"PATCOPY", PATCOPY, [](BYTE p, BYTE, BYTE) { return p; }},
        RopCase{"PATPAINT", PATPAINT,
                [](BYTE p, BYTE s, BYTE d) -> BYTE { return p | Not(s) | d; }},
        RopCase{"PATINVERT", PATINVERT, [](BYTE p, BYTE, BYTE d) -> BYTE { return p ^ d; }},
        RopCase{"DSTINVERT", DSTINVERT, [](BYTE, BYTE, BYTE d) { return Not(d); }},
        RopCase{"BLACKNESS", BLACKNESS, [](BYTE, BYTE, BYTE) -> BYTE { return 0x00; }},
        RopCase{"WHITENESS", WHITENESS, [](BYTE, BYTE, BYTE) -> BYTE { return 0xFF; }},
        RopCase{"DSna (D and not S)", 0x00220326,
                [](BYTE, BYTE s, BYTE d) -> BYTE { return d & Not(s); }}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(BitBlt, OperationsWithoutSourceIgnoreANullSource) {
    Surface dst(2, 2, Distinct, 3);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 2, 2, nullptr, 0, 0, DSTINVERT));
    EXPECT_EQ(GetPixel(dst.dc(), 1, 1), Distinct(1, 1, 3) ^ 0x00FFFFFF);
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(0, 0, 0));
}

TEST(BitBlt, FailsForAnInvalidDestinationOrAMissingSourceThatIsRead) {
    Surface dst(2, 2, Distinct, 1), src(2, 2);
    const auto before = dst.Pixels();
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 2, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(reinterpret_cast<HDC>(src.bitmap()), 0, 0, 2, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Pixels(), before);
}

// ---------------------------------------------------------------------------------------------
// Clipping: compared with a copy made pixel by pixel through GetPixel / SetPixelV.

struct ClipCase {
    const char* name;
    int x, y, cx, cy, x1, y1;
};

class BitBltClipping : public ::testing::TestWithParam<ClipCase> {};

TEST_P(BitBltClipping, CopiesOnlyWhereBothSourceAndDestinationExist) {
    const ClipCase& c = GetParam();
    Surface src(5, 4, Distinct, 11), dst(6, 5, Distinct, 200), expected(6, 5, Distinct, 200);
    // In 64 bits: the offsets near the int limits would overflow here, not in the call.
    for (std::int64_t j = 0; j < c.cy; ++j) {
        for (std::int64_t k = 0; k < c.cx; ++k) {
            const std::int64_t sx = c.x1 + k, sy = c.y1 + j, dx = c.x + k, dy = c.y + j;
            if (sx >= 0 && sy >= 0 && sx < src.width() && sy < src.height() && dx >= 0 && dy >= 0 &&
                dx < expected.width() && dy < expected.height()) {
                SetPixelV(expected.dc(), static_cast<int>(dx), static_cast<int>(dy),
                          GetPixel(src.dc(), static_cast<int>(sx), static_cast<int>(sy)));
            }
        }
    }
    EXPECT_TRUE(BitBlt(dst.dc(), c.x, c.y, c.cx, c.cy, src.dc(), c.x1, c.y1, SRCCOPY));
    EXPECT_EQ(dst.Pixels(), expected.Pixels());
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BitBltClipping,
    ::testing::Values(ClipCase{"whole", 0, 0, 5, 4, 0, 0}, ClipCase{"inside", 1, 1, 2, 2, 2, 1},
                      ClipCase{"past_right_of_destination", 4, 0, 5, 4, 0, 0},
                      ClipCase{"past_bottom_of_destination", 0, 3, 5, 4, 0, 0},
                      ClipCase{"negative_destination", -2, -1, 5, 4, 0, 0},
                      ClipCase{"negative_source", 0, 0, 5, 4, -2, -3},
                      ClipCase{"past_right_of_source", 0, 0, 6, 4, 3, 0},
                      ClipCase{"past_bottom_of_source", 0, 0, 5, 5, 0, 2},
                      ClipCase{"both_negative", -1, 2, 6, 6, -2, -1},
                      ClipCase{"larger_than_both", -3, -3, 20, 20, -1, -1},
                      ClipCase{"entirely_outside_destination", 6, 5, 3, 3, 0, 0},
                      ClipCase{"entirely_outside_source", 0, 0, 3, 3, 5, 4},
                      ClipCase{"zero_width", 0, 0, 0, 4, 0, 0},
                      ClipCase{"negative_height", 0, 0, 5, -4, 0, 0},
                      ClipCase{"offsets_near_int_limits", INT_MAX - 1, 0, 5, 4, INT_MIN + 1, 0}),
    RowName());

// Four pixels make 12 bytes, a row without filler: whole rows are copied as one block, which
// must still land on the right rows when the copy is offset or clipped vertically.
TEST(BitBlt, WholeRowsWithoutFillerLandOnTheRightRows) {
    const ClipCase cases[] = {{"whole", 0, 0, 4, 6, 0, 0},
                              {"down_one_from_row_two", 0, 1, 4, 3, 0, 2},
                              {"clipped_above_and_below", 0, -1, 4, 10, 0, 0},
                              {"source_rows_from_above", 0, 2, 4, 4, 0, -1}};
    for (const ClipCase& c : cases) {
        Surface src(4, 6, Distinct, 31), dst(4, 5, Distinct, 90), expected(4, 5, Distinct, 90);
        for (int j = 0; j < c.cy; ++j) {
            for (int k = 0; k < c.cx; ++k) {
                const int sx = c.x1 + k, sy = c.y1 + j;
                if (sx >= 0 && sy >= 0 && sx < src.width() && sy < src.height()) {
                    SetPixelV(expected.dc(), c.x + k, c.y + j, GetPixel(src.dc(), sx, sy));
                }
            }
        }
        EXPECT_TRUE(BitBlt(dst.dc(), c.x, c.y, c.cx, c.cy, src.dc(), c.x1, c.y1, SRCCOPY));
        EXPECT_EQ(dst.Pixels(), expected.Pixels()) << c.name;
    }
}

// Over 16 MiB of whole rows (608 pixels, 1824 bytes, no filler) goes in pieces on several
// threads, the last piece partial: every byte must still land where it belongs.
TEST(BitBlt, ALargeBlockOfWholeRowsArrivesWhole) {
    constexpr int kWidth = 608, kHeight = 9300;
    const Surface src(kWidth, kHeight, BitmapKind::DibSection);
    const Surface dst(kWidth, kHeight, BitmapKind::DibSection);
    BITMAP s{}, d{};
    ASSERT_EQ(GetObjectA(src.bitmap(), sizeof s, &s), int{sizeof s});
    ASSERT_EQ(GetObjectA(dst.bitmap(), sizeof d, &d), int{sizeof d});
    const std::size_t bytes = std::size_t{3} * kWidth * kHeight;
    std::uint32_t state = 1;  // no period that a misplaced piece could match
    for (BYTE& byte : std::span(static_cast<BYTE*>(s.bmBits), bytes)) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<BYTE>(state >> 24);
    }
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, kWidth, kHeight, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(std::memcmp(d.bmBits, s.bmBits, bytes), 0);
}

TEST(BitBlt, OverlappingCopyWithinOneBitmapReadsTheSourceBeforeWriting) {
    Surface s(5, 5, Distinct, 7), expected(5, 5, Distinct, 7);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            SetPixelV(expected.dc(), x + 1, y + 1, Distinct(x, y, 7));
        }
    }
    EXPECT_TRUE(BitBlt(s.dc(), 1, 1, 4, 4, s.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(s.Pixels(), expected.Pixels());
}

// ---------------------------------------------------------------------------------------------
// Handles.

TEST(Handles, StaleForeignAndWrongKindHandlesMakeEveryCallFail) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    ASSERT_NE(dc, nullptr);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(DeleteObject(bitmap));
    ASSERT_TRUE(DeleteDC(dc));

    // A new DC and bitmap may reuse the freed slots; the old handles must still be refused.
    HDC fresh = CreateCompatibleDC(nullptr);
    HBITMAP freshBitmap = CreateCompatibleBitmap(fresh, 4, 4);
    SelectObject(fresh, freshBitmap);

    const HDC staleDC = dc;
    const HBITMAP staleBitmap = bitmap;
    const auto foreignDC = reinterpret_cast<HDC>(std::uintptr_t{0x7fff12345678});
    const auto wrongKindDC = reinterpret_cast<HDC>(freshBitmap);
    for (HDC bad : {static_cast<HDC>(nullptr), staleDC, foreignDC, wrongKindDC}) {
        EXPECT_FALSE(SetPixelV(bad, 0, 0, RGB(1, 2, 3)));
        EXPECT_EQ(GetPixel(bad, 0, 0), CLR_INVALID);
        EXPECT_EQ(SelectObject(bad, freshBitmap), nullptr);
        EXPECT_FALSE(BitBlt(bad, 0, 0, 1, 1, fresh, 0, 0, SRCCOPY));
        EXPECT_FALSE(BitBlt(fresh, 0, 0, 1, 1, bad, 0, 0, SRCCOPY));
        EXPECT_FALSE(DeleteDC(bad));
        EXPECT_EQ(CreateCompatibleBitmap(bad, 2, 2), nullptr);
        if (bad != nullptr) {  // 0 asks for a DC compatible with the screen
            EXPECT_EQ(CreateCompatibleDC(bad), nullptr);
        }
    }
    for (HGDIOBJ bad : {static_cast<HGDIOBJ>(staleBitmap), static_cast<HGDIOBJ>(fresh),
                        reinterpret_cast<HGDIOBJ>(std::uintptr_t{0x1234})}) {
        BITMAP record{};
        EXPECT_EQ(GetObjectA(bad, sizeof record, &record), 0);
        EXPECT_EQ(SelectObject(fresh, bad), nullptr);
        EXPECT_FALSE(DeleteObject(bad));
    }

    EXPECT_EQ(GetPixel(fresh, 0, 0), RGB(0, 0, 0)) << "fresh pixel memory is zero";
    EXPECT_FALSE(DeleteObject(freshBitmap)) << "still selected";
    EXPECT_TRUE(DeleteDC(fresh));
    EXPECT_TRUE(DeleteObject(freshBitmap)) << "deselected when its DC went";
}

TEST(Handles, SelectObjectReturnsWhatItDisplacedAndRefusesABitmapHeldElsewhere) {
    const std::size_t before = LiveGdiObjectCount();
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(a);
    HBITMAP first = CreateCompatibleBitmap(a, 2, 2);
    HBITMAP second = CreateCompatibleBitmap(a, 3, 3);
    EXPECT_EQ(LiveGdiObjectCount(), before + 4);

    HGDIOBJ defaultBitmap = SelectObject(a, first);
    ASSERT_NE(defaultBitmap, nullptr);
    BITMAP record{};
    ASSERT_EQ(GetObjectA(defaultBitmap, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.bmWidth, 1) << "a new memory DC holds a 1 x 1 bitmap";
    EXPECT_EQ(record.bmHeight, 1);

    EXPECT_EQ(SelectObject(b, first), nullptr) << "selected into another DC";
    EXPECT_EQ(SelectObject(a, first), first) << "reselecting returns itself";
    EXPECT_EQ(SelectObject(a, second), first);
    EXPECT_NE(SelectObject(b, first), nullptr) << "free again after being displaced";
    EXPECT_EQ(SelectObject(b, defaultBitmap), first);
    EXPECT_EQ(SelectObject(a, defaultBitmap), second) << "the default may sit in many DCs";

    EXPECT_TRUE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_TRUE(DeleteDC(a));
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_FALSE(DeleteDC(a)) << "deleted twice";
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(Handles, SetPixelVFollowsTheSelectedBitmap) {
    Surface s(2, 2);
    EXPECT_EQ(SelectObject(s.dc(), nullptr), nullptr) << "a null bitmap is refused";
    HBITMAP small = CreateCompatibleBitmap(s.dc(), 1, 1);
    HGDIOBJ big = SelectObject(s.dc(), small);
    EXPECT_TRUE(SetPixelV(s.dc(), 0, 0, RGB(9, 8, 7)));
    EXPECT_FALSE(SetPixelV(s.dc(), 1, 1, RGB(9, 8, 7))) << "the 1 x 1 bitmap is selected now";
    SelectObject(s.dc(), big);
    EXPECT_TRUE(SetPixelV(s.dc(), 1, 1, RGB(1, 1, 1)));
    EXPECT_EQ(GetPixel(s.dc(), 0, 0), RGB(0, 0, 0)) << "the 2 x 2 bitmap was not painted";
    EXPECT_TRUE(DeleteObject(small));
}

// ---------------------------------------------------------------------------------------------
// SetPixelV and GetPixel.

struct PixelCase {
    const char* name;
    int x, y;
    COLORREF color;
    bool writes;
};

class SetPixelVCase : public ::testing::TestWithParam<PixelCase> {};

TEST_P(SetPixelVCase, WritesOnlyRgbColoursInsideTheBitmap) {
    const PixelCase& c = GetParam();
    Surface s(4, 3, Distinct, 5);
    auto expected = s.Pixels();
    if (c.writes) {
        expected[static_cast<std::size_t>(c.y * 4 + c.x)] = c.color;
    }
    EXPECT_EQ(SetPixelV(s.dc(), c.x, c.y, c.color), c.writes ? TRUE : FALSE);
    EXPECT_EQ(s.Pixels(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetPixelVCase,
    ::testing::Values(PixelCase{"top_left", 0, 0, RGB(1, 2, 3), true},
                      PixelCase{"bottom_right", 3, 2, RGB(250, 0, 128), true},
                      PixelCase{"white", 1, 1, 0x00FFFFFF, true},
                      PixelCase{"minus_one_is_no_colour", 1, 1, 0xFFFFFFFF, false},
                      PixelCase{"palette_index_flag", 1, 1, 0x01000000, false},
                      PixelCase{"high_byte_set", 1, 1, 0x80010203, false},
                      PixelCase{"left_of_bitmap", -1, 0, RGB(1, 1, 1), false},
                      PixelCase{"above_bitmap", 0, -1, RGB(1, 1, 1), false},
                      PixelCase{"right_of_bitmap", 4, 0, RGB(1, 1, 1), false},
                      PixelCase{"below_bitmap", 0, 3, RGB(1, 1, 1), false},
                      PixelCase{"int_min", INT_MIN, INT_MIN, RGB(1, 1, 1), false},
                      PixelCase{"int_max", INT_MAX, 0, RGB(1, 1, 1), false}),
    RowName());

TEST(PixelLayout, RowsAreBottomUpBgrAndPaddedToFourBytes) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 5, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    HGDIOBJ old = SelectObject(dc, dib);

    SetPixelV(dc, 0, 2, RGB(0x11, 0x22, 0x33));  // bottom-left
    SetPixelV(dc, 4, 0, RGB(0x44, 0x55, 0x66));  // top-right
    const auto* bytes = static_cast<const BYTE*>(bits);
    constexpr int kStride = 16;  // 15 bytes of pixels, one filler byte
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[2 * kStride + 12], 0x66);
    EXPECT_EQ(bytes[2 * kStride + 13], 0x55);
    EXPECT_EQ(bytes[2 * kStride + 14], 0x44);

    BITMAP record{};
    ASSERT_EQ(GetObjectA(dib, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.bmWidth, 5);
    EXPECT_EQ(record.bmHeight, 3);
    EXPECT_EQ(record.bmWidthBytes, kStride);
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(record.bmBits, bits);

    HBITMAP ddb = CreateCompatibleBitmap(dc, 5, 3);
    ASSERT_EQ(GetObjectA(ddb, sizeof record, &record), static_cast<int>(sizeof record));
    EXPECT_EQ(record.bmBits, nullptr) << "only a DIB section exposes its bits";

    SelectObject(dc, old);
    DeleteObject(ddb);
    DeleteObject(dib);
    DeleteDC(dc);
}

// ---------------------------------------------------------------------------------------------
// Bitmap creation.

struct DibRequest {
    const char* name;
    LONG width, height;
    WORD bitCount;
    DWORD compression;
};

class CreateDIBSectionRefuses : public ::testing::TestWithParam<DibRequest> {};

TEST_P(CreateDIBSectionRefuses, ReturnsNullAndANullBitsPointer) {
    const DibRequest& r = GetParam();
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), r.width, r.height, 1, r.bitCount, r.compression, 0, 0, 0, 0, 0};
    void* bits = reinterpret_cast<void*>(0x1);
    const std::size_t before = LiveGdiObjectCount();
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

INSTANTIATE_TEST_SUITE_P(Table, CreateDIBSectionRefuses,
                         ::testing::Values(DibRequest{"zero_width", 0, 4, 24, BI_RGB},
                                           DibRequest{"zero_height", 4, 0, 24, BI_RGB},
                                           DibRequest{"negative_width", -4, 4, 24, BI_RGB},
                                           DibRequest{"top_down", 4, -4, 24, BI_RGB},
                                           DibRequest{"thirty_two_bit", 4, 4, 32, BI_RGB},
                                           DibRequest{"compressed", 4, 4, 24, 1},
                                           DibRequest{"row_overflows", INT_MAX, 1, 24, BI_RGB},
                                           DibRequest{"image_overflows", 100000, 100000, 24,
                                                      BI_RGB}),
                         RowName());

TEST(CreateCompatibleBitmap, NeedsAValidDCAndAPositiveSize) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 2, 2), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 0, 2), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 2, -1), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(dc, 50000, 50000), nullptr);
    DeleteDC(dc);
}

TEST(ScreenDC, GivesCompatibleDCsAndBitmapsAndIsReleasedNotDeleted) {
    const std::size_t before = LiveGdiObjectCount();
    HWND desktop = GetDesktopWindow();
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(GetDesktopWindow(), desktop);
    HDC screen = GetDC(desktop);
    ASSERT_NE(screen, nullptr);

    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 3, 2);
    ASSERT_NE(memory, nullptr);
    ASSERT_NE(bitmap, nullptr);
    BITMAP record{};
    GetObjectA(bitmap, sizeof record, &record);
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr) << "only memory DCs take bitmaps";

    EXPECT_FALSE(DeleteDC(screen));
    EXPECT_EQ(ReleaseDC(desktop, memory), 0) << "a memory DC is deleted, not released";
    EXPECT_EQ(ReleaseDC(desktop, screen), 1);
    EXPECT_EQ(ReleaseDC(desktop, screen), 0);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(std::uintptr_t{0x42})), nullptr);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

}  // namespace
