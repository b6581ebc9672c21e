// The object table behind every handle of the GDI and USER32 layers. Internal to platform/.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/windef.h"

namespace orvane::platform::detail {

struct FreeDeleter {
    void operator()(BYTE* p) const noexcept { std::free(p); }
};

struct BitmapObject {
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;
    std::unique_ptr<BYTE, FreeDeleter> bits;  // height rows of stride bytes, bottom row first
    bool isDibSection = false;
    bool isStock = false;           // the shared 1 x 1 default of every memory DC: never freed
    bool ownedByClipboard = false;  // after SetClipboardData; the program may not delete it
    HDC selectedInto = nullptr;     // not tracked for the stock bitmap, which many DCs hold

    BYTE* Row(LONG yFromTop) const { return bits.get() + std::ptrdiff_t{height - 1 - yFromTop} * stride; }
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
