// The waveform display on a two-hour 16-bit stereo file, 1920 pixels wide: milliseconds per
// full render (computing the columns and drawing both images) at the whole-file zoom, at 32
// and at 1, and the memory the shown file costs next to the size of its 32-frame peaks; then
// every figure as a "name: value" line.
//
// Usage: display_bench [WAV]   (a missing WAV is made and kept; without one, a file is made in
// $TMPDIR and removed at the end). Runs on the offscreen platform unless told otherwise.
#include <unistd.h>

#include <QApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "bench_support.h"
#include "view/ui/wave_display.h"

using namespace sonthra;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 300;
constexpr int kRuns = 30;

double renderMs(RIZI32DaziVereruz& display, std::uint32_t zoom, std::uint32_t left) {
    int code = 0;
    const double seconds =
        bench::bestSeconds(kRuns, [&] { code = display.RenderView(zoom, left); });
    if (code != 0) std::fprintf(stderr, "render at zoom %u failed with %d\n", zoom, code);
    return seconds * 1000;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool made = false;
    const std::string path =
        bench::inputWav(argc, argv, "sonthra-display-bench.wav", 2ull * 3600 * 44100, made);
    if (path.empty()) return 1;

    RIZI32DaziVereruz display;
    display.resize(kWidth + 2, kHeight + 2);
    display.show();
    QApplication::processEvents();
    const long rssBefore = bench::statusKb("VmRSS");
    bench::resetPeakMemory();

    if (display.OpenWaveFile(path) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::atomic<std::int32_t> progress{0};
    int code = 0;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker([&] { code = display.BuildPeaks(progress); });
    worker.join();
    const std::chrono::duration<double> build = std::chrono::steady_clock::now() - start;
    if (code != 0) {
        std::fprintf(stderr, "peak building failed with %d\n", code);
        return 1;
    }
    // The build sees the file through a memory map: its pages count in the resident set while
    // it runs, though they are the page cache's and not memory of ours. Measured apart.
    const long buildHwm = bench::statusKb("VmHWM");
    bench::resetPeakMemory();
    const std::uint32_t whole = display.MaxZoomLevel();
    display.RenderView(whole, 0);
    QApplication::processEvents();

    const double wholeMs = renderMs(display, whole, 0);
    const double z32Ms = renderMs(display, 32, display.TotalSamples() / 2);
    const double z1Ms = renderMs(display, 1, display.TotalSamples() / 2);

    const long rssShown = bench::statusKb("VmRSS");
    const long hwm = bench::statusKb("VmHWM");
    const double peaksMb =
        static_cast<double>(peakBlockCount(display.TotalSamples())) * 2 * sizeof(TPeak) / (1 << 20);
    std::printf("file:            %u frames (%.1f hours), %d x %d pixels\n", display.TotalSamples(),
                display.TotalSamples() / 44100.0 / 3600, kWidth, kHeight);
    std::printf("peak build:      %.2f s\n", build.count());
    std::printf("render, whole file (zoom %u): %.2f ms\n", whole, wholeMs);
    std::printf("render, zoom 32:               %.2f ms\n", z32Ms);
    std::printf("render, zoom 1:                %.2f ms   (aim: under 5 ms at every zoom)\n", z1Ms);
    std::printf("32-frame peaks:  %.1f MiB; with the in-memory summary %.1f MiB\n", peaksMb,
                static_cast<double>(display.model().peaks().memoryBytes()) / (1 << 20));
    std::printf(
        "memory shown:    %.1f MiB more than before opening; highest while drawing "
        "%.1f MiB more\n",
        (rssShown - rssBefore) / 1024.0, (hwm - rssBefore) / 1024.0);
    std::printf("while building:  highest %.1f MiB more, the mapped file's pages included\n\n",
                (buildHwm - rssBefore) / 1024.0);
    std::printf("frames: %u\n", display.TotalSamples());
    std::printf("width_pixels: %d\n", kWidth);
    std::printf("build_seconds: %.3f\n", build.count());
    std::printf("render_whole_ms: %.2f\n", wholeMs);
    std::printf("render_zoom32_ms: %.2f\n", z32Ms);
    std::printf("render_zoom1_ms: %.2f\n", z1Ms);
    std::printf("peaks_mib: %.1f\n", peaksMb);
    std::printf("peaks_with_summary_mib: %.1f\n",
                static_cast<double>(display.model().peaks().memoryBytes()) / (1 << 20));
    std::printf("memory_shown_mib: %.1f\n", (rssShown - rssBefore) / 1024.0);
    std::printf("memory_highest_drawing_mib: %.1f\n", (hwm - rssBefore) / 1024.0);
    std::printf("memory_highest_building_mib: %.1f\n", (buildHwm - rssBefore) / 1024.0);
    if (made) std::remove(path.c_str());
    return 0;
}
