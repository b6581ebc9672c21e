#include "tileset/hygiene.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "tileset/tileset_file.h"

namespace orvane::tileset {
namespace {

constexpr int kTilePixels = kTileSize * kTileSize;
constexpr int kLast = kTileSize - 1;

// splitmix64's finaliser: every bit of the value reaches every bit of the result.
constexpr std::uint64_t Mix(std::uint64_t value) {
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

// For each orientation, the pixel of a tile (x × 32 + y, as the file stores them) that lands on
// each pixel of the oriented tile.
using PixelMap = std::array<std::uint16_t, kTilePixels>;

PixelMap SourcesOf(Orientation orientation) {
    PixelMap sources{};
    for (int x = 0; x < kTileSize; ++x) {
        for (int y = 0; y < kTileSize; ++y) {
            // Back through the turns (a quarter turn clockwise takes (y, 31 - x) to (x, y)),
            // then the mirror.
            int sx = x;
            int sy = y;
            for (int turns = orientation.turned / 90; turns > 0; --turns) {
                sx = std::exchange(sy, kLast - sx);
            }
            if (orientation.mirrored) {
                sx = kLast - sx;
            }
            sources[static_cast<std::size_t>(x) * kTileSize + static_cast<std::size_t>(y)] =
                static_cast<std::uint16_t>(sx * kTileSize + sy);
        }
    }
    return sources;
}

const std::array<PixelMap, kOrientations.size()>& Sources() {
    static const auto sources = [] {
        std::array<PixelMap, kOrientations.size()> all{};
        for (std::size_t i = 0; i < kOrientations.size(); ++i) {
            all[i] = SourcesOf(kOrientations[i]);
        }
        return all;
    }();
    return sources;
}

std::uint32_t PixelAt(std::span<const BYTE, kTileBytes> tile, int pixel) {
    const BYTE* p = tile.data() + static_cast<std::ptrdiff_t>(pixel) * 3;
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

bool LooksLike(std::span<const BYTE, kTileBytes> tile, std::span<const BYTE, kTileBytes> first,
               const PixelMap& sources) {
    for (int p = 0; p < kTilePixels; ++p) {
        if (std::memcmp(tile.data() + static_cast<std::ptrdiff_t>(p) * 3,
                        first.data() + static_cast<std::ptrdiff_t>(sources[p]) * 3, 3) != 0) {
            return false;
        }
    }
    return true;
}

// The first orientation in which first looks like tile, or none.
std::optional<Orientation> OrientationOf(std::span<const BYTE, kTileBytes> tile,
                                         std::span<const BYTE, kTileBytes> first) {
    for (std::size_t i = 0; i < kOrientations.size(); ++i) {
        if (LooksLike(tile, first, Sources()[i])) {
            return kOrientations[i];
        }
    }
    return std::nullopt;
}

// A hash that no mirror or turn changes: the pixels that the orientations move among each other
// (an orbit, up to 8 of them) hash by their colours alone, whatever their order. Tiles that share
// it agree, orbit by orbit, in the colours they hold, so few that differ share it.
std::uint64_t OrientationFreeHash(std::span<const BYTE, kTileBytes> tile) {
    static const auto orbits = [] {
        PixelMap orbit{};
        for (int p = 0; p < kTilePixels; ++p) {
            std::uint16_t least = static_cast<std::uint16_t>(p);
            for (const PixelMap& sources : Sources()) {
                least = std::min(least, sources[p]);
            }
            orbit[p] = least;
        }
        return orbit;
    }();
    std::uint64_t hash = 0;
    for (int p = 0; p < kTilePixels; ++p) {
        hash += Mix(std::uint64_t{orbits[p]} << 24 | PixelAt(tile, p));
    }
    return hash;
}

}  // namespace

WholeTileset::WholeTileset(const std::string& fileName) {
    TilesetFile file(fileName);
    header_ = file.Header();
    count_ = file.Tiles();
    const std::size_t size = static_cast<std::size_t>(count_) * kTileBytes;
    bytes_ = platform::detail::PixelMemory::Allocate(std::max<std::size_t>(size, 1));
    if (!bytes_) {
        throw std::bad_alloc();
    }
    file.ReadTiles(0, {bytes_.get(), size});
}

std::vector<int> FirstOfEqual(int count, const std::function<std::uint64_t(int)>& hash,
                              const std::function<bool(int, int)>& equal) {
    // Open addressing, at most half full: each slot the first of its kind and its hash.
    struct Slot {
        std::uint64_t hash = 0;
        int first = -1;
    };
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, std::size_t(count) * 2));
    std::vector<Slot> slots(size);
    std::vector<int> first(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::uint64_t h = Mix(hash(i));
        for (std::size_t at = h & (size - 1);; at = (at + 1) & (size - 1)) {
            Slot& slot = slots[at];
            if (slot.first < 0) {
                slot = {h, i};
                first[static_cast<std::size_t>(i)] = i;
                break;
            }
            if (slot.hash == h && equal(slot.first, i)) {
                first[static_cast<std::size_t>(i)] = slot.first;
                break;
            }
        }
    }
    return first;
}

std::uint64_t HashBytes(std::span<const BYTE> bytes) {
    constexpr std::uint64_t kOdd = 0x9E3779B97F4A7C15ULL;
    const auto step = [](std::uint64_t lane, const BYTE* from) {
        std::uint64_t word;
        std::memcpy(&word, from, sizeof word);
        return std::rotl((lane ^ word) * kOdd, 31);
    };
    std::uint64_t a = kOdd, b = kOdd * 3, c = kOdd * 5, d = kOdd * 7;
    const BYTE* at = bytes.data();
    const BYTE* const end = at + bytes.size();
    for (; end - at >= 32; at += 32) {
        a = step(a, at);
        b = step(b, at + 8);
        c = step(c, at + 16);
        d = step(d, at + 24);
    }
    std::array<BYTE, 32> tail{};
    std::memcpy(tail.data(), at, static_cast<std::size_t>(end - at));
    a = step(a, tail.data());
    b = step(b, tail.data() + 8);
    c = step(c, tail.data() + 16);
    d = step(d, tail.data() + 24);
    return Mix(a ^ std::rotl(Mix(b), 16) ^ std::rotl(Mix(c), 32) ^ std::rotl(Mix(d), 48) ^
               bytes.size());
}

std::vector<int> FirstCopies(std::span<const BYTE> tiles) {
    return FirstOfEqual(
        TileCountOf(tiles), [&](int i) { return TileHash(TileOf(tiles, i)); },
        [&](int a, int b) {
            return std::memcmp(TileOf(tiles, a).data(), TileOf(tiles, b).data(), kTileBytes) == 0;
        });
}

std::string Describe(Orientation orientation) {
    std::string words = orientation.mirrored ? "mirrored" : "";
    if (orientation.turned != 0) {
        words += (words.empty() ? "turned " : ", turned ") + std::to_string(orientation.turned) +
                 "\u00B0";
    }
    return words;
}

bool IsEmptyTile(std::span<const BYTE, kTileBytes> tile) {
    static const auto empty = [] {
        std::array<BYTE, kTileBytes> key{};
        for (std::size_t i = 0; i < key.size(); i += 3) {
            key[i] = kKeyRed;
            key[i + 1] = kKeyGreen;
            key[i + 2] = kKeyBlue;
        }
        return key;
    }();
    return std::memcmp(tile.data(), empty.data(), kTileBytes) == 0;
}

Duplicates FindDuplicates(std::span<const BYTE> tiles, bool symmetric) {
    const int count = TileCountOf(tiles);
    std::vector<int> group = FirstCopies(tiles);
    Duplicates found;
    std::vector<int> distinct;  // the first of each set of identical tiles that is not empty
    for (int i = 0; i < count; ++i) {
        if (IsEmptyTile(TileOf(tiles, i))) {
            found.empty.push_back(i);
        } else if (group[static_cast<std::size_t>(i)] == i) {
            distinct.push_back(i);
        }
    }
    if (symmetric) {
        // Only one of each set of identical tiles need be compared in every orientation.
        const auto tile = [&](int at) {
            return TileOf(tiles, distinct[static_cast<std::size_t>(at)]);
        };
        const std::vector<int> first = FirstOfEqual(
            static_cast<int>(distinct.size()),
            [&](int at) { return OrientationFreeHash(tile(at)); },
            [&](int a, int b) { return OrientationOf(tile(b), tile(a)).has_value(); });
        for (std::size_t at = 0; at < distinct.size(); ++at) {
            group[static_cast<std::size_t>(distinct[at])] =
                distinct[static_cast<std::size_t>(first[at])];
        }
    }
    // A group's first tile is its smallest: groups come out in the order of their first tiles.
    std::vector<int> index(static_cast<std::size_t>(count), -1);
    std::vector<std::vector<TileCopy>> all;
    for (int i = 0; i < count; ++i) {
        if (IsEmptyTile(TileOf(tiles, i))) {
            continue;
        }
        const int first = group[static_cast<std::size_t>(group[static_cast<std::size_t>(i)])];
        int& slot = index[static_cast<std::size_t>(first)];
        if (slot < 0) {
            slot = static_cast<int>(all.size());
            all.emplace_back();
        }
        const Orientation orientation =
            first == i ? Orientation{} : *OrientationOf(TileOf(tiles, i), TileOf(tiles, first));
        all[static_cast<std::size_t>(slot)].push_back({i, orientation});
    }
    for (std::vector<TileCopy>& copies : all) {
        if (copies.size() > 1) {
            found.groups.push_back(std::move(copies));
        }
    }
    return found;
}

Deduplicated Deduplicate(std::span<const BYTE> tiles) {
    const std::vector<int> first = FirstCopies(tiles);
    Deduplicated result;
    result.newTile.resize(first.size());
    int kept = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (first[i] == static_cast<int>(i)) {
            const auto tile = TileOf(tiles, static_cast<int>(i));
            result.tiles.insert(result.tiles.end(), tile.begin(), tile.end());
            result.newTile[i] = kept++;
        } else {
            result.newTile[i] = result.newTile[static_cast<std::size_t>(first[i])];
        }
    }
    return result;
}

