// GDI calls in any order over live, stale, deleted and foreign handles: each call either works or
// fails the way Windows fails it, never crashes or touches memory outside a bitmap; what one call
// writes the next reads back; and once the sequence has released all it made, the live-object
// count is where it started.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/bitmap_bits.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/user32.h"

namespace {

using orvane::fuzz::GdiOp;
using orvane::fuzz::HandleKind;
using orvane::fuzz::InputReader;
using orvane::fuzz::PixelBudget;
using orvane::fuzz::TakeRop;

constexpr int kMaxCalls = 96;
struct Made {
    enum class What { DC, ScreenDC, Bitmap, Borrowed } what;
    void* handle;
    LONG width = 0;  // of a bitmap
    LONG height = 0;
};

class Sequence {
  public:
    explicit Sequence(InputReader& in) : in_(in) {}
    Sequence(const Sequence&) = delete;
    Sequence& operator=(const Sequence&) = delete;

    // Device contexts first, which lets go of the bitmaps they hold; then the bitmaps. Deleting
    // what is deleted already fails harmlessly.
    ~Sequence() {
        for (const Made& made : made_) {
            if (made.what == Made::What::DC) {
                DeleteDC(static_cast<HDC>(made.handle));
            } else if (made.what == Made::What::ScreenDC) {
                ReleaseDC(nullptr, static_cast<HDC>(made.handle));
            }
        }
        for (const Made& made : made_) {
            if (made.what == Made::What::Bitmap) {
                DeleteObject(made.handle);
            }
        }
    }

    void Run() {
        for (int call = 0; call < kMaxCalls && !in_.Empty(); ++call) {
            Call(static_cast<GdiOp>(in_.Choice(static_cast<std::size_t>(GdiOp::Count))));
        }
    }

  private:
    void* Handle() {
        switch (static_cast<HandleKind>(in_.Choice(static_cast<std::size_t>(HandleKind::Count)))) {
            case HandleKind::Null:
                return nullptr;
            case HandleKind::Made:
                return made_.empty() ? nullptr : made_[in_.Choice(made_.size())].handle;
            case HandleKind::Foreign:
                return reinterpret_cast<void*>(static_cast<std::uintptr_t>(in_.Word64()));
            case HandleKind::Window:
                return GetDesktopWindow();
            case HandleKind::OtherSerial: {
                const auto value = reinterpret_cast<std::uintptr_t>(
                    made_.empty() ? nullptr : made_[in_.Choice(made_.size())].handle);
                return reinterpret_cast<void*>(value + (std::uintptr_t{in_.Byte()} << 32));
            }
            case HandleKind::Count:
                break;
        }
        return nullptr;
    }
    HDC DC() { return static_cast<HDC>(Handle()); }

    void Keep(Made::What what, void* handle, LONG width = 0, LONG height = 0) {
        if (handle != nullptr) {
            made_.push_back({what, handle, width, height});
        }
    }
    // What a new bitmap says of itself must be what it was made with; only a DIB section shows
    // its pixels, at the address its maker was given.
    static void CheckBitmap(HGDIOBJ handle, LONG width, LONG height, bool section,
                            const void* bits) {
        BITMAP record{};
        if (GetObjectA(handle, sizeof record, &record) != sizeof record ||
            record.bmWidth != width || record.bmHeight != height || record.bmBitsPixel != 24 ||
            record.bmWidthBytes != orvane::platform::BitmapStride(width) ||
            (record.bmBits != nullptr) != section || (bits != nullptr && record.bmBits != bits)) {
            std::abort();
        }
    }

