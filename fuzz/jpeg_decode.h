// The fuzz targets' independent reader of the JPEG files they make: libjpeg-turbo's decompressor.
#pragma once

#include <turbojpeg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::fuzz {

// Whether the bytes decode, whole, to a picture of width x height.
inline bool DecodesAs(const std::vector<unsigned char>& jpeg, std::int64_t width,
                      std::int64_t height) {
    tjhandle decompressor = tjInitDecompress();
    int w = 0;
    int h = 0;
    int subsampling = 0;
    int colourspace = 0;
    bool decoded = tjDecompressHeader3(decompressor, jpeg.data(), jpeg.size(), &w, &h, &subsampling,
                                       &colourspace) == 0 &&
                   w == width && h == height;
    if (decoded) {
        std::vector<unsigned char> pixels(3 * static_cast<std::size_t>(w) *
                                          static_cast<std::size_t>(h));
        decoded = tjDecompress2(decompressor, jpeg.data(), jpeg.size(), pixels.data(), w, 0, h,
                                TJPF_RGB, 0) == 0;
    }
    tjDestroy(decompressor);
    return decoded;
}

}  // namespace orvane::fuzz
