#include "tests/support/jpeg_reader.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <memory>

namespace orvane::testing {

DecodedJpeg DecodeJpeg(const std::string& bytes) {
    DecodedJpeg out;
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    int colourspace = 0;
    if (tjDecompressHeader3(handle.get(), data, bytes.size(), &out.width, &out.height,
                            &out.subsampling, &colourspace) != 0) {
        ADD_FAILURE() << "not a JPEG: " << tjGetErrorStr2(handle.get());
        return {};
    }
    out.rgb.resize(3 * static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    // A warning (a bad restart marker, data cut short or left over) stops the decoding: a file
    // that decodes only with warnings is a broken file.
    if (tjDecompress2(handle.get(), data, bytes.size(), out.rgb.data(), out.width, 0, out.height,
                      TJPF_RGB, TJFLAG_STOPONWARNING) != 0) {
        ADD_FAILURE() << (tjGetErrorCode(handle.get()) == TJERR_WARNING ? "warning: " : "error: ")
                      << tjGetErrorStr2(handle.get());
        return {};
    }
    return out;
}

bool IsBaselineJpeg(const std::string& bytes) {
    return bytes.find("\xFF\xC0") != std::string::npos &&
           bytes.find("\xFF\xC2") == std::string::npos &&
           bytes.find("\xFF\xC1") == std::string::npos;
}

}  // namespace orvane::testing
