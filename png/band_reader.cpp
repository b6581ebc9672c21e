#include "png/band_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <limits>

#include "platform/parallel.h"
#include "png/band_deflate.h"
#include "png/png_chunks.h"
#include "png/row_filter.h"

namespace orvane::png {
namespace {

constexpr std::size_t kRgbaBytes = 4;
constexpr std::uint32_t kLongestChunk = std::numeric_limits<std::int32_t>::max();
// A band's filtered rows that one thread holds at most: the writer's bands hold some 64 KiB, 64
// times less; a larger one is read row by row instead.
constexpr std::size_t kMostBandBytes = std::size_t{4} << 20;
// The image data is checked in blocks of at most this many bytes.
constexpr std::size_t kCheckedBytes = std::size_t{1} << 20;

std::uint32_t BigEndian(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

// A zlib header: deflate, a window of at most 32 KiB, no preset dictionary, its check right.
bool IsZlibHeader(std::uint8_t method, std::uint8_t flags) {
    return (method & 0x0F) == 8 && (method >> 4) <= 7 && (flags & 0x20) == 0 &&
           (method * 256 + flags) % 31 == 0;
}

// Raw deflate data that must inflate to exactly out.size() bytes. Between bands (ending is
// false) it must stop between two blocks on a byte boundary, with none of its blocks final; the
// last band must end with the final block.
bool InflateExactly(std::span<const std::uint8_t> deflated, std::span<std::uint8_t> out,
                    bool ending) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        throw std::bad_alloc();
    }
    std::uint8_t beyond = 0;  // a stream that gives more than out has room for fills this
    stream.next_in = const_cast<Bytef*>(deflated.data());  // NOLINT(*-const-cast): only read
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = out.empty() ? &beyond : out.data();
    stream.avail_out = out.empty() ? 1 : static_cast<uInt>(out.size());
    bool ended = false;
    bool overflowed = false;
    // Block by block (Z_BLOCK), so that zlib says when it stands between two.
    for (bool full = out.empty();;) {
        const int result = inflate(&stream, Z_BLOCK);
        ended = result == Z_STREAM_END;
        if (result != Z_OK) {
            break;
        }
        if (stream.avail_out == 0) {
            if (full) {
                overflowed = true;
                break;
            }
            full = true;
            stream.next_out = &beyond;
            stream.avail_out = 1;
        }
        if (!ending && stream.avail_in == 0 && (stream.data_type & kBetweenBlocks) != 0) {
            break;
        }
    }
    const bool whole = !overflowed && stream.avail_in == 0 && stream.total_out == out.size();
    const bool stops =
        ending ? ended
               : !ended && (stream.data_type & (kBetweenBlocks | kFinalBlockRead | kUnusedBits)) ==
                               kBetweenBlocks;
    inflateEnd(&stream);
    return whole && stops;
}

}  // namespace

