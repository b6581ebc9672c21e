// File > Open from the chosen name to the fitted window: the tileset read in blocks and painted
// in bands of mosaic rows on every processor. Run: build/default/bin/bench_viewer
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"
#include "viewer/tile_copies.h"

namespace {

using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;

// Tileset files made once per run, in a folder of their own that goes when the run ends.
class BenchFiles {
  public:
    // Every pixel a different colour, with a key-colour pixel in every column of every tile.
    std::string Tileset(int tiles) {
        const std::string path = folder_ / ("tiles" + std::to_string(tiles) + ".tst");
        if (!std::filesystem::exists(path)) {
            std::string bytes = {
                0, 0, static_cast<char>(tiles & 0xFF), static_cast<char>(tiles >> 8), 0, 0};
            bytes.resize(6 + static_cast<std::size_t>(tiles) * 3072);
            for (std::size_t i = 6; i < bytes.size(); i += 3) {
                const std::size_t pixel = (i - 6) / 3;
                if (pixel % 32 == 7) {
                    bytes[i] = 0, bytes[i + 1] = 1, bytes[i + 2] = 2;
                } else {
                    bytes[i] = static_cast<char>(pixel);
                    bytes[i + 1] = static_cast<char>(pixel >> 8);
                    bytes[i + 2] = static_cast<char>(pixel >> 16 | 0x80);
                }
            }
            std::ofstream(path, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        return path;
    }

  private:
    orvane::bench::BenchFolder folder_;
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

void BM_OpenTileset(benchmark::State& state) {
    const int tiles = static_cast<int>(state.range(0));
    const std::string name = Files().Tileset(tiles);
    ScriptedDialog dialog;
    MainForm form(dialog);
    for (auto _ : state) {
        dialog.Script(name);
        form.mnuOpen_Click();
        benchmark::DoNotOptimize(form.Picture1.Image());
    }
    if (form.TilesetHeader.TileCount != tiles) {
        state.SkipWithError("the tileset was not read");
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{tiles} * 1024);
    state.SetBytesProcessed(state.iterations() * std::int64_t{tiles} * 3072);
}
BENCHMARK(BM_OpenTileset)->Arg(1000)->Arg(32767)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the window's Open adds to find each tile's first copy, on the canvas of the largest
// tileset: beside BM_OpenTileset/32767, whose painting it follows.
void BM_FirstCopiesOnCanvas(benchmark::State& state) {
    ScriptedDialog dialog({Files().Tileset(32767)});
    MainForm form(dialog);
    form.TrackSeeThrough(true);
    form.mnuOpen_Click();
    for (auto _ : state) {
        benchmark::DoNotOptimize(orvane::viewer::FirstCopiesOnCanvas(
            form.Picture1.Bits(), form.SeeThrough(), form.TilesetHeader.TileCount));
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{32767} * 3072);
}
BENCHMARK(BM_FirstCopiesOnCanvas)->Unit(benchmark::kMillisecond);

}  // namespace
