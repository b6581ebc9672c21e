#include "gui/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace orvane::gui {

QImage ToQImage(const platform::BitmapBits& image) {
    if (!image || image.width <= 0 || image.height <= 0 || image.stride < 3 * image.width) {
        return {};
    }
    // A view of the rows as they lie; mirrored() makes the owning, upright copy.
    const QImage rows(image.bits, image.width, image.height, image.stride, QImage::Format_BGR888);
    return rows.mirrored();
}

QByteArray TransparentPng(const QImage& image, std::span<const std::uint8_t> alpha) {
    if (image.isNull() || alpha.size() != static_cast<std::size_t>(image.width()) *
                                              static_cast<std::size_t>(image.height())) {
        return {};
    }
    QImage withAlpha = image.convertToFormat(QImage::Format_ARGB32);
    auto level = alpha.begin();
    for (int y = 0; y < withAlpha.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(withAlpha.scanLine(y));
        for (int x = 0; x < withAlpha.width(); ++x) {
            // A see-through pixel keeps nothing of the background it showed on.
            row[x] = *level == 0 ? 0 : qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), *level);
            ++level;
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return withAlpha.save(&buffer, "PNG") ? png : QByteArray();
}

namespace {

constexpr char kPngType[] = "image/png";

// The bitmap formats are made of the opaque image, as the program's clipboard holds it; only the
// PNG, which other programs read with its alpha, carries the transparency. It is made when a
// program asks for it: the whole of the largest mosaic is a PNG of 33 million pixels.
class TransparentImage : public QMimeData {
  public:
    TransparentImage(const QImage& image, std::span<const std::uint8_t> alpha)
        : alpha_(alpha.begin(), alpha.end()) {
        setImageData(image);
    }

    bool hasFormat(const QString& type) const override {
        return type == kPngType || QMimeData::hasFormat(type);
    }
    QStringList formats() const override {
        QStringList types = QMimeData::formats();
        if (!types.contains(kPngType)) {
            types.prepend(kPngType);
        }
        return types;
    }

  protected:
    QVariant retrieveData(const QString& type, QMetaType as) const override {
        if (type != kPngType) {
            return QMimeData::retrieveData(type, as);
        }
        if (png_.isEmpty()) {
            png_ = TransparentPng(qvariant_cast<QImage>(imageData()), alpha_);
        }
        return png_;
    }

  private:
    std::vector<std::uint8_t> alpha_;
    mutable QByteArray png_;
};

}  // namespace

QtClipboardSink::QtClipboardSink()
    : previous_(platform::SetClipboardSink([](const platform::BitmapBits& image) {
          QClipboard* clipboard = QGuiApplication::clipboard();
          const QImage copy = ToQImage(image);
          if (clipboard == nullptr || copy.isNull()) {
              return;
          }
          const std::span<const std::uint8_t> alpha = platform::ClipboardAlpha();
          if (alpha.empty()) {
              clipboard->setImage(copy);
          } else {
              clipboard->setMimeData(new TransparentImage(copy, alpha));
          }
      })) {}

QtClipboardSink::~QtClipboardSink() {
    platform::SetClipboardSink(std::move(previous_));
}

}  // namespace orvane::gui
