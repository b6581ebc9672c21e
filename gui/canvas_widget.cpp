#include "gui/canvas_widget.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>
#include <optional>
#include <tuple>

#include "viewer/status_text.h"

namespace orvane::gui {
namespace {

// Logical pixels the arrows and the wheel scroll by.
constexpr int kScrollStep = 32;
// One notch of an ordinary wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;

viewer::PixelRect DeviceArea(const QRect& logical, double ratio) {
    const int left = static_cast<int>(std::floor(logical.x() * ratio));
    const int top = static_cast<int>(std::floor(logical.y() * ratio));
    const int right = static_cast<int>(std::ceil((logical.x() + logical.width()) * ratio));
    const int bottom = static_cast<int>(std::ceil((logical.y() + logical.height()) * ratio));
    return {left, top, right - left, bottom - top};
}

}  // namespace

CanvasWidget::CanvasWidget(const viewer::MainForm& model, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);  // the keys that scroll come here
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    FollowModel();
}

int CanvasWidget::ScrollBarExtent() const {
    return verticalScrollBar()->sizeHint().width();
}

double CanvasWidget::Ratio() {
    return viewport()->devicePixelRatio();
}

void CanvasWidget::FollowModel() {
    const viewer::Canvas& canvas = model_.Picture1;
    view_.SetMosaic({canvas.PixelWidth(), canvas.PixelHeight()}, model_.TilesetHeader.TileCount);
    view_.SetFirstCopies(model_.FirstCopies());
    SyncView();
    viewport()->update();
    Probe();
}

void CanvasWidget::StartOver() {
    view_.Select(std::nullopt);
    view_.ScrollTo({0, 0});
    Changed();
}

void CanvasWidget::ZoomTo(int zoom) {
    SyncView();
    if (view_.ZoomTo(zoom)) {
        Changed();
        emit ZoomChanged();
    }
}

void CanvasWidget::ZoomTo(int zoom, QPointF about) {
    SyncView();
    const double ratio = view_.DevicePixelRatio();
    if (view_.ZoomTo(zoom, {static_cast<int>(std::floor(about.x() * ratio)),
                            static_cast<int>(std::floor(about.y() * ratio))})) {
        Changed();
        emit ZoomChanged();
    }
}

void CanvasWidget::SetZoomFloor(int floor) {
    SyncView();
    if (view_.SetZoomFloor(floor)) {
        Changed();
        emit ZoomChanged();
    }
}

void CanvasWidget::RestoreZoom(int zoom) {
    SyncView();
    if (view_.RestoreZoom(zoom)) {
        Changed();
        emit ZoomChanged();
    }
}

void CanvasWidget::Select(std::optional<int> tile) {
    view_.Select(tile);
    viewport()->update();
}

void CanvasWidget::ExtendSelection(int tile) {
    view_.ExtendSelection(tile);
    viewport()->update();
}

void CanvasWidget::SelectAll() {
    view_.SelectAll();
    viewport()->update();
}

bool CanvasWidget::GoToTile(int tile) {
    SyncView();
    if (!view_.GoToTile(tile)) {
        return false;
    }
    Changed();
    return true;
}

void CanvasWidget::SetGrid(bool on) {
    view_.grid = on;
    viewport()->update();
}

void CanvasWidget::SetMarkDuplicates(bool on) {
    view_.markDuplicates = on;
    viewport()->update();
}

void CanvasWidget::SetBackground(viewer::Background background) {
    view_.background = background;
    viewport()->update();
}

void CanvasWidget::SyncView() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    const double ratio = Ratio();
    view_.SetDevicePixelRatio(ratio);
    const auto device = [ratio](int logical) {
        return static_cast<int>(std::ceil(logical * ratio));
    };
    // Each scrollbar is shown exactly when the content needs it, decided here at once rather than
    // by the scrollbars' ranges later: a scrollbar shown for content that would fit without it
    // takes the room the content then lacks, and keeps itself.
    const QSize whole = contentsRect().size();
    const int across = verticalScrollBar()->sizeHint().width();
    const int down = horizontalScrollBar()->sizeHint().height();
    const viewer::PixelSize content = view_.Content();
    bool vertical = content.height > device(whole.height());
    const bool horizontal = content.width > device(whole.width() - (vertical ? across : 0));
    vertical = vertical || (horizontal && content.height > device(whole.height() - down));
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    view_.SetViewport({device(whole.width() - (vertical ? across : 0)),
                       device(whole.height() - (horizontal ? down : 0))});

    // The scrollbars count device pixels, as the view does.
    const viewer::PixelPoint most = view_.MaxScroll();
    const viewer::PixelSize page = view_.Viewport();
    const int step = static_cast<int>(std::lround(kScrollStep * ratio));
    for (auto [scrollBar, max, pageStep, value] :
         {std::tuple{horizontalScrollBar(), most.x, page.width, view_.Scroll().x},
          std::tuple{verticalScrollBar(), most.y, page.height, view_.Scroll().y}}) {
        scrollBar->setRange(0, max);
        scrollBar->setPageStep(pageStep);
        scrollBar->setSingleStep(step);
        scrollBar->setValue(value);
    }
    syncing_ = false;
}

