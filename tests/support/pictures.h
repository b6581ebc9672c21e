// Pictures for tests: colour patterns, surfaces painted with them, and views through which a test
// reads any picture (a device context, pixel memory, a decoded file) pixel by pixel. Free of
// GoogleTest, so that fuzz targets may build their pictures the same way.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_owners.h"
#include "platform/picture_box.h"

namespace orvane::testing {

// The colour of pixel (x, y) of a picture; the salt tells two pictures of one pattern apart.
using Pattern = COLORREF (*)(int x, int y, int salt);

// Every pixel a different colour while both sides stay below 256 (17 and 29 are odd, so red
// alone tells the column and green the row): a misplaced copy shows.
inline COLORREF Distinct(int x, int y, int salt) {
    return RGB(static_cast<BYTE>(x * 17 + salt), static_cast<BYTE>(y * 29 + salt),
               static_cast<BYTE>(x * 7 + y * 3 + salt));
}

// Flat 8 x 8 blocks, a colour each, darker towards the bottom: a JPEG brings every block back
// within a few levels, while a shifted, flipped or mis-padded row lands in a block 45 levels or
// more away in some channel. Never the key colour (red is at least 30).
inline COLORREF Blocks(int x, int y, int salt) {
    const int bx = x / 8, by = y / 8;
    return RGB(static_cast<BYTE>(30 + 60 * ((bx + salt) % 4)),
               static_cast<BYTE>(220 - 45 * (by % 5)),
               static_cast<BYTE>(40 + 70 * ((bx + by + salt) % 3)));
}

// What the canvas shows where nothing has been painted.
inline constexpr COLORREF kCanvasBackground = RGB(240, 240, 240);

// A picture as a test reads it: its size, and the colour of any pixel in it. A view made from a
// picture reads that picture, which must outlive it.
struct PixelView {
    int width = 0;
    int height = 0;
    std::function<COLORREF(int x, int y)> at;
};

// What pattern paints on a picture of that size.
inline PixelView Painted(int width, int height, Pattern pattern, int salt) {
    return {width, height, [pattern, salt](int x, int y) { return pattern(x, y, salt); }};
}

inline PixelView Plain(int width, int height, COLORREF colour) {
    return {width, height, [colour](int, int) { return colour; }};
}

// A device context's bitmap, read through GetPixel.
inline PixelView ViewOf(HDC dc, int width, int height) {
    return {width, height, [dc](int x, int y) { return GetPixel(dc, x, y); }};
}

// A picture box that counts its size in pixels, such as the canvas.
template <class Box>
requires requires(const Box& box) {
    box.hDC();
    box.PixelWidth();
    box.PixelHeight();
}
PixelView ViewOf(const Box& box) {
    return ViewOf(box.hDC(), box.PixelWidth(), box.PixelHeight());
}

// Pixel memory as a DIB lays it out, read here without the code under test: rows of blue, green,
// red, the bottom row first, each row stride bytes long.
inline PixelView ViewOfDibRows(const BYTE* bits, int width, int height, int stride) {
    return {width, height, [=](int x, int y) {
                const BYTE* pixel = bits + std::ptrdiff_t{height - 1 - y} * stride + 3 * x;
                return RGB(pixel[2], pixel[1], pixel[0]);
            }};
}

// Paints every pixel of picture onto dc, through SetPixelV.
inline void Paint(HDC dc, const PixelView& picture) {
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            SetPixelV(dc, x, y, picture.at(x, y));
        }
    }
}

// Every pixel of a picture, top row first: a snapshot to hold a later state against.
inline std::vector<COLORREF> Pixels(const PixelView& picture) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            pixels.push_back(picture.at(x, y));
        }
    }
    return pixels;
}

inline std::vector<COLORREF> Pixels(HDC dc, int width, int height) {
    return Pixels(ViewOf(dc, width, height));
}

enum class BitmapKind { Compatible, DibSection };

// A memory DC holding a bitmap of its own, both released at the end of the scope; a picture box
// as the JPEG export sees the canvas.
class Surface : public platform::PictureBox {
  public:
    Surface(int width, int height, BitmapKind kind = BitmapKind::Compatible)
        : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        if (kind == BitmapKind::DibSection) {
            BITMAPINFO info{};
            info.bmiHeader = {
                sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        } else {
            bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        }
        previous_ = SelectObject(dc_, bitmap_);
    }
    Surface(int width, int height, Pattern pattern, int salt,
            BitmapKind kind = BitmapKind::Compatible)
        : Surface(width, height, kind) {
        Paint(pattern, salt);
    }
    ~Surface() override {
        platform::DeselectAndDelete(dc_, previous_, bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    HBITMAP Image() const override { return bitmap_; }
    HDC hDC() const override { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Takes the bitmap out of the DC, as a picture that no DC holds; Reselect puts it back.
    HBITMAP Release() {
        SelectObject(dc_, previous_);
        return bitmap_;
    }
    void Reselect() { SelectObject(dc_, bitmap_); }
    // Takes the bitmap out of the DC and gives it away: the caller deletes it, or hands it on.
    HBITMAP Detach() {
        Release();
        return std::exchange(bitmap_, nullptr);
    }

    void Paint(Pattern pattern, int salt) {
        testing::Paint(dc_, Painted(width_, height_, pattern, salt));
    }
    void Fill(COLORREF colour) { testing::Paint(dc_, Plain(width_, height_, colour)); }

    // Every pixel, top row first.
    std::vector<COLORREF> Pixels() const { return testing::Pixels(dc_, width_, height_); }
    PixelView View() const { return ViewOf(dc_, width_, height_); }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace orvane::testing
