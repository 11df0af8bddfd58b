// Times the loudness analysis of a one-hour 16-bit stereo WAV file (integrated, range, maximum
// momentary and short-term, true peak) against ffmpeg's ebur128 filter with true peak on the
// same file in the same run, and prints the ratio (ffmpeg's time over ours: above 1 is faster
// than ffmpeg) and both results, then the figures as "name: value" lines.
//
//   loudness_bench [WAV]    default: a one-hour file made in $TMPDIR (or /tmp) and removed
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/loudness_analysis.h"
#include "bench_support.h"

int main(int argc, char** argv) {
    using namespace sonthra;
    bool made = false;
    const std::string path =
        bench::inputWav(argc, argv, "loudness_bench.wav", 3600ull * 44100, made);
    if (path.empty()) return 1;
    constexpr int kRuns = 3;

    LoudnessReport report{};
    int result = 0;
    const double ours =
        bench::bestSeconds(kRuns, [&] { result = analyzeLoudness(path, 0, kToEnd, report); });
    if (result != 0) {
        std::fprintf(stderr, "analysis failed: %d\n", result);
        return 1;
    }
    const std::string peer = "ffmpeg -nostats -i '" + path +
                             "' -af ebur128=peak=true -f null - 2>&1 | grep -A 14 Summary";
    std::string summary;
    const double theirs = bench::bestSeconds(kRuns, [&] {
        summary.clear();
        FILE* pipe = ::popen(peer.c_str(), "r");
        if (!pipe) return;
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) summary += line;
        ::pclose(pipe);
    });
    if (made) std::remove(path.c_str());
    if (summary.empty()) {
        std::fprintf(stderr, "ffmpeg failed\n");
        return 1;
    }

    std::printf("ours (%.2f s):\n%sffmpeg (%.2f s):\n%s", ours, loudnessReportText(report).c_str(),
                theirs, summary.c_str());
    std::printf("loudness_seconds: %.3f\n", ours);
    std::printf("ffmpeg_ebur128_seconds: %.3f\n", theirs);
    std::printf("ratio: %.2f\n", theirs / ours);
    return 0;
}
