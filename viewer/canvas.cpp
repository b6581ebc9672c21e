#include "viewer/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/gdi.h"
#include "platform/gdi_owners.h"
#include "platform/runtime_error.h"

namespace orvane::viewer {
namespace {

using platform::ErrorNumber;
using platform::Raise;
using platform::ScratchDC;
using platform::UniqueBitmap;

// The design size of the picture box.
constexpr float kDesignWidth = 2475;
constexpr float kDesignHeight = 2295;

int PixelsForProperty(float twips) {
    if (!std::isfinite(twips) || twips < 0) {
        Raise(ErrorNumber::InvalidPropertyValue);
    }
    const double pixels = std::nearbyint(static_cast<double>(twips) / kTwipsPerPixel);
    if (pixels > std::numeric_limits<LONG>::max()) {
        Raise(ErrorNumber::OutOfMemory);
    }
    return static_cast<int>(pixels);
}

float Convert(float value, ScaleMode from, ScaleMode to) {
    const auto twipsPer = [](ScaleMode mode) {
        return mode == ScaleMode::Pixels ? static_cast<double>(kTwipsPerPixel) : 1.0;
    };
    return static_cast<float>(static_cast<double>(value) * twipsPer(from) / twipsPer(to));
}

}  // namespace

int TwipsToPixels(double twips) {
    return static_cast<int>(std::nearbyint(twips / static_cast<double>(kTwipsPerPixel)));
}

Canvas::Canvas() : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ == nullptr) {
        Raise(ErrorNumber::OutOfMemory);
    }
    try {
        Resize(PixelsForProperty(kDesignWidth), PixelsForProperty(kDesignHeight));
    } catch (...) {
        DeleteDC(dc_);
        throw;
    }
}

Canvas::~Canvas() {
    if (image_ != nullptr) {
        platform::DeselectAndDelete(dc_, defaultBitmap_, image_);
    }
    DeleteDC(dc_);
}

void Canvas::Width(float twips) {
    Resize(PixelsForProperty(twips), pixelHeight_);
}

void Canvas::Height(float twips) {
    Resize(pixelWidth_, PixelsForProperty(twips));
}

void Canvas::Size(float widthTwips, float heightTwips) {
    const int width = PixelsForProperty(widthTwips);
    Resize(width, PixelsForProperty(heightTwips));
}

void Canvas::SizeUncleared(float widthTwips, float heightTwips) {
    const int width = PixelsForProperty(widthTwips);
    Resize(width, PixelsForProperty(heightTwips), Pixels::Unset);
}

float Canvas::ScaleX(float value, ScaleMode from, ScaleMode to) const {
    return Convert(value, from, to);
}

float Canvas::ScaleY(float value, ScaleMode from, ScaleMode to) const {
    return Convert(value, from, to);
}

void Canvas::Cls() {
    Fill(0, pixelWidth_, 0, pixelHeight_);
}

void Canvas::Refresh() {
    if (refreshListener_) {
        refreshListener_();
    }
}

void Canvas::Resize(int width, int height, Pixels pixels) {
    if (width == pixelWidth_ && height == pixelHeight_) {
        return;
    }
    UniqueBitmap fresh;
    void* freshBits = nullptr;
    if (width > 0 && height > 0) {
        const BITMAPINFO info{platform::Dib24Header(width, height), {}};
        fresh.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &freshBits, nullptr, 0));
        if (fresh == nullptr) {
            Raise(ErrorNumber::OutOfMemory);
        }
        if (image_ != nullptr && pixels == Pixels::Kept) {
            const ScratchDC target(dc_, fresh.get());
            if (target.get() == nullptr) {
                Raise(ErrorNumber::OutOfMemory);
            }
            BitBlt(target.get(), 0, 0, std::min(width, pixelWidth_), std::min(height, pixelHeight_),
                   dc_, 0, 0, SRCCOPY);
        }
    }

    const int keptWidth = image_ != nullptr ? std::min(width, pixelWidth_) : 0;
    const int keptHeight = image_ != nullptr ? std::min(height, pixelHeight_) : 0;
    UniqueBitmap old(image_);
    if (fresh != nullptr) {
        HGDIOBJ displaced = SelectObject(dc_, fresh.get());
        if (old == nullptr) {
            defaultBitmap_ = displaced;
        }
    } else if (old != nullptr) {
        SelectObject(dc_, defaultBitmap_);
    }
    image_ = fresh.release();
    bits_ = {static_cast<BYTE*>(freshBits), width, height,
             static_cast<LONG>(platform::BitmapStride(width))};
    pixelWidth_ = width;
    pixelHeight_ = height;
    old.reset();

    // Left unset, fresh pages stay untouched until the caller paints them, and the kernel clears
    // each in whichever thread first writes it.
    if (pixels == Pixels::Kept) {
        Fill(keptWidth, width, 0, keptHeight);
        Fill(0, width, keptHeight, height);
    }
    if (resizeListener_) {
        resizeListener_();
    }
}

void Canvas::Fill(int x0, int x1, int y0, int y1) {
    if (image_ == nullptr || x0 >= x1 || y0 >= y1) {
        return;
    }
    const COLORREF colour = BackColor();
    std::vector<BYTE> pattern(3 * static_cast<std::size_t>(x1 - x0));
    for (std::size_t i = 0; i < pattern.size(); i += 3) {
        pattern[i] = GetBValue(colour);
        pattern[i + 1] = GetGValue(colour);
        pattern[i + 2] = GetRValue(colour);
    }
    for (int y = y0; y < y1; ++y) {
        std::memcpy(bits_.Row(y) + 3 * std::ptrdiff_t{x0}, pattern.data(), pattern.size());
    }
}

}  // namespace orvane::viewer
