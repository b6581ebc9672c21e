#include "platform/clipboard.h"

#include <utility>

#include "platform/clipboard_testing.h"
#include "platform/detail/gdi_objects.h"
#include "platform/gdi.h"

namespace {

using namespace orvane::platform;
using detail::BitmapObject;
using detail::LookupBitmap;

// Trivially destructible on purpose: it holds handle values only, so it can outlive the handle
// table at the end of the process without touching it.
struct ClipboardState {
    bool open = false;
    HWND openedBy = nullptr;
    HBITMAP bitmap = nullptr;
    bool bitmapSetWhileOpen = false;
    bool refuseData = false;
};

ClipboardState g_clipboard;

// The transparency offered for the next bitmaps, and the one the sink is being told of.
const ClipboardTransparency* g_offered = nullptr;
std::span<const std::uint8_t> g_publishedAlpha;

ClipboardSink& Sink() {
    static ClipboardSink sink;
    return sink;
}

// Gives a bitmap back to the program's side so that the ordinary delete applies.
void DeleteOwnedBitmap(HBITMAP h) {
    if (BitmapObject* bitmap = LookupBitmap(h)) {
        bitmap->ownedByClipboard = false;
        DeleteObject(h);
    }
}

void DropContents() {
    DeleteOwnedBitmap(std::exchange(g_clipboard.bitmap, nullptr));
    g_clipboard.bitmapSetWhileOpen = false;
}

}  // namespace

BOOL OpenClipboard(HWND hWndNewOwner) {
    if (hWndNewOwner != nullptr && !detail::IsWindow(hWndNewOwner)) {
        return FALSE;
    }
    if (g_clipboard.open) {
        return g_clipboard.openedBy == hWndNewOwner ? TRUE : FALSE;
    }
    g_clipboard.open = true;
    g_clipboard.openedBy = hWndNewOwner;
    g_clipboard.bitmapSetWhileOpen = false;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!g_clipboard.open) {
        return FALSE;
    }
    DropContents();
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    if (!g_clipboard.open || uFormat != CF_BITMAP || g_clipboard.refuseData) {
        return nullptr;
    }
    const auto h = static_cast<HBITMAP>(hMem);
    BitmapObject* bitmap = LookupBitmap(h);
    if (bitmap == nullptr || bitmap->isStock || bitmap->selectedInto != nullptr) {
        return nullptr;
    }
    if (h != g_clipboard.bitmap) {
        DeleteOwnedBitmap(std::exchange(g_clipboard.bitmap, h));
        bitmap->ownedByClipboard = true;
    }
    g_clipboard.bitmapSetWhileOpen = true;
    return hMem;
}

BOOL CloseClipboard() {
    if (!g_clipboard.open) {
        return FALSE;
    }
    g_clipboard.open = false;
    g_clipboard.openedBy = nullptr;
    const bool publish = std::exchange(g_clipboard.bitmapSetWhileOpen, false);
    // The sink runs with the clipboard closed, so it may open it again itself.
    if (publish && Sink()) {
        if (const BitmapObject* bitmap = LookupBitmap(g_clipboard.bitmap)) {
            const BitmapBits view = bitmap->View();
            const ClipboardTransparency* offered = g_offered;
            if (offered != nullptr && offered->width == view.width &&
                offered->height == view.height &&
                offered->alpha.size() ==
                    static_cast<std::size_t>(view.width) * static_cast<std::size_t>(view.height)) {
                g_publishedAlpha = offered->alpha;
            }
            Sink()(view);
            g_publishedAlpha = {};
        }
    }
    return TRUE;
}

HANDLE GetClipboardData(UINT uFormat) {
    if (!g_clipboard.open || uFormat != CF_BITMAP) {
        return nullptr;
    }
    return g_clipboard.bitmap;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    return format == CF_BITMAP && g_clipboard.bitmap != nullptr ? TRUE : FALSE;
}

namespace orvane::platform {

ClipboardTransparency::ClipboardTransparency(int width, int height, std::vector<std::uint8_t> alpha)
    : width(width), height(height), alpha(std::move(alpha)), previous_(g_offered) {
    g_offered = this;
}

ClipboardTransparency::~ClipboardTransparency() {
    g_offered = previous_;
}

std::span<const std::uint8_t> ClipboardAlpha() {
    return g_publishedAlpha;
}

ClipboardSink SetClipboardSink(ClipboardSink sink) {
    return std::exchange(Sink(), std::move(sink));
}

void testing::ResetClipboard() {
    DropContents();
    g_clipboard = ClipboardState{};
    Sink() = nullptr;
}

void testing::RefuseClipboardData(bool refuse) {
    g_clipboard.refuseData = refuse;
}

}  // namespace orvane::platform
