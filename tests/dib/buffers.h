// Helpers for the image buffer's tests: buffers built from bytes, and a plain GDI surface to copy
// to and from.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/gdi.h"

namespace orvane::testing {

using Buffer = std::shared_ptr<cDIBSection>;

inline Buffer MakeBuffer(LONG width, LONG height) {
    auto buffer = std::make_shared<cDIBSection>();
    EXPECT_TRUE(buffer->Create(width, height)) << width << " x " << height;
    return buffer;
}

// One row of pixel memory in memory order (row 0 is the bottom of the picture), filler included.
inline BYTE* Row(const cDIBSection& buffer, LONG row) {
    return buffer.DIBSectionBitsPtr() + std::ptrdiff_t{row} * buffer.BytesPerScanLine();
}

// All of the pixel memory, filler included.
inline std::vector<BYTE> Bytes(const cDIBSection& buffer) {
    const BYTE* bits = buffer.DIBSectionBitsPtr();
    return {bits, bits + std::ptrdiff_t{buffer.Height()} * buffer.BytesPerScanLine()};
}

// A grey picture given as rows of channel values in memory order: each pixel's three channels
// hold the same value.
inline Buffer GreyBuffer(const std::vector<std::vector<int>>& rows) {
    Buffer buffer =
        MakeBuffer(static_cast<LONG>(rows.at(0).size()), static_cast<LONG>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        BYTE* row = Row(*buffer, static_cast<LONG>(r));
        for (std::size_t x = 0; x < rows[r].size(); ++x) {
            std::memset(row + 3 * x, rows[r][x], 3);
        }
    }
    return buffer;
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
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
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

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

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

}  // namespace orvane::testing
