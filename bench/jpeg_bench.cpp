// Writing the largest canvas, each writer beside its floor in the same run:
//   SavePictureAsJpeg      beside  tjCompress2 of the same pixels into memory
//   jencWrite              beside  tjCompress2 of the same pixels into memory: the bands
//                          compressed on every core against one compression on one core
//   SavePicture (BMP)      beside  one plain write() of the same number of bytes
// and jencWrite with other band heights, and on one thread (what cutting into bands costs).
// The speed-up of jencWrite over tjCompress2 is printed last.
// Run: build/default/bin/bench_jpeg
//
// Why bands of 256 rows (JENC_DEFAULT_BAND_ROWS), measured on the largest canvas with two
// workers: each band costs some 13 us of setting up, so 256 rows take about 1 % longer than bands
// of 1024 rows or more, and the bands in flight (about four) cost memory, under 1 MB at 256 rows;
// at 512 rows the export's peak came within 0.4 MB of 2.1 times its pixels.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "jpeg/jpegenc.h"
#include "jpeg/jpegenc_testing.h"
#include "jpeg/mjpeg_encoder.h"
#include "platform/gdi.h"
#include "platform/picture_box.h"
#include "platform/save_picture.h"

namespace {

// The largest mosaic: 19 tiles wide, 1 725 rows of tiles.
constexpr int kWidth = 608;
constexpr int kHeight = 55'200;
constexpr int kStride = (3 * kWidth + 3) & ~3;
constexpr int kQuality = 90;

// The largest mosaic of pixel-art tiles, rows bottom-up as the canvas buffer holds them.
const std::vector<BYTE>& CanvasPixels() {
    static const std::vector<BYTE> pixels = [] {
        std::vector<BYTE> bytes(static_cast<std::size_t>(kStride) * kHeight, 0);
        for (int y = 0; y < kHeight; ++y) {
            BYTE* row = bytes.data() + static_cast<std::size_t>(kHeight - 1 - y) * kStride;
            for (int x = 0; x < kWidth; ++x) {
                const auto tile = static_cast<unsigned>((y / 32) * 19 + x / 32);
                const orvane::bench::Rgb c = orvane::bench::PixelArt(tile, x % 32, y % 32);
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
            }
        }
        return bytes;
    }();
    return pixels;
}

using orvane::bench::BenchFolder;

// jencWrite of the canvas with the given options.
void JencWriteCanvas(benchmark::State& state, const JencWriteOptions& options) {
    const std::vector<BYTE>& pixels = CanvasPixels();
    BenchFolder folder;
    const std::string file = folder / "canvas.jpg";
    for (auto _ : state) {
        JENC_CORE_PROPERTIES props{};
        if (jencInit(&props) != JENC_OK) {
            state.SkipWithError("jencInit failed");
            break;
        }
        props.DIBWidth = kWidth;
        props.DIBHeight = -kHeight;
        props.DIBBytes = pixels.data();
        props.DIBPadBytes = kStride - 3 * kWidth;
        props.JPGFile = file.c_str();
        props.JPGWidth = kWidth;
        props.JPGHeight = kHeight;
        props.jquality = kQuality;
        const int result = jencWriteWithOptions(&props, JENC_JFILE_WRITEWHOLEIMAGE, options);
        jencFree(&props);
        if (result != JENC_OK) {
            state.SkipWithError("jencWrite failed");
            break;
        }
    }
    state.counters["jpeg_MB"] =
        static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
}

void BM_jencWrite(benchmark::State& state) {
    JencWriteCanvas(state, {});
}
// Real time: the work is on other threads than the one the benchmark measures.
BENCHMARK(BM_jencWrite)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_jencWrite_BandRows(benchmark::State& state) {
    JencWriteCanvas(state, {.bandRows = static_cast<unsigned>(state.range(0))});
}
BENCHMARK(BM_jencWrite_BandRows)
    ->RangeMultiplier(2)
    ->Range(64, 4096)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

void BM_jencWrite_OneThread(benchmark::State& state) {
    JencWriteCanvas(state, {.threads = 1});
}
BENCHMARK(BM_jencWrite_OneThread)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// The canvas as the export sees it: a DIB section selected into a memory DC of its own.
class CanvasPicture : public orvane::platform::PictureBox {
  public:
    CanvasPicture() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const std::vector<BYTE>& pixels = CanvasPixels();
        std::memcpy(bits, pixels.data(), pixels.size());
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~CanvasPicture() override {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HBITMAP Image() const override { return bitmap_; }
    HDC hDC() const override { return dc_; }

  private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// The whole export: the copy of the canvas into a buffer, the encoding, the temporary file and
// its rename over the previous one, and the times and flags carried over.
void BM_SavePictureAsJpeg(benchmark::State& state) {
    const CanvasPicture canvas;
    BenchFolder folder;
    const std::string file = folder / "canvas.jpg";
    for (auto _ : state) {
        orvane::mJPEGEncoder::SavePictureAsJpeg(canvas, file, kQuality);
    }
    state.counters["jpeg_MB"] =
        static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_SavePictureAsJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_tjCompress2_Direct(benchmark::State& state) {
    const unsigned long size = orvane::bench::CompressInMemory(state, CanvasPixels().data(), kWidth,
                                                               kStride, kHeight, kQuality);
    state.counters["jpeg_MB"] = static_cast<double>(size) / (1024.0 * 1024.0);
}
BENCHMARK(BM_tjCompress2_Direct)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

void BM_SavePicture(benchmark::State& state) {
    const CanvasPicture canvas;
    BenchFolder folder;
    const std::string file = folder / "canvas.bmp";
    for (auto _ : state) {
        orvane::platform::SavePicture(canvas.Image(), file);
    }
    state.SetBytesProcessed(state.iterations() *
                            (54 + static_cast<std::int64_t>(CanvasPixels().size())));
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_PlainWrite_SameBytes(benchmark::State& state) {
    const std::vector<BYTE>& pixels = CanvasPixels();
    std::vector<BYTE> bytes(54 + pixels.size());
    std::memcpy(bytes.data() + 54, pixels.data(), pixels.size());
    BenchFolder folder;
    const std::string file = folder / "canvas.bin";
    for (auto _ : state) {
        if (!orvane::bench::WriteWhole(file, bytes)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_PlainWrite_SameBytes)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    return orvane::bench::RunAndCompare(
        argc, argv, [](const orvane::bench::RatioReporter& reporter) {
            reporter.PrintSpeedup("BM_jencWrite", "BM_tjCompress2_Direct", 1.7);
        });
}
