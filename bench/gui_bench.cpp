// The window with the largest tileset (32 767 tiles, a 608 x 55 200 canvas): drawing one
// screenful (1920 x 1080) at 1/56 (the whole mosaic), 1/4, 1/2, 1x, 4x and 16x, scrolled to the middle of the mosaic,
// straight from the canvas's memory (below 1x resampled a band at a time), with the resident
// memory the drawing adds at its peak; opening the tileset by name until the first screenful is
// painted, with the process's resident memory before and after; and reloading it, with the peak of
// resident memory while the new mosaic is painted beside the shown one. Runs under the offscreen
// platform:
//   build/default/bin/bench_gui
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_support.h"
#include "gui/canvas_widget.h"
#include "gui/form1.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

using orvane::gui::CanvasWidget;
using orvane::gui::Form1;
using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;

constexpr int kLargest = 32'767;
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

const std::string& LargestTileset() {
    static orvane::bench::BenchFolder folder;
    static const std::string path = [] {
        const std::string name = folder / "largest.tst";
        orvane::bench::WritePixelArtTileset(name, kLargest);
        return name;
    }();
    return path;
}

// Shows a widget and waits until the window system lets it paint: before that, a repaint does
// nothing.
void ShowAndWait(QWidget& widget) {
    widget.show();
    for (int i = 0; i < 1000 && !(widget.windowHandle() && widget.windowHandle()->isExposed());
         ++i) {
        QApplication::processEvents();
    }
    QApplication::processEvents();
}

// Resident memory of this process, in MB: now (VmRSS), or at its peak (VmHWM).
double ResidentMb(const std::string& which = "VmRSS:") {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == which) {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
    }
    return 0;
}

// The largest tileset open, in a view of one screenful at a zoom.
struct LargestOnScreen {
    explicit LargestOnScreen(int zoom) : model(dialog), view(model) {
        model.mnuOpen_Click();
        view.resize(kScreenWidth, kScreenHeight);
        ShowAndWait(view);
        view.FollowModel();
        view.SetZoomFloor(orvane::viewer::kLeastZoom);
        view.ZoomTo(zoom);
    }

    ScriptedDialog dialog{{LargestTileset()}};
    MainForm model;
    CanvasWidget view;
};

void BM_DrawScreenful(benchmark::State& state) {
    LargestOnScreen screen(static_cast<int>(state.range(0)));
    CanvasWidget& view = screen.view;
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    view.viewport()->repaint();
    const double before = ResidentMb();
    std::ofstream("/proc/self/clear_refs") << "5";
    for (auto _ : state) {
        view.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * kScreenWidth * kScreenHeight);
    const int zoom = view.View().Zoom();
    state.counters["zoom"] = zoom >= 1 ? zoom : 1.0 / orvane::viewer::ZoomDivisor(zoom);
    state.counters["paint_peak_extra_MB"] = ResidentMb("VmHWM:") - before;
}
BENCHMARK(BM_DrawScreenful)
    ->Arg(orvane::viewer::ShrinkStep(56))
    ->Arg(orvane::viewer::ShrinkStep(4))
    ->Arg(orvane::viewer::ShrinkStep(2))
    ->Arg(1)
    ->Arg(4)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

// A scroll by one screen at 16x: what dragging the scrollbar through the mosaic costs a step.
void BM_ScrollAScreenAt16x(benchmark::State& state) {
    LargestOnScreen screen(16);
    CanvasWidget& view = screen.view;
    QScrollBar* bar = view.verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(
            bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollAScreenAt16x)->Unit(benchmark::kMillisecond);

// As `orvane TILESET` does it: the window shown, the file opened, the first screenful painted.
void BM_OpenByArgumentToFirstPaint(benchmark::State& state) {
    const std::string& path = LargestTileset();
    double empty = 0;
    double open = 0;
    for (auto _ : state) {
        Form1 form;
        ShowAndWait(form);
        empty = ResidentMb();
        form.OpenFile(path);
        form.Picture1Widget().viewport()->repaint();
        open = ResidentMb();
        if (!form.Model().bTilesetLoaded) {
            state.SkipWithError("the tileset was not opened");
        }
    }
    state.counters["rss_empty_window_MB"] = empty;
    state.counters["rss_largest_open_MB"] = open;
}
BENCHMARK(BM_OpenByArgumentToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

// File > Reload of the largest tileset, shown: the new mosaic is painted on a picture of its
// own and replaces the shown one only once whole, so both are resident while it is painted. The
// peak is counted from the reload's start (the kernel's high-water mark is reset first).
void BM_ReloadLargest(benchmark::State& state) {
    Form1 form;
    ShowAndWait(form);
    form.OpenFile(LargestTileset());
    form.Picture1Widget().viewport()->repaint();
    const double before = ResidentMb();
    double peak = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5";
        form.Reload();
        peak = std::max(peak, ResidentMb("VmHWM:"));
    }
    if (!form.Model().bTilesetLoaded) {
        state.SkipWithError("the tileset was not opened");
    }
    state.counters["rss_shown_MB"] = before;
    state.counters["rss_reload_peak_MB"] = peak;
    state.counters["reload_extra_MB"] = peak - before;
}
BENCHMARK(BM_ReloadLargest)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
