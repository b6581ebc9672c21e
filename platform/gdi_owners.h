// Owners of GDI objects, so that every holder releases them the one way GDI allows: a bitmap is
// taken out of its device context before it is deleted, and the context goes last.
#pragma once

#include <memory>
#include <type_traits>

#include "platform/gdi.h"

namespace orvane::platform {

struct DeleteBitmap {
    void operator()(HBITMAP bitmap) const noexcept { DeleteObject(bitmap); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteBitmap>;

// Selects back what dc held before bitmap, then deletes bitmap: a bitmap that is still selected
// cannot be deleted, and would be lost.
inline void DeselectAndDelete(HDC dc, HGDIOBJ previous, HBITMAP bitmap) noexcept {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
}

// A memory DC that lends itself to one bitmap for the length of a scope. get() is 0 when no DC
// could be made.
class ScratchDC {
  public:
    ScratchDC(HDC compatibleWith, HBITMAP bitmap) : dc_(CreateCompatibleDC(compatibleWith)) {
        if (dc_ != nullptr) {
            previous_ = SelectObject(dc_, bitmap);
        }
    }
    ~ScratchDC() {
        if (dc_ != nullptr) {
            SelectObject(dc_, previous_);
            DeleteDC(dc_);
        }
    }
    ScratchDC(const ScratchDC&) = delete;
    ScratchDC& operator=(const ScratchDC&) = delete;

    HDC get() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace orvane::platform
