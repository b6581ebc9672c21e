// The view of the canvas, without its widget: zoom, scroll, selection, grid and background, and
// the one mapping between the screen and the picture that painting, the pointer, the status bar,
// the window's fit and scrolling all use. Nothing here changes the canvas.
//
// The view counts in device pixels (the screen's own): a zoom covers each canvas pixel with a
// whole number of them, so that every canvas pixel is the same sharp square at any desktop scale.
// Logical pixels (the widgets') are device pixels divided by the device pixel ratio.
#pragma once

#include <optional>
#include <vector>

#include "viewer/tile_block.h"

namespace orvane::viewer {

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
    bool Contains(PixelPoint p) const {
        return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
    }
};

// Zoom steps: 1 to kMaxZoom magnify so many times; below 1× they shrink, 0 to 1/2, -1 to 1/3,
// -2 to 1/4 and so on, so that Zoom In and Zoom Out are one step up or down from any of them.
inline constexpr int kActualSize = 1;
inline constexpr int kMaxZoom = 16;
// The step that shrinks to 1/divisor.
constexpr int ShrinkStep(int divisor) {
    return 2 - divisor;
}
// Shrinks a mosaic of the largest size (608 x 55 200) to a pixel, and any canvas a window holds to
// a screenful.
inline constexpr int kLeastZoom = ShrinkStep(1 << 16);
// 1 for a step of 1× or more, d for one that shrinks to 1/d.
constexpr int ZoomDivisor(int zoom) {
    return zoom >= kActualSize ? 1 : 2 - zoom;
}

// Device pixels one canvas pixel covers, each way, at a zoom of 1× or more: the zoom times the
// ratio, to the nearest whole pixel, at least one. 1.5 gives 2, 3, 4 (not 4.5), 6, ...
int DevicePixelsPer(int zoom, double devicePixelRatio);

// How a zoom maps the canvas to device pixels: `device` device pixels show `canvas` canvas
// pixels, each way, in lowest terms. A magnification shows each canvas pixel as a whole square
// (canvas 1); a shrinking step shows 1×'s device pixels over the divisor's canvas pixels.
struct ZoomScale {
    int device = 1;
    int canvas = 1;
    bool operator==(const ZoomScale&) const = default;
    // The first device pixel (counted from the canvas's corner) that shows canvas pixel x (0 or
    // more) or a later one; for a length, the device pixels it covers, one partly covered
    // included.
    int ToDevice(long long x) const { return static_cast<int>((x * device + canvas - 1) / canvas); }
    // The canvas pixel a device pixel (counted from the canvas's corner) shows.
    int ToCanvas(long long x) const {
        const long long scaled = x * canvas;
        return static_cast<int>(scaled >= 0 ? scaled / device : -((-scaled + device - 1) / device));
    }
};
ZoomScale ScaleOf(int zoom, double devicePixelRatio);
// A length in device pixels as logical pixels, rounded up so that nothing is cut.
int LogicalLength(int devicePixels, double devicePixelRatio);

// The tile under a canvas pixel: its number from 0, its column and row in the mosaic, the
// pixel's place inside it.
struct TileHit {
    int tile = 0;
    int column = 0;
    int row = 0;
    PixelPoint inTile;
    bool operator==(const TileHit&) const = default;
};
// None over the empty cells after the last tile, or outside the mosaic.
std::optional<TileHit> TileAt(int tileCount, PixelPoint canvas);
// Where tile number tile (from 0) lies on the canvas.
PixelRect TileRect(int tile);
// Where a block's cells lie on the canvas.
PixelRect BlockRect(const TileBlock& block);

enum class Background { WindowColour, Checkerboard };

// The moves through the mosaic that the keys make: Home and End to the first and last rows,
// with Ctrl to the top-left and bottom-right corners; Page Up and Page Down by a screenful.
enum class Jump { FirstRow, LastRow, TopLeft, BottomRight, PageUp, PageDown };

class MosaicView {
  public:
    // The canvas shown and the tiles on it. Keeps the zoom; keeps the scroll and the selection
    // where the new mosaic allows.
    void SetMosaic(PixelSize canvas, int tileCount);
    void SetDevicePixelRatio(double ratio);
    // The visible area, in device pixels.
    void SetViewport(PixelSize device);

    PixelSize Canvas() const { return canvas_; }
    int TileCount() const { return tileCount_; }
    double DevicePixelRatio() const { return ratio_; }
    PixelSize Viewport() const { return viewport_; }

