#include "platform/binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/detail/posix_files.h"
#include "platform/runtime_error.h"

namespace orvane::platform {
namespace {

constexpr std::int64_t kWindowBytes = std::int64_t{1} << 20;

[[noreturn]] void RaiseOpenError(const std::string& path, int error) {
    if (error == ENOENT || error == ENOTDIR) {
        detail::RaiseNotFound(path);
    }
    if (error == ENXIO) {
        RaiseBecause(ErrorNumber::PathFileAccessError, detail::kNotARegularFile);  // a socket
    }
    RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(error));
}

}  // namespace

BinaryFile::BinaryFile(const std::string& path) : path_(path) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come, and the window
    // with it. A regular file ignores the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        RaiseOpenError(path, errno);
    }
    fd_ = fd;
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        Close();
        RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(error));
    }
    if (!S_ISREG(info.st_mode)) {
        Close();
        RaiseBecause(ErrorNumber::PathFileAccessError,
                     S_ISDIR(info.st_mode) ? "it is a folder" : detail::kNotARegularFile);
    }
    length_ = info.st_size;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

BinaryFile::~BinaryFile() {
    Close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      length_(other.length_),
      window_(std::move(other.window_)),
      windowStart_(other.windowStart_),
      windowLength_(std::exchange(other.windowLength_, 0)),
      windowHeld_(other.windowHeld_) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        length_ = other.length_;
        window_ = std::move(other.window_);
        windowStart_ = other.windowStart_;
        windowLength_ = std::exchange(other.windowLength_, 0);
        windowHeld_ = other.windowHeld_;
    }
    return *this;
}

void BinaryFile::Close() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    windowLength_ = 0;
}

std::size_t BinaryFile::Get(std::int64_t position, std::span<BYTE> out) {
    const std::int64_t offset = OffsetOf(position);
    const auto size = static_cast<std::int64_t>(out.size());
    if (offset >= windowStart_ && offset + size <= windowStart_ + windowLength_) {
        std::memcpy(out.data(), window_.data() + (offset - windowStart_), out.size());
        return static_cast<std::size_t>(std::clamp<std::int64_t>(windowHeld_ - offset, 0, size));
    }
    if (size >= kWindowBytes / 4) {
        return ReadAt(offset, out);
    }
    Refill(offset, size);
    std::memcpy(out.data(), window_.data(), out.size());
    return static_cast<std::size_t>(std::clamp<std::int64_t>(windowHeld_ - offset, 0, size));
}

std::size_t BinaryFile::GetUnbuffered(std::int64_t position, std::span<BYTE> out) const {
    return ReadAt(OffsetOf(position), out);
}

std::int64_t BinaryFile::OffsetOf(std::int64_t position) const {
    if (fd_ < 0) {
        Raise(ErrorNumber::BadFileNameOrNumber);
    }
    if (position < 1) {
        Raise(ErrorNumber::BadRecordNumber);
    }
    return position - 1;
}

void BinaryFile::Refill(std::int64_t offset, std::int64_t atLeast) {
    // No larger than what the file still holds: a small file costs no megabyte of zeroes.
    const std::int64_t bytes = std::clamp(length_ - offset, atLeast, kWindowBytes);
    window_.resize(static_cast<std::size_t>(bytes));
    windowHeld_ = offset + static_cast<std::int64_t>(ReadAt(offset, window_));
    windowStart_ = offset;
    windowLength_ = bytes;
}

std::size_t BinaryFile::ReadAt(std::int64_t offset, std::span<BYTE> out) const {
    std::size_t done = 0;
    while (done < out.size() && offset + static_cast<std::int64_t>(done) < length_) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            RaiseBecause(ErrorNumber::DeviceIOError, SystemErrorReason(errno));
        }
        if (n == 0) {
            break;  // the file shrank since it was opened
        }
        done += static_cast<std::size_t>(n);
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(done), out.end(), BYTE{0});
    return done;
}

}  // namespace orvane::platform
