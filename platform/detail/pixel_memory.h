// The memory behind every bitmap's pixels, and behind a tileset read whole (tileset/hygiene).
#pragma once

#include <cstddef>

#include "platform/windef.h"

namespace orvane::platform::detail {

// Zeroed pixel memory. Large blocks come straight from the kernel in huge pages where it offers
// them: a 100 MB canvas then costs some fifty page faults instead of twenty-five thousand, which
// otherwise take longer than copying the picture. A block the machine cannot back is refused
// here, when it is asked for, rather than by the kernel killing the process when its pages are
// first touched.
class PixelMemory {
  public:
    PixelMemory() = default;
    // Empty when the memory cannot be had.
    static PixelMemory Allocate(std::size_t bytes);
    // Room for bytes that takes no memory until it is written, for a block whose size is known
    // only as it fills: before writing into more of it, the caller asks CanBeBacked. Reads as
    // zeroes. Empty when the room cannot be had.
    static PixelMemory Reserve(std::size_t bytes);
    ~PixelMemory();
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    BYTE* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

  private:
    BYTE* data_ = nullptr;
    std::size_t mapped_ = 0;  // bytes mapped from the kernel; 0 when from the heap
};

// Whether memory and swap could still give bytes more, on the machine and in the process's
// control group. Pages that are overcommitted and cannot be backed are found out only when they
// are touched, and then the kernel kills the process instead of failing a call.
bool CanBeBacked(std::size_t bytes);

}  // namespace orvane::platform::detail
