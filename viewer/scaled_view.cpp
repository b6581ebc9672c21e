#include "viewer/scaled_view.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "dib/cdibsection.h"

namespace orvane::viewer {
namespace {

// Device rows in one band: as many whole steps of the scale (each `device` device rows showing
// `canvas` canvas rows, so that every band starts at a whole canvas row) as show about
// kScaledBandBytes of canvas; one step at least.
int BandRows(ZoomScale scale, int canvasWidth) {
    const long long canvasRows = kScaledBandBytes / (3LL * std::max(canvasWidth, 1));
    return static_cast<int>(std::max(canvasRows / scale.canvas, 1LL) * scale.device);
}

platform::BitmapBits BitsOf(const cDIBSection& buffer) {
    return {buffer.DIBSectionBitsPtr(), buffer.Width(), buffer.Height(), buffer.BytesPerScanLine()};
}

}  // namespace

void PaintScaled(const MosaicView& view, const platform::BitmapBits& canvas,
                 const tileset::SeeThroughMask* checker, PixelRect area, Argb outside,
                 std::span<Argb> out) {
    const ZoomScale scale = view.Scale();
    const PixelSize content = view.Content();
    // The area in device pixels of the zoomed canvas, counted from its corner, and the part of
    // it that the canvas covers.
    const int left = view.Scroll().x + area.x;
    const int top = view.Scroll().y + area.y;
    const int x0 = std::clamp(left, 0, content.width);
    const int x1 = std::clamp(left + area.width, x0, content.width);
    const int y0 = std::clamp(top, 0, content.height);
    const int y1 = std::clamp(top + area.height, y0, content.height);
    const auto outRow = [&](int y) {
        return out.subspan(static_cast<std::size_t>(y - top) * static_cast<std::size_t>(area.width),
                           static_cast<std::size_t>(area.width));
    };
    for (int y = top; y < top + area.height; ++y) {
        const std::span<Argb> row = outRow(y);
        if (y < y0 || y >= y1) {
            std::ranges::fill(row, outside);
        } else {
            std::fill(row.begin(), row.begin() + (x0 - left), outside);
            std::fill(row.begin() + (x1 - left), row.end(), outside);
        }
    }
    if (x0 == x1 || y0 == y1) {
        return;
    }

    const int square = DevicePixelsPer(kCheckerSquare, view.DevicePixelRatio());
    const int band = BandRows(scale, canvas.width);
    cDIBSection rows;
    for (int first = y0 / band * band; first < y1; first += band) {
        const int end = std::min(first + band, content.height);
        const int fromRow = scale.ToCanvas(first);
        const int toRow = end == content.height ? canvas.height : scale.ToCanvas(end);
        // The band's canvas rows, copied from the canvas's memory, top row first in memory:
        // Resample keeps the first row and column of memory where they are, so each band then
        // starts exactly at its first canvas row, as it does at its first column. A buffer that
        // cannot be made leaves the band in the outside colour.
        if ((rows.hdc() == nullptr || rows.Height() != toRow - fromRow) &&
            !rows.Create(canvas.width, toRow - fromRow)) {
            continue;
        }
        const platform::BitmapBits source = BitsOf(rows);
        for (int y = fromRow; y < toRow; ++y) {
            std::memcpy(source.InMemory(y - fromRow), canvas.Row(y),
                        3 * static_cast<std::size_t>(canvas.width));
        }
        const std::shared_ptr<cDIBSection> scaled = rows.Resample(end - first, content.width);
        if (scaled == nullptr) {
            continue;
        }
        const platform::BitmapBits shown = BitsOf(*scaled);
        for (int y = std::max(first, y0); y < std::min(end, y1); ++y) {
            const BYTE* from = shown.InMemory(y - first);
            const std::span<Argb> row = outRow(y).subspan(static_cast<std::size_t>(x0 - left));
            const int canvasY = scale.ToCanvas(y);
            const bool seeThrough = checker != nullptr && checker->RowHasAny(canvasY);
            for (int x = x0; x < x1; ++x) {
                row[static_cast<std::size_t>(x - x0)] =
                    seeThrough && checker->Test(scale.ToCanvas(x), canvasY)
                        ? CheckerAt(x, y, square)
                        : FromBgr(from + 3 * static_cast<std::ptrdiff_t>(x));
            }
        }
    }
}

}  // namespace orvane::viewer
