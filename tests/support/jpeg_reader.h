// Reads JPEG files back with TurboJPEG's decompressor, a reader that shares no code with the
// writer under test.
#pragma once

#include <string>
#include <vector>

#include "platform/windef.h"
#include "tests/support/pictures.h"

namespace orvane::testing {

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    int subsampling = -1;   // a TJSAMP_* value
    std::vector<BYTE> rgb;  // red, green, blue; top row first

    const BYTE* At(int x, int y) const {
        return rgb.data() + 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                 static_cast<std::size_t>(x));
    }
};

inline PixelView ViewOf(const DecodedJpeg& jpeg) {
    return {jpeg.width, jpeg.height, [&jpeg](int x, int y) {
                const BYTE* pixel = jpeg.At(x, y);
                return RGB(pixel[0], pixel[1], pixel[2]);
            }};
}

// Fails the test (and returns an empty image) when the bytes are not a JPEG it can decode without
// a single warning.
DecodedJpeg DecodeJpeg(const std::string& bytes);

// Baseline: a SOF0 frame, and neither a progressive (SOF2) nor an extended (SOF1) one.
bool IsBaselineJpeg(const std::string& bytes);

}  // namespace orvane::testing
