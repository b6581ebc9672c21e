#include <cstddef>

#include "dib/cdibsection.h"
#include "dib/rounding.h"
#include "platform/random.h"

namespace orvane {
namespace {

BYTE ChannelFromDraw() {
    // u < 1, so u * 255 rounds to at most 255.
    return static_cast<BYTE>(detail::RoundHalfEven(static_cast<double>(platform::Rnd()) * 255.0));
}

}  // namespace

void cDIBSection::RandomiseBits(bool bGray) {
    platform::Randomize(platform::Timer());
    // An empty buffer may still report its last size; it has no pixels to fill.
    if (bitsPtr == nullptr) {
        return;
    }
    const LONG width = Width();
    const LONG height = Height();
    if (bGray) {
        for (LONG r = 0; r < height; ++r) {
            BYTE* pixel = Scanline(r).data();
            for (LONG x = 0; x < width; ++x, pixel += 3) {
                const BYTE g = ChannelFromDraw();
                pixel[0] = g;
                pixel[1] = g;
                pixel[2] = g;
            }
        }
        return;
    }
    // Column by column, so that the draws come in the order that fixes each pixel's colour.
    for (LONG x = 0; x < width; ++x) {
        for (LONG r = 0; r < height; ++r) {
            BYTE* pixel = Scanline(r).data() + 3 * std::ptrdiff_t{x};
            pixel[0] = 0;
            pixel[1] = ChannelFromDraw();
            pixel[2] = ChannelFromDraw();
        }
    }
}

}  // namespace orvane
