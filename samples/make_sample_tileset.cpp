// Writes the sample tilesets, drawn here tile by tile, into a folder:
//
//   make_sample_tileset samples
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "samples/tilesets.h"

namespace {

using orvane::samples::Tile;
using orvane::samples::Tiles;

// The header (two free words of 0 around the tile count), then each tile column by column, each
// column from the top, red, green, blue.
std::string TilesetBytes(const Tiles& tiles) {
    std::string bytes;
    const auto word = [&](int value) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
    };
    word(0);
    word(static_cast<int>(tiles.size()));
    word(0);
    for (const Tile& tile : tiles) {
        for (int x = 0; x < orvane::samples::kTileSize; ++x) {
            for (int y = 0; y < orvane::samples::kTileSize; ++y) {
                bytes.push_back(static_cast<char>(tile[y][x].r));
                bytes.push_back(static_cast<char>(tile[y][x].g));
                bytes.push_back(static_cast<char>(tile[y][x].b));
            }
        }
    }
    return bytes;
}

bool Write(const std::filesystem::path& path, const Tiles& tiles) {
    const std::string bytes = TilesetBytes(tiles);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "make_sample_tileset: cannot write " << path << '\n';
        return false;
    }
    std::cout << "wrote " << tiles.size() << " tiles to " << path.string() << '\n';
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample_tileset <folder>\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const bool written = Write(folder / "demo.tst", orvane::samples::DemoTiles()) &&
                         Write(folder / "terrain.tst", orvane::samples::TerrainTiles()) &&
                         Write(folder / "walls.tst", orvane::samples::WallTiles()) &&
                         Write(folder / "island.tst", orvane::samples::IslandTiles());
    return written ? 0 : 1;
}
