// A picture's image data deflated in bands, each on its own and on any thread, then joined into
// the one zlib stream a PNG holds, as pigz joins its blocks: a band's deflate blocks are none of
// them final and end on a byte boundary, so bands written one after another read as one stream,
// which the last band's final block ends, and their Adler-32 checksums combine into the
// stream's. Only libraries compress: libdeflate and
// zlib make every block; the join only clears the final flag of a band's last block, and zlib
// itself ends the band on a byte boundary.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct libdeflate_compressor;

namespace orvane::png {

// What zlib's inflate tells in z_stream::data_type when it returns: that it stands between two
// blocks, that the last block it read is the final one, and how many bits of the last byte it
// read are not yet used.
inline constexpr int kBetweenBlocks = 128;
inline constexpr int kFinalBlockRead = 64;
inline constexpr int kUnusedBits = 7;

// The zlib stream's first two bytes: deflate with a 32 KiB window, default compression.
inline constexpr std::array<std::uint8_t, 2> kZlibHeader{0x78, 0x9C};

class BandDeflater {
  public:
    // libdeflate's level, 1 to 12.
    explicit BandDeflater(int level);
    ~BandDeflater();
    BandDeflater(const BandDeflater&) = delete;
    BandDeflater& operator=(const BandDeflater&) = delete;

    // data deflated by libdeflate into out, as a whole stream (its last block final): the size to
    // compare with other ways of compressing it. Unseal makes it a band.
    void Matches(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);
    // data deflated by zlib's run-length strategy into out: on noise, where few matches are worth
    // their length, it is both smaller and faster. A band as it is; the end of the stream, its
    // last block final, when last.
    void Runs(std::span<const std::uint8_t> data, bool last, std::vector<std::uint8_t>& out);
    // data deflated by zlib's level 6 (libpng's and libspng's own), as Runs: for small pictures,
    // where zlib's small state costs less to set up than libdeflate's.
    void Zlib(std::span<const std::uint8_t> data, bool last, std::vector<std::uint8_t>& out);
    // Makes out, which Matches made of data, a band: the final flag of its last block cleared, and
    // ended on a byte boundary with an empty stored block. The blocks are found by inflating out
    // with zlib, which also shows that it gives back data; raises Error (Encoder) if it does not.
    void Unseal(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out);

  private:
    struct Compressor;
    struct Deflate;
    struct Inflate;
    int level_;
    // Each made when first needed: a small picture, one band, needs one.
    std::unique_ptr<Compressor> matches_;
    std::unique_ptr<Deflate> runs_;
    std::unique_ptr<Deflate> zlib_;
    std::unique_ptr<Deflate> splice_;  // ends bands
    std::unique_ptr<Inflate> inflate_;
    std::vector<std::uint8_t> scratch_;  // what Unseal inflates
};

// The Adler-32 checksum of data.
std::uint32_t Adler32(std::span<const std::uint8_t> data);
// The checksum of a stream whose first part has `first`, followed by `bytes` bytes whose own is
// `second`.
std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::size_t bytes);

}  // namespace orvane::png
