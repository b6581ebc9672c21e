// A plain GDI surface for tests to draw on and copy to and from.
#pragma once

#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_owners.h"

namespace orvane::testing {

// Every pixel of a device context's bitmap, read through GetPixel, top row first.
inline std::vector<COLORREF> Pixels(HDC dc, int width, int height) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(GetPixel(dc, x, y));
        }
    }
    return pixels;
}

// A memory DC holding a bitmap of its own; both released at the end of the scope.
class Surface {
  public:
    Surface(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Surface() {
        platform::DeselectAndDelete(dc_, previous_, bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Takes the bitmap out of the DC, as a picture that no DC holds; Reselect puts it back.
    HBITMAP Release() {
        SelectObject(dc_, previous_);
        return bitmap_;
    }
    void Reselect() { SelectObject(dc_, bitmap_); }

    void FillDistinct(BYTE salt) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                SetPixelV(dc_, x, y, Distinct(x, y, salt));
            }
        }
    }
    void Fill(COLORREF colour) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                SetPixelV(dc_, x, y, colour);
            }
        }
    }
    // Every pixel a different colour, so that a misplaced copy shows.
    static COLORREF Distinct(int x, int y, BYTE salt) {
        return RGB(static_cast<BYTE>(x * 17 + salt), static_cast<BYTE>(y * 29 + salt),
                   static_cast<BYTE>(x * 7 + y * 3 + salt));
    }

    // Every pixel, top row first.
    std::vector<COLORREF> Pixels() const { return testing::Pixels(dc_, width_, height_); }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

}  // namespace orvane::testing
