#include "png/png_writer.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>

#include "platform/parallel.h"
#include "png/band_deflate.h"
#include "png/png_chunks.h"
#include "png/png_error.h"
#include "png/row_filter.h"

namespace orvane::png {
namespace {

constexpr std::size_t kRgbaBytes = 4;
constexpr std::size_t kMaxBandBytes = 0x7FFFFFFF;

// libdeflate's level. On the tilesets bench_png measures, 7 is the lowest that keeps every
// picture smaller than zlib's level 6 with adaptive filters (Pillow's default); 8 saves another
// 1 % in twice the time, 6 loses 3 to 7 % on pixel art and painted noise.
constexpr int kLevel = 7;
// A band that libdeflate shrinks to no less than this share of its bytes is noise, for which
// zlib's run-length strategy, trying no matches, is also tried.
constexpr double kNoiseFrom = 0.4;
// A band of no more colours than this is also tried unfiltered: prediction breaks up the patterns
// that few colours form (dithering, pixel art), which deflate finds better as they are.
constexpr std::size_t kFewColours = 256;

// Whether rows (RGBA pixels) hold no more than kFewColours colours.
bool FewColours(std::span<const std::uint8_t> rows) {
    // Open addressing over twice the slots needed; 0 is an empty slot, a colour is kept with a
    // bit above its 32 set.
    constexpr std::size_t kSlots = 2 * kFewColours * 2;
    std::array<std::uint64_t, kSlots> slots{};
    std::size_t colours = 0;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < rows.size(); i += kRgbaBytes) {
        const std::uint32_t pixel = static_cast<std::uint32_t>(rows[i]) |
                                    static_cast<std::uint32_t>(rows[i + 1]) << 8 |
                                    static_cast<std::uint32_t>(rows[i + 2]) << 16 |
                                    static_cast<std::uint32_t>(rows[i + 3]) << 24;
        if (i > 0 && pixel == previous) {
            continue;
        }
        previous = pixel;
        const std::uint64_t key = std::uint64_t{pixel} | std::uint64_t{1} << 32;
        for (std::size_t slot = (pixel * 0x9E3779B1U) >> 22;; slot = (slot + 1) % kSlots) {
            if (slots[slot] == key) {
                break;
            }
            if (slots[slot] == 0) {
                slots[slot] = key;
                if (++colours > kFewColours) {
                    return false;
                }
                break;
            }
        }
    }
    return true;
}

// A band as it goes into the image stream.
struct EncodedBand {
    std::vector<std::uint8_t> bytes;  // deflate blocks, none final, ending on a byte boundary
    std::uint32_t adler = 1;          // of the filtered rows
    std::size_t filteredBytes = 0;
};

// What a thread needs to make bands, kept from one band to the next.
class BandEncoder {
  public:
    explicit BandEncoder(bool quick) : quick_(quick), deflater_(kLevel) {}

    std::vector<std::uint8_t> rows;  // the band's rows, as the source gives them

    // rows, whole rows of rowBytes, filtered and deflated in whichever way of those tried is
    // smallest; the last band ends the stream.
    EncodedBand Encode(std::size_t rowBytes, bool last) {
        const std::size_t filtered = FilteredBytes(rows.size() / rowBytes, rowBytes);
        if (quick_) {
            plain_.resize(filtered);
            FilterRows(rows, rowBytes, Filtering::None, plain_);
            std::vector<std::uint8_t> deflated;
            deflater_.Zlib(plain_, last, deflated);
            return {std::move(deflated), Adler32(plain_), filtered};
        }
        adaptive_.resize(filtered);
        FilterRows(rows, rowBytes, Filtering::Adaptive, adaptive_);
        std::vector<std::uint8_t> best;
        deflater_.Matches(adaptive_, best);
        const std::vector<std::uint8_t>* data = &adaptive_;
        if (FewColours(rows)) {
            plain_.resize(filtered);
            FilterRows(rows, rowBytes, Filtering::None, plain_);
            deflater_.Matches(plain_, trial_);
            if (trial_.size() < best.size()) {
                std::swap(best, trial_);
                data = &plain_;
            }
        }
        bool matched = true;
        if (static_cast<double>(best.size()) > kNoiseFrom * static_cast<double>(filtered)) {
            deflater_.Runs(*data, last, trial_);
            if (trial_.size() < best.size()) {
                std::swap(best, trial_);
                matched = false;
            }
        }
        if (matched && !last) {
            deflater_.Unseal(*data, best);
        }
        return {std::move(best), Adler32(*data), filtered};
    }

  private:
    bool quick_;
    BandDeflater deflater_;
    std::vector<std::uint8_t> adaptive_;
    std::vector<std::uint8_t> plain_;
    std::vector<std::uint8_t> trial_;
};

// Encoders for the threads, each lent to one at a time.
class Encoders {
  public:
    explicit Encoders(bool quick) : quick_(quick) {}

    class Lease {
      public:
        explicit Lease(Encoders& encoders) : encoders_(encoders), encoder_(encoders.Take()) {}
        ~Lease() { encoders_.Give(std::move(encoder_)); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        BandEncoder* operator->() const { return encoder_.get(); }

      private:
        Encoders& encoders_;
        std::unique_ptr<BandEncoder> encoder_;
    };

