#include "viewer/tile_copies.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/parallel.h"
#include "tileset/format.h"
#include "tileset/hygiene.h"

namespace orvane::viewer {
namespace {

using tileset::kTileSize;
constexpr std::size_t kRowBytes = std::size_t{kTileSize} * 3;
// A tile as the canvas and the mask hold it, row by row: its pixels, then which are see-through.
// Equal exactly when the file's tiles are: a see-through pixel is the key colour in the file,
// whatever the canvas shows there.
constexpr std::size_t kKeyRowBytes = kRowBytes + sizeof(std::uint32_t);
using TileKey = std::array<BYTE, kTileSize * kKeyRowBytes>;
// Mosaic rows a job hashes: about what a job of painting covers.
constexpr int kRowsPerJob = 36;

// Row y of the canvas into the keys of the tiles that lie on it, from tile first on.
void PutRow(const platform::BitmapBits& canvas, const tileset::SeeThroughMask* mask, int y,
            int first, std::span<TileKey> keys) {
    const BYTE* row = canvas.Row(y);
    const std::size_t at = static_cast<std::size_t>(y % kTileSize) * kKeyRowBytes;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int left = (first + static_cast<int>(i)) % tileset::kTilesPerRow * kTileSize;
        std::memcpy(keys[i].data() + at, row + 3 * static_cast<std::ptrdiff_t>(left), kRowBytes);
        const std::uint32_t seeThrough = mask != nullptr ? mask->Bits32(left, y) : 0;
        std::memcpy(keys[i].data() + at + kRowBytes, &seeThrough, sizeof seeThrough);
    }
}

// Whether tiles a and b hold the same pixels, and the same ones see-through.
bool SameTile(const platform::BitmapBits& canvas, const tileset::SeeThroughMask* mask, int a,
              int b) {
    const auto left = [](int tile) { return tile % tileset::kTilesPerRow * kTileSize; };
    const auto top = [](int tile) { return tile / tileset::kTilesPerRow * kTileSize; };
    for (int y = 0; y < kTileSize; ++y) {
        if (std::memcmp(canvas.Row(top(a) + y) + 3 * static_cast<std::ptrdiff_t>(left(a)),
                        canvas.Row(top(b) + y) + 3 * static_cast<std::ptrdiff_t>(left(b)),
                        kRowBytes) != 0 ||
            (mask != nullptr &&
             mask->Bits32(left(a), top(a) + y) != mask->Bits32(left(b), top(b) + y))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::vector<int> FirstCopiesOnCanvas(const platform::BitmapBits& canvas,
                                     const tileset::SeeThroughMask& mask, int tileCount) {
    const int rows = tileset::MosaicRowsFor(tileCount);
    if (!canvas || canvas.height < rows * kTileSize ||
        canvas.width < std::min(tileCount, tileset::kTilesPerRow) * kTileSize) {
        return {};
    }
    const tileset::SeeThroughMask* seeThrough =
        mask.Width() == canvas.width && mask.Height() == canvas.height ? &mask : nullptr;
    // A band of tiles at a time, its canvas rows read in order as memory streams them best, and
    // the bands shared among the processors: the hashes cost what reading the canvas costs.
    std::vector<std::uint64_t> hashes(static_cast<std::size_t>(tileCount));
    const int jobs = (rows + kRowsPerJob - 1) / kRowsPerJob;
    platform::ParallelFor(
        static_cast<std::size_t>(jobs), platform::UsableProcessors(), [&](std::size_t job) {
            std::vector<TileKey> band(tileset::kTilesPerRow);
            const int firstRow = static_cast<int>(job) * kRowsPerJob;
            for (int row = firstRow; row < std::min(rows, firstRow + kRowsPerJob); ++row) {
                const int first = row * tileset::kTilesPerRow;
                const std::span<TileKey> keys(
                    band.data(),
                    static_cast<std::size_t>(std::min(tileset::kTilesPerRow, tileCount - first)));
                for (int y = row * kTileSize; y < (row + 1) * kTileSize; ++y) {
                    PutRow(canvas, seeThrough, y, first, keys);
                }
                for (std::size_t i = 0; i < keys.size(); ++i) {
                    hashes[static_cast<std::size_t>(first) + i] = tileset::HashBytes(keys[i]);
                }
            }
        });
    return tileset::FirstOfEqual(
        tileCount, [&](int tile) { return hashes[static_cast<std::size_t>(tile)]; },
        [&](int first, int tile) { return SameTile(canvas, seeThrough, first, tile); });
}

std::optional<int> EarlierCopy(const std::vector<int>& firstCopies, int tile) {
    if (tile < 0 || static_cast<std::size_t>(tile) >= firstCopies.size() ||
        firstCopies[static_cast<std::size_t>(tile)] == tile) {
        return std::nullopt;
    }
    return firstCopies[static_cast<std::size_t>(tile)];
}

}  // namespace orvane::viewer