void CanvasWidget::Changed() {
    SyncView();
    viewport()->update();
    Probe();
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    SyncView();
}

void CanvasWidget::scrollContentsBy(int, int) {
    if (!syncing_) {
        view_.ScrollTo({horizontalScrollBar()->value(), verticalScrollBar()->value()});
        viewport()->update();
        Probe();
    }
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (Ratio() != view_.DevicePixelRatio()) {
        SyncView();
    }
    const QColor window = palette().color(QPalette::Window);
    if (!model_.bTilesetLoaded) {
        painter.fillRect(event->rect(), window);
        PaintHint(painter);
        return;
    }
    const double ratio = view_.DevicePixelRatio();
    const viewer::PixelRect area = DeviceArea(event->rect(), ratio);
    if (area.width <= 0 || area.height <= 0) {
        return;
    }
    pixels_.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
    viewer::RenderView(view_, model_.Picture1.Bits(), model_.SeeThrough(), area, window.rgb(),
                       pixels_);
    const QImage image(reinterpret_cast<const uchar*>(pixels_.data()), area.width, area.height,
                       static_cast<qsizetype>(area.width) * 4, QImage::Format_RGB32);
    // Drawn one image pixel to one device pixel: the magnification is already in the pixels.
    painter.setTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    painter.drawImage(QPoint(area.x, area.y), image);
}

void CanvasWidget::PaintHint(QPainter& painter) {
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(16, 16, -16, -16),
                     Qt::AlignCenter | Qt::TextWordWrap,
                     tr("Open a tileset with File > Open (Ctrl+O), or drop one here."));
}

std::optional<int> CanvasWidget::TileUnder(QPointF point) const {
    if (!model_.bTilesetLoaded) {
        return std::nullopt;
    }
    if (const auto at = view_.CanvasAtLogical(point.x(), point.y())) {
        if (const auto hit = viewer::TileAt(view_.TileCount(), *at)) {
            return hit->tile;
        }
    }
    return std::nullopt;
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = event->position();
    // A drag stretches the selection over the tiles it passes; empty cells leave it as it was.
    if (dragging_ && event->buttons().testFlag(Qt::LeftButton)) {
        const std::optional<viewer::TileBlock> before = view_.SelectedBlock();
        if (const std::optional<int> tile = TileUnder(event->position())) {
            ExtendSelection(*tile);
        }
        if (view_.SelectedBlock() != before) {
            emit SelectionChanged();
        }
    }
    Probe();
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && model_.bTilesetLoaded) {
        const std::optional<int> tile = TileUnder(event->position());
        if (event->modifiers().testFlag(Qt::ShiftModifier) && tile) {
            ExtendSelection(*tile);
        } else {
            Select(tile);
        }
        dragging_ = tile.has_value();
        emit SelectionChanged();
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = false;
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    wheelAngle_ += event->angleDelta().y();
    const int steps = wheelAngle_ / kWheelNotch;
    wheelAngle_ %= kWheelNotch;
    if (steps != 0) {
        ZoomTo(view_.Zoom() + steps, event->position());
    }
    event->accept();
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    std::optional<viewer::Jump> jump;
    switch (event->key()) {
        case Qt::Key_Home:
            jump = control ? viewer::Jump::TopLeft : viewer::Jump::FirstRow;
            break;
        case Qt::Key_End:
            jump = control ? viewer::Jump::BottomRight : viewer::Jump::LastRow;
            break;
        case Qt::Key_PageUp:
            jump = viewer::Jump::PageUp;
            break;
        case Qt::Key_PageDown:
            jump = viewer::Jump::PageDown;
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    SyncView();
    view_.ScrollTo(*jump);
    Changed();
    event->accept();
}

bool CanvasWidget::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        pointer_.reset();
        Probe();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CanvasWidget::Probe() {
    std::optional<viewer::PointerInfo> info;
    if (pointer_ && model_.bTilesetLoaded) {
        if (const auto at = view_.CanvasAtLogical(pointer_->x(), pointer_->y())) {
            info = viewer::Probe(model_.Picture1.Bits(), model_.SeeThrough(), view_.TileCount(),
                                 *at, view_.FirstCopies());
        }
    }
    emit PointerMoved(info ? QString::fromStdString(viewer::PointerText(*info)) : QString());
}

}  // namespace orvane::gui