    void Call(GdiOp op) {
        switch (op) {
            case GdiOp::CreateCompatibleDC:
                Keep(Made::What::DC, CreateCompatibleDC(DC()));
                break;
            case GdiOp::GetDC:
                Keep(Made::What::ScreenDC, GetDC(static_cast<HWND>(Handle())));
                break;
            case GdiOp::ReleaseDC: {
                const auto window = static_cast<HWND>(Handle());
                ReleaseDC(window, DC());
                break;
            }
            case GdiOp::CreateCompatibleBitmap: {
                const HDC dc = DC();
                const LONG width = in_.Long();
                const LONG height = in_.Long();
                if (budget_.Spend(width, height)) {
                    const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
                    if (bitmap != nullptr) {
                        CheckBitmap(bitmap, width, height, false, nullptr);
                    }
                    Keep(Made::What::Bitmap, bitmap, width, height);
                }
                break;
            }
            case GdiOp::CreateDIBSection:
                CreateSection();
                break;
            case GdiOp::SelectObject: {
                const HDC dc = DC();
                const HGDIOBJ previous = SelectObject(dc, Handle());
                // The bitmap a DC gives back (the default one of every memory DC, say) is used
                // like any other from here on, but is not this sequence's to delete.
                Keep(Made::What::Borrowed, previous);
                break;
            }
            case GdiOp::DeleteObject:
                DeleteObject(Handle());
                break;
            case GdiOp::DeleteDC:
                DeleteDC(DC());
                break;
            case GdiOp::BitBlt: {
                const HDC dc = DC();
                const int x = in_.Long();
                const int y = in_.Long();
                const int width = in_.Long();
                const int height = in_.Long();
                const HDC source = DC();
                const int sourceX = in_.Long();
                const int sourceY = in_.Long();
                BitBlt(dc, x, y, width, height, source, sourceX, sourceY, TakeRop(in_));
                break;
            }
            case GdiOp::SetPixelV: {
                const HDC dc = DC();
                const int x = in_.Long();
                const int y = in_.Long();
                const auto colour = static_cast<COLORREF>(in_.Long());
                if (SetPixelV(dc, x, y, colour) && GetPixel(dc, x, y) != colour) {
                    std::abort();
                }
                break;
            }
            case GdiOp::GetPixel: {
                const HDC dc = DC();
                const int x = in_.Long();
                GetPixel(dc, x, in_.Long());
                break;
            }
            case GdiOp::GetObjectA: {
                const HANDLE object = Handle();
                const int size = in_.Long();
                // As much room as the call is told of, up to a little more than a BITMAP.
                std::vector<BYTE> room(static_cast<std::size_t>(
                    size < 0 ? 0 : std::min<int>(size, 2 * sizeof(BITMAP))));
                const int result = GetObjectA(object, size, in_.Flag() ? room.data() : nullptr);
                if (result != 0 && result != static_cast<int>(sizeof(BITMAP))) {
                    std::abort();
                }
                break;
            }
            case GdiOp::Count:
                break;
        }
    }

    void CreateSection() {
        const HDC dc = DC();
        BITMAPINFO info{};
        BITMAPINFOHEADER& header = info.bmiHeader;
        header.biSize = in_.Flag() ? sizeof(BITMAPINFOHEADER) : static_cast<DWORD>(in_.Long());
        header.biWidth = in_.Long();
        header.biHeight = in_.Long();
        header.biPlanes = static_cast<WORD>(in_.Long());
        header.biBitCount = static_cast<WORD>(in_.Long());
        header.biCompression = static_cast<DWORD>(in_.Long());
        const auto usage = static_cast<UINT>(in_.Long());
        const bool wantBits = in_.Flag();
        const HANDLE section =
            in_.Flag() ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(in_.Word64()))
                       : nullptr;
        if (!budget_.Spend(header.biWidth, header.biHeight)) {
            return;
        }
        void* bits = reinterpret_cast<void*>(std::uintptr_t{1});
        const HBITMAP bitmap =
            CreateDIBSection(dc, &info, usage, wantBits ? &bits : nullptr, section, 0);
        if (wantBits && (bitmap == nullptr) != (bits == nullptr)) {
            std::abort();
        }
        if (bitmap != nullptr) {
            CheckBitmap(bitmap, header.biWidth, header.biHeight, true, wantBits ? bits : nullptr);
            if (wantBits) {
                // The whole image is there to be written, first byte to last.
                auto* bytes = static_cast<BYTE*>(bits);
                const std::int64_t size = PixelBudget::BitmapBytes(header.biWidth, header.biHeight);
                bytes[0] = 0x5A;
                bytes[size - 1] = 0xA5;
            }
        }
        Keep(Made::What::Bitmap, bitmap, header.biWidth, header.biHeight);
    }

    InputReader& in_;
    std::vector<Made> made_;
    PixelBudget budget_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t live = orvane::platform::LiveGdiObjectCount();
    {
        InputReader in(data, size);
        Sequence sequence(in);
        sequence.Run();
    }
    if (orvane::platform::LiveGdiObjectCount() != live) {
        std::abort();
    }
    return 0;
}
