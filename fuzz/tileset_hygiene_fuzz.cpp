// orvane-tiles's readers on arbitrary bytes: two tilesets read whole, their copies found (exactly
// and in every orientation), counted, deduplicated, and compared, with the picture of their
// difference. Whatever the files hold, nothing may crash or read outside its buffers; a file
// that holds every tile its header counts is read, any other refused as damaged (321); and what
// comes out must hold together: groups of two or more tiles in order, no tile in two of them
// and no empty one in any, every exact group inside one symmetric group, a map that rebuilds the
// tiles, and no difference between a tileset and itself.
//
// The input's first byte says how: kPadToCount fills each file up to the tiles its header
// counts with its own tile bytes over again (so that copies come up), kPicture writes the
// difference picture, kStats counts colours too (its 2 MB of colour bits, cleared each time,
// would otherwise take most of the target's time). The next two bytes, little-endian, are the
// length of the first file, which the second follows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "fuzz/memory_file.h"
#include "platform/runtime_error.h"
#include "tileset/hygiene.h"
#include "tileset/tile_diff.h"

namespace {

using namespace orvane::tileset;

constexpr std::uint8_t kPadToCount = 1;
constexpr std::uint8_t kPicture = 2;
constexpr std::uint8_t kStats = 4;
constexpr std::int64_t kHeader = 6, kTile = std::int64_t{32} * 32 * 3;

// The file's bytes, padded when asked, and the tileset read from them; none when it is refused,
// which only a file that ends early may be.
std::optional<WholeTileset> ReadFile(std::vector<std::uint8_t> bytes, bool pad) {
    std::int16_t count = 0;
    if (bytes.size() >= kHeader) {
        std::memcpy(&count, bytes.data() + 2, sizeof count);
    }
#ifdef ORVANE_LIBFUZZER
    // Enough for copies, turns and a second mosaic row; more only costs time.
    if (count > 24) {
        return std::nullopt;
    }
#endif
    const std::size_t whole = kHeader + kTile * std::max<std::int64_t>(count, 0);
    if (pad && bytes.size() > kHeader && bytes.size() < whole) {
        const std::vector<std::uint8_t> tiles(bytes.begin() + kHeader, bytes.end());
        while (bytes.size() < whole) {
            const auto more = static_cast<std::ptrdiff_t>(
                std::min(tiles.size(), static_cast<std::size_t>(whole - bytes.size())));
            bytes.insert(bytes.end(), tiles.begin(), tiles.begin() + more);
        }
    }
    const bool complete = bytes.size() >= kHeader && bytes.size() >= whole;
    const orvane::fuzz::MemoryFile file(bytes.data(), bytes.size());
    try {
        std::optional<WholeTileset> tileset(std::in_place, file.Name());
        if (!complete || tileset->Count() != std::max<int>(count, 0)) {
            std::abort();
        }
        return tileset;
    } catch (const orvane::platform::RuntimeError& error) {
        if (complete || error.Number() != 321) {
            std::abort();
        }
    }
    return std::nullopt;
}

// Groups of two tiles or more, each in order and in the order of their first tiles, the first
// as it is; no tile in two groups, no empty tile in any. Each tile's group, -1 for none.
std::vector<int> CheckGroups(std::span<const BYTE> tiles, const Duplicates& found) {
    std::vector<int> groupOf(static_cast<std::size_t>(TileCountOf(tiles)), -1);
    for (std::size_t g = 0; g < found.groups.size(); ++g) {
        const auto& group = found.groups[g];
        if (group.size() < 2 || group[0].orientation != Orientation{} ||
            (g > 0 && found.groups[g - 1][0].tile >= group[0].tile)) {
            std::abort();
        }
        for (std::size_t i = 0; i < group.size(); ++i) {
            const int tile = group[i].tile;
            if ((i > 0 && group[i - 1].tile >= tile) || IsEmptyTile(TileOf(tiles, tile)) ||
                groupOf[static_cast<std::size_t>(tile)] >= 0) {
                std::abort();
            }
            groupOf[static_cast<std::size_t>(tile)] = static_cast<int>(g);
        }
    }
    return groupOf;
}

// Every exact group lies inside one symmetric group.
void CheckDuplicates(std::span<const BYTE> tiles) {
    const Duplicates exact = FindDuplicates(tiles, false);
    const Duplicates symmetric = FindDuplicates(tiles, true);
    CheckGroups(tiles, exact);
    const std::vector<int> turned = CheckGroups(tiles, symmetric);
    if (exact.empty != symmetric.empty) {
        std::abort();
    }
    for (const auto& group : exact.groups) {
        for (const TileCopy& copy : group) {
            const int in = turned[static_cast<std::size_t>(copy.tile)];
            if (copy.orientation != Orientation{} || in < 0 ||
                in != turned[static_cast<std::size_t>(group[0].tile)]) {
                std::abort();
            }
        }
    }
}

void CheckDeduplicated(std::span<const BYTE> tiles, bool stats) {
    const Deduplicated kept = Deduplicate(tiles);
    if (kept.newTile.size() != static_cast<std::size_t>(TileCountOf(tiles))) {
        std::abort();
    }
    if (stats) {
        const TilesetStats counted = StatsOf(tiles);
        if (TileCountOf(kept.tiles) != counted.distinct || counted.empty > counted.seeThrough ||
            counted.tiles != TileCountOf(tiles)) {
            std::abort();
        }
    }
    for (int tile = 0; tile < TileCountOf(tiles); ++tile) {
        const int to = kept.newTile[static_cast<std::size_t>(tile)];
        if (to < 0 || to > tile ||
            std::memcmp(TileOf(kept.tiles, to).data(), TileOf(tiles, tile).data(), kTile) != 0) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t how = size > 0 ? data[0] : 0;
    const std::size_t rest = size > 3 ? size - 3 : 0;
    const std::size_t split =
        rest > 0 ? std::min<std::size_t>(rest, std::size_t{data[1]} | std::size_t{data[2]} << 8)
                 : 0;
    const std::uint8_t* first = data + (size - rest);
    const bool pad = (how & kPadToCount) != 0;
    const auto a = ReadFile({first, first + split}, pad);
    const auto b = ReadFile({first + split, first + rest}, pad);
    for (const auto* tileset : {&a, &b}) {
        if (*tileset) {
            CheckDuplicates((*tileset)->Tiles());
            CheckDeduplicated((*tileset)->Tiles(), (how & kStats) != 0);
        }
    }
    if (!a || !b) {
        return 0;
    }
    if (!DiffTiles(a->Tiles(), a->Tiles()).empty()) {
        std::abort();
    }
    const std::vector<TileChange> changes = DiffTiles(a->Tiles(), b->Tiles());
    for (const TileChange& change : changes) {
        if (change.kind == TileChange::Kind::Changed &&
            (change.pixels < 1 || change.pixels > 1024)) {
            std::abort();
        }
    }
    if ((how & kPicture) != 0) {
        try {
            SaveDiffPng(b->Tiles(), changes, (orvane::fuzz::ScratchFolder() / "diff.png").string());
        } catch (const orvane::platform::RuntimeError& error) {
            // Only two tilesets without tiles make no picture.
            if (error.Number() != 481 || a->Count() + b->Count() != 0) {
                std::abort();
            }
        }
    }
    return 0;
}
