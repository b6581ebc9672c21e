#include "platform/gdi.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "platform/detail/gdi_objects.h"
#include "platform/gdi_testing.h"
#include "platform/parallel.h"

namespace orvane::platform::detail {
namespace {

static_assert(sizeof(void*) == 8, "handles carry a 32-bit slot and a 32-bit generation");

enum class Kind : std::uint8_t { Free, Bitmap, DC, Window };

struct WindowObject {};

struct Slot {
    Kind kind = Kind::Free;
    std::uint32_t generation = 0;
    std::variant<std::monostate, BitmapObject, DcObject, WindowObject> object;
};

// What SetPixelV needs of a device context, kept in a dense array indexed by the handle's slot,
// so that the per-pixel call is a handful of loads and compares.
struct PixelTarget {
    std::uint64_t dcKey;  // the DC's handle value while the slot holds a live DC; else kNoDcKey
    BitmapBits bits;      // of the bitmap selected into it
};
constexpr std::uint64_t kNoDcKey = ~std::uint64_t{0};
constexpr PixelTarget kNoTarget{kNoDcKey, {}};

enum class Counted : bool { No, Yes };  // whether LiveGdiObjectCount includes the object

// A handle is (generation << 32) | slot. A freed slot's generation moves on, so every handle to
// what it held goes stale; slot 0 is never used, so no handle is 0.
class HandleTable {
  public:
    HandleTable() {
        slots_.emplace_back();
        targets_.push_back(kNoTarget);

        BitmapObject stock;
        stock.width = stock.height = 1;
        stock.stride = 4;
        stock.bits = PixelMemory::Allocate(4);
        stock.isStock = true;
        stockBitmap_ = static_cast<HBITMAP>(Allocate(Kind::Bitmap, std::move(stock), Counted::No));
        desktop_ = static_cast<HWND>(Allocate(Kind::Window, WindowObject{}, Counted::No));
    }

    template <class Object>
    void* Allocate(Kind kind, Object object, Counted counted = Counted::Yes) {
        std::uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.emplace_back();
            targets_.push_back(kNoTarget);
        }
        Slot& slot = slots_[index];
        if (++slot.generation == 0) {
            slot.generation = 1;
        }
        slot.kind = kind;
        slot.object = std::move(object);
        targets_[index] = kNoTarget;
        if (counted == Counted::Yes) {
            ++live_;
        }
        return ToHandle(index, slot.generation);
    }

    void Release(const void* handle) {
        const std::uint32_t index = SlotOf(handle);
        Slot& slot = slots_[index];
        slot.kind = Kind::Free;
        slot.object = std::monostate{};
        ++slot.generation;
        targets_[index] = kNoTarget;
        free_.push_back(index);
        --live_;
    }

    template <class Object>
    Object* Find(const void* handle, Kind kind) {
        const auto value = reinterpret_cast<std::uintptr_t>(handle);
        const auto index = static_cast<std::uint32_t>(value);
        if (index == 0 || index >= slots_.size()) {
            return nullptr;
        }
        Slot& slot = slots_[index];
        if (slot.kind != kind || slot.generation != static_cast<std::uint32_t>(value >> 32)) {
            return nullptr;
        }
        return &std::get<Object>(slot.object);
    }

    // Keeps the SetPixelV fast path in step with what the DC now holds.
    void Retarget(HDC hdc, const DcObject& dc) {
        PixelTarget target = kNoTarget;
        target.dcKey = reinterpret_cast<std::uintptr_t>(hdc);
        if (const BitmapObject* bitmap = Find<BitmapObject>(dc.selected, Kind::Bitmap)) {
            target.bits = bitmap->View();
        }
        targets_[SlotOf(hdc)] = target;
    }

