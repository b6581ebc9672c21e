#include <cmath>

#include "samples/tilesets.h"
#include "tileset/format.h"

namespace orvane::samples {
namespace {

using tileset::kFullRowWidth;
using tileset::kTilesPerRow;

constexpr int kRows = 36;
constexpr int kMapWidth = kFullRowWidth;       // 608
constexpr int kMapHeight = kRows * kTileSize;  // 1152

// Land rises above 0; the island takes the middle of the map and thins out towards its edges.
double Height(double x, double y) {
    const double dx = (x - kMapWidth / 2.0) / (kMapWidth * 0.46);
    const double dy = (y - kMapHeight / 2.0) / (kMapHeight * 0.46);
    const double falloff = dx * dx + dy * dy;
    // The last term keeps the map's edges open sea.
    return Noise(x, y, 101, 180, 6) * 1.7 - 0.5 - falloff * 1.0 - falloff * falloff * 1.5;
}

struct Band {
    double below;
    Rgb colour;
};
constexpr Band kBands[] = {
    {-0.25, {22, 58, 130}},   // deep sea
    {-0.06, {36, 92, 170}},   // sea
    {0.0, {70, 140, 200}},    // shallows
    {0.03, {226, 208, 150}},  // beach
    {0.2, {96, 162, 70}},     // grassland
    {0.32, {62, 126, 54}},    // woods
    {0.42, {120, 112, 84}},   // hills
    {0.5, {134, 132, 130}},   // rock
    {9.0, {244, 246, 250}},   // snow
};

Rgb BandColour(double h) {
    for (const Band& band : kBands) {
        if (h < band.below) {
            return band.colour;
        }
    }
    return kBands[std::size(kBands) - 1].colour;
}

// A tree on an 8-pixel grid, shifted a little in each cell, wherever the cell's middle is woods.
bool TreeAt(int x, int y, Rgb& colour) {
    const int cx = x / 8;
    const int cy = y / 8;
    for (int gy = cy - 1; gy <= cy + 1; ++gy) {
        for (int gx = cx - 1; gx <= cx + 1; ++gx) {
            const double tx = gx * 8 + 4 + 3 * (Grain(gx, gy, 102) - 0.5);
            const double ty = gy * 8 + 4 + 3 * (Grain(gx, gy, 103) - 0.5);
            const double h = Height(tx, ty);
            if (h < 0.2 || h >= 0.36) {
                continue;
            }
            const double d = std::hypot(x - tx, y - ty);
            if (d <= 3.4) {
                const double light = 1.25 - 0.12 * std::hypot(x - tx + 1.2, y - ty + 1.2);
                colour = Shade(Rgb{38, 96, 40}, light);
                return true;
            }
        }
    }
    return false;
}

Rgb MapColour(int x, int y) {
    Rgb tree{};
    if (TreeAt(x, y, tree)) {
        return tree;
    }
    const double h = Height(x, y);
    const Rgb base = BandColour(h);
    if (h < 0) {
        // Deeper water darker, and a ring of surf along the coast.
        return h > -0.012 ? Rgb{210, 230, 245} : Shade(base, std::fmax(0.6, 1 + h * 0.4));
    }
    // Lit from the north-west: slopes that face it lighter.
    const double slope = (Height(x - 1.5, y - 1.5) - Height(x + 1.5, y + 1.5)) * 45;
    return Shade(base, 1.0 + std::fmax(-0.35, std::fmin(0.35, slope)) + 0.04 * Grain(x, y, 104));
}

}  // namespace

Tiles IslandTiles() {
    Tiles tiles;
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kTilesPerRow; ++col) {
            tiles.push_back(Fill(
                [&](int x, int y) { return MapColour(col * kTileSize + x, row * kTileSize + y); }));
        }
    }
    return tiles;
}

}  // namespace orvane::samples