    int Zoom() const { return zoom_; }
    ZoomScale Scale() const { return ScaleOf(zoom_, ratio_); }
    // Zooms (clamped to ZoomFloor()..kMaxZoom) so that the canvas point under anchor, a viewport
    // device pixel, stays under it as far as the scroll range allows. False when the zoom stays.
    bool ZoomTo(int zoom, PixelPoint anchor);
    // As the keys zoom: about the middle of the viewport, or from the canvas's top or left edge
    // where the view is at it.
    bool ZoomTo(int zoom);
    // The least zoom: the step at which the whole mosaic fits the screen (FitWholeZoom), or 1×
    // when the mosaic fits at 1× or more. The zoom follows it down to the one last asked for, and
    // up when it rises above the zoom: a mosaic that needs ¼ shows at ¼ again after one shown at
    // 1×. False when the zoom stays.
    bool SetZoomFloor(int floor);
    int ZoomFloor() const { return floor_; }
    // The zoom asked for last (ZoomTo, RestoreZoom): what is remembered between launches.
    int WantedZoom() const { return wanted_; }
    // Asks for a zoom remembered from before, which may lie below today's floor. False when the
    // zoom stays.
    bool RestoreZoom(int zoom);

    // The zoomed canvas, in device and in logical pixels.
    PixelSize Content() const;
    PixelSize LogicalContent() const;

    // The canvas's device pixel at the viewport's top-left corner.
    PixelPoint Scroll() const { return scroll_; }
    PixelPoint MaxScroll() const;
    // Clamped to 0..MaxScroll().
    void ScrollTo(PixelPoint device);
    void ScrollTo(Jump jump);

    // The canvas pixel under a viewport device pixel; none outside the canvas.
    std::optional<PixelPoint> CanvasAt(PixelPoint device) const;
    // The same for a point in logical pixels, as pointer events give it.
    std::optional<PixelPoint> CanvasAtLogical(double x, double y) const;
    // A canvas rectangle in viewport device pixels.
    PixelRect DeviceRect(PixelRect canvas) const;

    // The tile the selection started on.
    std::optional<int> Selection() const;
    std::optional<TileBlock> SelectedBlock() const { return selection_; }
    // A tile number from 0; anything that is not a tile clears the selection.
    void Select(std::optional<int> tile);
    // Stretches the selection from the tile it started on to the block that reaches tile (from
    // 0), as Shift+click and a drag do; selects tile alone when nothing is selected. Anything
    // that is not a tile changes nothing.
    void ExtendSelection(int tile);
    // Every tile: the block of all the mosaic's rows. Nothing in a mosaic without tiles.
    void SelectAll();
    // Selects tile (from 0) and scrolls it to the middle of the view unless it is wholly in
    // view already. False, and nothing changes, for a number that is not a tile.
    bool GoToTile(int tile);

    // For each tile, the first tile identical to it (MainForm::FirstCopies); none known when
    // empty.
    void SetFirstCopies(std::vector<int> firstCopies) { firstCopies_ = std::move(firstCopies); }
    const std::vector<int>& FirstCopies() const { return firstCopies_; }
    // The earlier tile that tile is a copy of; none for the first of its kind.
    std::optional<int> EarlierCopy(int tile) const;

    bool grid = false;
    // Outlines every tile that has an earlier copy.
    bool markDuplicates = false;
    Background background = Background::WindowColour;

  private:
    // Shows zoom, about anchor.
    bool Show(int zoom, PixelPoint anchor);
    bool IsTile(int tile) const;
    void KeepSelection();

    PixelSize canvas_;
    int tileCount_ = 0;
    double ratio_ = 1.0;
    PixelSize viewport_;
    int zoom_ = kActualSize;
    int wanted_ = kActualSize;
    int floor_ = kActualSize;
    PixelPoint scroll_;
    std::optional<TileBlock> selection_;
    std::vector<int> firstCopies_;
};

// What the window's fit starts from, in logical pixels.
struct FitRequest {
    PixelSize content;     // the zoomed mosaic
    int chromeHeight = 0;  // menu bar and status bar
    PixelSize decoration;  // the frame the window manager adds; 0 x 0 while unknown
    PixelRect available;   // the screen less its panels; empty: no limit
    int scrollBar = 0;     // a scrollbar's width
    PixelPoint frameTopLeft;
    PixelSize minimumClient;  // what the menus and the status bar need
};

struct WindowFit {
    PixelSize client;  // the window without its frame
    PixelPoint frameTopLeft;
    bool verticalBar = false;
    bool horizontalBar = false;
    bool operator==(const WindowFit&) const = default;
};

// The window around the content exactly, with a scrollbar for each way the screen is too small,
// and its frame moved inside the available area.
WindowFit FitWindow(const FitRequest& request);

// The largest zoom at which the canvas's whole width fits the screen: FitWindow then needs no
// horizontal scrollbar. request.content is ignored.
int FitZoom(PixelSize canvas, double devicePixelRatio, FitRequest request);
// The largest zoom at which the whole canvas fits the screen: FitWindow needs no scrollbar. Below
// 1× it shrinks as far as a canvas of one pixel.
int FitWholeZoom(PixelSize canvas, double devicePixelRatio, FitRequest request);

}  // namespace orvane::viewer
