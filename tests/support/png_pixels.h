// A whole picture from the PNG reader, which gives it a scanline at a time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "png/png_reader.h"

namespace orvane::testing {

// Every pixel the reader gives, put where its scanline says, as RGBA rows top down; then the
// chunks after the image. A pixel given twice, or never, fails the test.
inline std::vector<std::uint8_t> ReadPixels(png::PngReader& reader) {
    const std::size_t width = reader.Width();
    std::vector<std::uint8_t> rgba(4 * width * reader.Height());
    std::vector<int> given(width * reader.Height());
    while (const auto line = reader.NextScanline()) {
        for (std::size_t i = 0; i < line->pixels.size() / 4; ++i) {
            const std::size_t at = line->row * width + line->first + i * line->step;
            ++given.at(at);
            std::copy_n(line->pixels.begin() + static_cast<std::ptrdiff_t>(4 * i), 4,
                        rgba.begin() + static_cast<std::ptrdiff_t>(4 * at));
        }
    }
    reader.Finish();
    EXPECT_EQ(std::count(given.begin(), given.end(), 1), std::ssize(given))
        << "pixels given other than once";
    return rgba;
}

}  // namespace orvane::testing