    // The bitmap SetPixelV may write through hdc, or an empty view.
    BitmapBits PixelTargetOf(HDC hdc) const {
        const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hdc));
        const auto slot = static_cast<std::uint32_t>(key);
        if (slot >= targets_.size() || targets_[slot].dcKey != key) {
            return {};
        }
        return targets_[slot].bits;
    }

    HBITMAP StockBitmap() const { return stockBitmap_; }
    HWND Desktop() const { return desktop_; }
    std::size_t Live() const { return live_; }

  private:
    static void* ToHandle(std::uint32_t index, std::uint32_t generation) {
        return reinterpret_cast<void*>((std::uintptr_t{generation} << 32) | index);
    }
    static std::uint32_t SlotOf(const void* handle) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
    }
    std::vector<Slot> slots_;
    std::vector<PixelTarget> targets_;
    std::vector<std::uint32_t> free_;
    std::size_t live_ = 0;
    HBITMAP stockBitmap_ = nullptr;
    HWND desktop_ = nullptr;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

HDC NewDC(DcObject dc) {
    HandleTable& table = Table();
    auto hdc = static_cast<HDC>(table.Allocate(Kind::DC, dc));
    table.Retarget(hdc, dc);
    return hdc;
}

// A memory DC starts out with the shared 1 x 1 default bitmap, as on Windows.
HDC NewMemoryDC() {
    DcObject dc;
    dc.selected = Table().StockBitmap();
    return NewDC(dc);
}

void DestroyDC(HDC hdc, DcObject& dc) {
    if (BitmapObject* bitmap = LookupBitmap(dc.selected); bitmap && !bitmap->isStock) {
        bitmap->selectedInto = nullptr;
    }
    Table().Release(hdc);
}

}  // namespace

BitmapObject* LookupBitmap(HGDIOBJ h) {
    return Table().Find<BitmapObject>(h, Kind::Bitmap);
}
DcObject* LookupDC(HDC h) {
    return Table().Find<DcObject>(h, Kind::DC);
}
bool IsWindow(HWND h) {
    return Table().Find<WindowObject>(h, Kind::Window) != nullptr;
}
HWND DesktopWindowHandle() {
    return Table().Desktop();
}

HDC NewScreenDC() {
    DcObject dc;
    dc.isScreen = true;
    return NewDC(dc);
}

bool FreeScreenDC(HDC h) {
    DcObject* dc = LookupDC(h);
    if (dc == nullptr || !dc->isScreen) {
        return false;
    }
    DestroyDC(h, *dc);
    return true;
}

namespace {
std::size_t g_bitmapLimit = std::numeric_limits<std::size_t>::max();  // ScopedBitmapLimit's
}  // namespace

HBITMAP NewBitmap(LONG width, LONG height, BitmapKind kind) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const std::int64_t stride = BitmapStride(width);
    constexpr std::int64_t kMaxImageBytes = std::numeric_limits<LONG>::max();
    if (stride > kMaxImageBytes || stride * height > kMaxImageBytes ||
        static_cast<std::size_t>(stride * height) > g_bitmapLimit) {
        return nullptr;
    }
    PixelMemory bits = PixelMemory::Allocate(static_cast<std::size_t>(stride * height));
    if (!bits) {
        return nullptr;
    }
    BitmapObject bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.stride = static_cast<LONG>(stride);
    bitmap.bits = std::move(bits);
    bitmap.kind = kind;
    return static_cast<HBITMAP>(Table().Allocate(Kind::Bitmap, std::move(bitmap)));
}

}  // namespace orvane::platform::detail

