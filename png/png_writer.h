// An 8-bit RGBA PNG, made in bands of rows on every processor given: each band is filtered and
// deflated on its own (band_deflate.h), and the bands are joined into one image stream in order
// as they are done. The rows come from a source that is asked for one band at a time, so memory
// holds a few bands, never the picture. The file is the same whatever the number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orvane::png {

// Takes the file's bytes in order; may raise, and the writer then raises that.
using Sink = std::function<void(std::span<const std::uint8_t>)>;

// Fills rows, whole rows top down (4 × width bytes each: red, green, blue, alpha), with the
// picture's rows from firstRow on. Called on several threads at once, each time for rows of its
// own; may raise, and the writer then raises that.
using RowSource = std::function<void(std::uint32_t firstRow, std::span<std::uint8_t> rows)>;

// A tEXt chunk: keyword of 1 to 79 printable Latin-1 characters, text without a NUL.
struct Text {
    std::string keyword;
    std::string text;
};

// Bytes of rows a band holds at least, where the picture has them: enough for deflate to find
// its matches and for the bands to be joined at little cost, few enough for many bands to share
// out among threads. bench_png measures the choice.
inline constexpr std::size_t kBandBytes = std::size_t{64} << 10;

// Rows a band of a picture `width` pixels wide should hold: the fewest multiple of `rowMultiple`
// rows of kBandBytes or more. A source that makes rows in groups (the 32 rows of a row of tiles)
// asks for its group as the multiple.
std::uint32_t BandRowsFor(std::uint32_t width, std::uint32_t rowMultiple);

struct WriteOptions {
    // Rows the source is asked for at a time, and filtered and deflated together; the last band
    // holds what is left. The file depends on it, so every writer of a picture that must come out
    // the same uses the same.
    std::uint32_t bandRows = 32;
    // The threads that make bands, the caller's among them.
    std::size_t threads = 1;
    // Written before the image, so a reader that stops after the header still finds them.
    std::vector<Text> texts;
    // Rows unfiltered and one way of deflating them, faster: for small pictures made often
    // (thumbnails), where setting up costs more than the bytes it would save.
    bool quick = false;
};

// Writes a width × height PNG to sink. Width and height from 1 to 2^31 - 1, bandRows at least
// 1; raises Error (Encoder) for others, or for a text that a PNG cannot hold, and the source's
// and the sink's errors. Nothing more is asked of the source after it has raised.
void WritePng(std::uint32_t width, std::uint32_t height, const WriteOptions& options,
              const RowSource& source, const Sink& sink);

}  // namespace orvane::png
