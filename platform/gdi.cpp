#include "platform/gdi.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/detail/gdi_objects.h"

namespace orvane::platform::detail {

PixelTarget* g_pixelTargets = nullptr;
std::uint32_t g_pixelTargetCount = 0;

namespace {

static_assert(sizeof(void*) == 8, "handles carry a 32-bit slot and a 32-bit generation");

enum class Kind : std::uint8_t { Free, Bitmap, DC, Window };

struct WindowObject {};

struct Slot {
    Kind kind = Kind::Free;
    std::uint32_t generation = 0;
    std::variant<std::monostate, BitmapObject, DcObject, WindowObject> object;
};

constexpr PixelTarget kNoTarget{kNoDcKey, nullptr, 0, 0, 0};

// A handle is (generation << 32) | slot. A freed slot's generation moves on, so every handle to
// what it held goes stale; slot 0 is never used, so no handle is 0.
class HandleTable {
  public:
    HandleTable() {
        slots_.emplace_back();
        targets_.push_back(kNoTarget);
        Publish();

        BitmapObject stock;
        stock.width = stock.height = 1;
        stock.stride = 4;
        stock.bits = PixelMemory::Allocate(4);
        stock.isStock = true;
        stockBitmap_ = static_cast<HBITMAP>(Allocate(Kind::Bitmap, std::move(stock), false));
        desktop_ = static_cast<HWND>(Allocate(Kind::Window, WindowObject{}, false));
    }

