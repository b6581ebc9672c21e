#include "gui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace orvane::gui {

QImage ToQImage(const platform::ClipboardImage& image) {
    if (image.width <= 0 || image.height <= 0 || image.stride < 3 * image.width ||
        image.bottomUpRows.size() <
            static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(image.height)) {
        return {};
    }
    // A view of the rows as they lie; mirrored() makes the owning, upright copy.
    const QImage rows(image.bottomUpRows.data(), image.width, image.height, image.stride,
                      QImage::Format_BGR888);
    return rows.mirrored();
}

QtClipboardSink::QtClipboardSink()
    : previous_(platform::SetClipboardSink([](const platform::ClipboardImage& image) {
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