TilesetStats StatsOf(std::span<const BYTE> tiles) {
    TilesetStats stats;
    stats.tiles = TileCountOf(tiles);
    const std::vector<int> first = FirstCopies(tiles);
    constexpr std::uint32_t kKey =
        std::uint32_t{kKeyRed} << 16 | std::uint32_t{kKeyGreen} << 8 | kKeyBlue;
    // One bit for each of the 2^24 colours. A copy brings no colour of its own: only the first of
    // each kind of tile is looked at, and its copies are counted as it is.
    const auto seen = std::make_unique<std::uint64_t[]>((std::size_t{1} << 24) / 64);
    std::vector<bool> seeThrough(static_cast<std::size_t>(stats.tiles));
    for (int i = 0; i < stats.tiles; ++i) {
        const auto at = static_cast<std::size_t>(first[static_cast<std::size_t>(i)]);
        if (at == static_cast<std::size_t>(i)) {
            ++stats.distinct;
            const auto tile = TileOf(tiles, i);
            for (int p = 0; p < kTilePixels; ++p) {
                const std::uint32_t colour = PixelAt(tile, p);
                std::uint64_t& word = seen[colour >> 6];
                const std::uint64_t bit = std::uint64_t{1} << (colour & 63);
                if (colour == kKey) {
                    seeThrough[at] = true;
                } else if ((word & bit) == 0) {
                    word |= bit;
                    ++stats.colours;
                }
            }
        }
        stats.seeThrough += seeThrough[at] ? 1 : 0;
        stats.empty += seeThrough[at] && IsEmptyTile(TileOf(tiles, i)) ? 1 : 0;
    }
    return stats;
}

}  // namespace orvane::tileset