namespace {

using namespace orvane::platform::detail;
using orvane::platform::BitmapBits;

// Output bit = bit (P << 2 | S << 1 | D) of the operation's truth-table byte.
BYTE EvaluateRop(BYTE code, BYTE p, BYTE s, BYTE d) {
    BYTE out = 0;
    for (int minterm = 0; minterm < 8; ++minterm) {
        if ((code >> minterm) & 1) {
            const BYTE pp = (minterm & 4) ? p : static_cast<BYTE>(~p);
            const BYTE ss = (minterm & 2) ? s : static_cast<BYTE>(~s);
            const BYTE dd = (minterm & 1) ? d : static_cast<BYTE>(~d);
            out |= pp & ss & dd;
        }
    }
    return out;
}

void BlendRow(BYTE code, BYTE* dst, const BYTE* src, const BYTE (&pattern)[3], std::size_t pixels) {
    switch (code) {
        case 0xCC:  // SRCCOPY
            std::memcpy(dst, src, 3 * pixels);
            return;
        case 0x00:  // BLACKNESS
            std::memset(dst, 0x00, 3 * pixels);
            return;
        case 0xFF:  // WHITENESS
            std::memset(dst, 0xFF, 3 * pixels);
            return;
        default:
            for (std::size_t i = 0; i < 3 * pixels; ++i) {
                dst[i] = EvaluateRop(code, pattern[i % 3], src ? src[i] : 0, dst[i]);
            }
    }
}

// Whether a raster operation reads the source: its truth table differs between S = 0 and S = 1.
bool UsesSource(BYTE code) {
    return (((code >> 2) ^ code) & 0x33) != 0;
}

// The part of a block transfer that lies inside the destination, and inside the source where it
// is read: the top-left corner in each, and the size.
struct BltArea {
    std::int64_t dstX, dstY, srcX, srcY;
    std::size_t pixels, rows;

    BYTE* To(const BitmapBits& dst, std::size_t r) const {
        return dst.Row(static_cast<LONG>(dstY + static_cast<std::int64_t>(r))) + 3 * dstX;
    }
    const BYTE* From(const BitmapBits& src, std::size_t r) const {
        return src.Row(static_cast<LONG>(srcY + static_cast<std::int64_t>(r))) + 3 * srcX;
    }
};

// Clips the request to the destination, and to the source when there is one; nothing when no
// pixel is left. 64-bit, so that offsets near INT_MAX cannot wrap.
std::optional<BltArea> ClipBlt(const BitmapBits& dst, const BitmapBits* src, int x, int y, int cx,
                               int cy, int x1, int y1) {
    // k and j count columns and rows from the requested corner.
    std::int64_t k0 = std::max<std::int64_t>(0, -std::int64_t{x});
    std::int64_t k1 = std::min<std::int64_t>(cx, std::int64_t{dst.width} - x);
    std::int64_t j0 = std::max<std::int64_t>(0, -std::int64_t{y});
    std::int64_t j1 = std::min<std::int64_t>(cy, std::int64_t{dst.height} - y);
    if (src != nullptr) {
        k0 = std::max<std::int64_t>(k0, -std::int64_t{x1});
        k1 = std::min<std::int64_t>(k1, std::int64_t{src->width} - x1);
        j0 = std::max<std::int64_t>(j0, -std::int64_t{y1});
        j1 = std::min<std::int64_t>(j1, std::int64_t{src->height} - y1);
    }
    if (k0 >= k1 || j0 >= j1) {
        return std::nullopt;
    }
    return BltArea{x + k0,
                   y + j0,
                   x1 + k0,
                   y1 + j0,
                   static_cast<std::size_t>(k1 - k0),
                   static_cast<std::size_t>(j1 - j0)};
}

// Within one bitmap the areas may overlap: the source is read out first, as if copied through a
// separate surface.
std::vector<BYTE> StageSource(const BitmapBits& src, const BltArea& area) {
    std::vector<BYTE> staged(3 * area.pixels * area.rows);
    for (std::size_t r = 0; r < area.rows; ++r) {
        std::memcpy(staged.data() + 3 * area.pixels * r, area.From(src, r), 3 * area.pixels);
    }
    return staged;
}

// A large block is copied by every processor at once, in pieces of a huge page: one core alone
// cannot keep the memory busy, and a fresh destination's pages are cleared by the kernel in the
// thread that first writes them, which then is each of them.
void CopyBlock(BYTE* to, const BYTE* from, std::size_t bytes) {
    constexpr std::size_t kPiece = std::size_t{2} << 20;
    constexpr std::size_t kWorthThreads = 8 * kPiece;
    if (bytes >= kWorthThreads) {
        try {
            orvane::platform::ParallelFor(
                (bytes + kPiece - 1) / kPiece, orvane::platform::UsableProcessors(),
                [&](std::size_t piece) {
                    const std::size_t at = piece * kPiece;
                    std::memcpy(to + at, from + at, std::min(kPiece, bytes - at));
                });
            return;
        } catch (const std::exception&) {
            // No memory to start threads with: the copy is made here, whole.
        }
    }
    std::memcpy(to, from, bytes);
}

// Whole rows of two bitmaps without filler bytes are one block of memory each: one copy moves
// them all, which for a large picture runs at the memory's full speed. False when the copy is
// not of that kind.
bool CopyAsOneBlock(const BitmapBits& dst, const BitmapBits& src, const BltArea& area) {
    const bool wholeRows = area.pixels == static_cast<std::size_t>(dst.width) &&
                           area.pixels == static_cast<std::size_t>(src.width);
    if (!wholeRows || dst.stride != 3 * dst.width || src.stride != 3 * src.width) {
        return false;
    }
    // Rows are stored bottom-up: the block starts at the lowest of the rows copied.
    const std::size_t last = area.rows - 1;
    CopyBlock(area.To(dst, last), area.From(src, last), 3 * area.pixels * area.rows);
    return true;
}

}  // namespace

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && LookupDC(hdc) == nullptr) {
        return nullptr;
    }
    return NewMemoryDC();
}

