// What a tileset holds twice, and what it holds at all: tiles that are copies of earlier ones
// (byte for byte, or after a mirror or a turn), tiles that are wholly see-through, the tileset
// without its copies, and counts of its tiles and colours. Tilesets grow over years, and collect
// the same tile two or three times; map makers need to find the copies without losing the tile
// numbers their maps use.
//
// Tiles are given as whole tiles of kTileBytes, one after another, as the file holds them; tile
// numbers count from 0 here (the command line and the window show them from 1).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/detail/pixel_memory.h"
#include "platform/windef.h"
#include "tileset/format.h"

namespace orvane::tileset {

// Every tile of a tileset file, read at once: the largest is 100 MB, which a hash of each tile
// then passes over once.
class WholeTileset {
  public:
    // Raises as TilesetFile does, and OutOfMemory (7) when the tiles do not fit in memory.
    explicit WholeTileset(const std::string& fileName);

    const struct TilesetHeader& Header() const { return header_; }
    int Count() const { return count_; }
    std::span<const BYTE> Tiles() const {
        return {bytes_.get(), static_cast<std::size_t>(count_) * kTileBytes};
    }

  private:
    struct TilesetHeader header_;
    int count_ = 0;
    // In huge pages where the system offers them: a fresh 100 MB block costs some fifty page
    // faults instead of twenty-five thousand, which take longer than reading and hashing it.
    platform::detail::PixelMemory bytes_;
};

inline int TileCountOf(std::span<const BYTE> tiles) {
    return static_cast<int>(tiles.size() / kTileBytes);
}
inline std::span<const BYTE, kTileBytes> TileOf(std::span<const BYTE> tiles, int tile) {
    return tiles.subspan(static_cast<std::size_t>(tile) * kTileBytes).first<kTileBytes>();
}

// For each of count things, the first of them equal to it: itself when none before it is. One
// pass: each is hashed once and compared, by equal, only with earlier ones of the same hash.
// equal must be an equivalence.
std::vector<int> FirstOfEqual(int count, const std::function<std::uint64_t(int)>& hash,
                              const std::function<bool(int, int)>& equal);

// A hash of any bytes, for finding copies: four independent lanes of eight bytes, so that a tile's
// 3 072 bytes hash at the speed memory gives them, several times the speed of std::hash.
std::uint64_t HashBytes(std::span<const BYTE> bytes);
inline std::uint64_t TileHash(std::span<const BYTE, kTileBytes> tile) {
    return HashBytes(tile);
}

// For each tile, the first tile identical to it byte for byte: itself when it has no earlier
// copy.
std::vector<int> FirstCopies(std::span<const BYTE> tiles);

// How a tile looks beside another: mirrored (left and right swapped), then turned clockwise by
// 0, 90, 180 or 270 degrees. Mirrored and turned 180° is upside down.
struct Orientation {
    bool mirrored = false;
    int turned = 0;  // degrees clockwise
    bool operator==(const Orientation&) const = default;
};
// The eight, in the order a tile's orientation is named by when several fit (a tile that looks
// the same turned is named by the least change): as it is first.
inline constexpr std::array<Orientation, 8> kOrientations = {{{false, 0},
                                                              {true, 0},
                                                              {false, 90},
                                                              {false, 180},
                                                              {false, 270},
                                                              {true, 90},
                                                              {true, 180},
                                                              {true, 270}}};
// "mirrored", "turned 90°", "mirrored, turned 180°"; "" for a tile as it is.
std::string Describe(Orientation orientation);

// Wholly see-through: every pixel the key colour.
bool IsEmptyTile(std::span<const BYTE, kTileBytes> tile);

struct TileCopy {
    int tile = 0;
    Orientation orientation;  // how the tile looks beside the first of its group
};
// Groups of two tiles or more that are copies of each other, each group's tiles in order (the
// first as it is) and the groups in the order of their first tiles; and the wholly see-through
// tiles, which form no group of their own.
struct Duplicates {
    std::vector<std::vector<TileCopy>> groups;
    std::vector<int> empty;
};
// Exact copies only, or with symmetric also copies that a mirror or a turn makes identical.
Duplicates FindDuplicates(std::span<const BYTE> tiles, bool symmetric);

// The tiles without their copies: the first of each group of identical tiles kept, in order.
struct Deduplicated {
    std::vector<BYTE> tiles;
    std::vector<int> newTile;  // for each old tile, the kept tile (from 0) that holds it
};
Deduplicated Deduplicate(std::span<const BYTE> tiles);

struct TilesetStats {
    int tiles = 0;
    int distinct = 0;    // tiles once each copy is left out
    int empty = 0;       // wholly see-through
    int seeThrough = 0;  // with at least one see-through pixel, the empty ones included
    int colours = 0;     // distinct colours of all the tiles, the key colour not counted
};
TilesetStats StatsOf(std::span<const BYTE> tiles);

}  // namespace orvane::tileset
