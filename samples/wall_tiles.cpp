#include <cmath>

#include "samples/tilesets.h"

namespace orvane::samples {
namespace {

constexpr Rgb kBrick{160, 66, 44};
constexpr Rgb kMortar{205, 196, 180};
constexpr Rgb kGrey{128, 128, 134};
constexpr Rgb kWood{150, 102, 58};
constexpr Rgb kIron{58, 60, 66};

// Courses of bricks w x h (mortar included), every other course shifted by half a brick. Each
// brick takes its own shade.
Rgb Masonry(int x, int y, int w, int h, Rgb brick, Rgb mortar, int seed) {
    const int course = y / h;
    const int offset = course % 2 ? w / 2 : 0;
    if (y % h == h - 1 || (x + offset) % w == w - 1) {
        return mortar;
    }
    const int which = ((x + offset) / w) * 13 + course * 7;
    return Shade(brick, 0.86 + 0.22 * Grain(which, 0, seed) + 0.06 * Grain(x, y, seed));
}

Tile Bricks(Rgb brick, Rgb mortar, int seed, int w = 16, int h = 8) {
    return Fill([=](int x, int y) { return Masonry(x, y, w, h, brick, mortar, seed); });
}

Tile Planks(bool across, int seed) {
    return Fill([=](int x, int y) {
        const int along = across ? x : y;
        const int side = across ? y : x;
        const int board = side / 8;
        const double grain = std::sin((along + 7 * Grain(board, 0, seed)) * 0.5) * 0.05;
        return side % 8 == 7 ? Shade(kWood, 0.5)
                             : Shade(kWood, 0.88 + 0.2 * Grain(board, 1, seed) + grain);
    });
}

bool InArch(int x, int y, double cx, double top, double halfWidth, int bottom) {
    if (y > bottom || std::fabs(x - cx) > halfWidth) {
        return false;
    }
    const double spring = top + halfWidth;  // where the round head meets the sides
    return y >= spring || std::hypot(x - cx, y - spring) <= halfWidth;
}

void WallFaces(Tiles& tiles) {
    tiles.push_back(Bricks(kBrick, kMortar, 1));
    tiles.push_back(Bricks(kGrey, Shade(kGrey, 0.6), 2, 16, 16));
    tiles.push_back(Planks(false, 3));
    tiles.push_back(Bricks(Rgb{214, 184, 124}, Rgb{170, 140, 90}, 4, 32, 8));
    tiles.push_back(Fill([](int x, int y) {  // mossy stone
        const Rgb stone = Masonry(x, y, 16, 16, kGrey, Shade(kGrey, 0.6), 5);
        return TileNoise(x, y, 5, 8, 2) > 0.6 ? Mix(stone, Rgb{70, 120, 50}, 0.7) : stone;
    }));
    tiles.push_back(Bricks(Rgb{70, 64, 80}, Rgb{30, 28, 36}, 6, 8, 8));
    {
        Tile cracked = Bricks(kBrick, kMortar, 7);
        Paint(
            cracked,
            [](int x, int y) {
                return std::abs(x - (10 + static_cast<int>(6 * std::sin(y * 0.35)))) < 1;
            },
            Rgb{60, 30, 25});
        tiles.push_back(cracked);
    }
    {
        Tile vines = Bricks(kBrick, kMortar, 8);
        for (int stem = 0; stem < 3; ++stem) {
            const double x0 = 5 + stem * 11;
            Paint(
                vines,
                [&](int x, int y) {
                    return std::fabs(x - (x0 + 2.5 * std::sin(y * 0.4 + stem))) < 0.9 ||
                           (y % 6 == stem * 2 && std::fabs(x - x0 - 2) < 2.5);
                },
                [](int x, int y) {
                    return Grain(x, y, 9) > 0.5 ? Rgb{50, 130, 50} : Rgb{70, 160, 60};
                });
        }
        tiles.push_back(vines);
    }
    tiles.push_back(Fill([](int x, int y) {  // plaster between dark timbers
        const bool timber = x < 4 || y < 4 || std::abs((x - 4) - (y - 4)) < 2;
        return timber ? Shade(Rgb{80, 52, 32}, 0.9 + 0.2 * Grain(x / 3, y / 3, 10))
                      : Shade(Rgb{236, 226, 200}, 0.96 + 0.05 * Grain(x, y, 10));
    }));
    tiles.push_back(Fill([](int x, int y) {  // logs laid across, rounded
        const double v = std::sin((y % 8 + 0.5) * M_PI / 8);
        return Shade(Rgb{130, 88, 50}, 0.55 + 0.55 * v + 0.05 * Grain(x, y, 11));
    }));
    tiles.push_back(Fill([](int x, int y) {  // a wall's top, from above
        const bool edge = y < 3 || y > 28;
        return edge ? Shade(kGrey, 0.6)
                    : Masonry(x, y - 3, 16, 26, Shade(kGrey, 1.15), Shade(kGrey, 0.7), 12);
    }));
    {
        Tile window = Bricks(kBrick, kMortar, 13);
        Box(window, 6, 6, 25, 25, Rgb{230, 225, 215});
        Paint(
            window,
            [](int x, int y) {
                return x >= 8 && x <= 23 && y >= 8 && y <= 23 && x != 15 && x != 16 && y != 15 &&
                       y != 16;
            },
            kKey);
        tiles.push_back(window);
    }
    {
        Tile arched = Bricks(kGrey, Shade(kGrey, 0.6), 14, 16, 16);
        Paint(
            arched, [](int x, int y) { return InArch(x, y, 15.5, 3, 9, 27); }, Rgb{90, 90, 96});
        Paint(
            arched, [](int x, int y) { return InArch(x, y, 15.5, 5, 7, 26); }, kKey);
        Paint(
            arched,
            [](int x, int y) { return InArch(x, y, 15.5, 5, 7, 26) && (x == 15 || x == 16); },
            kIron);
        tiles.push_back(arched);
    }
    {
        Tile door = Bricks(kBrick, kMortar, 15);
        Paint(
            door, [](int x, int y) { return InArch(x, y, 15.5, 2, 11, 31); }, Shade(kGrey, 0.9));
        Paint(
            door, [](int x, int y) { return InArch(x, y, 15.5, 4, 9, 31); },
            [](int x, int y) {
                return x % 6 == 1 ? Shade(kWood, 0.55)
                                  : Shade(kWood, 0.95 + 0.1 * Grain(x, y / 4, 15));
            });
        Box(door, 20, 18, 21, 20, Rgb{220, 190, 70});
        tiles.push_back(door);
    }
    {
        Tile doorway = Bricks(kBrick, kMortar, 16);
        Paint(
            doorway, [](int x, int y) { return InArch(x, y, 15.5, 2, 11, 31); }, Shade(kGrey, 0.9));
        Paint(
            doorway, [](int x, int y) { return InArch(x, y, 15.5, 4, 9, 31); }, kKey);
        tiles.push_back(doorway);
    }
    tiles.push_back(Fill([](int x, int y) {  // portcullis: bars with gaps to see through
        const bool bar = x % 8 < 2 || y % 8 < 2;
        const bool spike = y > 27 && x % 8 < 2;
        return bar || spike ? Shade(kIron, 1 + 0.4 * (x % 8 == 0 || y % 8 == 0)) : kKey;
    }));
    {
        Tile torch = Bricks(kGrey, Shade(kGrey, 0.6), 17, 16, 16);
        Box(torch, 14, 14, 17, 26, kWood);
        Box(torch, 12, 20, 19, 21, kIron);
        Paint(
            torch,
            [](int x, int y) {
                return y < 14 && std::hypot((x - 15.5) / 3.5, (y - 10) / 6.0) <= 1;
            },
            [](int x, int y) {
                return std::hypot(x - 15.5, y - 11) < 2.2 ? Rgb{255, 240, 150} : Rgb{245, 140, 30};
            });
        tiles.push_back(torch);
    }
    {
        Tile shield = Bricks(kGrey, Shade(kGrey, 0.6), 18, 16, 16);
        Paint(
            shield,
            [](int x, int y) {
                return y >= 6 && y <= 27 && std::fabs(x - 15.5) <= (y < 17 ? 10 : 10 - (y - 17));
            },
            [](int x, int) {
                return x < 16 ? Rgb{40, 70, 170} : Rgb{230, 200, 60};
            });
        tiles.push_back(shield);
    }
    tiles.push_back(Fill([](int x, int y) {  // a corner: stone quoins over brick
        const bool quoin = x < 12 && (y % 16 < 8 ? x < 12 : x < 8);
        return quoin ? Masonry(x, y, 33, 8, Shade(kGrey, 1.2), Shade(kGrey, 0.7), 19)
                     : Masonry(x, y, 16, 8, kBrick, kMortar, 19);
    }));
}

void EdgesAndTops(Tiles& tiles) {
    {
        Tile battlements = Bricks(kGrey, Shade(kGrey, 0.6), 20, 16, 16);
        Paint(
            battlements, [](int x, int y) { return y < 10 && (x % 16 >= 8); }, kKey);
        tiles.push_back(battlements);
    }
    {
        Tile ruin = Bricks(kBrick, kMortar, 21);
        Paint(
            ruin,
            [](int x, int y) { return y < 6 + 10 * TileNoise(x, 0, 21, 8) + (x > 20 ? 8 : 0); },
            kKey);
        tiles.push_back(ruin);
    }
    tiles.push_back(Fill([](int x, int y) {  // fence of rails and posts
        const bool post = x % 16 >= 6 && x % 16 <= 9 && y >= 4;
        const bool rail = (y >= 10 && y <= 12) || (y >= 22 && y <= 24);
        return post || rail ? Shade(kWood, 0.9 + 0.2 * Grain(x / 4, y, 22)) : kKey;
    }));
    tiles.push_back(Fill([](int x, int y) {  // pickets with pointed tops
        const int picket = x % 8;
        const bool board = picket >= 1 && picket <= 5 &&
                           y >= 6 - (picket == 3                  ? 2
                                     : picket == 2 || picket == 4 ? 1
                                                                  : 0);
        const bool rail = y >= 20 && y <= 22;
        return board || rail ? Rgb{240, 240, 232} : kKey;
    }));
    tiles.push_back(Fill([](int x, int y) {  // iron railing with spear points
        const bool bar = x % 8 == 3 || x % 8 == 4;
        const bool point = y >= 2 && y <= 5 && std::abs(x % 8 * 2 - 7) <= (y - 2) * 2;
        const bool rail = y == 9 || y == 10 || y == 27 || y == 28;
        return (bar && y >= 4) || point || rail ? kIron : kKey;
    }));
    {
        Tile pillar = Fill([](int, int) { return kKey; });
        Paint(
            pillar, [](int x, int) { return x >= 7 && x <= 24; },
            [](int x, int y) {
                return Shade(Masonry(x, y, 18, 8, kGrey, Shade(kGrey, 0.6), 23),
                             1.2 - 0.02 * (x - 7));
            });
        Box(pillar, 5, 0, 26, 3, Shade(kGrey, 1.2));
        Box(pillar, 5, 28, 26, 31, Shade(kGrey, 0.8));
        tiles.push_back(pillar);
    }
    {
        Tile hedge = Fill([](int, int) { return kKey; });
        Paint(
            hedge, [](int x, int y) { return y >= 8 + 3 * TileNoise(x, 0, 24, 8); },
            [](int x, int y) {
                return Shade(Rgb{50, 120, 50}, 0.8 + 0.4 * Grain(x, y, 24));
            });
        tiles.push_back(hedge);
    }
    {
        Tile low = Fill([](int, int) { return kKey; });
        Paint(
            low, [](int, int y) { return y >= 14; },
            [](int x, int y) {
                return y < 17 ? Shade(kGrey, 1.2)
                              : Masonry(x, y - 17, 16, 8, kGrey, Shade(kGrey, 0.6), 25);
            });
        tiles.push_back(low);
    }
    tiles.push_back(Fill([](int x, int y) {  // stairs going up to the north
        const int step = y / 8;
        return y % 8 < 2 ? Shade(kGrey, 1.25)
                         : Shade(kGrey, 0.75 + 0.1 * step + 0.05 * Grain(x, y, 26));
    }));
    tiles.push_back(Fill([](int x, int y) {  // ladder
        const bool side = (x >= 5 && x <= 7) || (x >= 24 && x <= 26);
        const bool rung = x > 7 && x < 24 && y % 8 >= 3 && y % 8 <= 4;
        return side || rung ? Shade(kWood, side ? 1.0 : 0.85) : kKey;
    }));
    tiles.push_back(Fill([](int x, int y) {  // red roof tiles, rounded rows
        const int row = y / 6;
        const int offset = row % 2 ? 4 : 0;
        const double v = std::sin(((x + offset) % 8 + 0.5) * M_PI / 8);
        return y % 6 == 5 ? Rgb{90, 30, 20} : Shade(Rgb{180, 70, 50}, 0.65 + 0.45 * v);
    }));
    tiles.push_back(Fill([](int x, int y) {  // slate roof
        return Masonry(x, y, 11, 6, Rgb{78, 86, 100}, Rgb{40, 44, 52}, 27);
    }));
    tiles.push_back(Fill([](int x, int y) {  // roof ridge over slate
        return y >= 12 && y <= 19 ? Shade(Rgb{150, 60, 45}, y == 12 ? 1.3 : 1.0 - 0.04 * (y - 13))
                                  : Masonry(x, y, 11, 6, Rgb{78, 86, 100}, Rgb{40, 44, 52}, 28);
    }));
    {
        Tile chimney = Fill([](int, int) { return kKey; });
        Paint(
            chimney, [](int x, int y) { return x >= 8 && x <= 23 && y >= 6; },
            [](int x, int y) { return Masonry(x, y, 8, 5, kBrick, kMortar, 29); });
        Box(chimney, 6, 4, 25, 7, Shade(kGrey, 1.1));
        Box(chimney, 11, 4, 20, 5, Rgb{30, 30, 30});
        tiles.push_back(chimney);
    }
    {
        Tile grate = Bricks(kGrey, Shade(kGrey, 0.6), 30, 16, 16);
        Box(grate, 6, 10, 25, 21, Rgb{30, 30, 34});
        Paint(
            grate,
            [](int x, int y) { return x >= 6 && x <= 25 && y >= 10 && y <= 21 && x % 4 == 1; },
            kIron);
        tiles.push_back(grate);
    }
    {
        Tile shutters = Bricks(Rgb{214, 184, 124}, Rgb{170, 140, 90}, 31, 32, 8);
        Paint(
            shutters,
            [](int x, int y) {
                return y >= 6 && y <= 25 && ((x >= 3 && x <= 9) || (x >= 22 && x <= 28));
            },
            [](int, int y) {
                return y % 3 == 0 ? Rgb{30, 90, 60} : Rgb{50, 130, 85};
            });
        Box(shutters, 10, 6, 21, 25, Rgb{240, 235, 220});
        Box(shutters, 12, 8, 19, 23, kKey);
        tiles.push_back(shutters);
    }
    {
        Tile round = Bricks(kBrick, kMortar, 32);
        Paint(
            round, [](int x, int y) { return std::hypot(x - 15.5, y - 15.5) <= 11; },
            Shade(kGrey, 1.1));
        Paint(
            round, [](int x, int y) { return std::hypot(x - 15.5, y - 15.5) <= 8; }, kKey);
        Paint(
            round,
            [](int x, int y) {
                return std::hypot(x - 15.5, y - 15.5) <= 8 && (x == 15 || y == 15);
            },
            kIron);
        tiles.push_back(round);
    }
    {
        Tile slit = Bricks(kGrey, Shade(kGrey, 0.6), 33, 16, 16);
        Paint(
            slit, [](int x, int y) { return y >= 4 && y <= 27 && std::abs(x * 2 - 31) <= 3; },
            kKey);
        Paint(
            slit, [](int x, int y) { return y >= 13 && y <= 16 && std::abs(x * 2 - 31) <= 11; },
            kKey);
        tiles.push_back(slit);
    }
    {
        Tile banner = Fill([](int, int) { return kKey; });
        Box(banner, 2, 1, 29, 3, kWood);
        Paint(
            banner,
            [](int x, int y) {
                return x >= 6 && x <= 25 && y >= 4 && y <= 30 - std::abs(x - 15) / 2;
            },
            [](int x, int y) {
                return std::hypot(x - 15.5, y - 14) <= 5 ? Rgb{240, 200, 60} : Rgb{150, 30, 40};
            });
        tiles.push_back(banner);
    }
}

}  // namespace

Tiles WallTiles() {
    Tiles tiles;
    WallFaces(tiles);
    EdgesAndTops(tiles);
    return tiles;
}

}  // namespace orvane::samples
