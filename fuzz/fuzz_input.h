// Structured fuzz inputs: a run of operations, each a code followed by its arguments, read off the
// front of the bytes by the targets and written the same way by the seed maker.
//
// Reading never fails: once the bytes run out every byte reads as 0, so a target decodes as much
// as it likes without checking lengths, and every byte string is a valid input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <span>
#include <vector>

#include "platform/bitmap_bits.h"
#include "platform/gdi.h"

namespace orvane::fuzz {

// A 32-bit argument is a tag byte, then for a large value four bytes, little-endian. Tags below
// kLargeTag carry a small value of their own (kSmallBias below the tag): 0, 1, -1 and the other
// values near zero, where most edges lie, are a single byte for a mutation to hit.
inline constexpr std::uint8_t kLargeTag = 0x80;
inline constexpr std::int32_t kSmallBias = 64;

class InputReader {
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    bool Empty() const { return bytes_.empty(); }

    std::uint8_t Byte() {
        if (bytes_.empty()) {
            return 0;
        }
        const std::uint8_t value = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return value;
    }
    bool Flag() { return (Byte() & 1) != 0; }
    // One of count choices (count at least 1).
    std::size_t Choice(std::size_t count) { return Byte() % count; }

    std::int32_t Long() {
        const std::uint8_t tag = Byte();
        if (tag < kLargeTag) {
            return std::int32_t{tag} - kSmallBias;
        }
        return static_cast<std::int32_t>(Unsigned(4));
    }
    std::uint64_t Word64() { return Unsigned(8); }

  private:
    std::uint64_t Unsigned(int bytes) {
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            value |= std::uint64_t{Byte()} << (8 * i);
        }
        return value;
    }

    std::span<const std::uint8_t> bytes_;
};

class InputWriter {
  public:
    InputWriter& Byte(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    InputWriter& Flag(bool value) { return Byte(value ? 1 : 0); }
    template <class Enum>
    InputWriter& Op(Enum code) {
        return Byte(static_cast<std::uint8_t>(code));
    }
    InputWriter& Long(std::int32_t value) {
        if (value >= -kSmallBias && value < kLargeTag - kSmallBias) {
            return Byte(static_cast<std::uint8_t>(value + kSmallBias));
        }
        Byte(kLargeTag);
        return Unsigned(static_cast<std::uint32_t>(value), 4);
    }
    InputWriter& Word64(std::uint64_t value) { return Unsigned(value, 8); }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    InputWriter& Unsigned(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            Byte(static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return *this;
    }

    std::vector<std::uint8_t> bytes_;
};

// A raster operation: one of the common ones, or after the last of them any 32-bit code.
inline constexpr DWORD kRops[] = {SRCCOPY,    SRCPAINT, SRCAND,    SRCINVERT, SRCERASE,
                                  NOTSRCCOPY, PATCOPY,  DSTINVERT, BLACKNESS, WHITENESS};
inline DWORD TakeRop(InputReader& in) {
    const std::size_t pick = in.Choice(std::size(kRops) + 1);
    return pick < std::size(kRops) ? kRops[pick] : static_cast<DWORD>(in.Long());
}

// The pixel memory an input may make, all bitmaps together: enough for every edge of every
// operation, small enough that the fuzzer measures logic rather than the allocator.
class PixelBudget {
  public:
    // The bytes a bitmap of this size takes, or 0 when GDI refuses the size outright (not
    // positive, or beyond a 32-bit image size), which costs nothing and is always worth asking
    // for.
    static std::int64_t BitmapBytes(std::int64_t width, std::int64_t height) {
        if (width <= 0 || height <= 0) {
            return 0;
        }
        const std::int64_t stride = platform::BitmapStride(width);
        constexpr std::int64_t kLimit = std::numeric_limits<LONG>::max();
        if (stride > kLimit || stride * height > kLimit) {
            return 0;
        }
        return stride * height;
    }

    // False when a bitmap of this size would take more than the input has left; the call that
    // would make it is then skipped.
    bool Spend(std::int64_t width, std::int64_t height) {
        const std::int64_t bytes = BitmapBytes(width, height);
        if (bytes > left_) {
            return false;
        }
        left_ -= bytes;
        return true;
    }

  private:
    std::int64_t left_ = std::int64_t{256} << 10;
};

// The operations of the cDIBSection target. Buffers, device contexts and pictures are chosen by
// a byte each; see dib_operations_fuzz.cpp.
enum class DibOp : std::uint8_t {
    Create,             // buffer, width, height
    CreateFromPicture,  // buffer, picture
    LoadPictureBlt,     // buffer, dc, left, top, width, height, rop
    PaintPicture,       // buffer, dc, left, top, width, height, source left, source top, rop
    ClearUp,            // buffer
    Resample,           // buffer, result buffer, height, width
    RandomiseBits,      // buffer, grey
    CopyToClipboard,    // buffer, as DIB
    WriteBits,          // buffer, offset, value
    WriteJpegFile,      // buffer, quality
    MakeSurface,        // width, height: a memory DC holding a bitmap of that size
    MakePicture,        // width, height: a bitmap that no DC holds
    Count
};

// The calls of the GDI target. Handles are chosen with a HandleKind and then its operand.
enum class GdiOp : std::uint8_t {
    CreateCompatibleDC,      // dc
    GetDC,                   // window
    ReleaseDC,               // window, dc
    CreateCompatibleBitmap,  // dc, width, height
    CreateDIBSection,        // dc, header size, width, height, planes, bits, compression, usage,
                             // want bits, section
    SelectObject,            // dc, object
    DeleteObject,            // object
    DeleteDC,                // dc
    BitBlt,                  // dc, x, y, width, height, source dc, source x, source y, rop
    SetPixelV,               // dc, x, y, colour
    GetPixel,                // dc, x, y
    GetObjectA,              // object, size, with buffer
    Count
};

enum class HandleKind : std::uint8_t {
    Null,
    Made,         // then an index into what the sequence made (live or deleted by now)
    Foreign,      // then any 64-bit value
    Window,       // the desktop window: live, but no GDI object
    OtherSerial,  // then an index and a byte: a made handle's slot under another generation
    Count
};

// The jencWrite target: which steps of a record's life run, then the record's fields.
enum JencStep : std::uint8_t {
    kJencInit = 1,           // jencInit before the write (else the record was never prepared)
    kJencInitTwice = 2,      // and again, which must be refused
    kJencNullRecord = 4,     // jencWrite given no record
    kJencNoPixels = 8,       // DIBBytes null
    kJencNoFile = 16,        // JPGFile null
    kJencFreeFirst = 32,     // jencFree before the write, which must then be refused
    kJencStrayEncoder = 64,  // the record's encoder field overwritten by the next Word64
    kJencOtherSize = 128,    // JPGWidth and JPGHeight read from the input, not the DIB's
};

// The PendingFile target: what stands at the target before the write, then the steps, a size
// limit in 16-byte units (with kPendingDiskFills), and the picture.
enum class PendingTarget : std::uint8_t {
    New,
    Old,
    ReadOnly,
    Folder,
    Link,
    ChainOfLinks,
    DanglingLink,
    DanglingIntoAFolder,
    DanglingIntoNowhere,
    LoopOfLinks,
    InAMissingFolder,
    Count
};
enum PendingStep : std::uint8_t {
    kPendingCommit = 1,     // else the file is abandoned
    kPendingByName = 2,     // written through TempName(), as the JPEG library does, else by Write
    kPendingInParts = 4,    // Write called for each half
    kPendingDiskFills = 8,  // writes past the limit fail, as on a full disk
};

}  // namespace orvane::fuzz
