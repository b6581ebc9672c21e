// orvane-tiles's work on the largest tileset (32 767 tiles, 100 MB), its parts apart: reading it
// whole, finding its copies exactly and in every orientation, its counts, and the difference of
// two versions. Tiles all distinct (pixel art, each tile its own colour), and with copies (1000
// tiles over and over, as a tileset that has collected them). The whole program, reading
// included, is timed against its floors by bench/tiles_duplicates.sh; the goal is under 0.2 s for
// `orvane-tiles duplicates`. Run: build/default/bin/bench_tiles
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tileset/hygiene.h"
#include "tileset/tile_diff.h"

namespace {

constexpr int kLargest = 32'767;

// The tiles of the largest tileset: each distinct, or `kinds` of them over and over.
const std::vector<BYTE>& Tiles(int kinds) {
    static std::vector<BYTE> distinct, copies;
    std::vector<BYTE>& tiles = kinds == kLargest ? distinct : copies;
    if (tiles.empty()) {
        tiles.resize(std::size_t{kLargest} * 3072);
        for (int tile = 0; tile < kLargest; ++tile) {
            BYTE* pixel = tiles.data() + std::size_t(tile) * 3072;
            for (int x = 0; x < 32; ++x) {
                for (int y = 0; y < 32; ++y) {
                    const auto c = orvane::bench::PixelArt(unsigned(tile % kinds), x, y);
                    *pixel++ = c.r;
                    *pixel++ = c.g;
                    *pixel++ = c.b;
                }
            }
        }
    }
    return tiles;
}

void Processed(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * std::int64_t{kLargest} * 3072);
}

void BM_ReadWhole(benchmark::State& state) {
    orvane::bench::BenchFolder folder;
    const std::string path = folder / "largest.tst";
    orvane::bench::WritePixelArtTileset(path, kLargest);
    for (auto _ : state) {
        orvane::tileset::WholeTileset tileset(path);
        benchmark::DoNotOptimize(tileset.Tiles().data());
    }
    Processed(state);
}
BENCHMARK(BM_ReadWhole)->Unit(benchmark::kMillisecond);

// Arguments: the kinds of tile, and 1 for --symmetric.
void BM_Duplicates(benchmark::State& state) {
    const std::vector<BYTE>& tiles = Tiles(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvane::tileset::FindDuplicates(tiles, state.range(1) != 0));
    }
    Processed(state);
}
BENCHMARK(BM_Duplicates)
    ->Args({kLargest, 0})
    ->Args({1000, 0})
    ->Args({kLargest, 1})
    ->Args({1000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_Stats(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvane::tileset::StatsOf(Tiles(kLargest)));
    }
    Processed(state);
}
BENCHMARK(BM_Stats)->Unit(benchmark::kMillisecond);

// Every tile against a tileset of copies: nearly all changed, each pixel counted.
void BM_Diff(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvane::tileset::DiffTiles(Tiles(kLargest), Tiles(1000)));
    }
    Processed(state);
}
BENCHMARK(BM_Diff)->Unit(benchmark::kMillisecond);

}  // namespace
