// Image buffers (cDIBSection) for tests: made at a size, copied from a picture, or built from
// bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/gdi.h"
#include "tests/support/pictures.h"

namespace orvane::testing {

using Buffer = std::shared_ptr<cDIBSection>;

inline Buffer MakeBuffer(LONG width, LONG height) {
    auto buffer = std::make_shared<cDIBSection>();
    EXPECT_TRUE(buffer->Create(width, height)) << width << " x " << height;
    return buffer;
}

// A buffer of the picture's size holding a copy of it.
inline Buffer BufferOf(const Surface& picture) {
    Buffer buffer = MakeBuffer(picture.width(), picture.height());
    buffer->LoadPictureBlt(picture.dc());
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

}  // namespace orvane::testing
