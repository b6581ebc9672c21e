#include "viewer/mosaic_view.h"

#include <algorithm>
#include <cmath>

#include "tileset/format.h"
#include "viewer/tile_copies.h"

namespace orvane::viewer {
namespace {

int FloorDiv(int value, int by) {
    return value >= 0 ? value / by : -((-value + by - 1) / by);
}

}  // namespace

int DevicePixelsPer(int zoom, double devicePixelRatio) {
    return std::max(1, static_cast<int>(std::lround(zoom * devicePixelRatio)));
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

void MosaicView::SetMosaic(PixelSize canvas, int tileCount) {
    canvas_ = canvas;
    tileCount_ = std::max(tileCount, 0);
    Select(selection_);
    ScrollTo(scroll_);
}

std::optional<int> MosaicView::EarlierCopy(int tile) const {
    return viewer::EarlierCopy(firstCopies_, tile);
}

void MosaicView::SetDevicePixelRatio(double ratio) {
    if (ratio > 0 && ratio != ratio_) {
        // The same canvas point stays at the viewport's corner.
        const double x = scroll_.x / static_cast<double>(Scale());
        const double y = scroll_.y / static_cast<double>(Scale());
        ratio_ = ratio;
        ScrollTo({static_cast<int>(std::lround(x * Scale())),
                  static_cast<int>(std::lround(y * Scale()))});
    }
}

void MosaicView::SetViewport(PixelSize device) {
    viewport_ = device;
    ScrollTo(scroll_);
}

bool MosaicView::ZoomTo(int zoom, PixelPoint anchor) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == zoom_) {
        return false;
    }
    const int before = Scale();
    zoom_ = zoom;
    const double factor = static_cast<double>(Scale()) / before;
    ScrollTo({static_cast<int>(std::lround((scroll_.x + anchor.x) * factor)) - anchor.x,
              static_cast<int>(std::lround((scroll_.y + anchor.y) * factor)) - anchor.y});
    return true;
}

bool MosaicView::ZoomTo(int zoom) {
    // A view at the mosaic's top or left edge stays there (the window grows with the zoom and
    // shows the rest), however soon the next key comes.
    return ZoomTo(zoom, {scroll_.x == 0 ? 0 : viewport_.width / 2,
                         scroll_.y == 0 ? 0 : viewport_.height / 2});
}

PixelSize MosaicView::Content() const {
    return {canvas_.width * Scale(), canvas_.height * Scale()};
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
    const PixelPoint canvas{FloorDiv(scroll_.x + device.x, Scale()),
                            FloorDiv(scroll_.y + device.y, Scale())};
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
    const int scale = Scale();
    return {canvas.x * scale - scroll_.x, canvas.y * scale - scroll_.y, canvas.width * scale,
            canvas.height * scale};
}

void MosaicView::Select(std::optional<int> tile) {
    selection_ = tile && *tile >= 0 && *tile < tileCount_ ? tile : std::nullopt;
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

int FitZoom(PixelSize canvas, double devicePixelRatio, FitRequest request) {
    for (int zoom = kMaxZoom; zoom > kMinZoom; --zoom) {
        const int scale = DevicePixelsPer(zoom, devicePixelRatio);
        request.content = {LogicalLength(canvas.width * scale, devicePixelRatio),
                           LogicalLength(canvas.height * scale, devicePixelRatio)};
        if (!FitWindow(request).horizontalBar) {
            return zoom;
        }
    }
    return kMinZoom;
}

}  // namespace orvane::viewer
