// The image buffer on the largest canvas: copying a picture in, resampling and noise.
// Run: build/default/bin/bench_dib
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/bitmap_bits.h"
#include "platform/gdi.h"

namespace {

using orvane::cDIBSection;

// The largest mosaic: 19 tiles wide, 1 725 rows of tiles.
constexpr LONG kCanvasWidth = 608;
constexpr LONG kCanvasHeight = 55'200;

void FillPattern(BYTE* bytes, std::size_t count) {
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<BYTE>(state >> 24);
    }
}

// The canvas: a picture held by a DC of its own, as the picture box holds its persistent picture.
struct Canvas {
    Canvas(LONG width, LONG height) {
        dc = CreateCompatibleDC(nullptr);
        picture = CreateCompatibleBitmap(dc, width, height);
        // Through a DC that holds it, so that every page is really written.
        cDIBSection pattern;
        pattern.Create(width, height);
        FillPattern(pattern.DIBSectionBitsPtr(),
                    static_cast<std::size_t>(pattern.BytesPerScanLine()) * height);
        stock = SelectObject(dc, picture);
        BitBlt(dc, 0, 0, width, height, pattern.hdc(), 0, 0, SRCCOPY);
    }
    ~Canvas() {
        SelectObject(dc, stock);
        DeleteObject(picture);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP picture;
    HGDIOBJ stock;
};

std::int64_t CanvasBytes() {
    return orvane::platform::BitmapStride(kCanvasWidth) * kCanvasHeight;
}

// What the JPEG export does: size a buffer to the picture and copy it in (the picture is free
// for CreateFromPicture to select), then copy the canvas's DC over it. Two block copies.
void BM_CreateFromPictureAndLoadPictureBlt(benchmark::State& state) {
    Canvas canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        SelectObject(canvas.dc, canvas.stock);
        auto buffer = std::make_shared<cDIBSection>();
        buffer->CreateFromPicture(canvas.picture);
        SelectObject(canvas.dc, canvas.picture);
        buffer->LoadPictureBlt(canvas.dc, 0, 0, -1, -1, SRCCOPY);
        benchmark::DoNotOptimize(buffer->DIBSectionBitsPtr());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2 * CanvasBytes());
}
BENCHMARK(BM_CreateFromPictureAndLoadPictureBlt)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardsticks: plain copies of the same byte count, into fresh memory as the buffer's section
// is (its pages are first touched by the copy), and into memory already in use.
void BM_MemcpySameBytesFreshTarget(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(CanvasBytes());
    std::vector<BYTE> source(bytes);
    FillPattern(source.data(), bytes);
    for (auto _ : state) {
        auto* target = static_cast<BYTE*>(std::calloc(bytes, 1));
        std::memcpy(target, source.data(), bytes);
        std::memcpy(target, source.data(), bytes);
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
        std::free(target);
    }
    state.SetBytesProcessed(state.iterations() * 2 * CanvasBytes());
}
BENCHMARK(BM_MemcpySameBytesFreshTarget)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpySameBytesWarmTarget(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(CanvasBytes());
    std::vector<BYTE> source(bytes);
    std::vector<BYTE> target(bytes);
    FillPattern(source.data(), bytes);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), bytes);
        std::memcpy(target.data(), source.data(), bytes);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 2 * CanvasBytes());
}
BENCHMARK(BM_MemcpySameBytesWarmTarget)->Unit(benchmark::kMillisecond)->UseRealTime();

std::shared_ptr<cDIBSection> PatternBuffer(LONG width, LONG height) {
    auto buffer = std::make_shared<cDIBSection>();
    buffer->Create(width, height);
    FillPattern(buffer->DIBSectionBitsPtr(),
                static_cast<std::size_t>(buffer->BytesPerScanLine()) * height);
    return buffer;
}

void BM_Resample(benchmark::State& state) {
    const auto width = static_cast<LONG>(state.range(0));
    const auto height = static_cast<LONG>(state.range(1));
    auto source = PatternBuffer(608, 3200);
    for (auto _ : state) {
        auto result = source->Resample(height, width);
        benchmark::DoNotOptimize(result->DIBSectionBitsPtr());
    }
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * width * height / 1e6,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Resample)
    ->ArgNames({"w", "h"})
    ->Args({1216, 6400})
    ->Args({304, 1600})
    // A sixteenth of the width over twice the rows: each row costs the destination's width.
    ->Args({38, 6400})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_RandomiseBits(benchmark::State& state) {
    const bool gray = state.range(0) != 0;
    auto buffer = PatternBuffer(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        buffer->RandomiseBits(gray);
        benchmark::ClobberMemory();
    }
    state.counters["MPix/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kCanvasWidth * kCanvasHeight / 1e6,
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RandomiseBits)
    ->ArgName("gray")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