std::optional<BandReader> BandReader::Open(const ReadAt& readAt, std::uint64_t fileBytes,
                                           const ReadLimits& limits) {
    std::array<std::uint8_t, kSignature.size()> signature{};
    if (readAt(0, signature) != signature.size() || signature != kSignature) {
        return std::nullopt;
    }
    BandReader reader;
    std::vector<std::uint8_t> table;
    enum class Stage { Header, BeforeImage, Image, AfterImage } stage = Stage::Header;
    std::vector<std::uint8_t> data;
    std::uint64_t kept = 0;  // bytes of the chunks other than the image data, read whole
    for (std::uint64_t at = signature.size();;) {
        std::array<std::uint8_t, 8> head{};
        if (readAt(at, head) != head.size()) {
            return std::nullopt;
        }
        const std::uint32_t length = BigEndian(head.data());
        const std::string_view type(reinterpret_cast<const char*>(head.data() + 4), 4);
        const bool image = type == "IDAT";
        kept += image ? 0 : length;
        if (length > kLongestChunk || length + std::uint64_t{12} > fileBytes - at ||
            kept > limits.chunkBytes) {
            return std::nullopt;
        }
        // The image data only checked, a block at a time; any other chunk read whole.
        uLong computed = crc32(0, head.data() + 4, 4);
        data.resize(image ? std::min<std::size_t>(length, kCheckedBytes) : length);
        for (std::uint64_t done = 0; done < length;) {
            const std::span<std::uint8_t> block =
                std::span(data).first(std::min<std::uint64_t>(data.size(), length - done));
            if (readAt(at + 8 + done, block) != block.size()) {
                return std::nullopt;
            }
            computed = crc32_z(computed, block.data(), block.size());
            done += block.size();
        }
        std::array<std::uint8_t, 4> crc{};
        if (readAt(at + 8 + length, crc) != crc.size() || computed != BigEndian(crc.data())) {
            return std::nullopt;
        }
        if (image && length > 0) {
            reader.pieces_.push_back({reader.streamBytes_, at + 8, length});
            reader.streamBytes_ += length;
        }
        at += length + std::uint64_t{12};

        if (stage == Stage::Header) {
            // Width, height, then 8 bits, colour type 6 (RGBA), compression, filter, no interlace.
            if (type != "IHDR" || length != 13 || data[8] != 8 || data[9] != 6 || data[10] != 0 ||
                data[11] != 0 || data[12] != 0) {
                return std::nullopt;
            }
            reader.width_ = BigEndian(data.data());
            reader.height_ = BigEndian(data.data() + 4);
            if (reader.width_ == 0 || reader.height_ == 0 || reader.width_ > limits.width ||
                reader.height_ > limits.height) {
                return std::nullopt;
            }
            stage = Stage::BeforeImage;
        } else if (image) {
            if (stage == Stage::AfterImage) {
                return std::nullopt;
            }
            stage = Stage::Image;
        } else if (type == "tEXt" && stage != Stage::Image) {
            const auto nul = std::find(data.begin(), data.end(), std::uint8_t{0});
            const std::string keyword(data.begin(), nul);
            if (nul == data.end() || !IsKeyword(keyword) ||
                std::find(nul + 1, data.end(), std::uint8_t{0}) != data.end()) {
                return std::nullopt;
            }
            reader.texts_.emplace_back(keyword, std::string(nul + 1, data.end()));
        } else if (type == kBandTable && stage == Stage::Image && table.empty()) {
            table = data;
            stage = Stage::AfterImage;
        } else if (type == "IEND" && stage == Stage::AfterImage && length == 0 && at == fileBytes) {
            break;
        } else {
            return std::nullopt;
        }
    }

    // The table: the rows of a band, then the deflate bytes of each band.
    if (table.size() < 8 || table.size() % 4 != 0) {
        return std::nullopt;
    }
    reader.bandRows_ = BigEndian(table.data());
    const std::size_t bands = table.size() / 4 - 1;
    const std::size_t rowBytes = std::size_t{reader.width_} * kRgbaBytes;
    if (reader.bandRows_ == 0 ||
        (std::size_t{reader.height_} + reader.bandRows_ - 1) / reader.bandRows_ != bands) {
        return std::nullopt;
    }
    const std::size_t filtered =
        FilteredBytes(std::min(reader.bandRows_, reader.height_), rowBytes);
    if (filtered > kMostBandBytes) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 2> zlibHeader{};
    if (!reader.ReadStream(readAt, 0, zlibHeader) || !IsZlibHeader(zlibHeader[0], zlibHeader[1])) {
        return std::nullopt;
    }
    reader.bandStarts_.push_back(zlibHeader.size());
    for (std::size_t band = 0; band < bands; ++band) {
        const std::uint32_t bytes = BigEndian(table.data() + 4 * (band + 1));
        // Deflate data of a band that could not have come from its rows: none that the writer
        // makes, and no reason to read so much at once.
        if (bytes > filtered + filtered / 8 + 1024) {
            return std::nullopt;
        }
        reader.bandStarts_.push_back(reader.bandStarts_.back() + bytes);
    }
    // After the bands, which the last one's final block ends: the checksum.
    std::array<std::uint8_t, 4> adler{};
    if (reader.streamBytes_ != reader.bandStarts_.back() + adler.size() ||
        !reader.ReadStream(readAt, reader.bandStarts_.back(), adler)) {
        return std::nullopt;
    }
    reader.adler_ = BigEndian(adler.data());
    return reader;
}

bool BandReader::ReadStream(const ReadAt& readAt, std::uint64_t from,
                            std::span<std::uint8_t> out) const {
    auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), from,
                                  [](std::uint64_t at, const Piece& p) { return at < p.stream; });
    if (piece == pieces_.begin()) {
        return false;
    }
    for (--piece; !out.empty(); ++piece) {
        if (piece == pieces_.end()) {
            return false;
        }
        const std::uint64_t skip = from - piece->stream;
        const std::size_t bytes = std::min<std::uint64_t>(out.size(), piece->bytes - skip);
        if (readAt(piece->file + skip, out.first(bytes)) != bytes) {
            return false;
        }
        out = out.subspan(bytes);
        from += bytes;
    }
    return true;
}

std::optional<std::string> BandReader::Text(std::string_view keyword) const {
    for (const auto& [key, text] : texts_) {
        if (key == keyword) {
            return text;
        }
    }
    return std::nullopt;
}

bool BandReader::ReadBands(const ReadAt& readAt, std::size_t threads, const BandTaker& take) const {
    const std::size_t bands = bandStarts_.size() - 1;
    const std::size_t rowBytes = std::size_t{width_} * kRgbaBytes;
    std::vector<std::uint32_t> adlers(bands);
    std::atomic<bool> sound{true};
    platform::ParallelFor(bands, threads, [&](std::size_t band) {
        if (!sound) {
            return;
        }
        const std::size_t first = band * bandRows_;
        const std::size_t rows = std::min<std::size_t>(bandRows_, height_ - first);
        std::vector<std::uint8_t> deflated(bandStarts_[band + 1] - bandStarts_[band]);
        std::vector<std::uint8_t> filtered(FilteredBytes(rows, rowBytes));
        std::vector<std::uint8_t> pixels(rows * rowBytes);
        if (!ReadStream(readAt, bandStarts_[band], deflated) ||
            !InflateExactly(deflated, filtered, band + 1 == bands) ||
            !UnfilterRows(filtered, rowBytes, pixels)) {
            sound = false;
            return;
        }
        adlers[band] = Adler32(filtered);
        take(static_cast<std::uint32_t>(first), pixels);
    });
    if (!sound) {
        return false;
    }
    std::uint32_t adler = 1;
    for (std::size_t band = 0; band < bands; ++band) {
        const std::size_t rows = std::min<std::size_t>(bandRows_, height_ - band * bandRows_);
        adler = CombineAdler32(adler, adlers[band], FilteredBytes(rows, rowBytes));
    }
    return adler == adler_;
}

}  // namespace orvane::png
