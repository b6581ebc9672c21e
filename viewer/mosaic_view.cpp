#include "viewer/mosaic_view.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "tileset/format.h"
#include "viewer/tile_copies.h"

namespace orvane::viewer {

int DevicePixelsPer(int zoom, double devicePixelRatio) {
    return std::max(1, static_cast<int>(std::lround(zoom * devicePixelRatio)));
}

ZoomScale ScaleOf(int zoom, double devicePixelRatio) {
    if (zoom >= kActualSize) {
        return {DevicePixelsPer(zoom, devicePixelRatio), 1};
    }
    const int device = DevicePixelsPer(kActualSize, devicePixelRatio);
    const int canvas = ZoomDivisor(zoom);
    const int common = std::gcd(device, canvas);
    return {device / common, canvas / common};
}

int LogicalLength(int devicePixels, double devicePixelRatio) {
    // The small allowance keeps 150 device pixels at 1.5 from becoming 101 logical ones.
    return static_cast<int>(std::ceil(devicePixels / devicePixelRatio - 1e-9));
}

std::optional<TileHit> TileAt(int tileCount, PixelPoint canvas) {
    if (canvas.x < 0 || canvas.y < 0) {
        return std::nullopt;
    }
    const int column = canvas.x / tileset::kTileSize;
    const int row = canvas.y / tileset::kTileSize;
    if (column >= tileset::kTilesPerRow) {
        return std::nullopt;
    }
    const int tile = row * tileset::kTilesPerRow + column;
    if (tile >= tileCount) {
        return std::nullopt;
    }
    return TileHit{
        tile, column, row, {canvas.x % tileset::kTileSize, canvas.y % tileset::kTileSize}};
}

PixelRect TileRect(int tile) {
    return {tile % tileset::kTilesPerRow * tileset::kTileSize,
            tile / tileset::kTilesPerRow * tileset::kTileSize, tileset::kTileSize,
            tileset::kTileSize};
}

PixelRect BlockRect(const TileBlock& block) {
    return {block.FirstColumn() * tileset::kTileSize, block.FirstRow() * tileset::kTileSize,
            block.Columns() * tileset::kTileSize, block.Rows() * tileset::kTileSize};
}

void MosaicView::SetMosaic(PixelSize canvas, int tileCount) {
    canvas_ = canvas;
    tileCount_ = std::max(tileCount, 0);
    KeepSelection();
    ScrollTo(scroll_);
}

std::optional<int> MosaicView::EarlierCopy(int tile) const {
    return viewer::EarlierCopy(firstCopies_, tile);
}

void MosaicView::SetDevicePixelRatio(double ratio) {
    if (ratio > 0 && ratio != ratio_) {
        // The same canvas point stays at the viewport's corner.
        const ZoomScale before = Scale();
        ratio_ = ratio;
        const ZoomScale after = Scale();
        const double factor = static_cast<double>(after.device) * before.canvas /
                              (static_cast<double>(after.canvas) * before.device);
        ScrollTo({static_cast<int>(std::lround(scroll_.x * factor)),
                  static_cast<int>(std::lround(scroll_.y * factor))});
    }
}

void MosaicView::SetViewport(PixelSize device) {
    viewport_ = device;
    ScrollTo(scroll_);
}

bool MosaicView::ZoomTo(int zoom, PixelPoint anchor) {
    wanted_ = std::clamp(zoom, floor_, kMaxZoom);
    return Show(wanted_, anchor);
}

bool MosaicView::ZoomTo(int zoom) {
    // A view at the mosaic's top or left edge stays there (the window grows with the zoom and
    // shows the rest), however soon the next key comes.
    return ZoomTo(zoom, {scroll_.x == 0 ? 0 : viewport_.width / 2,
                         scroll_.y == 0 ? 0 : viewport_.height / 2});
}

bool MosaicView::SetZoomFloor(int floor) {
    floor_ = std::clamp(floor, kLeastZoom, kActualSize);
    return Show(std::clamp(wanted_, floor_, kMaxZoom), {});
}

bool MosaicView::RestoreZoom(int zoom) {
    wanted_ = std::clamp(zoom, kLeastZoom, kMaxZoom);
    return Show(std::clamp(wanted_, floor_, kMaxZoom), {});
}

bool MosaicView::Show(int zoom, PixelPoint anchor) {
    if (zoom == zoom_) {
        return false;
    }
    const ZoomScale before = Scale();
    zoom_ = zoom;
    const ZoomScale after = Scale();
    const double factor = static_cast<double>(after.device) * before.canvas /
                          (static_cast<double>(after.canvas) * before.device);
    ScrollTo({static_cast<int>(std::lround((scroll_.x + anchor.x) * factor)) - anchor.x,
              static_cast<int>(std::lround((scroll_.y + anchor.y) * factor)) - anchor.y});
    return true;
}

PixelSize MosaicView::Content() const {
    const ZoomScale scale = Scale();
    return {scale.ToDevice(canvas_.width), scale.ToDevice(canvas_.height)};
}

PixelSize MosaicView::LogicalContent() const {
    const PixelSize content = Content();
    return {LogicalLength(content.width, ratio_), LogicalLength(content.height, ratio_)};
}

PixelPoint MosaicView::MaxScroll() const {
    const PixelSize content = Content();
    return {std::max(0, content.width - viewport_.width),
            std::max(0, content.height - viewport_.height)};
}

void MosaicView::ScrollTo(PixelPoint device) {
    const PixelPoint most = MaxScroll();
    scroll_ = {std::clamp(device.x, 0, most.x), std::clamp(device.y, 0, most.y)};
}

void MosaicView::ScrollTo(Jump jump) {
    const PixelPoint most = MaxScroll();
    switch (jump) {
        case Jump::FirstRow:
            return ScrollTo({scroll_.x, 0});
        case Jump::LastRow:
            return ScrollTo({scroll_.x, most.y});
        case Jump::TopLeft:
            return ScrollTo({0, 0});
        case Jump::BottomRight:
            return ScrollTo(most);
        case Jump::PageUp:
            return ScrollTo({scroll_.x, scroll_.y - viewport_.height});
        case Jump::PageDown:
            return ScrollTo({scroll_.x, scroll_.y + viewport_.height});
    }
}

std::optional<PixelPoint> MosaicView::CanvasAt(PixelPoint device) const {
    const ZoomScale scale = Scale();
    const PixelPoint canvas{scale.ToCanvas(scroll_.x + device.x),
                            scale.ToCanvas(scroll_.y + device.y)};
    if (!PixelRect{0, 0, canvas_.width, canvas_.height}.Contains(canvas)) {
        return std::nullopt;
    }
    return canvas;
}

std::optional<PixelPoint> MosaicView::CanvasAtLogical(double x, double y) const {
    return CanvasAt(
        {static_cast<int>(std::floor(x * ratio_)), static_cast<int>(std::floor(y * ratio_))});
}

PixelRect MosaicView::DeviceRect(PixelRect canvas) const {
    const ZoomScale scale = Scale();
    const int left = scale.ToDevice(canvas.x);
    const int top = scale.ToDevice(canvas.y);
    return {left - scroll_.x, top - scroll_.y, scale.ToDevice(canvas.x + canvas.width) - left,
            scale.ToDevice(canvas.y + canvas.height) - top};
}

std::optional<int> MosaicView::Selection() const {
    return selection_ ? std::optional(selection_->anchor) : std::nullopt;
}

bool MosaicView::IsTile(int tile) const {
    return tile >= 0 && tile < tileCount_;
}

void MosaicView::Select(std::optional<int> tile) {
    selection_ = tile && IsTile(*tile) ? std::optional(TileBlock{*tile, *tile}) : std::nullopt;
}

void MosaicView::ExtendSelection(int tile) {
    if (!IsTile(tile)) {
        return;
    }
    selection_ = TileBlock{selection_ ? selection_->anchor : tile, tile};
}

void MosaicView::SelectAll() {
    const int rows = tileset::MosaicRowsFor(tileCount_);
    selection_ =
        rows > 0 ? std::optional(TileBlock{0, rows * tileset::kTilesPerRow - 1}) : std::nullopt;
}

// A new mosaic keeps a selection that starts on one of its tiles, cut to its rows.
void MosaicView::KeepSelection() {
    if (!selection_ || !IsTile(selection_->anchor)) {
        selection_.reset();
        return;
    }
    const int cells = tileset::MosaicRowsFor(tileCount_) * tileset::kTilesPerRow;
    if (selection_->corner >= cells) {
        selection_->corner =
            (cells - tileset::kTilesPerRow) + selection_->corner % tileset::kTilesPerRow;
    }
}

bool MosaicView::GoToTile(int tile) {
    if (!IsTile(tile)) {
        return false;
    }
    Select(tile);
    const PixelRect shown = DeviceRect(TileRect(tile));
    const bool whole = shown.x >= 0 && shown.y >= 0 && shown.x + shown.width <= viewport_.width &&
                       shown.y + shown.height <= viewport_.height;
    if (!whole) {
        ScrollTo({scroll_.x + shown.x + (shown.width - viewport_.width) / 2,
                  scroll_.y + shown.y + (shown.height - viewport_.height) / 2});
    }
    return true;
}

WindowFit FitWindow(const FitRequest& request) {
    const PixelSize decoration = request.decoration;
    int width = request.content.width + decoration.width;
    int height = request.content.height + request.chromeHeight + decoration.height;
    WindowFit fit;
    const PixelRect area = request.available;
    const bool limited = area.width > 0 && area.height > 0;
    if (limited) {
        if (height > area.height) {
            fit.verticalBar = true;
            height = area.height;
            width += request.scrollBar;
        }
        if (width > area.width) {
            fit.horizontalBar = true;
            width = area.width;
            if (!fit.verticalBar) {
                height += request.scrollBar;
                if (height > area.height) {
                    fit.verticalBar = true;
                    height = area.height;
                }
            }
        }
    }
    fit.client = {std::max(width - decoration.width, request.minimumClient.width),
                  std::max(height - decoration.height, request.minimumClient.height)};

    PixelPoint corner = request.frameTopLeft;
    if (limited) {
        const int frameWidth = fit.client.width + decoration.width;
        const int frameHeight = fit.client.height + decoration.height;
        corner.x = std::max(std::min(corner.x, area.x + area.width - frameWidth), area.x);
        corner.y = std::max(std::min(corner.y, area.y + area.height - frameHeight), area.y);
    }
    fit.frameTopLeft = corner;
    return fit;
}

namespace {

// The largest zoom at which the window around the canvas needs no horizontal scrollbar, and with
// whole no vertical one either; at least the step at which the canvas is one pixel.
int LargestZoomThatFits(PixelSize canvas, double devicePixelRatio, FitRequest request, bool whole) {
    const long long longest = std::max({canvas.width, canvas.height, 1});
    const int least = std::max(
        kLeastZoom,
        ShrinkStep(static_cast<int>(std::min<long long>(
            longest * DevicePixelsPer(kActualSize, devicePixelRatio), ZoomDivisor(kLeastZoom)))));
    for (int zoom = kMaxZoom; zoom > least; --zoom) {
        const ZoomScale scale = ScaleOf(zoom, devicePixelRatio);
        request.content = {LogicalLength(scale.ToDevice(canvas.width), devicePixelRatio),
                           LogicalLength(scale.ToDevice(canvas.height), devicePixelRatio)};
        const WindowFit fit = FitWindow(request);
        if (!fit.horizontalBar && !(whole && fit.verticalBar)) {
            return zoom;
        }
    }
    return least;
}

}  // namespace

int FitZoom(PixelSize canvas, double devicePixelRatio, FitRequest request) {
    return LargestZoomThatFits(canvas, devicePixelRatio, request, false);
}

int FitWholeZoom(PixelSize canvas, double devicePixelRatio, FitRequest request) {
    return LargestZoomThatFits(canvas, devicePixelRatio, request, true);
}

}  // namespace orvane::viewer
