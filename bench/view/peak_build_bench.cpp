// Peak building of a 1 GB 16-bit stereo WAV file that is in the page cache, against
// "cat FILE > /dev/null" on the same file in the same run. Building should be bound by
// reading: the ratio of the two throughputs is printed (1.0 = as fast as cat).
//
// Usage: peak_build_bench [WAV]   (a missing WAV is made and kept; without one, a file is made
// in $TMPDIR and removed at the end)
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "view/wave_view_model.h"

using namespace sonthra;

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

    const double catSeconds = bench::bestSeconds(5, [&] { (void)std::system(cat.c_str()); });
    WaveViewModel model;
    model.setClientSize(1920, 300);
    if (model.OpenWaveFile(path) != 0) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    int code = 0;
    const double buildSeconds = bench::bestSeconds(5, [&] {
        std::atomic<std::int32_t> progress{0};
        code = model.BuildPeaks(progress);
    });
    if (code != 0) {
        std::fprintf(stderr, "peak building failed with %d\n", code);
        return 1;
    }
    const double mb = static_cast<double>(model.TotalSamples()) * 4 / (1 << 20);
    std::printf("file:         %.0f MiB, %u frames\n", mb, model.TotalSamples());
    std::printf("cat:          %.3f s  %.0f MiB/s\n", catSeconds, mb / catSeconds);
    std::printf("peak build:   %.3f s  %.0f MiB/s\n", buildSeconds, mb / buildSeconds);
    std::printf("ratio (build throughput / cat throughput): %.2f  (aim: 0.7 or better)\n",
                catSeconds / buildSeconds);
    if (made) std::remove(path.c_str());
    return 0;
}
