// GDI: device contexts, bitmaps and the pixel calls the program uses, with the behaviour Windows
// documents for them.
//
// Every bitmap is held as 24-bit pixels (blue, green, red), rows bottom-up, each row padded to a
// multiple of 4 bytes; fresh pixel memory is zero (black). Every handle passed in is checked in
// constant time: a null, stale or foreign handle, or one of the wrong kind, makes the call fail
// the way Windows fails it (FALSE, 0 or CLR_INVALID), never undefined behaviour.
//
// The layer serves one thread, the program's window thread, as GDI objects of one window do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windef.h"

HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Only 24-bit BI_RGB, bottom-up (positive height) sections without a file mapping are made.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD offset);

// Only bitmaps can be selected. Returns the bitmap displaced, or 0 when either handle is not
// valid, the DC is not a memory DC, the bitmap is selected into another DC, or the bitmap
// belongs to the clipboard.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Fails for a bitmap still selected into a DC or owned by the clipboard.
BOOL DeleteObject(HGDIOBJ ho);

// The pattern is the destination DC's brush (white for every DC made here).
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);

COLORREF GetPixel(HDC hdc, int x, int y);
int GetObjectA(HANDLE h, int c, void* pv);

namespace orvane::platform::detail {

// What SetPixelV needs of a device context, kept in a dense array indexed by the handle's slot
// so that the per-pixel call is a handful of loads and compares, with no call out of line.
struct PixelTarget {
    std::uint64_t dcKey;     // the DC's handle value while the slot holds a live DC; else kNoDcKey
    BYTE* top;               // first byte of the top row of the selected bitmap
    std::ptrdiff_t rowStep;  // from a row to the row below it: negative, rows are bottom-up
    std::uint32_t width;
    std::uint32_t height;
};
inline constexpr std::uint64_t kNoDcKey = ~std::uint64_t{0};

extern PixelTarget* g_pixelTargets;
extern std::uint32_t g_pixelTargetCount;

}  // namespace orvane::platform::detail

// Writes nothing and returns FALSE for an invalid DC, a point outside the selected bitmap, or a
// colour whose top byte is not 0 (such as -1, which is not an RGB colour).
inline BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    using namespace orvane::platform::detail;
    const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hdc));
    const auto slot = static_cast<std::uint32_t>(key);
    if (slot >= g_pixelTargetCount) {
        return FALSE;
    }
    const PixelTarget& target = g_pixelTargets[slot];
    if (target.dcKey != key || static_cast<std::uint32_t>(x) >= target.width ||
        static_cast<std::uint32_t>(y) >= target.height || (color >> 24) != 0) {
        return FALSE;
    }
    BYTE* pixel =
        target.top + static_cast<std::ptrdiff_t>(y) * target.rowStep + 3 * std::ptrdiff_t{x};
    pixel[0] = GetBValue(color);
    pixel[1] = GetGValue(color);
    pixel[2] = GetRValue(color);
    return TRUE;
}

namespace orvane::platform {

// Bitmaps (other than the shared 1 x 1 default) and device contexts now alive: lets tests prove
// that an operation released what it made.
std::size_t LiveGdiObjectCount();

// The bytes of one 24-bit row for a width, as every bitmap here stores it.
constexpr std::int64_t BitmapStride(std::int64_t width) {
    return (3 * width + 3) & ~std::int64_t{3};
}

}  // namespace orvane::platform
