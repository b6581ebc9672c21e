#include "png/band_deflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <new>

#include "png/png_error.h"

namespace orvane::png {
namespace {

constexpr int kRawDeflate = -15;  // windowBits for deflate data without zlib's header and trailer
constexpr int kMemoryLevel = 9;   // zlib's largest blocks: noise is coded best in long ones

[[noreturn]] void Refused(const char* what) {
    throw Error(Error::Kind::Encoder, what);
}

// zlib's deflate until every byte of input is taken and the flush done, into out from its
// current end on.
void Drain(z_stream& stream, int flush, std::vector<std::uint8_t>& out) {
    for (;;) {
        const std::size_t had = out.size();
        out.resize(had + deflateBound(&stream, stream.avail_in) + 64);
        stream.next_out = out.data() + had;
        stream.avail_out = static_cast<uInt>(out.size() - had);
        const int result = deflate(&stream, flush);
        out.resize(out.size() - stream.avail_out);
        if (result == Z_STREAM_END ||
            (result == Z_OK && stream.avail_in == 0 && stream.avail_out != 0)) {
            return;
        }
        // With room left, zlib asks for more only when it cannot go on.
        if (result != Z_OK || stream.avail_out != 0) {
            Refused("zlib could not deflate");
        }
    }
}

// data deflated by stream into out, its last block final when last, else ending on a byte
// boundary.
void DeflateAll(z_stream& stream, std::span<const std::uint8_t> data, bool last,
                std::vector<std::uint8_t>& out) {
    deflateReset(&stream);
    out.clear();
    stream.next_in = const_cast<Bytef*>(data.data());  // NOLINT(*-const-cast): zlib only reads it
    stream.avail_in = static_cast<uInt>(data.size());
    Drain(stream, last ? Z_FINISH : Z_SYNC_FLUSH, out);
}

}  // namespace

struct BandDeflater::Compressor {
    explicit Compressor(int level) : compressor(libdeflate_alloc_compressor(level)) {
        if (compressor == nullptr) {
            throw std::bad_alloc();
        }
    }
    ~Compressor() { libdeflate_free_compressor(compressor); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    libdeflate_compressor* compressor;
};

struct BandDeflater::Deflate {
    Deflate(int level, int windowBits, int memoryLevel, int strategy) {
        if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, memoryLevel, strategy) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    ~Deflate() { deflateEnd(&stream); }
    Deflate(const Deflate&) = delete;
    Deflate& operator=(const Deflate&) = delete;

    z_stream stream{};
};

struct BandDeflater::Inflate {
    Inflate() {
        if (inflateInit2(&stream, kRawDeflate) != Z_OK) {
            throw std::bad_alloc();
        }
    }
    ~Inflate() { inflateEnd(&stream); }
    Inflate(const Inflate&) = delete;
    Inflate& operator=(const Inflate&) = delete;

    z_stream stream{};
};

BandDeflater::BandDeflater(int level) : matches_(std::make_unique<Compressor>(level)) {}

BandDeflater::~BandDeflater() = default;

void BandDeflater::Matches(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    if (!matches_) {
        matches_ = std::make_unique<Compressor>(level_);
    }
    out.resize(libdeflate_deflate_compress_bound(matches_->compressor, data.size()));
    const std::size_t size = libdeflate_deflate_compress(matches_->compressor, data.data(),
                                                         data.size(), out.data(), out.size());
    if (size == 0) {
        Refused("libdeflate could not deflate");
    }
    out.resize(size);
}

void BandDeflater::Runs(std::span<const std::uint8_t> data, bool last,
                        std::vector<std::uint8_t>& out) {
    if (!runs_) {
        runs_ = std::make_unique<Deflate>(1, kRawDeflate, kMemoryLevel, Z_RLE);
    }
    DeflateAll(runs_->stream, data, last, out);
}

void BandDeflater::Zlib(std::span<const std::uint8_t> data, bool last,
                        std::vector<std::uint8_t>& out) {
    if (!zlib_) {
        zlib_ = std::make_unique<Deflate>(6, kRawDeflate, 8, Z_DEFAULT_STRATEGY);
    }
    DeflateAll(zlib_->stream, data, last, out);
}

void BandDeflater::Unseal(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& out) {
    if (!inflate_) {
        inflate_ = std::make_unique<Inflate>();
        // Only a few bits and an empty block: the least memory zlib takes, which it clears at
        // every reset.
        splice_ = std::make_unique<Deflate>(1, -9, 1, Z_DEFAULT_STRATEGY);
    }
    z_stream& stream = inflate_->stream;
    inflateReset(&stream);
    // One byte more than data: a stream that gives more than data fills it.
    scratch_.resize(data.size() + 1);
    stream.next_in = out.data();
    stream.avail_in = static_cast<uInt>(out.size());
    stream.next_out = scratch_.data();
    stream.avail_out = static_cast<uInt>(scratch_.size());
    std::size_t lastBlock = 0;  // bits, from the start: where the final block's header begins
    std::size_t end = 0;        // where the final block ends
    for (int result = Z_OK; result != Z_STREAM_END;) {
        result = inflate(&stream, Z_BLOCK);
        if (result != Z_OK && result != Z_STREAM_END) {
            Refused("a deflated band does not inflate");
        }
        if (result == Z_OK && (stream.data_type & kBetweenBlocks) != 0) {
            const std::size_t bit = std::size_t{stream.total_in} * 8 -
                                    static_cast<std::size_t>(stream.data_type & kUnusedBits);
            ((stream.data_type & kFinalBlockRead) != 0 ? end : lastBlock) = bit;
        }
    }
    if (stream.total_out != data.size() || stream.total_in != out.size() || end == 0 ||
        !std::equal(data.begin(), data.end(), scratch_.begin())) {
        Refused("a deflated band does not inflate to its data");
    }

    out[lastBlock / 8] &= static_cast<std::uint8_t>(~(1U << (lastBlock % 8)));
    // zlib takes the bits of the last byte that belong to the band, and follows them with an empty
    // stored block, which ends on a byte boundary.
    const int bits = static_cast<int>(end % 8);
    const int value = out[end / 8] & ((1 << bits) - 1);
    out.resize(end / 8);
    z_stream& deflater = splice_->stream;
    deflateReset(&deflater);
    if (deflatePrime(&deflater, bits, value) != Z_OK) {
        Refused("zlib could not end a band");
    }
    deflater.avail_in = 0;
    Drain(deflater, Z_SYNC_FLUSH, out);
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
    return libdeflate_adler32(1, data.data(), data.size());
}

std::uint32_t CombineAdler32(std::uint32_t first, std::uint32_t second, std::size_t bytes) {
    return static_cast<std::uint32_t>(adler32_combine(first, second, static_cast<z_off_t>(bytes)));
}

}  // namespace orvane::png
