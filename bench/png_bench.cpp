// PNG pictures of tilesets. The mosaic of the largest tileset (32 767 tiles, 608 x 55 200 pixels)
// at zlib levels 1, 3, 6 and 9 with rows unfiltered, and at 3 and 6 with libspng's adaptive
// filters, with the file's size as a counter: what kPngCompressionLevel is chosen by. A thumbnail
// of the smallest and of the largest tileset, which should cost the same, since only the tiles
// shown are read. And orvane-pack's half: the largest picture back to tiles. Run:
// build/default/bin/bench_png
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/bench_support.h"
#include "tileset/picture.h"
#include "tileset/png.h"
#include "tileset/thumbnail.h"

namespace {

using orvane::tileset::TilesetFile;

constexpr int kLargest = 32'767;

class BenchFiles {
  public:
    std::string Tileset(int tiles) {
        const std::string path = folder_ / ("tiles" + std::to_string(tiles) + ".tst");
        if (!std::filesystem::exists(path)) {
            orvane::bench::WritePixelArtTileset(path, tiles);
        }
        return path;
    }
    std::string operator/(const std::string& name) const { return folder_ / name; }

  private:
    orvane::bench::BenchFolder folder_;
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

void BM_ExportPng(benchmark::State& state) {
    const std::string tileset = Files().Tileset(kLargest);
    const std::string output = Files() / "mosaic.png";
    for (auto _ : state) {
        TilesetFile file(tileset);
        orvane::tileset::SaveTilesetAsPng(file, output);
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(output)) / 1e6;
    state.SetBytesProcessed(state.iterations() * std::int64_t{kLargest} * 3072);
}
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond);

void BM_Thumbnail(benchmark::State& state) {
    const std::string tileset = Files().Tileset(static_cast<int>(state.range(0)));
    const std::string output = Files() / "thumbnail.png";
    for (auto _ : state) {
        TilesetFile file(tileset);
        orvane::tileset::SaveTilesetThumbnail(file, output, 256);
    }
}
BENCHMARK(BM_Thumbnail)->Arg(1)->Arg(kLargest)->Unit(benchmark::kMillisecond);

void BM_PackPng(benchmark::State& state) {
    const std::string picture = Files() / "pack.png";
    {
        TilesetFile file(Files().Tileset(kLargest));
        orvane::tileset::SaveTilesetAsPng(file, picture);
    }
    const std::string output = Files() / "packed.tst";
    for (auto _ : state) {
        const auto tiles = orvane::tileset::TilesFromPng(picture);
        orvane::tileset::WriteTileset(output, tiles.tiles);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kLargest} * 3072);
}
BENCHMARK(BM_PackPng)->Unit(benchmark::kMillisecond);

}  // namespace
