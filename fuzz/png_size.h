// The size a PNG's header claims, for fuzz targets that read every pixel of a picture: a header
// that claims a large one costs time, not new paths, and would hold the fuzzer to a few inputs a
// second.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::fuzz {

// Whether the PNG of size bytes at png claims more than pixels pixels. Width and height are the
// big-endian words at bytes 16 and 20.
inline bool ClaimsMorePixels(const std::uint8_t* png, std::size_t size, std::uint64_t pixels) {
    if (size < 24) {
        return false;
    }
    const auto word = [&](std::size_t at) {
        return std::uint64_t{png[at]} << 24 | std::uint64_t{png[at + 1]} << 16 |
               std::uint64_t{png[at + 2]} << 8 | png[at + 3];
    };
    return word(16) * word(20) > pixels;
}

}  // namespace orvane::fuzz
