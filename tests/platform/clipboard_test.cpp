#include "platform/clipboard.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clipboard_testing.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/user32.h"
#include "tests/support/picture_compare.h"

namespace {

using orvane::platform::BitmapBits;
using orvane::platform::LiveGdiObjectCount;
using orvane::platform::SetClipboardSink;
using namespace orvane::testing;

class Clipboard : public ::testing::Test {
  protected:
    void SetUp() override { orvane::platform::testing::ResetClipboard(); }
    void TearDown() override { orvane::platform::testing::ResetClipboard(); }

    // A bitmap that belongs to nobody, with a distinct colour in every pixel.
    static HBITMAP PaintedBitmap(int width, int height) {
        return Surface(width, height, Distinct, 10).Detach();
    }
    static bool Exists(HBITMAP bitmap) {
        BITMAP record{};
        return GetObjectA(bitmap, sizeof record, &record) != 0;
    }
};

TEST_F(Clipboard, OneOwnerAtATimeAndTheSameOwnerMayOpenAgain) {
    HWND other = GetDesktopWindow();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(OpenClipboard(nullptr)) << "already open by the same owner";
    EXPECT_FALSE(OpenClipboard(other)) << "0 is an owner of its own";
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard()) << "not open";

    ASSERT_TRUE(OpenClipboard(other));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, AnInvalidWindowCannotOpenIt) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(OpenClipboard(reinterpret_cast<HWND>(dc))) << "a DC is not a window";
    EXPECT_FALSE(OpenClipboard(reinterpret_cast<HWND>(std::uintptr_t{0x7fff00001234})));
    DeleteDC(dc);
    EXPECT_TRUE(OpenClipboard(nullptr)) << "and it stayed closed";
    CloseClipboard();
}

TEST_F(Clipboard, EmptyingAndSettingNeedItOpen) {
    HBITMAP bitmap = PaintedBitmap(2, 2);
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), nullptr);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(DeleteObject(bitmap)) << "still the program's";
}

TEST_F(Clipboard, TakesTheBitmapAndDeletesItWhenEmptied) {
    const std::size_t before = LiveGdiObjectCount();
    HBITMAP bitmap = PaintedBitmap(3, 2);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
    EXPECT_EQ(GetClipboardData(CF_BITMAP), bitmap);
    CloseClipboard();

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr) << "reading needs it open";
    EXPECT_FALSE(DeleteObject(bitmap)) << "the clipboard's now";
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr) << "nor may it be drawn into";
    DeleteDC(dc);
    EXPECT_EQ(LiveGdiObjectCount(), before + 1) << "counted while the clipboard holds it";

    ASSERT_TRUE(OpenClipboard(GetDesktopWindow()));
    EXPECT_TRUE(EmptyClipboard());
    CloseClipboard();
    EXPECT_FALSE(Exists(bitmap));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST_F(Clipboard, ANewBitmapReplacesAndDeletesTheOldOne) {
    const std::size_t before = LiveGdiObjectCount();
    HBITMAP first = PaintedBitmap(2, 2);
    HBITMAP second = PaintedBitmap(4, 1);
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_EQ(SetClipboardData(CF_BITMAP, first), first);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first) << "setting the same one again";
    EXPECT_TRUE(Exists(first));
    ASSERT_EQ(SetClipboardData(CF_BITMAP, second), second);
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(GetClipboardData(CF_BITMAP), second);
    CloseClipboard();
    EXPECT_EQ(LiveGdiObjectCount(), before + 1);
}

TEST_F(Clipboard, RefusesWhatCannotBeGivenAway) {
    const std::size_t before = LiveGdiObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP selected = CreateCompatibleBitmap(dc, 2, 2);
    HGDIOBJ stock = SelectObject(dc, selected);
    HBITMAP loose = PaintedBitmap(2, 2);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(CF_BITMAP, selected), nullptr) << "selected into a DC";
    EXPECT_EQ(SetClipboardData(CF_BITMAP, stock), nullptr) << "the default bitmap of every DC";
    EXPECT_EQ(SetClipboardData(CF_BITMAP, dc), nullptr) << "not a bitmap";
    EXPECT_EQ(SetClipboardData(CF_BITMAP, nullptr), nullptr);
    EXPECT_EQ(SetClipboardData(1 /* CF_TEXT */, loose), nullptr) << "only bitmaps are kept";
    CloseClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    SelectObject(dc, stock);
    EXPECT_TRUE(DeleteObject(selected));
    EXPECT_TRUE(DeleteObject(loose));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST_F(Clipboard, SinkSeesTheBitmapOnceWhenClosedAfterSetting) {
    std::vector<BitmapBits> images;
    std::vector<std::vector<BYTE>> bytes;
    SetClipboardSink([&](const BitmapBits& image) {
        images.push_back(image);
        bytes.emplace_back(image.bits, image.bits + image.Bytes());
    });

    ASSERT_TRUE(OpenClipboard(nullptr));
    CloseClipboard();
    EXPECT_TRUE(images.empty()) << "nothing was set";

    constexpr int kWidth = 3, kHeight = 2;
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(CF_BITMAP, PaintedBitmap(kWidth, kHeight));
    CloseClipboard();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, kWidth);
    EXPECT_EQ(images[0].height, kHeight);
    ASSERT_EQ(images[0].stride, 12);
    ASSERT_EQ(bytes[0].size(), 24u);
    EXPECT_TRUE(PicturesNear(ViewOfDibRows(bytes[0].data(), kWidth, kHeight, 12),
                             Painted(kWidth, kHeight, Distinct, 10)));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(images.size(), 1u) << "emptying sets nothing";
}

}  // namespace
