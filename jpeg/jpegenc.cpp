#include "jpeg/jpegenc.h"

#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>

#include "platform/files.h"

namespace {

constexpr std::int64_t kMaxSide = 65'535;

struct CompressorDeleter {
    void operator()(void* handle) const noexcept { tjDestroy(handle); }
};
using Compressor = std::unique_ptr<void, CompressorDeleter>;

struct TurboBufferDeleter {
    void operator()(unsigned char* buffer) const noexcept { tjFree(buffer); }
};

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

int WriteWholeFile(const char* name, std::span<const unsigned char> bytes) {
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return JENC_ERR_FILE_CREATE;
    }
    bool written = orvane::platform::WriteAll(fd, bytes) == 0;
    // close can be the first to report a failed write (NFS).
    if (::close(fd) != 0) {
        written = false;
    }
    return written ? JENC_OK : JENC_ERR_FILE_WRITE;
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
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        props->JPGWidth != width || props->JPGHeight != height || props->DIBPadBytes > 3) {
        return JENC_ERR_SIZE;
    }
    if (props->jquality < 1 || props->jquality > 100) {
        return JENC_ERR_QUALITY;
    }

    // TurboJPEG reads the rows in place: the pitch skips the padding and the bottom-up flag
    // reverses the row order, so nothing is copied or flipped before encoding.
    const auto pitch = static_cast<int>(3 * width + props->DIBPadBytes);
    const int flags = props->DIBHeight < 0 ? TJFLAG_BOTTOMUP : 0;
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result =
        tjCompress2(compressor, static_cast<const unsigned char*>(props->DIBBytes),
                    static_cast<int>(width), pitch, static_cast<int>(height), TJPF_BGR, &jpeg,
                    &jpegSize, TJSAMP_444, static_cast<int>(props->jquality), flags);
    const std::unique_ptr<unsigned char, TurboBufferDeleter> owned(jpeg);
    if (result != 0 || jpeg == nullptr) {
        return JENC_ERR_ENCODE;
    }
    // Encoded in memory first, so a failed encoding never truncates the file.
    return WriteWholeFile(props->JPGFile, {jpeg, jpegSize});
}

int jencFree(JENC_CORE_PROPERTIES* props) {
    if (props == nullptr || !Registry().Remove(props->encoder)) {
        return JENC_ERR_RECORD;
    }
    props->encoder = 0;
    return JENC_OK;
}
