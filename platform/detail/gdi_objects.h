// The object table behind every handle of the GDI and USER32 layers. Internal to platform/.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/windef.h"

namespace orvane::platform::detail {

// Zeroed pixel memory. Large blocks come straight from the kernel in huge pages where it offers
// them: a 100 MB canvas then costs some fifty page faults instead of twenty-five thousand, which
// otherwise take longer than copying the picture.
class PixelMemory {
  public:
    PixelMemory() = default;
    // Empty when the memory cannot be had.
    static PixelMemory Allocate(std::size_t bytes);
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

struct BitmapObject {
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;
    PixelMemory bits;  // height rows of stride bytes, bottom row first
    bool isDibSection = false;
    bool isStock = false;           // the shared 1 x 1 default of every memory DC: never freed
    bool ownedByClipboard = false;  // after SetClipboardData; the program may not delete it
    HDC selectedInto = nullptr;     // not tracked for the stock bitmap, which many DCs hold

    BYTE* Row(LONG yFromTop) const {
        return bits.get() + std::ptrdiff_t{height - 1 - yFromTop} * stride;
    }
};

struct DcObject {
    bool isScreen = false;  // from GetDC: no bitmap of its own, released with ReleaseDC
    HBITMAP selected = nullptr;
    COLORREF brush = RGB(255, 255, 255);
};

BitmapObject* LookupBitmap(HGDIOBJ h);
DcObject* LookupDC(HDC h);
bool IsWindow(HWND h);

HDC NewScreenDC();
bool FreeScreenDC(HDC h);
HWND DesktopWindowHandle();

// Makes a bitmap of the given size; zeroed pixels. Returns 0 when the size is not positive or
// does not fit a 32-bit image size.
HBITMAP NewBitmap(LONG width, LONG height, bool isDibSection);

}  // namespace orvane::platform::detail
