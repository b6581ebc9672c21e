#include "viewer/view_render.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "tileset/format.h"
#include "viewer/scaled_view.h"

namespace orvane::viewer {
namespace {

// Tiles smaller than this, in device pixels, get no grid: it would cover them.
constexpr int kLeastGridPitch = 8;

// Fills the part of rect (viewport device pixels) that lies in area.
void Fill(std::span<Argb> out, PixelRect area, PixelRect rect, Argb colour) {
    const int x0 = std::max(rect.x, area.x) - area.x;
    const int x1 = std::min(rect.x + rect.width, area.x + area.width) - area.x;
    const int y0 = std::max(rect.y, area.y) - area.y;
    const int y1 = std::min(rect.y + rect.height, area.y + area.height) - area.y;
    if (x0 >= x1) {
        return;
    }
    for (int y = y0; y < y1; ++y) {
        Argb* row = out.data() + static_cast<std::ptrdiff_t>(y) * area.width;
        std::fill(row + x0, row + x1, colour);
    }
}

// A ring of the given thickness just inside rect.
void Ring(std::span<Argb> out, PixelRect area, PixelRect rect, int thickness, Argb colour) {
    const int t = std::min({thickness, rect.width, rect.height});
    Fill(out, area, {rect.x, rect.y, rect.width, t}, colour);
    Fill(out, area, {rect.x, rect.y + rect.height - t, rect.width, t}, colour);
    Fill(out, area, {rect.x, rect.y, t, rect.height}, colour);
    Fill(out, area, {rect.x + rect.width - t, rect.y, t, rect.height}, colour);
}

// The device pixels (counted from the zoomed canvas's corner) in [from, to) where a tile starts,
// and end - 1, the mosaic's last.
std::vector<int> GridLines(ZoomScale scale, int from, int to, int end) {
    std::vector<int> lines;
    for (long long tile = scale.ToCanvas(from) / tileset::kTileSize;; ++tile) {
        const int at = scale.ToDevice(tile * tileset::kTileSize);
        if (at >= to) {
            break;
        }
        if (at >= from) {
            lines.push_back(at);
        }
    }
    if (end - 1 >= from && end - 1 < to && (lines.empty() || lines.back() != end - 1)) {
        lines.push_back(end - 1);
    }
    return lines;
}

void PaintGrid(const MosaicView& view, PixelRect area, std::span<Argb> out) {
    const ZoomScale scale = view.Scale();
    if (scale.ToDevice(tileset::kTileSize) < kLeastGridPitch) {
        return;
    }
    const PixelSize content = view.Content();
    const PixelPoint scroll = view.Scroll();
    // The canvas's part of the area, in canvas device pixels.
    const int left = std::max(area.x + scroll.x, 0);
    const int right = std::min(area.x + area.width + scroll.x, content.width);
    const int top = std::max(area.y + scroll.y, 0);
    const int bottom = std::min(area.y + area.height + scroll.y, content.height);
    if (left >= right || top >= bottom) {
        return;
    }
    const auto at = [&](int x, int y) -> Argb& {
        return out[static_cast<std::size_t>(y - scroll.y - area.y) * area.width +
                   static_cast<std::size_t>(x - scroll.x - area.x)];
    };
    // Every tile's left and top edge, and the mosaic's right and bottom edge.
    const std::vector<int> columns = GridLines(scale, left, right, content.width);
    const std::vector<int> rows = GridLines(scale, top, bottom, content.height);
    auto nextRow = rows.begin();
    for (int y = top; y < bottom; ++y) {
        if (nextRow != rows.end() && *nextRow == y) {
            ++nextRow;
            for (int x = left; x < right; ++x) {
                at(x, y) = GridOver(at(x, y));
            }
            continue;
        }
        for (const int x : columns) {
            at(x, y) = GridOver(at(x, y));
        }
    }
}

// Rings each tile of the area that has an earlier copy.
void MarkCopies(const MosaicView& view, PixelRect area, std::span<Argb> out) {
    const ZoomScale scale = view.Scale();
    const PixelPoint scroll = view.Scroll();
    const auto tileOf = [&](int device) { return scale.ToCanvas(device) / tileset::kTileSize; };
    const int firstColumn = std::max(0, tileOf(area.x + scroll.x));
    const int lastColumn =
        std::min(tileset::kTilesPerRow - 1, tileOf(area.x + area.width - 1 + scroll.x));
    const int firstRow = std::max(0, tileOf(area.y + scroll.y));
    const int lastRow = tileOf(area.y + area.height - 1 + scroll.y);
    const int thickness = DevicePixelsPer(2, view.DevicePixelRatio());
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const int tile = row * tileset::kTilesPerRow + column;
            if (tile < view.TileCount() && view.EarlierCopy(tile)) {
                Ring(out, area, view.DeviceRect(TileRect(tile)), thickness, kDuplicateColour);
            }
        }
    }
}