BOOL DeleteDC(HDC hdc) {
    DcObject* dc = LookupDC(hdc);
    if (dc == nullptr || dc->isScreen) {
        return FALSE;
    }
    DestroyDC(hdc, *dc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (LookupDC(hdc) == nullptr) {
        return nullptr;
    }
    return NewBitmap(cx, cy, BitmapKind::Compatible);
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD /*offset*/) {
    if (ppvBits != nullptr) {
        *ppvBits = nullptr;
    }
    if ((hdc != nullptr && LookupDC(hdc) == nullptr) || pbmi == nullptr || hSection != nullptr ||
        usage != DIB_RGB_COLORS) {
        return nullptr;
    }
    const BITMAPINFOHEADER& header = pbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 ||
        header.biBitCount != 24 || header.biCompression != BI_RGB) {
        return nullptr;
    }
    HBITMAP bitmap = NewBitmap(header.biWidth, header.biHeight, BitmapKind::DibSection);
    if (bitmap != nullptr && ppvBits != nullptr) {
        *ppvBits = LookupBitmap(bitmap)->bits.get();
    }
    return bitmap;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DcObject* dc = LookupDC(hdc);
    BitmapObject* bitmap = LookupBitmap(h);
    if (dc == nullptr || bitmap == nullptr || dc->isScreen || bitmap->ownedByClipboard) {
        return nullptr;
    }
    if (!bitmap->isStock && bitmap->selectedInto != nullptr && bitmap->selectedInto != hdc) {
        return nullptr;
    }
    HBITMAP previous = dc->selected;
    if (BitmapObject* old = LookupBitmap(previous); old != nullptr && !old->isStock) {
        old->selectedInto = nullptr;
    }
    if (!bitmap->isStock) {
        bitmap->selectedInto = hdc;
    }
    dc->selected = static_cast<HBITMAP>(h);
    Table().Retarget(hdc, *dc);
    return previous;
}

