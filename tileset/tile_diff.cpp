#include "tileset/tile_diff.h"

#include <algorithm>
#include <cstring>

#include "platform/parallel.h"
#include "platform/runtime_error.h"
#include "tileset/hygiene.h"
#include "tileset/picture.h"
#include "tileset/png.h"

namespace orvane::tileset {
namespace {

int DifferingPixels(std::span<const BYTE, kTileBytes> a, std::span<const BYTE, kTileBytes> b) {
    int pixels = 0;
    for (std::size_t at = 0; at < kTileBytes; at += 3) {
        pixels += a[at] != b[at] || a[at + 1] != b[at + 1] || a[at + 2] != b[at + 2] ? 1 : 0;
    }
    return pixels;
}

// Rings the cell (from 0 in the band) of band, kTileSize rows of width RGBA pixels.
void Outline(std::span<std::uint8_t> band, int width, int cell, const Rgba& colour) {
    const auto row = [&](int y) {
        return band.subspan(static_cast<std::size_t>(y) * width * kRgbaBytes +
                                static_cast<std::size_t>(cell) * kTileSize * kRgbaBytes,
                            static_cast<std::size_t>(kTileSize) * kRgbaBytes);
    };
    const auto paint = [&](std::span<std::uint8_t> pixels, int x) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(x) * kRgbaBytes, colour.data(),
                    kRgbaBytes);
    };
    for (int y = 0; y < kTileSize; ++y) {
        const bool edge = y < kOutlineWidth || y >= kTileSize - kOutlineWidth;
        for (int x = 0; x < kTileSize; ++x) {
            if (edge || x < kOutlineWidth || x >= kTileSize - kOutlineWidth) {
                paint(row(y), x);
            }
        }
    }
}

const Rgba& OutlineOf(TileChange::Kind kind) {
    switch (kind) {
        case TileChange::Kind::Added:
            return kAddedOutline;
        case TileChange::Kind::Removed:
            return kRemovedOutline;
        case TileChange::Kind::Changed:
            break;
    }
    return kChangedOutline;
}

}  // namespace

std::vector<TileChange> DiffTiles(std::span<const BYTE> a, std::span<const BYTE> b) {
    const int before = TileCountOf(a);
    const int after = TileCountOf(b);
    std::vector<TileChange> changes;
    for (int tile = 0; tile < std::max(before, after); ++tile) {
        if (tile >= before) {
            changes.push_back({TileChange::Kind::Added, tile});
        } else if (tile >= after) {
            changes.push_back({TileChange::Kind::Removed, tile});
        } else if (std::memcmp(TileOf(a, tile).data(), TileOf(b, tile).data(), kTileBytes) != 0) {
            changes.push_back({TileChange::Kind::Changed, tile,
                               DifferingPixels(TileOf(a, tile), TileOf(b, tile))});
        }
    }
    return changes;
}

void SaveDiffPng(std::span<const BYTE> b, std::span<const TileChange> changes,
                 const std::string& output) {
    const int after = TileCountOf(b);
    const int cells = after + static_cast<int>(std::count_if(
                                  changes.begin(), changes.end(), [](const TileChange& change) {
                                      return change.kind == TileChange::Kind::Removed;
                                  }));
    if (cells == 0) {
        platform::RaiseBecause(platform::ErrorNumber::InvalidPicture, "neither tileset has tiles");
    }
    const MosaicSize size = MosaicSizeFor(cells, kTilesPerRow);
    const std::size_t rowOfTiles = BandBytes(size.width);
    const png::WriteOptions options{
        .bandRows = png::BandRowsFor(static_cast<std::uint32_t>(size.width), kTileSize),
        .threads = platform::UsableProcessors(),
        .texts = {}};
    // Called on several threads, each for rows of tiles of its own; changes are in tile order.
    WritePngFile(
        output, size.width, size.height, options,
        [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
            for (std::size_t at = 0; at < rows.size(); at += rowOfTiles) {
                const std::span<std::uint8_t> band = rows.subspan(at, rowOfTiles);
                const int first =
                    static_cast<int>(firstRow / kTileSize + at / rowOfTiles) * kTilesPerRow;
                const int shown = std::clamp(after - first, 0, kTilesPerRow);
                PaintMosaicBand(
                    b.subspan(static_cast<std::size_t>(std::min(first, after)) * kTileBytes,
                              static_cast<std::size_t>(shown) * kTileBytes),
                    size.width, band);
                auto change =
                    std::lower_bound(changes.begin(), changes.end(), first,
                                     [](const TileChange& c, int tile) { return c.tile < tile; });
                for (; change != changes.end() && change->tile < first + kTilesPerRow; ++change) {
                    Outline(band, size.width, change->tile - first, OutlineOf(change->kind));
                }
            }
        });
}

}  // namespace orvane::tileset
