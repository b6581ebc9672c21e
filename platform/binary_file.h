// Binary file access for reading, by 1-based byte position.
//
// Unlike the runtime's binary open, opening never creates a file. Bytes past the end of the file
// read as 0, so a short file cannot make a reader stop or run outside its buffers. Reads are
// served from a large window, so reading byte by byte costs no system call per byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace orvane::platform {

class BinaryFile {
  public:
    // Raises FileNotFound (53) for a missing file, PathNotFound (76) for a missing folder, and
    // PathFileAccessError (75), at once, for a file that cannot be read (no permission) or is
    // not a regular file (a folder, a FIFO, a device, a socket).
    explicit BinaryFile(const std::string& path);
    ~BinaryFile();
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Fills out with the bytes from position on (position 1 is the first byte of the file).
    // Returns how many of them the file held; the rest read as 0.
    std::size_t Get(std::int64_t position, std::span<BYTE> out);
    // Get for large blocks: straight from the file into out, past the window. It changes nothing
    // in this object, so several threads may call it at once, each with a block of its own.
    std::size_t GetUnbuffered(std::int64_t position, std::span<BYTE> out) const;
    BYTE GetByte(std::int64_t position) {
        const std::int64_t offset = position - 1;
        if (offset >= windowStart_ && offset < windowStart_ + windowLength_) {
            return window_[static_cast<std::size_t>(offset - windowStart_)];
        }
        BYTE value;
        Get(position, std::span<BYTE>(&value, 1));
        return value;
    }

    // The file's length in bytes when it was opened.
    std::int64_t Length() const { return length_; }

    void Close() noexcept;
    bool IsOpen() const { return fd_ >= 0; }

  private:
    // The offset of a 1-based position; raises for a closed file or a position before the first.
    std::int64_t OffsetOf(std::int64_t position) const;
    std::size_t ReadAt(std::int64_t offset, std::span<BYTE> out) const;  // zero past the end
    void Refill(std::int64_t offset, std::int64_t atLeast);

    int fd_ = -1;
    std::string path_;
    std::int64_t length_ = 0;
    std::vector<BYTE> window_;
    std::int64_t windowStart_ = 0;
    std::int64_t windowLength_ = 0;
    std::int64_t windowHeld_ = 0;  // the offset where the file's bytes in the window end
};

}  // namespace orvane::platform
