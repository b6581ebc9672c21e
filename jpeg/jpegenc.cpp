#include "jpeg/jpegenc.h"

#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "jpeg/band_join.h"
#include "jpeg/jpegenc_testing.h"
#include "platform/parallel.h"

namespace {

struct CompressorDeleter {
    void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using Compressor = std::unique_ptr<void, CompressorDeleter>;

// The prepared encoders, by the id a record carries. A record is the caller's memory and may hold
// anything; only an id found here is trusted, so a stray or freed record can never reach
// TurboJPEG with a dangling handle.
class Encoders {
  public:
    std::uint64_t Add(Compressor compressor) {
        std::lock_guard lock(mutex_);
        const std::uint64_t id = next_++;
        live_.emplace(id, std::move(compressor));
        return id;
    }

    tjhandle Find(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        const auto it = live_.find(id);
        return it == live_.end() ? nullptr : it->second.get();
    }

    bool Remove(std::uint64_t id) {
        std::lock_guard lock(mutex_);
        return live_.erase(id) == 1;
    }

  private:
    std::mutex mutex_;
    std::unordered_map<std::uint64_t, Compressor> live_;
    std::uint64_t next_ = 1;
};

Encoders& Registry() {
    static Encoders encoders;
    return encoders;
}

constexpr int kMcuSide = 8;  // at 4:4:4
constexpr int kMaxRestartInterval = 65'535;

// The caller's pixels, as the record describes them.
struct Picture {
    const unsigned char* bytes;
    int width;
    int height;
    int pitch;
    bool bottomUp;
    int quality;
};

// Rows per band and how many bands; the last band may be shorter.
struct BandPlan {
    int rows;
    int count;
    int restartInterval;  // in MCUs: one band
};

// TurboJPEG reads these variables on every compression. Optimised or arithmetic coding would give
// each band tables of its own, and restarts or a progressive scan of its own would clash with
// ours: the bands could not be joined, so the picture goes in one piece.
bool TurboJpegVariablesSet() {
    for (const char* name : {"TJ_OPTIMIZE", "TJ_ARITHMETIC", "TJ_RESTART", "TJ_PROGRESSIVE"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

BandPlan PlanBands(const Picture& picture, unsigned bandRows) {
    const int mcusPerRow = (picture.width + kMcuSide - 1) / kMcuSide;
    const int mcuRows = std::clamp(static_cast<int>(std::min(bandRows, 65'536u) / kMcuSide), 1,
                                   kMaxRestartInterval / mcusPerRow);
    const int rows = mcuRows * kMcuSide;
    if (picture.height <= rows || TurboJpegVariablesSet()) {
        return {picture.height, 1, 0};
    }
    return {rows, (picture.height + rows - 1) / rows, mcuRows * mcusPerRow};
}

// Room for the JPEG of one band, whatever its pixels: TurboJPEG then compresses into it without
// growing a buffer of its own, which would copy the data at each doubling. Only the pages that
// bands fill are ever touched, and the room of a band written serves a later one.
class BandBuffer {
  public:
    BandBuffer(const Picture& picture, const BandPlan& plan)
        : capacity_(tjBufSize(picture.width, plan.rows, TJSAMP_444)),
          bytes_(std::make_unique_for_overwrite<unsigned char[]>(capacity_)) {}

    // Band `band` of the picture as a JPEG of its own, which stays valid until the next call.
    std::optional<std::span<unsigned char>> Encode(tjhandle compressor, const Picture& picture,
                                                   const BandPlan& plan, int band) {
        const int top = band * plan.rows;
        const int rows = std::min(plan.rows, picture.height - top);
        // Bottom-up, the band's bottom row comes first in memory; TurboJPEG reads the rows in
        // place, the pitch skipping the padding and the flag reversing their order.
        const int firstInMemory = picture.bottomUp ? picture.height - top - rows : top;
        const unsigned char* first = picture.bytes + static_cast<std::size_t>(firstInMemory) *
                                                         static_cast<std::size_t>(picture.pitch);
        unsigned char* jpeg = bytes_.get();
        unsigned long size = capacity_;
        const int flags = TJFLAG_NOREALLOC | (picture.bottomUp ? TJFLAG_BOTTOMUP : 0);
        if (tjCompress2(compressor, first, picture.width, picture.pitch, rows, TJPF_BGR, &jpeg,
                        &size, TJSAMP_444, picture.quality, flags) != 0 ||
            jpeg != bytes_.get() || size > capacity_) {
            return std::nullopt;
        }
        return std::span(jpeg, size);
    }

  private:
    unsigned long capacity_;
    std::unique_ptr<unsigned char[]> bytes_;
};

// Compresses the bands on worker threads, a band or so ahead of the one written, and hands them
// out in order. Without workers each band is compressed when it is asked for, into the same room.
class BandSource {
  public:
    BandSource(const Picture& picture, const BandPlan& plan, tjhandle own, unsigned workers)
        : picture_(picture), plan_(plan), own_(own), bands_(static_cast<std::size_t>(plan.count)) {
        // One band more than the workers: each has its next band to take up the moment it is
        // done, and few bands wait in memory, as the writer keeps up easily.
        window_ = static_cast<int>(workers) + 1;
        spare_.reserve(static_cast<std::size_t>(window_) + 1);
        workers_.reserve(workers);
        for (unsigned i = 0; i < workers; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::exception&) {
                break;  // fewer threads, or none: every band is compressed all the same
            }
        }
    }

    ~BandSource() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

    BandSource(const BandSource&) = delete;
    BandSource& operator=(const BandSource&) = delete;

    // Band `band`, the bands being taken in order from 0; valid until the next call.
    std::optional<std::span<unsigned char>> Take(int band) {
        if (workers_.empty()) {
            if (!taken_) {
                taken_.emplace(picture_, plan_);
            }
            return taken_->Encode(own_, picture_, plan_, band);
        }
        std::unique_lock lock(mutex_);
        if (taken_) {
            spare_.push_back(*std::move(taken_));  // written: its room serves another band
            taken_.reset();
        }
        Slot& slot = bands_[static_cast<std::size_t>(band)];
        changed_.wait(lock, [&] { return slot.done || stopped_; });
        if (!slot.done || !slot.jpeg) {
            return std::nullopt;
        }
        taken_ = std::move(slot.buffer);
        bandsTaken_ = band + 1;
        lock.unlock();
        changed_.notify_all();
        return slot.jpeg;
    }

  private:
    struct Slot {
        std::optional<BandBuffer> buffer;
        std::optional<std::span<unsigned char>> jpeg;  // in buffer; none when it failed
        bool done = false;
    };

    void Work() {
        const Compressor compressor(tjInitCompress());
        std::unique_lock lock(mutex_);
        while (true) {
            changed_.wait(lock, [&] {
                return stopped_ || next_ >= plan_.count || next_ < bandsTaken_ + window_;
            });
            if (stopped_ || next_ >= plan_.count) {
                return;
            }
            const int band = next_++;
            std::optional<BandBuffer> buffer;
            if (!spare_.empty()) {
                buffer = std::move(spare_.back());
                spare_.pop_back();
            }
            lock.unlock();
            std::optional<std::span<unsigned char>> jpeg;
            try {
                if (!buffer) {
                    buffer.emplace(picture_, plan_);
                }
                if (compressor) {
                    jpeg = buffer->Encode(compressor.get(), picture_, plan_, band);
                }
            } catch (const std::bad_alloc&) {
                // The band is marked as failed, and the writer gives up when it comes to it.
            }
            lock.lock();
            Slot& slot = bands_[static_cast<std::size_t>(band)];
            slot.buffer = std::move(buffer);
            slot.jpeg = jpeg;
            slot.done = true;
            changed_.notify_all();
        }
    }

    const Picture& picture_;
    const BandPlan& plan_;
    tjhandle own_;
    std::optional<BandBuffer> taken_;  // the band being written
    std::vector<BandBuffer> spare_;    // room of bands written, for the next ones
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> bands_;
    int next_ = 0;        // the next band a worker takes up
    int bandsTaken_ = 0;  // bands handed out
    int window_ = 0;
    bool stopped_ = false;
    std::vector<std::jthread> workers_;  // last: joined before the state they use goes
};

// The file jencWrite writes, created or truncated, and closed on every way out. The first failure's
// errno is kept, for the threads and frees that follow may change errno before jencWrite returns.
class OutputFile {
  public:
    explicit OutputFile(const char* name)
        : fd_(::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)),
          error_(fd_ < 0 ? errno : 0) {}
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }

    // Every byte, going on after short writes and interruptions.
    int Write(std::span<const unsigned char> bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error_ = n < 0 ? errno : EIO;
                return JENC_ERR_FILE_WRITE;
            }
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
        return JENC_OK;
    }

    // close can be the first to report a failed write (NFS).
    int Close() {
        const int fd = std::exchange(fd_, -1);
        if (fd >= 0 && ::close(fd) != 0) {
            error_ = errno;
            return JENC_ERR_FILE_WRITE;
        }
        return JENC_OK;
    }

  private:
    int fd_;
    int error_;
};

// Writes the bands as one JPEG, each as soon as it and those before it are done.
int WriteBands(OutputFile& file, const Picture& picture, const BandPlan& plan, BandSource& source) {
    std::optional<std::span<unsigned char>> jpeg = source.Take(0);
    if (!jpeg) {
        return JENC_ERR_ENCODE;
    }
    if (plan.count == 1) {
        return file.Write(*jpeg);
    }
    const std::optional<jenc::BandJoin> join =
        jenc::BandJoin::Start(*jpeg, static_cast<std::uint16_t>(picture.height),
                              static_cast<std::uint16_t>(plan.restartInterval), plan.count);
    if (!join) {
        return JENC_ERR_ENCODE;
    }
    if (const int result = file.Write(join->Headers()); result != JENC_OK) {
        return result;
    }
    for (int band = 0;; ++band) {
        const std::optional<std::span<const unsigned char>> data = join->Data(*jpeg, band);
        if (!data) {
            return JENC_ERR_ENCODE;
        }
        if (const int result = file.Write(*data); result != JENC_OK || band + 1 == plan.count) {
            return result;
        }
        jpeg = source.Take(band + 1);
        if (!jpeg) {
            return JENC_ERR_ENCODE;
        }
    }
}

}  // namespace

int jencInit(JENC_CORE_PROPERTIES* props) {
    if (props == nullptr) {
        return JENC_ERR_RECORD;
    }
    // Preparing a record again would orphan the encoder it holds.
    if (props->encoder != 0 && Registry().Find(props->encoder) != nullptr) {
        return JENC_ERR_RECORD;
    }
    Compressor compressor(tjInitCompress());
    if (!compressor) {
        return JENC_ERR_INIT;
    }
    *props = JENC_CORE_PROPERTIES{};
    props->jquality = JENC_DEFAULT_QUALITY;
    props->encoder = Registry().Add(std::move(compressor));
    return JENC_OK;
}

int jencWrite(JENC_CORE_PROPERTIES* props, int mode) {
    return jencWriteWithOptions(props, mode, {});
}

int jencWriteWithOptions(JENC_CORE_PROPERTIES* props, int mode, const JencWriteOptions& options) {
    if (props == nullptr) {
        return JENC_ERR_RECORD;
    }
    tjhandle compressor = Registry().Find(props->encoder);
    if (compressor == nullptr || props->DIBBytes == nullptr || props->JPGFile == nullptr) {
        return JENC_ERR_RECORD;
    }
    if (mode != JENC_JFILE_WRITEWHOLEIMAGE) {
        return JENC_ERR_MODE;
    }
    const std::int64_t width = props->DIBWidth;
    const std::int64_t height = std::abs(std::int64_t{props->DIBHeight});
    if (width == 0 || height == 0 || props->JPGWidth != width || props->JPGHeight != height ||
        props->DIBPadBytes > 3) {
        return JENC_ERR_SIZE;
    }
    if (width > JENC_MAX_SIDE || height > JENC_MAX_SIDE) {
        return JENC_ERR_TOO_LARGE;
    }
    if (props->jquality < 1 || props->jquality > 100) {
        return JENC_ERR_QUALITY;
    }

    const Picture picture{static_cast<const unsigned char*>(props->DIBBytes),
                          static_cast<int>(width),
                          static_cast<int>(height),
                          static_cast<int>(3 * width + props->DIBPadBytes),
                          props->DIBHeight < 0,
                          static_cast<int>(props->jquality)};
    OutputFile file(props->JPGFile);
    if (!file.IsOpen()) {
        return JENC_ERR_FILE_CREATE;
    }
    int result = JENC_ERR_ENCODE;
    try {
        const BandPlan plan = PlanBands(picture, options.bandRows);
        // The processors the caller may use, not the machine's: processes pinned to their
        // shares of the machine, as the batch export runs them, would otherwise each start a
        // worker for every one.
        const unsigned threads = options.threads != 0
                                     ? options.threads
                                     : static_cast<unsigned>(orvane::platform::UsableProcessors());
        const unsigned workers =
            plan.count == 1 ? 0 : std::min(threads, static_cast<unsigned>(plan.count));
        // One worker would only take turns with the writer, which then compresses alone.
        BandSource source(picture, plan, compressor, workers == 1 ? 0 : workers);
        result = WriteBands(file, picture, plan, source);
    } catch (const std::bad_alloc&) {
        result = JENC_ERR_ENCODE;
    }
    if (const int closed = file.Close(); result == JENC_OK) {
        result = closed;
    }
    if (result == JENC_ERR_FILE_WRITE) {
        errno = file.Error();
    }
    return result;
}

int jencFree(JENC_CORE_PROPERTIES* props) {
    if (props == nullptr || !Registry().Remove(props->encoder)) {
        return JENC_ERR_RECORD;
    }
    props->encoder = 0;
    return JENC_OK;
}
