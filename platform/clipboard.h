// USER32: the clipboard, held in this process with the ownership rules Windows gives it.
//
// One owner at a time holds it open (a window, or 0, which counts as an owner of its own);
// EmptyClipboard and SetClipboardData need it open. A bitmap handed over with SetClipboardData
// belongs to the clipboard from then on: the program can no longer delete or select it, and the
// clipboard deletes it when it is emptied or when another bitmap replaces it. Only CF_BITMAP is
// kept.
//
// The window mirrors what is put here onto the desktop's clipboard through a sink.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/bitmap_bits.h"
#include "platform/windef.h"

inline constexpr UINT CF_BITMAP = 2;

// Fails while another owner holds the clipboard open, or for a window handle that is not valid.
BOOL OpenClipboard(HWND hWndNewOwner);
// Deletes whatever the clipboard owns. Fails unless the clipboard is open.
BOOL EmptyClipboard();
// Returns hMem when the clipboard took it, else 0: the clipboard is not open, the format is not
// CF_BITMAP, or the handle is not a bitmap that may be given away (not selected into a DC, not
// the default bitmap of memory DCs). A bitmap put there earlier is deleted.
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
BOOL CloseClipboard();
// The clipboard's bitmap, still owned by the clipboard; 0 unless the clipboard is open.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);

namespace orvane::platform {

// Told of each bitmap put on the clipboard: its pixels, to be read only, and only during the call.
using ClipboardSink = std::function<void(const BitmapBits& image)>;

// Called by CloseClipboard when a bitmap was put on the clipboard while it was open. Returns the
// sink it replaces; an empty sink installs none.
ClipboardSink SetClipboardSink(ClipboardSink sink);

// A bitmap has no transparency, but what the desktop is offered beside it may have: while one of
// these lives, a bitmap of its size put on the clipboard carries its alpha to the sink (one byte
// a pixel, top row first: 0 see-through, 255 opaque). The bitmap itself stays as it is.
class ClipboardTransparency {
  public:
    ClipboardTransparency(int width, int height, std::vector<std::uint8_t> alpha);
    ~ClipboardTransparency();
    ClipboardTransparency(const ClipboardTransparency&) = delete;
    ClipboardTransparency& operator=(const ClipboardTransparency&) = delete;

    int width;
    int height;
    std::vector<std::uint8_t> alpha;

  private:
    const ClipboardTransparency* previous_;
};

// During the sink's call: the alpha of the bitmap it is told of; empty for an opaque one.
std::span<const std::uint8_t> ClipboardAlpha();

}  // namespace orvane::platform
