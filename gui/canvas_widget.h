// Picture1 as the window shows it: the canvas through the view (zoom, scroll, grid, background,
// selection), painted straight from the picture's memory, only where the screen asks. It routes
// the pointer, the wheel, the keys and the scrollbars to the view and draws what the view renders.
#pragma once

#include <QAbstractScrollArea>
#include <QPointF>
#include <optional>
#include <vector>

#include "viewer/main_form.h"
#include "viewer/mosaic_view.h"
#include "viewer/view_render.h"

namespace orvane::gui {

class CanvasWidget : public QAbstractScrollArea {
    Q_OBJECT

  public:
    explicit CanvasWidget(const viewer::MainForm& model, QWidget* parent = nullptr);

    const viewer::MosaicView& View() const { return view_; }

    // Takes the model's canvas and tiles; keeps the zoom, and the scroll and the selection where
    // the new mosaic allows. Call after the canvas has changed.
    void FollowModel();

    // Another tileset: no selection, and its top-left corner in view; the zoom stays.
    void StartOver();
    // Zooms about the middle of the view, or about a point of it (logical pixels).
    void ZoomTo(int zoom);
    void ZoomTo(int zoom, QPointF about);
    // The least zoom, and a zoom remembered from before (MosaicView::SetZoomFloor, RestoreZoom).
    void SetZoomFloor(int floor);
    void RestoreZoom(int zoom);
    void Select(std::optional<int> tile);
    // The block from the selected tile to tile, as Shift+click makes it.
    void ExtendSelection(int tile);
    void SelectAll();
    // Selects tile (from 0) and brings it into view; false for a number that is not a tile.
    bool GoToTile(int tile);
    void SetGrid(bool on);
    void SetMarkDuplicates(bool on);
    void SetBackground(viewer::Background background);

    // The device pixel ratio of the screen the view is on.
    double Ratio();
    // The width of the vertical scrollbar, as the view counts it.
    int ScrollBarExtent() const;

    // Any size will do: the window fits itself to the mosaic, and the view scrolls.
    QSize minimumSizeHint() const override { return {0, 0}; }

  signals:
    // What the status bar says about the pointer: "" over no tile.
    void PointerMoved(const QString& text);
    void ZoomChanged();
    // The pointer made or stretched a selection.
    void SelectionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // A click selects the tile under it, Shift+click or a drag the block up to it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Home, End, Ctrl+Home, Ctrl+End, Page Up and Page Down move through the mosaic (Jump).
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    // The view's viewport and ratio from the widget, the scrollbars from the view.
    void SyncView();
    void Changed();
    void Probe();
    void PaintHint(QPainter& painter);
    // The tile under a point of the viewport (logical pixels), if any.
    std::optional<int> TileUnder(QPointF point) const;

    const viewer::MainForm& model_;
    viewer::MosaicView view_;
    std::optional<QPointF> pointer_;  // logical, in the viewport
    bool dragging_ = false;           // the left button went down on a tile
    int wheelAngle_ = 0;              // eighths of a degree not yet turned into zoom steps
    bool syncing_ = false;
    std::vector<viewer::Argb> pixels_;  // the last repaint's, kept to spare an allocation a paint
};

}  // namespace orvane::gui
