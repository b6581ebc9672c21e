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

void Canvas::Replace(float widthTwips, float heightTwips,
                     const std::function<void(const platform::BitmapBits&)>& paint) {
    const int width = PixelsForProperty(widthTwips);
    Fresh fresh = MakePicture(width, PixelsForProperty(heightTwips));
    paint(fresh.bits);
    Install(std::move(fresh));
}

float Canvas::ScaleX(float value, ScaleMode from, ScaleMode to) const {
    return Convert(value, from, to);
}

float Canvas::ScaleY(float value, ScaleMode from, ScaleMode to) const {
    return Convert(value, from, to);
}

void Canvas::Cls() {
    Fill(bits_, 0, pixelWidth_, 0, pixelHeight_);
}

void Canvas::Refresh() {
    if (refreshListener_) {
        refreshListener_();
    }
}

Canvas::Fresh Canvas::MakePicture(int width, int height) const {
    Fresh fresh;
    fresh.bits = {nullptr, width, height, static_cast<LONG>(platform::BitmapStride(width))};
    if (width > 0 && height > 0) {
        const BITMAPINFO info{platform::Dib24Header(width, height), {}};
        void* bits = nullptr;
        fresh.bitmap.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (fresh.bitmap == nullptr) {
            Raise(ErrorNumber::OutOfMemory);
        }
        fresh.bits.bits = static_cast<BYTE*>(bits);
    }
    return fresh;
}

void Canvas::Install(Fresh fresh) {
    UniqueBitmap old(image_);
    if (fresh.bitmap != nullptr) {
        HGDIOBJ displaced = SelectObject(dc_, fresh.bitmap.get());
        if (old == nullptr) {
            defaultBitmap_ = displaced;
        }
    } else if (old != nullptr) {
        SelectObject(dc_, defaultBitmap_);
    }
    image_ = fresh.bitmap.release();
    bits_ = fresh.bits;
    pixelWidth_ = bits_.width;
    pixelHeight_ = bits_.height;
    old.reset();
    if (resizeListener_) {
        resizeListener_();
    }
}

void Canvas::Resize(int width, int height) {
    if (width == pixelWidth_ && height == pixelHeight_) {
        return;
    }
    Fresh fresh = MakePicture(width, height);
    const int keptWidth = image_ != nullptr ? std::min(width, pixelWidth_) : 0;
    const int keptHeight = image_ != nullptr ? std::min(height, pixelHeight_) : 0;
    if (fresh.bitmap != nullptr && keptWidth > 0 && keptHeight > 0) {
        const ScratchDC target(dc_, fresh.bitmap.get());
        if (target.get() == nullptr) {
            Raise(ErrorNumber::OutOfMemory);
        }
        BitBlt(target.get(), 0, 0, keptWidth, keptHeight, dc_, 0, 0, SRCCOPY);
    }
    Fill(fresh.bits, keptWidth, width, 0, keptHeight);
    Fill(fresh.bits, 0, width, keptHeight, height);
    Install(std::move(fresh));
}

void Canvas::Fill(const platform::BitmapBits& bits, int x0, int x1, int y0, int y1) {
    if (!bits || x0 >= x1 || y0 >= y1) {
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
        std::memcpy(bits.Row(y) + 3 * std::ptrdiff_t{x0}, pattern.data(), pattern.size());
    }
}

}  // namespace orvane::viewer
