// The memory of a 24-bit bitmap, laid out as every bitmap here holds it and as a BMP file stores
// it: 3 bytes a pixel (blue, green, red), each row padded to a multiple of 4 bytes, rows
// bottom-up. Every piece of code that walks pixel memory addresses it through this one view.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windef.h"

namespace orvane::platform {

// The bytes of one row for a width: the smallest multiple of 4 that holds 3 bytes a pixel.
constexpr std::int64_t BitmapStride(std::int64_t width) {
    return (3 * width + 3) & ~std::int64_t{3};
}

struct BitmapBits {
    BYTE* bits = nullptr;  // the first row in memory: the bottom row of the picture
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;

    explicit operator bool() const { return bits != nullptr; }

    // Row y of the picture counted from its top, as GDI counts rows.
    BYTE* Row(LONG y) const { return InMemory(height - 1 - y); }
    // Row r counted in memory order, from the bottom of the picture.
    BYTE* InMemory(LONG r) const { return bits + std::ptrdiff_t{r} * stride; }
    std::size_t Bytes() const {
        return static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    }
};

// The header of a bottom-up, uncompressed 24-bit DIB of that size. The image size is formed in
// 32 bits and wraps as the header's field does, so that a size too large to make is still
// described (and refused by whoever is asked to make it) rather than overflowing here.
constexpr BITMAPINFOHEADER Dib24Header(LONG width, LONG height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(height) * static_cast<DWORD>(BitmapStride(width));
    return header;
}

}  // namespace orvane::platform
