// The object table behind every handle of the GDI and USER32 layers. Internal to platform/.
#pragma once

#include <cstdint>

#include "platform/bitmap_bits.h"
#include "platform/detail/pixel_memory.h"
#include "platform/windef.h"

namespace orvane::platform::detail {

enum class BitmapKind : std::uint8_t { Compatible, DibSection };

struct BitmapObject {
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;
    PixelMemory bits;  // height rows of stride bytes, bottom row first
    BitmapKind kind = BitmapKind::Compatible;
    bool isStock = false;           // the shared 1 x 1 default of every memory DC: never freed
    bool ownedByClipboard = false;  // after SetClipboardData; the program may not delete it
    HDC selectedInto = nullptr;     // not tracked for the stock bitmap, which many DCs hold

    BitmapBits View() const { return {bits.get(), width, height, stride}; }
};

struct DcObject {
    bool isScreen = false;  // from GetDC: no bitmap of its own, released with ReleaseDC
    HBITMAP selected = nullptr;
    COLORREF brush = RGB(255, 255, 255);
};

BitmapObject* LookupBitmap(HGDIOBJ h);
DcObject* LookupDC(HDC h);
bool IsWindow(HWND h);

HDC NewScreenDC();  // the only other kind of DC is the memory DC of CreateCompatibleDC
bool FreeScreenDC(HDC h);
HWND DesktopWindowHandle();

// Makes a bitmap of the given size; zeroed pixels. Returns 0 when the size is not positive, does
// not fit a 32-bit image size, or cannot be had.
HBITMAP NewBitmap(LONG width, LONG height, BitmapKind kind);

}  // namespace orvane::platform::detail
