#include <cmath>

#include "samples/tilesets.h"

namespace orvane::samples {

Tiles DemoTiles() {
    Tiles tiles;
    const double c = (kTileSize - 1) / 2.0;
    const auto distance = [c](int x, int y) { return std::hypot(x - c, y - c); };

    // Gradients.
    tiles.push_back(Fill([](int x, int) { return Rgb{Clamp(x * 8.2), 0, 0}; }));
    tiles.push_back(Fill([](int, int y) { return Rgb{0, Clamp(y * 8.2), 0}; }));
    tiles.push_back(Fill([](int x, int y) { return Rgb{0, 0, Clamp((x + y) * 4.1)}; }));
    tiles.push_back(Fill([](int x, int y) { return Rgb{Clamp(x * 8.2), Clamp(y * 8.2), 128}; }));
    tiles.push_back(Fill([&](int x, int y) {
        const std::uint8_t v = Clamp(255 - distance(x, y) * 11);
        return Rgb{v, v, 0};
    }));
    tiles.push_back(Fill([](int x, int) { return Hue(x / 32.0); }));
    tiles.push_back(Fill([](int x, int y) {
        const std::uint8_t v = Clamp((x ^ y) * 8.2);
        return Rgb{v, v, v};
    }));
    tiles.push_back(Fill([](int x, int y) { return Hue(std::fmod((x + 2 * y) / 64.0, 1.0)); }));

    // Shapes; the first few stand on key colour, so the canvas shows through around them.
    tiles.push_back(Fill([&](int x, int y) {
        return distance(x, y) < 13 ? Rgb{230, 40, 40} : kKey;
    }));
    tiles.push_back(Fill([&](int x, int y) {
        const double d = distance(x, y);
        return d < 14 && d > 9 ? Rgb{40, 160, 230} : kKey;
    }));
    tiles.push_back(Fill([&](int x, int y) {
        return std::fabs(x - c) + std::fabs(y - c) < 14 ? Rgb{250, 200, 30} : kKey;
    }));
    tiles.push_back(Fill([](int x, int y) {
        return (x >= 12 && x < 20) || (y >= 12 && y < 20) ? Rgb{30, 170, 60} : kKey;
    }));
    tiles.push_back(Fill([](int x, int y) {
        return ((x / 8) + (y / 8)) % 2 ? Rgb{20, 20, 20} : Rgb{235, 235, 235};
    }));
    tiles.push_back(Fill([](int, int y) {
        return (y / 4) % 2 ? Rgb{200, 60, 160} : Rgb{60, 20, 90};
    }));
    tiles.push_back(Fill([](int x, int y) {
        return y >= 4 && 2 * std::abs(x - 16) <= y - 4 ? Rgb{255, 140, 0} : Rgb{20, 40, 80};
    }));
    tiles.push_back(Fill([&](int x, int y) {
        return static_cast<int>(distance(x, y)) % 6 < 3 ? Rgb{0, 120, 120} : Rgb{240, 250, 200};
    }));
    tiles.push_back(Fill([](int x, int y) {
        return std::abs(x - y) < 3 || std::abs(x + y - 31) < 3 ? Rgb{180, 0, 0}
                                                               : Rgb{250, 250, 250};
    }));
    {
        Tile brick = Fill([](int x, int y) {
            const int offset = (y / 8) % 2 ? 8 : 0;
            return y % 8 == 7 || (x + offset) % 16 == 15 ? Rgb{200, 200, 190} : Rgb{150, 60, 40};
        });
        tiles.push_back(brick);
    }
    tiles.push_back(Fill([](int x, int y) {
        const double wave = 16 + 8 * std::sin(x / 32.0 * 2 * M_PI);
        return y > wave ? Rgb{20, 60, 200} : Rgb{150, 210, 255};
    }));

    // The digits 0 to 9, large.
    for (int digit = 0; digit < 10; ++digit) {
        Tile tile = Fill([&](int, int) { return Hue(digit / 10.0); });
        DrawDigit(tile, digit, 9, 4, 5, Rgb{255, 255, 255});
        Frame(tile, Rgb{0, 0, 0});
        tiles.push_back(tile);
    }

    // Numbered tiles, so that a reader of the mosaic can tell where each one went.
    while (tiles.size() < 48) {
        const int number = static_cast<int>(tiles.size()) + 1;
        const int shade = 40 + 4 * number;
        const int halfShade = shade / 2;  // whole, as the shades were first drawn
        Tile tile = Fill([&](int x, int y) {
            return Rgb{Clamp(shade - y), Clamp(halfShade + x), Clamp(200 - halfShade)};
        });
        DrawDigit(tile, number / 10, 3, 6, 4, Rgb{255, 255, 255});
        DrawDigit(tile, number % 10, 17, 6, 4, Rgb{255, 255, 255});
        Frame(tile, kKey);
        tiles.push_back(tile);
    }
    return tiles;
}

}  // namespace orvane::samples
