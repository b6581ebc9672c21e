// What tests and the fuzzers may ask of the GDI layer beyond the Windows calls.
#pragma once

#include <cstddef>

namespace orvane::platform {

// Bitmaps (other than the shared 1 x 1 default) and device contexts now alive: lets tests prove
// that an operation released what it made.
std::size_t LiveGdiObjectCount();

// While it lives, a bitmap of more than `bytes` of pixels cannot be made, as when memory has run
// out.
class ScopedBitmapLimit {
  public:
    explicit ScopedBitmapLimit(std::size_t bytes);
    ~ScopedBitmapLimit();
    ScopedBitmapLimit(const ScopedBitmapLimit&) = delete;
    ScopedBitmapLimit& operator=(const ScopedBitmapLimit&) = delete;

  private:
    std::size_t previous_;
};

}  // namespace orvane::platform
