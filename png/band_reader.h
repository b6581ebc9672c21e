// A PNG that WritePng made, read the way it was written: its bands inflated and unfiltered apart,
// on several threads, where its band table says they lie. Only a PNG exactly as the writer makes
// them is read here; for any other, or one that does not hold together, the caller is told so
// and reads it with PngReader, which reads every PNG and says what is wrong with a damaged one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "png/png_reader.h"

namespace orvane::png {

// Fills out with the file's bytes from offset on; returns how many, fewer only at the file's
// end. May raise, and the reader then raises that.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// Takes the rows of a band, RGBA rows top down from firstRow: on any thread, each band once.
using BandTaker = std::function<void(std::uint32_t firstRow, std::span<const std::uint8_t> rows)>;

class BandReader {
  public:
    // Reads the file's chunks and checks them: nothing when it is not a PNG the writer made in
    // bands, or does not hold together as one (a bad CRC, a band table that does not add up, a
    // side or the chunks beside the image past limits, a band larger than a reader should hold
    // at once). The image data is checked here and read again band by band, so that it is
    // never held whole.
    static std::optional<BandReader> Open(const ReadAt& readAt, std::uint64_t fileBytes,
                                          const ReadLimits& limits);

    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }
    // Rows a band holds, the last band what is left.
    std::uint32_t BandRows() const { return bandRows_; }
    // The text of the first tEXt chunk with this keyword.
    std::optional<std::string> Text(std::string_view keyword) const;

    // Reads, inflates and unfilters every band on up to `threads` threads, handing each to take.
    // readAt reads the same file as Open's, on several threads at once. False when the image data
    // is not as the table says, or its checksum is wrong: some bands may have been taken by then.
    // Raises what take and readAt raise.
    bool ReadBands(const ReadAt& readAt, std::size_t threads, const BandTaker& take) const;

  private:
    BandReader() = default;

    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t bandRows_ = 0;
    std::vector<std::pair<std::string, std::string>> texts_;
    // Where the zlib stream, every IDAT's data in order, lies in the file.
    struct Piece {
        std::uint64_t stream;  // where it begins in the stream
        std::uint64_t file;    // and in the file
        std::uint64_t bytes;
    };
    // Fills out with the stream's bytes from `from` on; false past the stream's end.
    bool ReadStream(const ReadAt& readAt, std::uint64_t from, std::span<std::uint8_t> out) const;

    std::vector<Piece> pieces_;
    std::uint64_t streamBytes_ = 0;
    std::vector<std::uint64_t> bandStarts_;  // where each band begins in the stream, and the last
                                             // ends
    std::uint32_t adler_ = 0;                // the stream's checksum of the filtered rows
};

}  // namespace orvane::png
