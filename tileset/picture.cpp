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
            if (in[3] < kOpaqueFrom) {
                pixel[0] = kKeyRed;
                pixel[1] = kKeyGreen;
                pixel[2] = kKeyBlue;
                continue;
            }
            cut.transparent = false;
            pixel[0] = in[0];
            pixel[1] = in[1];
            pixel[2] = in[2];
            if (IsKeyColour(in[0], in[1], in[2])) {
                pixel[2] = kNudgedKeyBlue;
                ++cut.nudged;
            }
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