// Which canvas column each column of the area shows; -1 beyond the canvas.
std::vector<int> CanvasColumns(const MosaicView& view, PixelRect area) {
    const int scale = view.Scale().device;
    const int first = view.Scroll().x + area.x;
    std::vector<int> columns(static_cast<std::size_t>(area.width));
    for (int i = 0; i < area.width; ++i) {
        const int x = first + i;
        columns[static_cast<std::size_t>(i)] =
            x >= 0 && x / scale < view.Canvas().width ? x / scale : -1;
    }
    return columns;
}

// One row of the area, whose first pixel is `first` (viewport device pixels), showing canvas row
// canvasY, whose pixels source holds: each column's canvas pixel, or the checkerboard where
// seeThrough marks it.
void PaintRow(const BYTE* source, std::span<const int> columns,
              const tileset::SeeThroughMask* seeThrough, int canvasY, PixelPoint first, int square,
              Argb outside, Argb* row) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int x = columns[i];
        if (x < 0) {
            row[i] = outside;
        } else if (seeThrough != nullptr && seeThrough->Test(x, canvasY)) {
            row[i] = CheckerAt(first.x + static_cast<int>(i), first.y, square);
        } else {
            row[i] = FromBgr(source + 3 * static_cast<std::ptrdiff_t>(x));
        }
    }
}

// The canvas's pixels magnified by a whole number over the area, the checkerboard under
// see-through ones where checker is given, outside beyond the canvas (and everywhere without one).
// Rows that show the same canvas row (and checkerboard row) are copies of each other.
void PaintPixels(const MosaicView& view, const platform::BitmapBits* canvas,
                 const tileset::SeeThroughMask* checker, PixelRect area, Argb outside,
                 std::span<Argb> out) {
    const int scale = view.Scale().device;
    const int square = DevicePixelsPer(kCheckerSquare, view.DevicePixelRatio());
    const PixelPoint scroll = view.Scroll();
    const std::vector<int> columns = CanvasColumns(view, area);
    long long previous = LLONG_MIN;
    for (int r = 0; r < area.height; ++r) {
        Argb* row = out.data() + static_cast<std::ptrdiff_t>(r) * area.width;
        const int y = scroll.y + area.y + r;
        const int canvasY = y >= 0 ? y / scale : -1;
        if (canvas == nullptr || canvasY < 0 || canvasY >= view.Canvas().height) {
            std::fill(row, row + area.width, outside);
            previous = LLONG_MIN;
            continue;
        }
        const bool seeThrough = checker != nullptr && checker->RowHasAny(canvasY);
        const long long key = 2LL * canvasY + (seeThrough ? (y / square) % 2 : 0);
        if (key == previous) {
            std::memcpy(row, row - area.width, sizeof(Argb) * static_cast<std::size_t>(area.width));
            continue;
        }
        previous = key;
        PaintRow(canvas->Row(canvasY), columns, seeThrough ? checker : nullptr, canvasY,
                 {scroll.x + area.x, y}, square, outside, row);
    }
}

// The selected block's outline: a strong line, and a thin white one inside it.
void PaintSelection(const MosaicView& view, PixelRect area, std::span<Argb> out) {
    const std::optional<TileBlock> selected = view.SelectedBlock();
    if (!selected) {
        return;
    }
    const PixelRect tile = view.DeviceRect(BlockRect(*selected));
    const int thickness = DevicePixelsPer(2, view.DevicePixelRatio());
    Ring(out, area, tile, thickness, kSelectionColour);
    Ring(out, area,
         {tile.x + thickness, tile.y + thickness, tile.width - 2 * thickness,
          tile.height - 2 * thickness},
         1, kSelectionInner);
}

}  // namespace

Argb GridOver(Argb pixel) {
    const Argb r = pixel >> 16 & 0xFF;
    const Argb g = pixel >> 8 & 0xFF;
    const Argb b = pixel & 0xFF;
    const bool light = r * 299 + g * 587 + b * 114 >= 128'000;
    return light ? 0xFF000000U | (pixel >> 1 & 0x7F7F7F)
                 : 0xFF000000U | ((pixel >> 1 & 0x7F7F7F) + 0x808080);
}

void RenderView(const MosaicView& view, const platform::BitmapBits& canvas,
                const tileset::SeeThroughMask& mask, PixelRect area, Argb outside,
                std::span<Argb> out) {
    if (area.width <= 0 || area.height <= 0 ||
        out.size() < static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height)) {
        return;
    }
    const PixelSize size = view.Canvas();
    const bool hasPixels = canvas && canvas.width == size.width && canvas.height == size.height;
    const bool checker = view.background == Background::Checkerboard &&
                         mask.Width() == size.width && mask.Height() == size.height;
    if (hasPixels && view.Scale().canvas > 1) {
        PaintScaled(view, canvas, checker ? &mask : nullptr, area, outside, out);
    } else {
        PaintPixels(view, hasPixels ? &canvas : nullptr, checker ? &mask : nullptr, area, outside,
                    out);
    }
    if (!hasPixels) {
        return;
    }
    if (view.grid) {
        PaintGrid(view, area, out);
    }
    if (view.markDuplicates) {
        MarkCopies(view, area, out);
    }
    PaintSelection(view, area, out);
}

}  // namespace orvane::viewer
