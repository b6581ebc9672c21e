// The whole export job on the largest tileset (32 767 tiles, a 608 x 55 200 mosaic): File > Open
// and then File > Save As, to JPEG and to BMP, each beside its floor in the same run:
//   open + Save As JPEG   beside  tjCompress2 (4:4:4, quality 90) of the canvas's pixels in memory
//   open + Save As BMP    beside  one plain write() of as many bytes as the bitmap file
// and the commands' steps on their own, to show where the time goes. Saving over an existing file
// flushes it to the disk before the rename; saving to a new name does not, having nothing to
// lose: the two side by side show what that costs. The ratios and that cost are printed last.
// The folder is the system's temporary one: point TMPDIR at the disk to be measured.
// Run: build/default/bin/bench_saveas
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/ratio_reporter.h"
#include "dib/cdibsection.h"
#include "platform/msgbox.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

using orvane::cDIBSection;
using orvane::bench::BenchFolder;
using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;

constexpr int kTiles = 32'767;
constexpr int kQuality = 90;

BenchFolder& Folder() {
    static BenchFolder folder;
    return folder;
}

const std::string& LargestTileset() {
    static const std::string name = [] {
        const std::string path = Folder() / "largest.tst";
        orvane::bench::WritePixelArtTileset(path, kTiles);
        return path;
    }();
    return name;
}

// A window without a window: the commands answered by a script, their messages swallowed.
struct Viewer {
    Viewer() : messages([](std::string_view, std::string_view) {}) {}
    void Open() {
        dialog.Script(LargestTileset());
        form.mnuOpen_Click();
    }
    void SaveAs(const std::string& name) {
        dialog.Script(name);
        form.mnuSaveAs_Click();
    }

    ScriptedDialog dialog;
    MainForm form{dialog};
    orvane::platform::ScopedMessageBoxHandler messages;
};

// The canvas's pixels after an Open, as the JPEG export hands them to the encoder: bottom-up BGR
// rows, each padded to 4 bytes.
class CanvasCopy {
  public:
    CanvasCopy() {
        Viewer viewer;
        viewer.Open();
        dib_.Create(viewer.form.Picture1.PixelWidth(), viewer.form.Picture1.PixelHeight());
        dib_.LoadPictureBlt(viewer.form.Picture1.hDC());
    }
    const cDIBSection& dib() const { return dib_; }

  private:
    cDIBSection dib_;
};

const cDIBSection& CanvasPixels() {
    static const CanvasCopy copy;
    return copy.dib();
}

void BM_Job_OpenThenSaveAsJpeg(benchmark::State& state) {
    Viewer viewer;
    const std::string name = Folder() / "job.jpg";
    for (auto _ : state) {
        viewer.Open();
        viewer.SaveAs(name);
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(name)) / 1e6;
}
BENCHMARK(BM_Job_OpenThenSaveAsJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Floor_tjCompress2(benchmark::State& state) {
    const cDIBSection& pixels = CanvasPixels();
    const unsigned long size =
        orvane::bench::CompressInMemory(state, pixels.DIBSectionBitsPtr(), pixels.Width(),
                                        pixels.BytesPerScanLine(), pixels.Height(), kQuality);
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_Floor_tjCompress2)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Job_OpenThenSaveAsBmp(benchmark::State& state) {
    Viewer viewer;
    const std::string name = Folder() / "job.bmp";
    for (auto _ : state) {
        viewer.Open();
        viewer.SaveAs(name);
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(name)) / 1e6;
}
BENCHMARK(BM_Job_OpenThenSaveAsBmp)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Floor_PlainWrite(benchmark::State& state) {
    const cDIBSection& pixels = CanvasPixels();
    std::vector<BYTE> bytes(54 + std::size_t(pixels.BytesPerScanLine()) *
                                     static_cast<std::size_t>(pixels.Height()));
    std::copy_n(pixels.DIBSectionBitsPtr(), bytes.size() - 54, bytes.begin() + 54);
    const std::string name = Folder() / "plain.bin";
    for (auto _ : state) {
        if (!orvane::bench::WriteWhole(name, bytes)) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_Floor_PlainWrite)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The steps of the jobs on their own.
void BM_Step_Open(benchmark::State& state) {
    Viewer viewer;
    for (auto _ : state) {
        viewer.Open();
    }
}
BENCHMARK(BM_Step_Open)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Step_SaveAsJpeg(benchmark::State& state) {
    Viewer viewer;
    viewer.Open();
    const std::string name = Folder() / "step.jpg";
    for (auto _ : state) {
        viewer.SaveAs(name);
    }
}
BENCHMARK(BM_Step_SaveAsJpeg)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Step_SaveAsBmp(benchmark::State& state) {
    Viewer viewer;
    viewer.Open();
    const std::string name = Folder() / "step.bmp";
    for (auto _ : state) {
        viewer.SaveAs(name);
    }
}
BENCHMARK(BM_Step_SaveAsBmp)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The steps above replace their file each time; these write a new name each time, the last
// file set aside untimed (where its blocks are freed), so the difference is the flush.
void SaveAsNewName(benchmark::State& state, const std::string& extension) {
    Viewer viewer;
    viewer.Open();
    const std::string name = Folder() / ("new." + extension);
    const std::string aside = Folder() / ("aside." + extension);
    for (auto _ : state) {
        state.PauseTiming();
        std::rename(name.c_str(), aside.c_str());
        state.ResumeTiming();
        viewer.SaveAs(name);
    }
}

void BM_Step_SaveAsJpegNewName(benchmark::State& state) {
    SaveAsNewName(state, "jpg");
}
BENCHMARK(BM_Step_SaveAsJpegNewName)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Step_SaveAsBmpNewName(benchmark::State& state) {
    SaveAsNewName(state, "bmp");
}
BENCHMARK(BM_Step_SaveAsBmpNewName)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Inside Save As JPEG: the two copies of the canvas into the export's buffer.
void BM_Step_CopyCanvasToBuffer(benchmark::State& state) {
    Viewer viewer;
    viewer.Open();
    for (auto _ : state) {
        cDIBSection dib;
        dib.CreateFromPicture(viewer.form.Picture1.Image());
        dib.LoadPictureBlt(viewer.form.Picture1.hDC());
        benchmark::DoNotOptimize(dib.DIBSectionBitsPtr());
    }
}
BENCHMARK(BM_Step_CopyCanvasToBuffer)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    return orvane::bench::RunAndCompare(
        argc, argv, [](const orvane::bench::RatioReporter& reporter) {
            reporter.PrintRatio("BM_Job_OpenThenSaveAsJpeg", "BM_Floor_tjCompress2", 2.5);
            reporter.PrintRatio("BM_Job_OpenThenSaveAsBmp", "BM_Floor_PlainWrite", 3.0);
            reporter.PrintDifference("BM_Step_SaveAsJpeg", "BM_Step_SaveAsJpegNewName",
                                     "the flush before replacing");
            reporter.PrintDifference("BM_Step_SaveAsBmp", "BM_Step_SaveAsBmpNewName",
                                     "the flush before replacing");
        });
}
