// An 8-bit RGBA PNG, encoded row by row as the caller produces them, written to a sink: memory
// holds a row or two, never the picture.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "png/spng_context.h"

namespace orvane::png {

// Takes the file's bytes in order; may raise, and the writer then raises that.
using Sink = std::function<void(std::span<const std::uint8_t>)>;

// A tEXt chunk: keyword of 1 to 79 Latin-1 characters, text without a NUL.
struct Text {
    std::string keyword;
    std::string text;
};

struct WriteOptions {
    // zlib's 0 (stored) to 9 (smallest).
    int compressionLevel = 6;
    // Each row through the filter that suits it best (libspng's heuristic), or unfiltered. Flat
    // runs of few colours, as in pixel art, compress better unfiltered, and sooner.
    bool adaptiveFilters = true;
    // Written before the image, so a reader that stops after the header still finds them.
    std::vector<Text> texts;
};

class PngWriter {
  public:
    // Writes the header and the texts. Width and height from 1 to 2^31 - 1; raises Error
    // (Encoder) for others, or for a keyword libspng refuses.
    PngWriter(std::uint32_t width, std::uint32_t height, const WriteOptions& options, Sink sink);
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

    // The next rows, top down: 4 × width bytes each, red, green, blue, alpha. After the last row
    // the file is complete. Raises Error (Encoder) for a part row or rows past the height.
    void WriteRows(std::span<const std::uint8_t> rows);

  private:
    static int Write(spng_ctx* ctx, void* user, void* data, std::size_t length);

    Sink sink_;
    detail::Outcome outcome_;
    detail::Context ctx_;
    std::size_t rowBytes_;
    std::uint32_t rowsLeft_;
};

}  // namespace orvane::png
