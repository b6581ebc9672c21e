// cDIBSection: a 24-bit DIB section selected into a memory device context of its own, so that the
// same pixels can be drawn with GDI through hdc() and read or written in place as bytes through
// DIBSectionBitsPtr().
//
// Pixel memory: Height() rows of BytesPerScanLine() bytes, bottom row first; 3 bytes per pixel in
// the order blue, green, red; each row padded with 0 to 3 filler bytes to a multiple of 4.
//
// A buffer is either empty (no device context, no DIB section) or holding. Width() and Height()
// keep reporting the last size asked for even when the buffer is empty again, so whether pixels
// exist is told by hdc() / hDib() / DIBSectionBitsPtr() being non-zero, never by the size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/bitmap_bits.h"
#include "platform/windef.h"

namespace orvane {

class cDIBSection {
  public:
    cDIBSection() = default;
    ~cDIBSection();
    // Holders share one object through std::shared_ptr; the handles it owns have one owner.
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;
    cDIBSection(cDIBSection&&) = delete;
    cDIBSection& operator=(cDIBSection&&) = delete;

    // True only when a device-dependent copy of the buffer was placed on the clipboard. bAsDIB is
    // not supported: it shows a message and leaves the clipboard alone. An empty buffer has
    // nothing to copy: false, and the clipboard keeps what it holds.
    bool CopyToClipboard(bool bAsDIB = true);
    // Rewrites the header and the pixel address of this buffer whatever the outcome; the new
    // section's handle goes to hDib only.
    bool CreateDIB(HDC lhDC, LONG lWidth, LONG lHeight, HBITMAP& hDib);
    // Sizes the buffer to the picture and copies it in. A picture that is selected into another
    // device context (as the canvas's is) cannot be selected here and is not copied; the caller
    // then copies from that device context with LoadPictureBlt.
    void CreateFromPicture(HBITMAP picThis);
    bool Create(LONG lWidth, LONG lHeight);
    LONG BytesPerScanLine() const {
        // Formed in 64 bits and brought back to 32: the wrap of 32-bit arithmetic, without its
        // undefined behaviour for widths above a third of the range.
        return static_cast<LONG>(platform::BitmapStride(bitmapInfo.bmiHeader.biWidth));
    }
    LONG Width() const { return bitmapInfo.bmiHeader.biWidth; }
    LONG Height() const { return bitmapInfo.bmiHeader.biHeight; }
    // A negative width or height stands for the buffer's own. The copy lands at (0, 0).
    void LoadPictureBlt(HDC lhDC, LONG lSrcLeft = 0, LONG lSrcTop = 0, LONG lSrcWidth = -1,
                        LONG lSrcHeight = -1, DWORD eRop = SRCCOPY);
    void PaintPicture(HDC lhDC, LONG lDestLeft = 0, LONG lDestTop = 0, LONG lDestWidth = -1,
                      LONG lDestHeight = -1, LONG lSrcLeft = 0, LONG lSrcTop = 0,
                      DWORD eRop = SRCCOPY);
    HDC hdc() const;
    HBITMAP hDib() const;
    BYTE* DIBSectionBitsPtr() const;
    // Grey noise (equal channels) or colour noise (blue 0). Reseeds the runtime's generator from
    // the time of day on every call, even when there are no pixels to fill.
    void RandomiseBits(bool bGray = false);
    void ClearUp();
    // Height first. A new buffer holding this picture scaled bilinearly, or null when this
    // buffer holds no pixels or the new one cannot be made.
    std::shared_ptr<cDIBSection> Resample(LONG lNewHeight, LONG lNewWidth) const;

  private:
    void BilinearScaleTo(cDIBSection& target) const;
    // The pixel memory; empty while there is none.
    platform::BitmapBits Bits() const { return {bitsPtr, Width(), Height(), BytesPerScanLine()}; }
    // One row of pixel memory, counted in memory order (row 0 is the bottom of the picture),
    // without its filler bytes.
    std::span<BYTE> Scanline(LONG row) const {
        return {Bits().InMemory(row), static_cast<std::size_t>(3 * std::int64_t{Width()})};
    }

    HBITMAP dibHandle = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    HDC memDC = nullptr;
    BYTE* bitsPtr = nullptr;
    BITMAPINFO bitmapInfo{};
};

}  // namespace orvane
