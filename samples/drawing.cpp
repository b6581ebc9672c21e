#include "samples/drawing.h"

#include <algorithm>
#include <cmath>

namespace orvane::samples {
namespace {

// A well-mixed 32-bit hash of a grid point: integers only, so no machine draws it differently.
std::uint32_t Hash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

double Unit(std::uint32_t h) {
    return static_cast<double>(h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}

double Smooth(double t) {
    return t * t * (3 - 2 * t);
}

// Grid points repeat every period cells along both axes; 0 for no repeat.
double ValueNoise(double x, double y, int seed, int period = 0) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const auto at = [&](int gx, int gy) {
        if (period > 0) {
            gx = ((gx % period) + period) % period;
            gy = ((gy % period) + period) % period;
        }
        return Unit(Hash(gx, gy, seed));
    };
    const double tx = Smooth(x - fx);
    const double ty = Smooth(y - fy);
    const double top = at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx;
    const double bottom = at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

// 3 x 5 glyphs, a row to a string, '#' for ink.
constexpr std::array<std::array<const char*, 5>, 10> kDigits{{
    {"###", "# #", "# #", "# #", "###"},
    {" # ", "## ", " # ", " # ", "###"},
    {"###", "  #", "###", "#  ", "###"},
    {"###", "  #", "###", "  #", "###"},
    {"# #", "# #", "###", "  #", "  #"},
    {"###", "#  ", "###", "  #", "###"},
    {"###", "#  ", "###", "# #", "###"},
    {"###", "  #", " # ", " # ", " # "},
    {"###", "# #", "###", "# #", "###"},
    {"###", "# #", "###", "  #", "###"},
}};

}  // namespace

std::uint8_t Clamp(double v) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
}

Rgb Shade(Rgb colour, double v) {
    return {Clamp(colour.r * v), Clamp(colour.g * v), Clamp(colour.b * v)};
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {Clamp(a.r + (b.r - a.r) * t), Clamp(a.g + (b.g - a.g) * t),
            Clamp(a.b + (b.b - a.b) * t)};
}

Rgb Hue(double h) {
    const double r = std::fabs(h * 6 - 3) - 1;
    const double g = 2 - std::fabs(h * 6 - 2);
    const double b = 2 - std::fabs(h * 6 - 4);
    return {Clamp(r * 255), Clamp(g * 255), Clamp(b * 255)};
}

double Noise(double x, double y, int seed, double cell, int octaves) {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += ValueNoise(x / cell, y / cell, seed + octave) * weight;
        total += weight;
        cell /= 2;
        weight /= 2;
    }
    return sum / total;
}

double TileNoise(double x, double y, int seed, int cell, int octaves) {
    double sum = 0;
    double weight = 1;
    double total = 0;
    for (int octave = 0; octave < octaves && cell >= 1; ++octave) {
        sum += ValueNoise(x / cell, y / cell, seed + octave, kTileSize / cell) * weight;
        total += weight;
        cell /= 2;
        weight /= 2;
    }
    return sum / total;
}

double Grain(int x, int y, int seed) {
    return Unit(Hash(x, y, seed ^ 0x5f3759df));
}

Tile Fill(const std::function<Rgb(int x, int y)>& colour) {
    Tile tile{};
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            tile[y][x] = colour(x, y);
        }
    }
    return tile;
}

Tile Textured(Rgb base, double amount, int seed) {
    return Fill(
        [&](int x, int y) { return Shade(base, 1 + amount * (2 * Grain(x, y, seed) - 1)); });
}

void Paint(Tile& tile, const std::function<bool(int x, int y)>& inside,
           const std::function<Rgb(int x, int y)>& colour) {
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x) {
            if (inside(x, y)) {
                tile[y][x] = colour(x, y);
            }
        }
    }
}

void Paint(Tile& tile, const std::function<bool(int x, int y)>& inside, Rgb colour) {
    Paint(tile, inside, [colour](int, int) { return colour; });
}

void Ball(Tile& tile, double cx, double cy, double radius, Rgb colour) {
    Paint(
        tile, [&](int x, int y) { return std::hypot(x - cx, y - cy) <= radius; },
        [&](int x, int y) {
            // Brightest a third of the way towards the top left.
            const double d = std::hypot(x - (cx - radius / 3), y - (cy - radius / 3));
            return Shade(colour, 1.25 - 0.6 * d / (radius * 1.4));
        });
}

void Box(Tile& tile, int left, int top, int right, int bottom, Rgb colour) {
    Paint(
        tile, [&](int x, int y) { return x >= left && x <= right && y >= top && y <= bottom; },
        colour);
}

void Frame(Tile& tile, Rgb colour) {
    for (int i = 0; i < kTileSize; ++i) {
        tile[0][i] = tile[kTileSize - 1][i] = tile[i][0] = tile[i][kTileSize - 1] = colour;
    }
}

void DrawDigit(Tile& tile, int digit, int left, int top, int scale, Rgb ink) {
    for (int gy = 0; gy < 5; ++gy) {
        for (int gx = 0; gx < 3; ++gx) {
            if (kDigits[digit][gy][gx] == '#') {
                Box(tile, left + gx * scale, top + gy * scale, left + (gx + 1) * scale - 1,
                    top + (gy + 1) * scale - 1, ink);
            }
        }
    }
}

}  // namespace orvane::samples