BOOL DeleteObject(HGDIOBJ ho) {
    BitmapObject* bitmap = LookupBitmap(ho);
    if (bitmap == nullptr || bitmap->selectedInto != nullptr || bitmap->ownedByClipboard) {
        return FALSE;
    }
    if (!bitmap->isStock) {  // deleting a stock object is allowed and does nothing
        Table().Release(ho);
    }
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    const DcObject* dstDC = LookupDC(hdc);
    if (dstDC == nullptr) {
        return FALSE;
    }
    const auto code = static_cast<BYTE>(rop >> 16);
    const DcObject* srcDC = nullptr;
    if (UsesSource(code)) {
        srcDC = LookupDC(hdcSrc);
        if (srcDC == nullptr) {
            return FALSE;
        }
    }
    if (cx <= 0 || cy <= 0) {
        return TRUE;
    }
    // A screen DC keeps no pixels here: there is nothing to draw onto or to read from.
    const BitmapObject* dstBitmap = LookupBitmap(dstDC->selected);
    const BitmapObject* srcBitmap = srcDC != nullptr ? LookupBitmap(srcDC->selected) : nullptr;
    if (dstBitmap == nullptr || (srcDC != nullptr && srcBitmap == nullptr)) {
        return TRUE;
    }
    const BitmapBits dst = dstBitmap->View();
    const BitmapBits src = srcBitmap != nullptr ? srcBitmap->View() : BitmapBits{};
    const std::optional<BltArea> area =
        ClipBlt(dst, srcBitmap != nullptr ? &src : nullptr, x, y, cx, cy, x1, y1);
    if (!area) {
        return TRUE;
    }

    const bool sameBitmap = srcBitmap == dstBitmap;
    if (code == 0xCC && srcBitmap != nullptr && !sameBitmap && CopyAsOneBlock(dst, src, *area)) {
        return TRUE;
    }
    const std::vector<BYTE> staged = sameBitmap ? StageSource(src, *area) : std::vector<BYTE>{};
    const BYTE pattern[3] = {GetBValue(dstDC->brush), GetGValue(dstDC->brush),
                             GetRValue(dstDC->brush)};
    for (std::size_t r = 0; r < area->rows; ++r) {
        const BYTE* from = nullptr;
        if (sameBitmap) {
            from = staged.data() + 3 * area->pixels * r;
        } else if (srcBitmap != nullptr) {
            from = area->From(src, r);
        }
        BlendRow(code, area->To(dst, r), from, pattern, area->pixels);
    }
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    const DcObject* dc = LookupDC(hdc);
    const BitmapObject* bitmap = dc ? LookupBitmap(dc->selected) : nullptr;
    if (bitmap == nullptr || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) {
        return CLR_INVALID;
    }
    const BYTE* pixel = bitmap->View().Row(y) + 3 * std::ptrdiff_t{x};
    return RGB(pixel[2], pixel[1], pixel[0]);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    const BitmapBits bits = Table().PixelTargetOf(hdc);
    if (!bits || static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(bits.width) ||
        static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(bits.height) ||
        (color >> 24) != 0) {
        return FALSE;
    }
    BYTE* pixel = bits.Row(y) + 3 * std::ptrdiff_t{x};
    pixel[0] = GetBValue(color);
    pixel[1] = GetGValue(color);
    pixel[2] = GetRValue(color);
    return TRUE;
}

int GetObjectA(HANDLE h, int c, void* pv) {
    const BitmapObject* bitmap = LookupBitmap(h);
    if (bitmap == nullptr) {
        return 0;
    }
    if (pv == nullptr) {
        return sizeof(BITMAP);
    }
    if (c < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    BITMAP record{};
    record.bmWidth = bitmap->width;
    record.bmHeight = bitmap->height;
    record.bmWidthBytes = bitmap->stride;
    record.bmPlanes = 1;
    record.bmBitsPixel = 24;
    record.bmBits = bitmap->kind == BitmapKind::DibSection ? bitmap->bits.get() : nullptr;
    std::memcpy(pv, &record, sizeof record);
    return sizeof(BITMAP);
}

std::size_t orvane::platform::LiveGdiObjectCount() {
    return Table().Live();
}

orvane::platform::ScopedBitmapLimit::ScopedBitmapLimit(std::size_t bytes)
    : previous_(std::exchange(g_bitmapLimit, bytes)) {}

orvane::platform::ScopedBitmapLimit::~ScopedBitmapLimit() {
    g_bitmapLimit = previous_;
}
