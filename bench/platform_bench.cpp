// SetPixelV through a device context, every handle checked, once for every pixel of the largest
// mosaic: what Open cost when it painted pixel by pixel. Run: build/default/bin/bench_platform
#include <benchmark/benchmark.h>

#include "platform/gdi.h"

namespace {

// The largest mosaic: 19 tiles wide, 1 725 rows of tiles (32 767 tiles).
constexpr int kWidth = 608;
constexpr int kHeight = 55'200;

void BM_SetPixelV_LargestCanvas(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::uint32_t color = 0;
    for (auto _ : state) {
        // Column by column within 32-pixel tiles, as the tileset painter goes.
        for (int tileY = 0; tileY < kHeight; tileY += 32) {
            for (int x = 0; x < kWidth; ++x) {
                for (int y = tileY; y < tileY + 32; ++y) {
                    benchmark::DoNotOptimize(SetPixelV(dc, x, y, color & 0xFFFFFF));
                    color += 0x010203;
                }
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
    state.counters["ns_per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
BENCHMARK(BM_SetPixelV_LargestCanvas)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
