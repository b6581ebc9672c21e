// PNG pictures of tilesets. The ways of compressing the mosaic of the largest tileset (32 767
// tiles of a mix, 608 x 55 200 pixels) in bands of 32 rows on one thread, with the file's size as
// a counter: zlib level 6 with adaptive filters and its filtered strategy (what Pillow saves),
// level 6 unfiltered (the export before it filtered), libdeflate at levels 6 to 8 with adaptive
// filters, and the export's own choice of those per band (WritePng): what kLevel and the tries
// in png_writer.cpp are chosen by. The whole export of that tileset on every processor. A
// thumbnail of the smallest and of the largest tileset, which should cost the same, since only
// the tiles shown are read. And orvane-pack's half: the largest picture back to tiles. Run:
// build/default/bin/bench_png
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/tile_kinds.h"
#include "png/png_writer.h"
#include "png/row_filter.h"
#include "tileset/picture.h"
#include "tileset/png.h"
#include "tileset/thumbnail.h"

namespace {

using orvane::tileset::TilesetFile;

constexpr int kLargest = 32'767;
constexpr int kBandRows = 32;

class BenchFiles {
  public:
    std::string Tileset(int tiles) {
        const std::string path = folder_ / ("tiles" + std::to_string(tiles) + ".tst");
        if (!std::filesystem::exists(path)) {
            orvane::bench::WriteTileset(path, tiles, orvane::bench::Mixed);
        }
        return path;
    }
    std::string operator/(const std::string& name) const { return folder_ / name; }

    // The largest tileset's mosaic as RGBA rows, as the export makes them.
    const std::vector<std::uint8_t>& Mosaic() {
        if (mosaic_.empty()) {
            TilesetFile file(Tileset(kLargest));
            std::vector<BYTE> tiles(std::size_t{kLargest} * orvane::tileset::kTileBytes);
            file.ReadTiles(0, tiles);
            const std::size_t band = orvane::tileset::BandBytes(kWidth);
            const std::size_t perBand = 19 * std::size_t{orvane::tileset::kTileBytes};
            for (std::size_t from = 0; from < tiles.size(); from += perBand) {
                mosaic_.resize(mosaic_.size() + band);
                orvane::tileset::PaintMosaicBand(std::span<const BYTE>(tiles).subspan(
                                                     from, std::min(perBand, tiles.size() - from)),
                                                 kWidth, std::span(mosaic_).last(band));
            }
        }
        return mosaic_;
    }
    static constexpr int kWidth = 608;

  private:
    orvane::bench::BenchFolder folder_;
    std::vector<std::uint8_t> mosaic_;
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

enum class Way {
    ZlibFilteredPillow,
    ZlibUnfiltered,
    Libdeflate6,
    Libdeflate7,
    Libdeflate8,
    Export
};

// Each band compressed alone, one after another, its bytes counted.
std::size_t CompressBands(Way way) {
    const std::vector<std::uint8_t>& mosaic = Files().Mosaic();
    const std::size_t rowBytes = BenchFiles::kWidth * 4;
    const std::size_t bandBytes = rowBytes * kBandRows;
    if (way == Way::Export) {
        std::size_t size = 0;
        orvane::png::WritePng(
            BenchFiles::kWidth, static_cast<std::uint32_t>(mosaic.size() / rowBytes),
            {.bandRows = kBandRows, .threads = 1, .texts = {}},
            [&](std::uint32_t first, std::span<std::uint8_t> rows) {
                std::copy_n(mosaic.begin() + static_cast<std::ptrdiff_t>(first * rowBytes),
                            rows.size(), rows.begin());
            },
            [&](std::span<const std::uint8_t> bytes) { size += bytes.size(); });
        return size;
    }
    const int level = way == Way::Libdeflate6 ? 6 : way == Way::Libdeflate7 ? 7 : 8;
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    std::vector<std::uint8_t> filtered;
    std::vector<std::uint8_t> out;
    std::size_t size = 0;
    for (std::size_t at = 0; at < mosaic.size(); at += bandBytes) {
        const auto rows = std::span(mosaic).subspan(at, std::min(bandBytes, mosaic.size() - at));
        filtered.resize(orvane::png::FilteredBytes(rows.size() / rowBytes, rowBytes));
        orvane::png::FilterRows(rows, rowBytes,
                                way == Way::ZlibUnfiltered ? orvane::png::Filtering::None
                                                           : orvane::png::Filtering::Adaptive,
                                filtered);
        if (way == Way::ZlibFilteredPillow || way == Way::ZlibUnfiltered) {
            z_stream stream{};
            deflateInit2(&stream, 6, Z_DEFLATED, -15, way == Way::ZlibUnfiltered ? 8 : 9,
                         way == Way::ZlibUnfiltered ? Z_DEFAULT_STRATEGY : Z_FILTERED);
            out.resize(deflateBound(&stream, filtered.size()) + 16);
            stream.next_in = filtered.data();
            stream.avail_in = static_cast<uInt>(filtered.size());
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, Z_SYNC_FLUSH);
            size += out.size() - stream.avail_out;
            deflateEnd(&stream);
        } else {
            out.resize(libdeflate_deflate_compress_bound(compressor, filtered.size()));
            size += libdeflate_deflate_compress(compressor, filtered.data(), filtered.size(),
                                                out.data(), out.size());
        }
    }
    libdeflate_free_compressor(compressor);
    return size;
}

void BM_CompressLargest(benchmark::State& state) {
    const auto way = static_cast<Way>(state.range(0));
    Files().Mosaic();
    std::size_t size = 0;
    for (auto _ : state) {
        size = CompressBands(way);
    }
    state.counters["MB"] = static_cast<double>(size) / 1e6;
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(Files().Mosaic().size()));
}
BENCHMARK(BM_CompressLargest)
    ->ArgName("way")
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

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
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond)->UseRealTime();

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
        orvane::tileset::WriteTileset(output, tiles.Tiles());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kLargest} * 3072);
}
BENCHMARK(BM_PackPng)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
