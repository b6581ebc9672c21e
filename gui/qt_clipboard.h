// The desktop's clipboard behind the program's own: a bitmap put on the clipboard in the process
// is also offered to other programs, as an image, and as a PNG with its transparency where the
// program offers one.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <span>

#include "platform/clipboard.h"

namespace orvane::gui {

// A copy of the bitmap, top row first, that owns its pixels (the clipboard's are valid only
// during the sink's call). Null for a bitmap without pixels.
QImage ToQImage(const platform::BitmapBits& image);

// image as a PNG whose pixels take alpha (one byte a pixel, top row first); empty when the alpha
// does not fit the image.
QByteArray TransparentPng(const QImage& image, std::span<const std::uint8_t> alpha);

// Installs the sink for as long as it lives and puts the previous one back when it goes.
// Needs a QGuiApplication for as long as bitmaps are put on the clipboard.
class QtClipboardSink {
  public:
    QtClipboardSink();
    ~QtClipboardSink();
    QtClipboardSink(const QtClipboardSink&) = delete;
    QtClipboardSink& operator=(const QtClipboardSink&) = delete;

  private:
    platform::ClipboardSink previous_;
};

}  // namespace orvane::gui
