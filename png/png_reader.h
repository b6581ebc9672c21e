// A PNG of any colour type and depth read as 8-bit RGBA, row by row: palette and grey pictures
// are expanded, 16-bit samples reduced to their high byte, and transparency chunks (tRNS) turned
// into alpha. Gamma and colour profiles are not applied: a pixel keeps the numbers it was saved
// with.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "png/spng_context.h"

namespace orvane::png {

// Fills the buffer from the file, in order; returns how many bytes it put there, fewer only at
// the end of the file. May raise, and the reader then raises that.
using Source = std::function<std::size_t(std::span<std::uint8_t>)>;

struct ReadLimits {
    std::uint32_t width = 1u << 20;
    std::uint32_t height = 1u << 20;
    // An interlaced picture comes in seven passes over the whole of it, so it is decoded whole,
    // into this many bytes at most.
    std::size_t interlacedBytes = std::size_t{1} << 30;
};

class PngReader {
  public:
    // Reads up to the image data. Raises Error: NotPng for bytes that do not begin as a PNG's,
    // Damaged for a header that cannot be read, TooLarge beyond the limits.
    explicit PngReader(Source source, const ReadLimits& limits = {});
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }

    // The next rows, top down, 4 × Width() bytes each: as many as out holds. Raises Error
    // (Damaged) when the data ends early or is corrupt.
    void ReadRows(std::span<std::uint8_t> out);

    // After the last row: reads the chunks that follow the image, to the file's end, and checks
    // them. Raises Error (Damaged).
    void Finish();

    // The text of the first tEXt, zTXt or iTXt chunk with this keyword, read so far: those
    // before the image after construction, all of them after Finish.
    std::optional<std::string> Text(std::string_view keyword);

  private:
    static int Read(spng_ctx* ctx, void* user, void* data, std::size_t length);

    Source source_;
    std::uint64_t bytesRead_ = 0;
    std::array<std::uint8_t, 8> signature_{};  // the first bytes read
    detail::Outcome outcome_;
    detail::Context ctx_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t nextRow_ = 0;
    std::size_t interlacedLimit_;
    std::vector<std::uint8_t> whole_;  // an interlaced picture, decoded at its first row
    bool interlaced_ = false;
};

}  // namespace orvane::png
