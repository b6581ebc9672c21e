#include "tileset/picture.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace orvane::tileset {
namespace {

constexpr std::size_t kPixelBytes = 3;

std::size_t RowBytes(int width) {
    return static_cast<std::size_t>(width) * kRgbaBytes;
}

}  // namespace

void PaintMosaicBand(std::span<const BYTE> tiles, int width, std::span<std::uint8_t> band) {
    const std::size_t rowBytes = RowBytes(width);
    assert(band.size() == rowBytes * kTileSize);
    const std::size_t count = tiles.size() / kTileBytes;
    // Only what lies past the last tile is left unpainted.
    std::fill(band.begin(), band.end(), std::uint8_t{0});
    for (std::size_t tile = 0; tile < count; ++tile) {
        const BYTE* pixel = tiles.data() + tile * kTileBytes;
        std::uint8_t* cell = band.data() + tile * kTileSize * kRgbaBytes;
        // Stored column by column, each column from the top down.
        for (int x = 0; x < kTileSize; ++x) {
            std::uint8_t* out = cell + static_cast<std::size_t>(x) * kRgbaBytes;
            for (int y = 0; y < kTileSize; ++y, pixel += kPixelBytes, out += rowBytes) {
                if (!IsKeyColour(pixel[0], pixel[1], pixel[2])) {
                    out[0] = pixel[0];
                    out[1] = pixel[1];
                    out[2] = pixel[2];
                    out[3] = 0xFF;
                }
            }
        }
    }
}

void CopyPaintedRows(const PaintedMosaic& mosaic, int firstRow, std::span<std::uint8_t> rows) {
    const platform::BitmapBits& canvas = mosaic.canvas;
    const std::size_t rowBytes = RowBytes(canvas.width);
    assert(rows.size() % rowBytes == 0);
    const int count = static_cast<int>(rows.size() / rowBytes);
    // Where the tiles end: the cells to the right of it on the last row of tiles are empty.
    const int lastRowTop = (mosaic.tiles - 1) / kTilesPerRow * kTileSize;
    const int lastRowEnd =
        (mosaic.tiles - (mosaic.tiles - 1) / kTilesPerRow * kTilesPerRow) * kTileSize;
    for (int i = 0; i < count; ++i) {
        const int y = firstRow + i;
        const BYTE* from = canvas.Row(y);
        std::uint8_t* to = rows.data() + static_cast<std::size_t>(i) * rowBytes;
        // The canvas holds blue, green, red.
        for (int x = 0; x < canvas.width; ++x, from += kPixelBytes, to += kRgbaBytes) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 0xFF;
        }
        to -= rowBytes;
        const int filled = y >= lastRowTop ? std::min(lastRowEnd, canvas.width) : canvas.width;
        std::fill(to + static_cast<std::size_t>(filled) * kRgbaBytes, to + rowBytes,
                  std::uint8_t{0});
        if (mosaic.seeThrough.RowHasAny(y)) {
            for (int x = 0; x < filled; ++x) {
                if (mosaic.seeThrough.Test(x, y)) {
                    std::fill_n(to + static_cast<std::size_t>(x) * kRgbaBytes, kRgbaBytes,
                                std::uint8_t{0});
                }
            }
        }
    }
}

CellCut CutCell(std::span<const std::uint8_t> band, int width, int cell,
                std::span<BYTE, kTileBytes> tile) {
    const std::size_t rowBytes = RowBytes(width);
    CellCut cut;
    BYTE* pixel = tile.data();
    const std::uint8_t* first =
        band.data() + static_cast<std::size_t>(cell) * kTileSize * kRgbaBytes;
    for (int x = 0; x < kTileSize; ++x) {
        const std::uint8_t* in = first + static_cast<std::size_t>(x) * kRgbaBytes;
        for (int y = 0; y < kTileSize; ++y, pixel += kPixelBytes, in += rowBytes) {
            if (!IsOpaque(in)) {
                pixel[0] = kKeyRed;
                pixel[1] = kKeyGreen;
                pixel[2] = kKeyBlue;
                continue;
            }
            cut.transparent = false;
            cut.nudged += PutOpaque(in, pixel);
        }
    }
    return cut;
}

void ScaleNearest(std::span<const std::uint8_t> from, int fromWidth, int fromHeight,
                  std::span<std::uint8_t> to, int toWidth, int toHeight) {
    assert(from.size() == RowBytes(fromWidth) * static_cast<std::size_t>(fromHeight));
    assert(to.size() == RowBytes(toWidth) * static_cast<std::size_t>(toHeight));
    // The centre of output pixel i, (2i + 1) / 2n of the way along, falls on input pixel
    // (2i + 1) m / 2n.
    const auto source = [](int i, int m, int n) {
        return (2 * static_cast<std::size_t>(i) + 1) * static_cast<std::size_t>(m) /
               (2 * static_cast<std::size_t>(n));
    };
    std::uint8_t* out = to.data();
    for (int y = 0; y < toHeight; ++y) {
        const std::uint8_t* row =
            from.data() + source(y, fromHeight, toHeight) * RowBytes(fromWidth);
        for (int x = 0; x < toWidth; ++x, out += kRgbaBytes) {
            std::copy_n(row + source(x, fromWidth, toWidth) * kRgbaBytes, kRgbaBytes, out);
        }
    }
}

}  // namespace orvane::tileset
