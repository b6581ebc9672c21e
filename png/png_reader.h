// A PNG of any colour type and depth read as 8-bit RGBA, a scanline at a time: palette and grey
// pictures are expanded, 16-bit samples reduced to their high byte, and transparency chunks
// (tRNS) turned into alpha. Gamma and colour profiles are not applied: a pixel keeps the numbers
// it was saved with. Only a row is held, whatever the picture's height: an interlaced picture
// comes as the file stores it, pass by pass, and the caller puts each pixel where it belongs.
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
    // Text, profiles and unknown chunks are kept in memory: a damaged or hostile length must not
    // make that unbounded. Each, and all of them together, at most this many bytes.
    std::size_t chunkBytes = std::size_t{64} << 20;
};

// Pixels of one row as the file stores them: every step-th pixel from column first on. A picture
// that is not interlaced comes in whole rows (first 0, step 1), top down; an interlaced one
// (Adam7) in seven passes over the whole of it, so each row's pixels come in several scanlines.
struct Scanline {
    std::uint32_t row = 0;
    std::uint32_t first = 0;
    std::uint32_t step = 1;
    std::span<const std::uint8_t> pixels;  // RGBA, 4 bytes a pixel
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

    // The next scanline, its pixels valid until the next call; nothing after the last. Raises
    // Error (Damaged) when the data ends early or is corrupt, or when a pixel takes a palette
    // entry that the palette lacks.
    std::optional<Scanline> NextScanline();

    // After the last scanline: reads the chunks that follow the image, to the file's end, and
    // checks them. Raises Error (Damaged).
    void Finish();

    // The text of the first tEXt, zTXt or iTXt chunk with this keyword, read so far: those
    // before the image after construction, all of them after Finish.
    std::optional<std::string> Text(std::string_view keyword);

  private:
    static int Read(spng_ctx* ctx, void* user, void* data, std::size_t length);
    // Raises what a libspng result other than SPNG_OK means: Damaged, or TooLarge past the
    // limit on chunks.
    void Check(int result);
    // A palette picture's scanline of `count` indices, from raw_ into pixels_ as RGBA.
    void ExpandPalette(std::uint32_t count, const Scanline& line);

    Source source_;
    std::uint64_t bytesRead_ = 0;
    std::array<std::uint8_t, 8> signature_{};  // the first bytes read
    detail::Outcome outcome_;
    detail::Context ctx_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::size_t chunkBytes_;
    bool interlaced_ = false;
    bool ended_ = false;  // the last scanline has been read
    // A palette picture is decoded to its indices and expanded here, so that an index past the
    // palette's end is caught: libspng would make it black.
    std::vector<std::array<std::uint8_t, 4>> palette_;
    int depth_ = 8;                     // bits of a palette index
    std::vector<std::uint8_t> raw_;     // a scanline of palette indices
    std::vector<std::uint8_t> pixels_;  // a row of RGBA
};

}  // namespace orvane::png
