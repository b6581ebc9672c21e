// What the sample tilesets are drawn with: a tile of 32 x 32 colours, the see-through key colour,
// and a few shapes, shades and textures. Everything is computed, so the samples can be remade
// exactly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "tileset/format.h"

namespace orvane::samples {

using tileset::kTileSize;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kKey{tileset::kKeyRed, tileset::kKeyGreen, tileset::kKeyBlue};

using Tile = std::array<std::array<Rgb, kTileSize>, kTileSize>;  // [y][x]
using Tiles = std::vector<Tile>;

std::uint8_t Clamp(double v);
// v times each channel, clamped; v > 1 lightens.
Rgb Shade(Rgb colour, double v);
// a where t = 0, b where t = 1.
Rgb Mix(Rgb a, Rgb b, double t);
// A fully saturated colour, h in [0, 1).
Rgb Hue(double h);

// Smooth noise in [0, 1] over the plane, the same for the same seed on every machine: value noise
// on a grid of the given cell size, with octaves of half the cell and half the weight.
double Noise(double x, double y, int seed, double cell, int octaves = 1);
// The same, on a grid that repeats with every tile (cell divides 32): ground drawn with it joins
// up seamlessly with itself on every side.
double TileNoise(double x, double y, int seed, int cell, int octaves = 1);
// Rough noise in [0, 1]: one value per pixel.
double Grain(int x, int y, int seed);

Tile Fill(const std::function<Rgb(int x, int y)>& colour);
// base, lighter and darker by up to amount at random, pixel by pixel.
Tile Textured(Rgb base, double amount, int seed);
// Every pixel for which inside(x, y) holds takes colour(x, y); the rest stay.
void Paint(Tile& tile, const std::function<bool(int x, int y)>& inside,
           const std::function<Rgb(int x, int y)>& colour);
void Paint(Tile& tile, const std::function<bool(int x, int y)>& inside, Rgb colour);
// A disc lit from the top left.
void Ball(Tile& tile, double cx, double cy, double radius, Rgb colour);
void Box(Tile& tile, int left, int top, int right, int bottom, Rgb colour);  // inclusive
void Frame(Tile& tile, Rgb colour);

// A digit 3 x 5 cells of scale pixels each.
void DrawDigit(Tile& tile, int digit, int left, int top, int scale, Rgb ink);

}  // namespace orvane::samples
