// Peak building of a 1 GB 16-bit stereo WAV file that is in the page cache, against
// "cat FILE > /dev/null" on the same file in the same run, the two in turn, seven rounds,
// medians. Building should be bound by reading: the ratio of the two throughputs is printed
// (1.0 = as fast as cat), then every figure as a "name: value" line.
//
// Usage: peak_build_bench [WAV]   (a missing WAV is made and kept; without one, a file is made
// in $TMPDIR and removed at the end)
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "view/wave_view_model.h"
#include "wave/file_copy.h"

using namespace sonthra;

namespace {
constexpr int kRounds = 7;
}  // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : bench::tempFile("sonthra-peak-bench.wav");
    const bool made = argc <= 1;
    if (made || ::access(path.c_str(), R_OK) != 0) {
        std::printf("making %s (1 GiB of samples)...\n", path.c_str());
        if (!bench::makeStereoWav(path, (1ull << 30) / 4)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const std::string cat = "cat '" + path + "' > /dev/null";
    // Once to bring the file into the page cache.
    if (std::system(cat.c_str()) != 0) return 1;

    WaveViewModel model;
    model.setClientSize(1920, 300);
    if (model.OpenWaveFile(path) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    // The two in turn, so that a machine whose speed drifts slows both alike; medians count.
    std::vector<double> catRuns;
    std::vector<double> buildRuns;
    int code = 0;
    for (int round = 0; round < kRounds && code == 0; ++round) {
        catRuns.push_back(bench::bestSeconds(1, [&] { (void)std::system(cat.c_str()); }));
        buildRuns.push_back(bench::bestSeconds(1, [&] {
            std::atomic<std::int32_t> progress{0};
            code = model.BuildPeaks(progress);
        }));
    }
    if (code != 0) {
        std::fprintf(stderr, "peak building failed with %d\n", code);
        return 1;
    }
    const double catSeconds = bench::median(catRuns);
    const double buildSeconds = bench::median(buildRuns);
    const double mb = static_cast<double>(model.TotalSamples()) * 4 / (1 << 20);
    const sonthra::FileSystemInfo fs = sonthra::describeFileSystem(bench::folderOf(path));
    std::printf("file:         %.0f MiB, %u frames, on %s\n", mb, model.TotalSamples(),
                fs.name.c_str());
    std::printf("cat:          %.3f s  %.0f MiB/s  (median of %d; fastest %.3f s)\n", catSeconds,
                mb / catSeconds, kRounds, bench::fastest(catRuns));
    std::printf("peak build:   %.3f s  %.0f MiB/s  (median of %d; fastest %.3f s)\n", buildSeconds,
                mb / buildSeconds, kRounds, bench::fastest(buildRuns));
    std::printf("ratio (build throughput / cat throughput): %.2f  (aim: 1.0 or better)\n\n",
                catSeconds / buildSeconds);
    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("file_mib: %.0f\n", mb);
    std::printf("cat_seconds: %.3f\n", catSeconds);
    std::printf("build_seconds: %.3f\n", buildSeconds);
    std::printf("cat_fastest_seconds: %.3f\n", bench::fastest(catRuns));
    std::printf("build_fastest_seconds: %.3f\n", bench::fastest(buildRuns));
    std::printf("build_vs_cat: %.2f\n", catSeconds / buildSeconds);
    if (made) std::remove(path.c_str());
    return 0;
}
