#include "gui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace orvane::gui {

QImage ToQImage(const platform::BitmapBits& image) {
    if (!image || image.width <= 0 || image.height <= 0 || image.stride < 3 * image.width) {
        return {};
    }
    // A view of the rows as they lie; mirrored() makes the owning, upright copy.
    const QImage rows(image.bits, image.width, image.height, image.stride, QImage::Format_BGR888);
    return rows.mirrored();
}

QtClipboardSink::QtClipboardSink()
    : previous_(platform::SetClipboardSink([](const platform::BitmapBits& image) {
          QClipboard* clipboard = QGuiApplication::clipboard();
          const QImage copy = ToQImage(image);
          if (clipboard != nullptr && !copy.isNull()) {
              clipboard->setImage(copy);
          }
      })) {}

QtClipboardSink::~QtClipboardSink() {
    platform::SetClipboardSink(std::move(previous_));
}

}  // namespace orvane::gui
