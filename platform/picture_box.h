// What code outside the window may use of a picture box: its persistent picture (the bitmap that
// keeps what is painted, the one a save writes out) and the device context that paints into it.
#pragma once

#include "platform/windef.h"

namespace orvane::platform {

class PictureBox {
  public:
    virtual ~PictureBox() = default;
    // The persistent picture; 0 while the box has no pixels (a width or height of 0).
    virtual HBITMAP Image() const = 0;
    // A memory DC with Image() selected; it stays valid for the life of the box.
    virtual HDC hDC() const = 0;
};

}  // namespace orvane::platform