  private:
    std::unique_ptr<BandEncoder> Take() {
        {
            const std::lock_guard lock(mutex_);
            if (!idle_.empty()) {
                std::unique_ptr<BandEncoder> encoder = std::move(idle_.back());
                idle_.pop_back();
                return encoder;
            }
        }
        return std::make_unique<BandEncoder>(quick_);
    }
    void Give(std::unique_ptr<BandEncoder> encoder) noexcept {
        const std::lock_guard lock(mutex_);
        try {
            idle_.push_back(std::move(encoder));
        } catch (...) {  // NOLINT(bugprone-empty-catch): it is made again when needed
        }
    }

    bool quick_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<BandEncoder>> idle_;
};

// Bands, done in any order, written in order. A band waits to start while the bands held back
// for one before it would pass a window, so memory holds a few bands whatever one thread's delay.
class InOrder {
  public:
    InOrder(ChunkWriter& chunks, std::size_t window) : chunks_(chunks), window_(window) {}

    // Waits for band index's turn to start; false once a band has failed, when no more are to be
    // made.
    bool MayStart(std::size_t index) {
        std::unique_lock lock(mutex_);
        turn_.wait(lock, [&] { return failed_ || index < next_ + window_; });
        return !failed_;
    }

    // Writes band index, and every band done after it that it held back.
    void Done(std::size_t index, EncodedBand band) {
        std::unique_lock lock(mutex_);
        done_.emplace(index, std::move(band));
        for (auto at = done_.find(next_); at != done_.end(); at = done_.find(next_)) {
            chunks_.ImageData(at->second.bytes);
            adler_ = CombineAdler32(adler_, at->second.adler, at->second.filteredBytes);
            sizes_.push_back(at->second.bytes.size());
            done_.erase(at);
            ++next_;
        }
        turn_.notify_all();
    }

    void Failed() {
        const std::lock_guard lock(mutex_);
        failed_ = true;
        turn_.notify_all();
    }

    std::uint32_t Adler() const { return adler_; }
    // The deflate bytes of each band written.
    const std::vector<std::size_t>& Sizes() const { return sizes_; }

  private:
    ChunkWriter& chunks_;
    std::size_t window_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::map<std::size_t, EncodedBand> done_;  // bands waiting for the ones before them
    std::size_t next_ = 0;
    bool failed_ = false;
    std::uint32_t adler_ = 1;  // of the bands written
    std::vector<std::size_t> sizes_;
};

}  // namespace

std::uint32_t BandRowsFor(std::uint32_t width, std::uint32_t rowMultiple) {
    const std::size_t groupBytes = std::size_t{width} * kRgbaBytes * rowMultiple;
    const std::size_t groups = std::max<std::size_t>(1, (kBandBytes + groupBytes - 1) / groupBytes);
    return static_cast<std::uint32_t>(groups * rowMultiple);
}

void WritePng(std::uint32_t width, std::uint32_t height, const WriteOptions& options,
              const RowSource& source, const Sink& sink) {
    if (options.bandRows == 0) {
        throw Error(Error::Kind::Encoder, "a band holds at least one row");
    }
    ChunkWriter chunks(sink);
    chunks.Header(width, height);
    for (const Text& text : options.texts) {
        chunks.Text(text);
    }
    chunks.ImageData(kZlibHeader);

    const std::size_t rowBytes = std::size_t{width} * kRgbaBytes;
    const std::size_t bands = (std::size_t{height} + options.bandRows - 1) / options.bandRows;
    const std::size_t threads = std::max<std::size_t>(1, options.threads);
    Encoders encoders(options.quick);
    InOrder order(chunks, 2 * threads + 2);
    platform::ParallelFor(bands, threads, [&](std::size_t index) {
        if (!order.MayStart(index)) {
            return;
        }
        try {
            const Encoders::Lease encoder(encoders);
            const std::size_t first = index * options.bandRows;
            const std::size_t rows = std::min<std::size_t>(options.bandRows, height - first);
            encoder->rows.resize(rows * rowBytes);
            source(static_cast<std::uint32_t>(first), encoder->rows);
            order.Done(index, encoder->Encode(rowBytes, index + 1 == bands));
        } catch (...) {
            order.Failed();
            throw;
        }
    });

    std::array<std::uint8_t, 4> adler{};
    for (std::size_t i = 0; i < adler.size(); ++i) {
        adler[i] = static_cast<std::uint8_t>(order.Adler() >> (24 - 8 * i));
    }
    chunks.ImageData(adler);
    // Bands too large for the table are read in one piece.
    const std::vector<std::size_t>& sizes = order.Sizes();
    if (std::all_of(sizes.begin(), sizes.end(),
                    [](std::size_t size) { return size <= kMaxBandBytes; })) {
        chunks.BandTable(options.bandRows, std::vector<std::uint32_t>(sizes.begin(), sizes.end()));
    }
    chunks.End();
}

}  // namespace orvane::png
