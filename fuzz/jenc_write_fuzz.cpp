// jencWrite with any record: any sizes, pitch, padding, quality, row order and mode, pixels and
// file name present or not, the record prepared, prepared twice, freed first or never prepared;
// cut into bands of any height and compressed on any number of threads, whatever the machine's
// CPUs, so that the band workers and the join are fuzzed on a runner with one CPU too.
// The library must read no pixel outside the rows the record describes, refuse what it cannot
// encode without touching the file, and what it accepts must come out as a JPEG of the record's
// size that libjpeg-turbo's decompressor reads back.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/jpeg_decode.h"
#include "jpeg/jpegenc.h"
#include "jpeg/jpegenc_testing.h"

namespace {

using orvane::fuzz::InputReader;

// The pixel bytes a record may describe: small enough that a run is quick, large enough for
// several 8 x 8 blocks in both directions and every padding.
constexpr std::int64_t kMaxPixelBytes = std::int64_t{1} << 18;
// JPEG's own limit on a side; a record beyond it cannot be encoded by any library.
constexpr std::int64_t kMaxJpegSide = 65'535;
constexpr char kMarker = 'M';

// The file jencWrite writes, in memory: it holds a marker between writes, so that a refused
// write that touched it shows.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("jpeg", MFD_CLOEXEC)) {
        if (fd_ < 0) {
            std::abort();
        }
        name_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const char* Name() const { return name_.c_str(); }
    void Mark() const {
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, &kMarker, 1, 0) != 1) {
            std::abort();
        }
    }
    std::vector<unsigned char> Contents() const {
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size < 0 ? 0 : size));
        if (::pread(fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
            std::abort();
        }
        return bytes;
    }

  private:
    int fd_;
    std::string name_;
};

// Whether the record's fields alone promise a refusal, whatever the pixels: only then may it
// describe more pixels than the budget, with a buffer of one byte that any read past shows.
bool MustRefuse(const JENC_CORE_PROPERTIES& r, std::int64_t height, int mode) {
    return r.DIBWidth == 0 || height == 0 || r.DIBWidth > kMaxJpegSide || height > kMaxJpegSide ||
           r.JPGWidth != r.DIBWidth || r.JPGHeight != height || r.DIBPadBytes > 3 ||
           r.jquality < 1 || r.jquality > 100 || mode != JENC_JFILE_WRITEWHOLEIMAGE;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::fuzz;
    static const MemoryFile file;
    InputReader in(data, size);
    const std::uint8_t steps = in.Byte();

    JENC_CORE_PROPERTIES record{};
    std::uint64_t encoder = 0;  // what jencInit gave, while it is live
    if ((steps & kJencInit) != 0) {
        if (jencInit(&record) != JENC_OK) {
            std::abort();
        }
        encoder = record.encoder;
        // Preparing a prepared record again would lose its encoder.
        if ((steps & kJencInitTwice) != 0 && jencInit(&record) != JENC_ERR_RECORD) {
            std::abort();
        }
        if ((steps & kJencFreeFirst) != 0) {
            if (jencFree(&record) != JENC_OK) {
                std::abort();
            }
            encoder = 0;
        }
    }

    record.DIBWidth = static_cast<DWORD>(in.Long());
    record.DIBHeight = in.Long();
    record.DIBPadBytes = static_cast<DWORD>(in.Long());
    record.JPGWidth = record.DIBWidth;
    record.JPGHeight = static_cast<DWORD>(std::llabs(std::int64_t{record.DIBHeight}));
    if ((steps & kJencOtherSize) != 0) {
        record.JPGWidth = static_cast<DWORD>(in.Long());
        record.JPGHeight = static_cast<DWORD>(in.Long());
    }
    record.jquality = static_cast<DWORD>(in.Long());
    const int mode = in.Long();
    JencWriteOptions options;
    options.threads = static_cast<unsigned>(in.Choice(9));  // 0: one for each CPU
    options.bandRows = in.Byte();                           // the library rounds it
    if ((steps & kJencStrayEncoder) != 0) {
        record.encoder = in.Word64();
    }

    // The rows exactly as the record describes them and not a byte more: the last row ends with
    // its last pixel, without the padding the others have.
    const std::int64_t width = record.DIBWidth;
    const std::int64_t height = std::llabs(std::int64_t{record.DIBHeight});
    const std::int64_t pitch = 3 * width + record.DIBPadBytes;  // below 2^35
    const bool small = height == 0 || (height <= kMaxPixelBytes && pitch <= kMaxPixelBytes &&
                                       (height - 1) * pitch + 3 * width <= kMaxPixelBytes);
    std::vector<unsigned char> pixels;
    if (small) {
        const std::int64_t bytes = height == 0 ? 0 : (height - 1) * pitch + 3 * width;
        pixels.resize(static_cast<std::size_t>(bytes));
    } else if (MustRefuse(record, height, mode)) {
        pixels.resize(1);
    } else {
        if (encoder != 0) {
            record.encoder = encoder;
            jencFree(&record);
        }
        return -1;
    }
    // What the input still holds, then zeros: what the encoder makes of the pixels is its own.
    for (std::size_t i = 0; i < pixels.size() && !in.Empty(); ++i) {
        pixels[i] = in.Byte();
    }
    record.DIBBytes = (steps & kJencNoPixels) != 0 ? nullptr : pixels.data();
    record.JPGFile = (steps & kJencNoFile) != 0 ? nullptr : file.Name();

    file.Mark();
    const bool nullRecord = (steps & kJencNullRecord) != 0;
    // Thousands of bands of a few rows would measure the compressor's start-up, not the joins.
    if (height / std::max(8u, options.bandRows / 8 * 8) > 64) {
        options.bandRows = JENC_DEFAULT_BAND_ROWS;
    }
    const int result = jencWriteWithOptions(nullRecord ? nullptr : &record, mode, options);
    if (result == JENC_OK) {
        if (!DecodesAs(file.Contents(), record.JPGWidth, record.JPGHeight)) {
            std::abort();
        }
    } else if (result != JENC_ERR_FILE_WRITE &&
               file.Contents() != std::vector<unsigned char>{kMarker}) {
        std::abort();
    }
    // Only a record that names the encoder jencInit prepared, and that nothing freed, is written.
    const bool live = encoder != 0 && record.encoder == encoder;
    if ((nullRecord || !live) && result == JENC_OK) {
        std::abort();
    }
    if (encoder != 0) {
        record.encoder = encoder;
        if (jencFree(&record) != JENC_OK) {
            std::abort();
        }
    }
    return 0;
}
