// The desktop's clipboard behind the program's own: a bitmap put on the clipboard in the process
// is also offered to other programs, as an image.
#pragma once

#include <QImage>

#include "platform/clipboard.h"

namespace orvane::gui {

// A copy of the bitmap, top row first, that owns its pixels (the clipboard's are valid only
// during the sink's call). Null for a bitmap without pixels.
QImage ToQImage(const platform::BitmapBits& image);

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
