#include "tileset/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/runtime_error.h"
#include "tileset/picture.h"
#include "tileset/png.h"

namespace orvane::tileset {
namespace {

using platform::ErrorNumber;
using platform::RaiseBecause;

// The mosaic's first rows, as the window shows them: as many rows as it is tiles wide, a square.
constexpr int kThumbnailRows = kTilesPerRow;
constexpr int kThumbnailTiles = kTilesPerRow * kThumbnailRows;

// A buffer of width x height holding one value of each RGBA pixel of rgba (channel 0 to 2 its
// colour, 3 its alpha as grey): the bilinear resampler knows three channels.
std::unique_ptr<cDIBSection> Channels(std::span<const std::uint8_t> rgba, int width, int height,
                                      bool alpha) {
    auto dib = std::make_unique<cDIBSection>();
    if (!dib->Create(width, height)) {
        RaiseBecause(ErrorNumber::OutOfMemory, "no memory for the thumbnail");
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = dib->DIBSectionBitsPtr() +
                    static_cast<std::ptrdiff_t>(height - 1 - y) * dib->BytesPerScanLine();
        const std::uint8_t* pixel =
            rgba.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        for (int x = 0; x < width; ++x, pixel += kRgbaBytes, row += 3) {
            row[0] = alpha ? pixel[3] : pixel[2];
            row[1] = alpha ? pixel[3] : pixel[1];
            row[2] = alpha ? pixel[3] : pixel[0];
        }
    }
    return dib;
}

// from's pixels scaled bilinearly to `to`. The transparent pixels are black, so the colours are
// alpha-weighted already: both are resampled alike, and dividing by the alpha afterwards keeps the
// see-through pixels' black from darkening the edges of what is drawn.
void ResampleRgba(std::span<const std::uint8_t> from, int fromWidth, int fromHeight,
                  std::span<std::uint8_t> to, int toWidth, int toHeight) {
    const auto scale = [&](bool alpha) {
        std::shared_ptr<cDIBSection> scaled =
            Channels(from, fromWidth, fromHeight, alpha)->Resample(toHeight, toWidth);
        if (!scaled) {
            RaiseBecause(ErrorNumber::OutOfMemory, "no memory for the thumbnail");
        }
        return scaled;
    };
    const std::shared_ptr<cDIBSection> colour = scale(false);
    const std::shared_ptr<cDIBSection> alpha = scale(true);
    std::uint8_t* out = to.data();
    for (int y = 0; y < toHeight; ++y) {
        const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(toHeight - 1 - y);
        const BYTE* c = colour->DIBSectionBitsPtr() + row * colour->BytesPerScanLine();
        const BYTE* a = alpha->DIBSectionBitsPtr() + row * alpha->BytesPerScanLine();
        for (int x = 0; x < toWidth; ++x, c += 3, a += 3, out += kRgbaBytes) {
            const int level = a[0];
            for (int k = 0; k < 3; ++k) {
                out[k] = level == 0 ? 0
                                    : static_cast<std::uint8_t>(
                                          std::min(255, (c[2 - k] * 255 + level / 2) / level));
            }
            out[3] = static_cast<std::uint8_t>(level);
        }
    }
}

}  // namespace

void SaveTilesetThumbnail(TilesetFile& file, const std::string& output, int size) {
    if (size < 1 || size > kMaxThumbnailSize) {
        RaiseBecause(ErrorNumber::InvalidPropertyValue,
                     "the size must be 1 to " + std::to_string(kMaxThumbnailSize));
    }
    const int shown = TilesToShow(file, kThumbnailTiles);
    std::vector<BYTE> tiles(static_cast<std::size_t>(shown) * kTileBytes);
    file.ReadTiles(0, tiles);

    const MosaicSize grid = MosaicSizeFor(shown, kTilesPerRow);
    std::vector<std::uint8_t> mosaic(BandBytes(grid.width) * (grid.height / kTileSize));
    const std::size_t bandTiles = static_cast<std::size_t>(kTilesPerRow) * kTileBytes;
    for (std::size_t band = 0; band * bandTiles < tiles.size(); ++band) {
        PaintMosaicBand(
            std::span<const BYTE>(tiles).subspan(
                band * bandTiles, std::min(bandTiles, tiles.size() - band * bandTiles)),
            grid.width,
            std::span(mosaic).subspan(band * BandBytes(grid.width), BandBytes(grid.width)));
    }

    // A few tiles stay crisp pixel art, enlarged by a whole factor; a mosaic larger than the
    // thumbnail is shrunk smoothly, so that it keeps its look rather than some of its pixels.
    const int longer = std::max(grid.width, grid.height);
    const int factor = size / longer;
    const auto shrunk = [&](int side) {
        return std::max(1,
                        static_cast<int>(std::lround(static_cast<double>(side) * size / longer)));
    };
    const int width = factor > 0 ? grid.width * factor : shrunk(grid.width);
    const int height = factor > 0 ? grid.height * factor : shrunk(grid.height);
    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(width) * height * kRgbaBytes);
    if (factor > 0) {
        ScaleNearest(mosaic, grid.width, grid.height, scaled, width, height);
    } else {
        ResampleRgba(mosaic, grid.width, grid.height, scaled, width, height);
    }
    // A file manager makes many thumbnails at once: one thread each.
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kRgbaBytes;
    WritePngFile(
        output, width, height,
        {.bandRows = static_cast<std::uint32_t>(height), .threads = 1, .texts = {}, .quick = true},
        [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
            std::copy_n(scaled.begin() + static_cast<std::ptrdiff_t>(firstRow * rowBytes),
                        rows.size(), rows.begin());
        });
}

}  // namespace orvane::tileset
