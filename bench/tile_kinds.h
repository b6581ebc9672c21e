// Tiles of the kinds tilesets are drawn in, for comparing PNG writers on more than flat pixel art:
// a filter and a deflate level that suit one kind can lose badly on another. Each kind is a
// function of the tile's number and the pixel's place, so every run makes the same files.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "bench/bench_support.h"

namespace orvane::bench {

// A well-mixed 32-bit hash of up to three numbers (a finaliser of MurmurHash3's).
constexpr std::uint32_t Hash(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0) {
    std::uint32_t h =
        a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

inline BYTE Clamp(double value) {
    return static_cast<BYTE>(std::clamp(std::lround(value), 0L, 255L));
}

// A colour of the tile's own, from its hash, bright enough to shade.
inline Rgb TileColour(unsigned tile, unsigned salt = 0) {
    const std::uint32_t h = Hash(tile, salt, 0xC01);
    return {static_cast<BYTE>(64 + (h & 0x7F)), static_cast<BYTE>(64 + ((h >> 8) & 0x7F)),
            static_cast<BYTE>(64 + ((h >> 16) & 0x7F))};
}

inline Rgb Scaled(Rgb colour, double by) {
    return {Clamp(colour.r * by), Clamp(colour.g * by), Clamp(colour.b * by)};
}

// Between two colours, t from 0 to 1.
inline Rgb Blend(Rgb a, Rgb b, double t) {
    return {Clamp(a.r + (b.r - a.r) * t), Clamp(a.g + (b.g - a.g) * t),
            Clamp(a.b + (b.b - a.b) * t)};
}

// A smooth gradient between two colours of the tile, in a direction of its own.
inline Rgb Gradient(unsigned tile, int x, int y) {
    const double angle = (Hash(tile, 1) % 360) * 3.14159265 / 180;
    const double t = ((x - 15.5) * std::cos(angle) + (y - 15.5) * std::sin(angle)) / 45 + 0.5;
    return Blend(TileColour(tile, 1), TileColour(tile, 2), std::clamp(t, 0.0, 1.0));
}

// Value noise: random values on a lattice, eased between, in three octaves that continue across
// tiles, as painted grass, stone and water are.
inline double ValueNoise(unsigned tile, double x, double y) {
    double sum = 0;
    double weight = 0.5;
    for (int octave = 0, cell = 16; octave < 3; ++octave, cell /= 2, weight /= 2) {
        const int x0 = static_cast<int>(x) / cell;
        const int y0 = static_cast<int>(y) / cell;
        const double fx = (x - x0 * cell) / cell;
        const double fy = (y - y0 * cell) / cell;
        const auto ease = [](double t) { return t * t * (3 - 2 * t); };
        const auto at = [&](int i, int j) {
            return (Hash(tile / 16, static_cast<unsigned>(x0 + i + octave * 97),
                         static_cast<unsigned>(y0 + j)) &
                    0xFFFF) /
                   65535.0;
        };
        const double top = at(0, 0) + (at(1, 0) - at(0, 0)) * ease(fx);
        const double bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * ease(fx);
        sum += weight * (top + (bottom - top) * ease(fy));
    }
    return sum / 0.875;
}

inline Rgb Noise(unsigned tile, int x, int y) {
    // Tiles of one terrain lie side by side in a strip of 16, so the noise runs on across them.
    const double v = ValueNoise(tile, (tile % 16) * 32 + x, y);
    return Blend(Scaled(TileColour(tile / 16, 3), 0.5), TileColour(tile / 16, 4), v);
}

// A bevelled block lit from the top left, with a soft highlight: shaded tiles of walls and items.
inline Rgb Lit(unsigned tile, int x, int y) {
    const double dx = (x - 15.5) / 16;
    const double dy = (y - 15.5) / 16;
    const double r2 = dx * dx + dy * dy;
    double light = 0.55;
    if (r2 < 0.8) {  // a dome
        const double z = std::sqrt(1 - r2);
        light = std::max(0.0, (-0.5 * dx - 0.6 * dy + 0.62 * z)) * 0.9 + 0.2;
        light += std::pow(std::max(0.0, light - 0.7), 2) * 3;
    } else if (x < 3 || y < 3) {
        light = 0.95;
    } else if (x > 28 || y > 28) {
        light = 0.3;
    }
    return Scaled(TileColour(tile, 5), light);
}

// A gradient dithered with a 4 x 4 Bayer matrix into four colours, as retro-styled tiles are.
inline Rgb Dithered(unsigned tile, int x, int y) {
    constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double t = (x + y) / 62.0 * 3 + (kBayer[y % 4][x % 4] + 0.5) / 16 - 0.5;
    const int step = std::clamp(static_cast<int>(std::floor(t + 0.5)), 0, 3);
    return Scaled(TileColour(tile, 6), 0.4 + 0.2 * step);
}

// A photograph's grain: a gentle gradient under noise of some 12 levels on every channel.
inline Rgb Photographic(unsigned tile, int x, int y) {
    const Rgb base = Gradient(tile, x, y);
    const std::uint32_t h = Hash(tile, static_cast<unsigned>(x), static_cast<unsigned>(y));
    const auto grain = [&](int shift, BYTE value) {
        const int n =
            static_cast<int>((h >> shift) & 0x1F) + static_cast<int>((h >> (shift + 5)) & 0x1F);
        return Clamp(value + (n - 31) * 0.4);
    };
    return {grain(0, base.r), grain(10, base.g), grain(20, base.b)};
}

// Pure noise, every channel of every pixel random: what no encoder can shrink, and where a slow
// one loses most time.
inline Rgb Static(unsigned tile, int x, int y) {
    const std::uint32_t h = Hash(tile, static_cast<unsigned>(x), static_cast<unsigned>(y) + 0x5A);
    return {static_cast<BYTE>(h), static_cast<BYTE>(h >> 8), static_cast<BYTE>(h >> 16)};
}

constexpr Rgb kKey{0, 1, 2};

// Mostly see-through: a small sprite, a disc with an outline, on the key colour.
inline Rgb Sparse(unsigned tile, int x, int y) {
    const int cx = 8 + static_cast<int>(Hash(tile, 7) % 16);
    const int cy = 8 + static_cast<int>(Hash(tile, 8) % 16);
    const int radius = 3 + static_cast<int>(Hash(tile, 9) % 4);
    const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    if (d2 > radius * radius) {
        return kKey;
    }
    if (d2 > (radius - 1) * (radius - 1)) {
        return {20, 20, 28};
    }
    return TileColour(tile, 10);
}

// Flat tiles crossed by lines: floors and panels.
inline Rgb Lines(unsigned tile, int x, int y) {
    const int spacing = 4 + static_cast<int>(Hash(tile, 11) % 5);
    if (x % spacing == 0 || (Hash(tile, 12) & 1 ? y % spacing == 0 : false)) {
        return Scaled(TileColour(tile, 13), 0.6);
    }
    return TileColour(tile, 13);
}

// Blocks of colour with windows of the key colour in them.
inline Rgb KeyBlocks(unsigned tile, int x, int y) {
    const std::uint32_t h = Hash(tile, static_cast<unsigned>(x / 8), static_cast<unsigned>(y / 8));
    if (h % 3 == 0) {
        return kKey;
    }
    return TileColour(tile * 4 + h % 4, 14);
}

// A large tileset of many kinds: a quarter each of gradients, pure noise, flat tiles with lines
// and blocks with the key colour, in runs of 64 tiles.
inline Rgb Mixed(unsigned tile, int x, int y) {
    switch (tile / 64 % 4) {
        case 0:
            return Gradient(tile, x, y);
        case 1:
            return Static(tile, x, y);
        case 2:
            return Lines(tile, x, y);
        default:
            return KeyBlocks(tile, x, y);
    }
}

struct NamedKind {
    std::string_view name;
    TileKind pixels;
    std::string_view what;
};

inline constexpr NamedKind kTileKinds[] = {
    {"pixelart", PixelArt, "flat pixel art: outlined tiles shaded in steps"},
    {"gradient", Gradient, "smooth gradients between two colours"},
    {"noise", Noise, "value noise: painted grass, stone, water"},
    {"lit", Lit, "lit, bevelled domes and blocks"},
    {"dither", Dithered, "gradients dithered into four colours"},
    {"photo", Photographic, "a photograph's grain over gradients"},
    {"static", Static, "pure noise, every channel random: nothing to shrink"},
    {"sparse", Sparse, "mostly see-through: small sprites on the key colour"},
    {"mix", Mixed, "a quarter each of gradients, noise, lines, key-colour blocks"},
};

inline const NamedKind* FindTileKind(std::string_view name) {
    for (const NamedKind& kind : kTileKinds) {
        if (kind.name == name) {
            return &kind;
        }
    }
    return nullptr;
}

}  // namespace orvane::bench
