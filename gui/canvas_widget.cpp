#include "gui/canvas_widget.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>


namespace orvane::gui {

CanvasWidget::CanvasWidget(const viewer::Canvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FollowCanvasSize();
}

void CanvasWidget::FollowCanvasSize() {
    setFixedSize(canvas_.PixelWidth(), canvas_.PixelHeight());
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    // Looked up at every paint rather than kept: a resize replaces the picture, and a modal file
    // dialog lets the window repaint between that and the command's Refresh. Wrapping the bits
    // costs no copy.
    const platform::BitmapBits& picture = canvas_.Bits();
    if (!picture) {
        return;
    }
    const int height = picture.height;
    const QRect exposed = event->rect() & QRect(0, 0, picture.width, height);
    if (exposed.isEmpty()) {
        return;
    }
    const QImage image(picture.bits, picture.width, height, picture.stride, QImage::Format_BGR888);

    // The rows lie bottom-up in memory, so the image stands on its head: draw it mirrored
    // top to bottom, and only the rows that correspond to the exposed ones.
    QPainter painter(this);
    painter.setTransform(QTransform(1, 0, 0, -1, 0, height));
    const QRect source(exposed.x(), height - 1 - exposed.bottom(), exposed.width(),
                       exposed.height());
    painter.drawImage(source.topLeft(), image, source);
}

}  // namespace orvane::gui
