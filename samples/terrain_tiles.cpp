#include <cmath>

#include "samples/tilesets.h"

namespace orvane::samples {
namespace {

constexpr Rgb kGrass{86, 150, 60};
constexpr Rgb kDirt{134, 98, 62};
constexpr Rgb kSand{226, 204, 140};
constexpr Rgb kWater{48, 112, 192};
constexpr Rgb kDeepWater{28, 70, 150};
constexpr Rgb kStone{140, 140, 146};
constexpr Rgb kBark{104, 70, 40};
constexpr Rgb kLeaves{46, 122, 48};

Rgb GrassAt(int x, int y, int seed) {
    const double patches = TileNoise(x, y, seed, 16, 2);
    const double blade = Grain(x, y, seed) > 0.86 ? 1.18 : 1.0;
    return Shade(Mix(Shade(kGrass, 0.85), Shade(kGrass, 1.1), patches), blade);
}

Rgb WaterAt(int x, int y, int seed) {
    const double depth = TileNoise(x, y, seed, 16, 2);
    // Short bright crests along gentle waves, a few to a tile.
    const double wave = std::sin((x + 4 * TileNoise(x, y, seed + 7, 8)) * 2 * M_PI / 16 + y * 0.9);
    const Rgb base = Mix(kWater, kDeepWater, depth * 0.6);
    return wave > 0.93 && y % 6 < 2 ? Mix(base, Rgb{200, 230, 255}, 0.6) : base;
}

Rgb DirtAt(int x, int y, int seed) {
    const double clod = TileNoise(x, y, seed, 8, 2);
    const Rgb pebble{170, 150, 120};
    return Grain(x, y, seed) > 0.97 ? pebble : Shade(kDirt, 0.85 + 0.3 * clod);
}

Rgb SandAt(int x, int y, int seed) {
    return Shade(kSand, 0.94 + 0.1 * Grain(x, y, seed) + 0.04 * TileNoise(x, y, seed, 16));
}

Tile Ground(Rgb (*at)(int, int, int), int seed) {
    return Fill([&](int x, int y) { return at(x, y, seed); });
}

// Land and water meet where distance (pixels from the water's edge, negative in the water) is 0,
// with a strip of sand on the land side and lighter shallows on the other.
Tile Shore(const std::function<double(int x, int y)>& distance) {
    return Fill([&](int x, int y) {
        const double d = distance(x, y) + 2 * (TileNoise(x, y, 41, 8) - 0.5);
        if (d < -1) {
            return Mix(WaterAt(x, y, 5), Rgb{110, 170, 220}, std::fmax(0.0, 0.5 + d / 12));
        }
        if (d < 0) {
            return Rgb{225, 240, 250};  // foam
        }
        return d < 4 ? SandAt(x, y, 9) : GrassAt(x, y, 3);
    });
}

// Dirt where the path, distance pixels from its middle line, is within its half-width.
Tile Path(const std::function<double(int x, int y)>& distance) {
    return Fill([&](int x, int y) {
        const double d = distance(x, y) + 1.5 * (TileNoise(x, y, 17, 8) - 0.5);
        if (d < 5) {
            return DirtAt(x, y, 13);
        }
        return d < 6 ? Shade(GrassAt(x, y, 3), 0.8) : GrassAt(x, y, 3);
    });
}

void GroundTiles(Tiles& tiles) {
    tiles.push_back(Ground(GrassAt, 3));
    tiles.push_back(Fill([](int x, int y) {  // clover
        const Rgb grass = GrassAt(x, y, 21);
        return TileNoise(x, y, 22, 8) > 0.68 ? Mix(grass, Rgb{60, 170, 70}, 0.7) : grass;
    }));
    {
        Tile meadow = Ground(GrassAt, 3);
        const Rgb petals[] = {{250, 250, 250}, {250, 220, 60}, {220, 80, 160}};
        for (int i = 0; i < 9; ++i) {
            const int x = 2 + static_cast<int>(Grain(i, 1, 31) * 27);
            const int y = 2 + static_cast<int>(Grain(i, 2, 31) * 27);
            Box(meadow, x - 1, y, x + 1, y, petals[i % 3]);
            Box(meadow, x, y - 1, x, y + 1, petals[i % 3]);
            meadow[y][x] = Rgb{240, 160, 40};
        }
        tiles.push_back(meadow);
    }
    tiles.push_back(Fill([](int x, int y) {  // tall grass: blades leaning right
        const double blade = std::fmod(x + 0.3 * (31 - y) + 5 * TileNoise(x, 0, 23, 8), 4.0);
        return Shade(GrassAt(x, y, 23), blade < 1.2 ? 0.75 : 1.05 + 0.004 * (31 - y));
    }));
    tiles.push_back(Ground(DirtAt, 13));
    tiles.push_back(Fill([](int x, int y) {  // cart tracks
        const Rgb dirt = DirtAt(x, y, 14);
        return (x >= 7 && x <= 9) || (x >= 22 && x <= 24) ? Shade(dirt, 0.72) : dirt;
    }));
    tiles.push_back(Fill([](int x, int y) {  // farmland: furrows
        const double furrow = std::sin(y * 2 * M_PI / 8);
        return Shade(DirtAt(x, y, 15), 0.8 + 0.25 * furrow);
    }));
    tiles.push_back(Ground(SandAt, 9));
    tiles.push_back(Fill([](int x, int y) {  // ripples
        const double ripple = std::sin((y + 3 * std::sin(x * 2 * M_PI / 32)) * 2 * M_PI / 8);
        return Shade(SandAt(x, y, 10), ripple > 0.7 ? 0.9 : 1.0);
    }));
    tiles.push_back(Fill([](int x, int y) {  // gravel
        const double g = Grain(x / 2, y / 2, 19);
        return Shade(Mix(kStone, kSand, 0.3), 0.7 + 0.5 * g);
    }));
    tiles.push_back(Fill([](int x, int y) {  // stone slabs, 16 pixels, rows offset by half
        const int offset = (y / 16) % 2 ? 8 : 0;
        const bool joint = y % 16 == 15 || (x + offset) % 16 == 15;
        const int slab = ((x + offset) / 16) * 7 + (y / 16) * 3;
        return joint ? Shade(kStone, 0.55)
                     : Shade(kStone, 0.9 + 0.12 * Grain(slab, 0, 20) + 0.08 * Grain(x, y, 20));
    }));
    tiles.push_back(Fill([](int x, int y) {  // cobbles: the nearest of a jittered grid of stones
        double nearest = 99;
        double second = 99;
        int stone = 0;
        for (int gy = -1; gy <= 4; ++gy) {
            for (int gx = -1; gx <= 4; ++gx) {
                const int wx = (gx + 4) % 4;
                const int wy = (gy + 4) % 4;
                const double cx = gx * 8 + 2 + 4 * Grain(wx, wy, 24);
                const double cy = gy * 8 + 2 + 4 * Grain(wx, wy, 25);
                const double d = std::hypot(x - cx, y - cy);
                if (d < nearest) {
                    second = nearest;
                    nearest = d;
                    stone = wx * 4 + wy;
                } else if (d < second) {
                    second = d;
                }
            }
        }
        if (second - nearest < 1.3) {
            return Rgb{70, 66, 60};
        }
        return Shade(kStone, 0.85 + 0.25 * Grain(stone, 1, 26) - 0.03 * nearest);
    }));
    tiles.push_back(Ground(WaterAt, 5));
    tiles.push_back(Fill([](int x, int y) { return Shade(WaterAt(x, y, 6), 0.7); }));
    tiles.push_back(Fill([](int x, int y) {  // swamp: murky water and moss
        const double moss = TileNoise(x, y, 27, 8, 2);
        return moss > 0.55 ? Mix(Rgb{80, 110, 50}, Rgb{110, 140, 60}, Grain(x, y, 27))
                           : Mix(Rgb{50, 70, 50}, Rgb{70, 90, 60}, moss);
    }));
    tiles.push_back(Fill([](int x, int y) {  // lava: glowing cracks in dark crust
        const double n = TileNoise(x, y, 28, 8, 2);
        const double crack = std::fabs(n - 0.5);
        return crack < 0.05  ? Rgb{255, 220, 80}
               : crack < 0.1 ? Rgb{240, 110, 20}
                             : Shade(Rgb{70, 40, 35}, 0.8 + 0.4 * Grain(x, y, 28));
    }));
    tiles.push_back(Fill([](int x, int y) {  // snow
        return Shade(Rgb{236, 240, 248},
                     0.95 + 0.05 * TileNoise(x, y, 29, 16) + (Grain(x, y, 29) > 0.95 ? 0.04 : 0));
    }));
    tiles.push_back(Fill([](int x, int y) {  // ice: pale with long streaks
        const bool streak = std::fabs(std::fmod(x + y * 0.5 + 32, 16.0) - 8) < 0.6;
        return streak ? Rgb{240, 250, 255}
                      : Mix(Rgb{170, 210, 235}, Rgb{200, 230, 245}, TileNoise(x, y, 30, 16));
    }));
    tiles.push_back(Fill([](int x, int y) {  // bridge planks across
        const bool gap = y % 8 == 7;
        const bool nail = y % 8 == 3 && (x == 3 || x == 28);
        const Rgb wood = Shade(Rgb{150, 105, 60}, 0.85 + 0.25 * Grain(x / 6, y / 8, 32));
        return gap ? Rgb{60, 40, 25} : nail ? Rgb{60, 60, 60} : wood;
    }));
}

void ShoreAndPathTiles(Tiles& tiles) {
    const double edge = 11;
    const auto corner = [](int x, int y, int cx, int cy) { return std::hypot(x - cx, y - cy); };
    // Water on one side: north, east, south, west.
    tiles.push_back(Shore([&](int, int y) { return y - edge; }));
    tiles.push_back(Shore([&](int x, int) { return 31 - x - edge; }));
    tiles.push_back(Shore([&](int, int y) { return 31 - y - edge; }));
    tiles.push_back(Shore([&](int x, int) { return x - edge; }));
    // Water in one corner: north-east, south-east, south-west, north-west.
    const int corners[4][2] = {{31, 0}, {31, 31}, {0, 31}, {0, 0}};
    for (const auto& c : corners) {
        tiles.push_back(Shore([&](int x, int y) { return corner(x, y, c[0], c[1]) - 20; }));
    }
    // Land in one corner, water around it.
    for (const auto& c : corners) {
        tiles.push_back(Shore([&](int x, int y) { return 20 - corner(x, y, c[0], c[1]); }));
    }
    tiles.push_back(Shore([&](int x, int y) { return corner(x, y, 16, 16) - 9; }));  // a pond

    tiles.push_back(Path([](int, int y) { return std::fabs(y - 15.5); }));
    tiles.push_back(Path([](int x, int) { return std::fabs(x - 15.5); }));
    tiles.push_back(
        Path([](int x, int y) { return std::fmin(std::fabs(x - 15.5), std::fabs(y - 15.5)); }));
    // Bends: south to east, then west to south.
    tiles.push_back(Path([&](int x, int y) { return std::fabs(corner(x, y, 32, 32) - 16.5); }));
    tiles.push_back(Path([&](int x, int y) { return std::fabs(corner(x, y, -1, 32) - 16.5); }));
    // The end of a path coming from the south.
    tiles.push_back(
        Path([&](int x, int y) { return y >= 16 ? std::fabs(x - 15.5) : corner(x, y, 16, 16); }));
}

void StandingThings(Tiles& tiles) {
    const auto onKey = [] { return Fill([](int, int) { return kKey; }); };
    {
        Tile tree = onKey();
        Box(tree, 14, 20, 17, 30, kBark);
        Ball(tree, 15.5, 12, 11, kLeaves);
        tiles.push_back(tree);
    }
    {
        Tile pine = onKey();
        Box(pine, 14, 25, 17, 30, kBark);
        for (int layer = 0; layer < 3; ++layer) {
            const int top = 2 + layer * 7;
            Paint(
                pine,
                [&](int x, int y) {
                    return y >= top && y < top + 12 && std::fabs(x - 15.5) <= (y - top) * 0.9 + 1;
                },
                [&](int x, int) {
                    return Shade(Rgb{30, 100, 60}, x < 16 ? 1.1 : 0.8);
                });
        }
        tiles.push_back(pine);
    }
    {
        Tile bush = onKey();
        Ball(bush, 10, 20, 8, Rgb{60, 140, 50});
        Ball(bush, 22, 20, 8, Rgb{60, 140, 50});
        Ball(bush, 16, 15, 8, Rgb{70, 150, 55});
        tiles.push_back(bush);
    }
    {
        Tile rock = onKey();
        Paint(
            rock, [](int x, int y) { return std::hypot((x - 15.5) / 13, (y - 20) / 9.0) <= 1; },
            [](int x, int y) { return Shade(kStone, 1.2 - 0.02 * (x + y - 20)); });
        tiles.push_back(rock);
    }
    {
        Tile boulders = onKey();
        Ball(boulders, 11, 19, 9, Rgb{150, 140, 130});
        Ball(boulders, 23, 24, 6, Rgb{130, 125, 120});
        tiles.push_back(boulders);
    }
    {
        Tile flowers = onKey();
        const Rgb petals[] = {{230, 60, 60}, {250, 210, 40}, {150, 90, 220}, {250, 250, 250}};
        for (int i = 0; i < 4; ++i) {
            const int x = 5 + i * 7;
            const int top = 10 + (i % 2) * 6;
            Box(flowers, x, top + 3, x, 30, Rgb{40, 120, 40});
            Ball(flowers, x, top, 3, petals[i]);
            flowers[top][x] = Rgb{250, 200, 60};
        }
        tiles.push_back(flowers);
    }
    {
        Tile mushroom = onKey();
        Box(mushroom, 12, 16, 19, 29, Rgb{235, 225, 205});
        Paint(
            mushroom,
            [](int x, int y) {
                return y <= 17 && std::hypot((x - 15.5) / 13, (y - 17) / 12.0) <= 1;
            },
            Rgb{210, 40, 40});
        for (const auto& [x, y] : {std::pair{11, 10}, {19, 9}, {15, 14}, {23, 14}, {7, 15}}) {
            Box(mushroom, x, y, x + 1, y + 1, Rgb{250, 250, 250});
        }
        tiles.push_back(mushroom);
    }
    {
        Tile tuft = onKey();
        for (int blade = 0; blade < 9; ++blade) {
            const double lean = (blade - 4) * 0.35;
            const int height = 14 + (blade * 7) % 12;
            for (int y = 31; y > 31 - height; --y) {
                const int x =
                    static_cast<int>(std::lround(15.5 + (blade - 4) * 1.5 + lean * (31 - y) * 0.5));
                if (x >= 0 && x < 32) {
                    tuft[y][x] = Shade(kGrass, 0.8 + 0.03 * (31 - y) * 0.5);
                }
            }
        }
        tiles.push_back(tuft);
    }
    {
        Tile stump = onKey();
        Box(stump, 8, 16, 23, 28, kBark);
        Paint(
            stump, [](int x, int y) { return std::hypot((x - 15.5) / 8, (y - 16) / 3.0) <= 1; },
            [](int x, int y) {
                return static_cast<int>(std::hypot((x - 15.5) / 2.6, y - 16)) % 2
                           ? Rgb{200, 160, 110}
                           : Rgb{170, 130, 85};
            });
        tiles.push_back(stump);
    }
    {
        Tile log = onKey();
        Box(log, 3, 14, 27, 23, kBark);
        Paint(
            log, [](int x, int y) { return (x + y) % 7 == 0 && y > 14 && y < 23; },
            Shade(kBark, 0.7));
        Paint(
            log, [](int x, int y) { return std::hypot((x - 27) / 3.0, (y - 18.5) / 5.0) <= 1; },
            Rgb{200, 160, 110});
        tiles.push_back(log);
    }
    {
        Tile sign = onKey();
        Box(sign, 14, 14, 17, 30, kBark);
        Box(sign, 4, 5, 27, 15, Rgb{170, 125, 75});
        Box(sign, 7, 8, 24, 8, Rgb{90, 60, 35});
        Box(sign, 7, 11, 20, 11, Rgb{90, 60, 35});
        tiles.push_back(sign);
    }
    {
        Tile cactus = onKey();
        const Rgb green{60, 150, 80};
        Box(cactus, 13, 4, 18, 30, green);
        Box(cactus, 6, 12, 9, 20, green);
        Box(cactus, 6, 18, 13, 21, green);
        Box(cactus, 22, 8, 25, 16, green);
        Box(cactus, 18, 14, 25, 17, green);
        Paint(
            cactus, [](int x, int y) { return x == 15 && y > 5 && y < 29; }, Shade(green, 0.75));
        tiles.push_back(cactus);
    }
    {
        Tile pad = onKey();
        Paint(
            pad,
            [](int x, int y) {
                const double a = std::atan2(y - 16, x - 16);
                return std::hypot(x - 16, y - 16) <= 12 && !(a > -0.35 && a < 0.05);
            },
            [](int x, int y) {
                return Shade(Rgb{70, 160, 70}, 1.1 - 0.015 * std::hypot(x - 16, y - 16));
            });
        Ball(pad, 9, 12, 3, Rgb{250, 170, 200});
        tiles.push_back(pad);
    }
    {
        Tile reeds = onKey();
        for (int i = 0; i < 5; ++i) {
            const int x = 6 + i * 5;
            const int top = 4 + (i * 5) % 9;
            Box(reeds, x, top, x, 31, Rgb{90, 130, 50});
            Box(reeds, x - 1, top + 2, x + 1, top + 8, Rgb{120, 80, 40});
        }
        tiles.push_back(reeds);
    }
    {
        Tile crystal = onKey();
        Paint(
            crystal,
            [](int x, int y) { return std::fabs(x - 15.5) / 8 + std::fabs(y - 16) / 14 <= 1; },
            [](int x, int y) {
                return x < 16 ? Rgb{150, 240, 250} : y < 16 ? Rgb{80, 200, 230} : Rgb{40, 150, 200};
            });
        tiles.push_back(crystal);
    }
    {
        Tile fire = onKey();
        Box(fire, 5, 26, 26, 29, kBark);
        Paint(
            fire, [](int x, int y) { return y < 27 && std::fabs(x - 15.5) < (y - 6) * 0.45; },
            [](int x, int y) {
                return std::fabs(x - 15.5) < (y - 12) * 0.2 ? Rgb{255, 235, 120}
                                                            : Rgb{240, Clamp(100 + y * 2), 20};
            });
        tiles.push_back(fire);
    }
    {
        Tile barrel = onKey();
        Paint(
            barrel,
            [](int x, int y) {
                return y >= 4 && y <= 29 && std::fabs(x - 15.5) <= 10 - std::fabs(y - 16.5) * 0.15;
            },
            [](int x, int y) {
                const bool hoop = y == 8 || y == 9 || y == 24 || y == 25;
                return hoop ? Rgb{90, 90, 95}
                            : Shade(Rgb{160, 110, 60}, 1.15 - 0.025 * std::fabs(x - 12));
            });
        tiles.push_back(barrel);
    }
    {
        Tile chest = onKey();
        Box(chest, 4, 10, 27, 28, Rgb{150, 95, 45});
        Box(chest, 4, 16, 27, 17, Rgb{220, 180, 60});
        Box(chest, 4, 10, 5, 28, Rgb{220, 180, 60});
        Box(chest, 26, 10, 27, 28, Rgb{220, 180, 60});
        Box(chest, 14, 15, 17, 20, Rgb{240, 210, 90});
        tiles.push_back(chest);
    }
    {
        Tile apples = onKey();
        Box(apples, 14, 20, 17, 30, kBark);
        Ball(apples, 15.5, 12, 11, Rgb{56, 132, 50});
        for (const auto& [x, y] : {std::pair{9, 9}, {19, 6}, {21, 15}, {12, 16}, {16, 11}}) {
            Ball(apples, x, y, 1.6, Rgb{220, 40, 40});
        }
        tiles.push_back(apples);
    }
}

}  // namespace

Tiles TerrainTiles() {
    Tiles tiles;
    GroundTiles(tiles);
    ShoreAndPathTiles(tiles);
    StandingThings(tiles);
    return tiles;
}

}  // namespace orvane::samples