    template <class Object>
    void* Allocate(Kind kind, Object object, bool counted = true) {
        std::uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            index = static_cast<std::uint32_t>(slots_.size());
            slots_.emplace_back();
            targets_.push_back(kNoTarget);
            Publish();
        }
        Slot& slot = slots_[index];
        if (++slot.generation == 0) {
            slot.generation = 1;
        }
        slot.kind = kind;
        slot.object = std::move(object);
        targets_[index] = kNoTarget;
        if (counted) {
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
            target.top = bitmap->Row(0);
            target.rowStep = -std::ptrdiff_t{bitmap->stride};
            target.width = static_cast<std::uint32_t>(bitmap->width);
            target.height = static_cast<std::uint32_t>(bitmap->height);
        }
        targets_[SlotOf(hdc)] = target;
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
    void Publish() {
        g_pixelTargets = targets_.data();
        g_pixelTargetCount = static_cast<std::uint32_t>(targets_.size());
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

HDC NewDC(bool isScreen) {
    HandleTable& table = Table();
    DcObject dc;
    dc.isScreen = isScreen;
    dc.selected = isScreen ? nullptr : table.StockBitmap();
    auto hdc = static_cast<HDC>(table.Allocate(Kind::DC, dc));
    table.Retarget(hdc, *table.Find<DcObject>(hdc, Kind::DC));
    return hdc;
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
    return NewDC(true);
}

bool FreeScreenDC(HDC h) {
    DcObject* dc = LookupDC(h);
    if (dc == nullptr || !dc->isScreen) {
        return false;
    }
    DestroyDC(h, *dc);
    return true;
}

PixelMemory PixelMemory::Allocate(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    PixelMemory memory;
    if (bytes < 2 * kHugePage) {
        memory.data_ = static_cast<BYTE*>(std::calloc(bytes, 1));
        return memory;
    }
    // Huge pages need 2 MiB alignment: map one huge page more and give back the ends.
    const std::size_t size = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) {
        return memory;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    if (const std::size_t tail = start + kHugePage - aligned; tail > 0) {
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    memory.data_ = reinterpret_cast<BYTE*>(aligned);
    memory.mapped_ = size;
    return memory;
}

PixelMemory::~PixelMemory() {
    if (mapped_ != 0) {
        ::munmap(data_, mapped_);
    } else {
        std::free(data_);
    }
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), mapped_(std::exchange(other.mapped_, 0)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        PixelMemory old(std::move(*this));
        data_ = std::exchange(other.data_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

HBITMAP NewBitmap(LONG width, LONG height, bool isDibSection) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    const std::int64_t stride = BitmapStride(width);
    constexpr std::int64_t kMaxImageBytes = std::numeric_limits<LONG>::max();
    if (stride > kMaxImageBytes || stride * height > kMaxImageBytes) {
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
    bitmap.isDibSection = isDibSection;
    return static_cast<HBITMAP>(Table().Allocate(Kind::Bitmap, std::move(bitmap)));
}

}  // namespace orvane::platform::detail

namespace {

using namespace orvane::platform::detail;

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

}  // namespace

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && LookupDC(hdc) == nullptr) {
        return nullptr;
    }
    return NewDC(false);
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
    return NewBitmap(cx, cy, false);
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
    HBITMAP bitmap = NewBitmap(header.biWidth, header.biHeight, true);
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
    const bool usesSource = (((code >> 2) ^ code) & 0x33) != 0;
    const DcObject* srcDC = nullptr;
    if (usesSource) {
        srcDC = LookupDC(hdcSrc);
        if (srcDC == nullptr) {
            return FALSE;
        }
    }
    if (cx <= 0 || cy <= 0) {
        return TRUE;
    }
    // A screen DC keeps no pixels here: there is nothing to draw onto or to read from.
    const BitmapObject* dst = LookupBitmap(dstDC->selected);
    const BitmapObject* src = usesSource ? LookupBitmap(srcDC->selected) : nullptr;
    if (dst == nullptr || (usesSource && src == nullptr)) {
        return TRUE;
    }

    // Clip to the destination, and to the source when it is read: k and j count columns and rows
    // from the requested corner. 64-bit, so that offsets near INT_MAX cannot wrap.
    std::int64_t k0 = std::max<std::int64_t>(0, -std::int64_t{x});
    std::int64_t k1 = std::min<std::int64_t>(cx, std::int64_t{dst->width} - x);
    std::int64_t j0 = std::max<std::int64_t>(0, -std::int64_t{y});
    std::int64_t j1 = std::min<std::int64_t>(cy, std::int64_t{dst->height} - y);
    if (src != nullptr) {
        k0 = std::max<std::int64_t>(k0, -std::int64_t{x1});
        k1 = std::min<std::int64_t>(k1, std::int64_t{src->width} - x1);
        j0 = std::max<std::int64_t>(j0, -std::int64_t{y1});
        j1 = std::min<std::int64_t>(j1, std::int64_t{src->height} - y1);
    }
    if (k0 >= k1 || j0 >= j1) {
        return TRUE;
    }
    const auto pixels = static_cast<std::size_t>(k1 - k0);
    const auto rows = static_cast<std::size_t>(j1 - j0);

    // Within one bitmap the areas may overlap: read the source out first, as if copied through
    // a separate surface.
    std::vector<BYTE> staged;
    if (src != nullptr && src == dst) {
        staged.resize(3 * pixels * rows);
        for (std::size_t r = 0; r < rows; ++r) {
            const BYTE* from =
                src->Row(static_cast<LONG>(y1 + j0 + static_cast<std::int64_t>(r))) + 3 * (x1 + k0);
            std::memcpy(staged.data() + 3 * pixels * r, from, 3 * pixels);
        }
    }

    // Whole rows of two bitmaps without filler bytes are one block of memory each: one copy
    // moves them all, which for a large picture runs at the memory's full speed.
    const bool wholeRows = src != nullptr && pixels == static_cast<std::size_t>(dst->width) &&
                           pixels == static_cast<std::size_t>(src->width);
    if (code == 0xCC && wholeRows && src != dst && dst->stride == 3 * dst->width &&
        src->stride == 3 * src->width) {
        // Rows are stored bottom-up: the block starts at the lowest of the rows copied.
        const LONG lastRow = static_cast<LONG>(rows) - 1;
        BYTE* to = dst->Row(static_cast<LONG>(y + j0) + lastRow);
        const BYTE* from = src->Row(static_cast<LONG>(y1 + j0) + lastRow);
        std::memcpy(to, from, 3 * pixels * rows);
        return TRUE;
    }

    const BYTE pattern[3] = {GetBValue(dstDC->brush), GetGValue(dstDC->brush),
                             GetRValue(dstDC->brush)};
    for (std::size_t r = 0; r < rows; ++r) {
        BYTE* to =
            dst->Row(static_cast<LONG>(y + j0 + static_cast<std::int64_t>(r))) + 3 * (x + k0);
        const BYTE* from = nullptr;
        if (!staged.empty()) {
            from = staged.data() + 3 * pixels * r;
        } else if (src != nullptr) {
            from =
                src->Row(static_cast<LONG>(y1 + j0 + static_cast<std::int64_t>(r))) + 3 * (x1 + k0);
        }
        BlendRow(code, to, from, pattern, pixels);
    }
    return TRUE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    const DcObject* dc = LookupDC(hdc);
    const BitmapObject* bitmap = dc ? LookupBitmap(dc->selected) : nullptr;
    if (bitmap == nullptr || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) {
        return CLR_INVALID;
    }
    const BYTE* pixel = bitmap->Row(y) + 3 * std::ptrdiff_t{x};
    return RGB(pixel[2], pixel[1], pixel[0]);
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
    record.bmBits = bitmap->isDibSection ? bitmap->bits.get() : nullptr;
    std::memcpy(pv, &record, sizeof record);
    return sizeof(BITMAP);
}

std::size_t orvane::platform::LiveGdiObjectCount() {
    return Table().Live();
}
