// The PNG container: the signature, then chunks, each its length, type, data and CRC (zlib's
// crc32). Only what the writer needs: the header of an 8-bit RGBA picture, texts, the image
// data, the end.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "png/png_writer.h"

namespace orvane::png {

// The eight bytes every PNG begins with.
inline constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1A, '\n'};

// The chunk that records how WritePng made the image data: a private one, which other readers
// skip, and which an editor that changes the picture must drop (its last letter is a capital).
inline constexpr char kBandTable[] = "orBN";

// Whether a tEXt keyword can be written: 1 to 79 printable Latin-1 characters, spaced singly.
bool IsKeyword(std::string_view keyword);

class ChunkWriter {
  public:
    // Writes the signature.
    explicit ChunkWriter(const Sink& sink);

    // IHDR: 8-bit RGBA, not interlaced. Raises Error (Encoder) for a side of 0 or past 2^31 - 1.
    void Header(std::uint32_t width, std::uint32_t height);
    // tEXt. Raises Error (Encoder) for a keyword or text that a PNG cannot hold.
    void Text(const png::Text& text);
    // The next bytes of the zlib stream, written out in IDAT chunks of up to kIdatBytes.
    void ImageData(std::span<const std::uint8_t> bytes);
    // The band table (kBandTable): the rows of each band of the image data and the bytes of
    // deflate data each takes, after the image data held back, so that a reader can inflate the
    // bands apart. At most 2^31 - 1 bands.
    void BandTable(std::uint32_t bandRows, std::span<const std::uint32_t> bandBytes);
    // The image data held back, then IEND.
    void End();

    // Bytes of image data an IDAT chunk holds at most. A reader gains nothing from smaller ones,
    // and each costs 12 bytes.
    static constexpr std::size_t kIdatBytes = std::size_t{1} << 20;

  private:
    // type: the chunk's four letters.
    void Chunk(const char (&type)[5], std::span<const std::uint8_t> data);
    void FlushImageData();

    const Sink& sink_;
    std::vector<std::uint8_t> pending_;  // image data not yet in a chunk
};

}  // namespace orvane::png
