// Times the spectrogram of a one-hour 16-bit stereo WAV file: the first 1920-pixel screen at the
// zoom a display opens with (32 frames a pixel), and the whole file as a 1920 x 513 picture
// written as PNG against sox drawing the same picture in the same run; prints the ratio (sox's
// time over ours: above 1 is faster than sox), then the figures as "name: value" lines.
//
//   spectrogram_bench [WAV]    default: a one-hour file made in $TMPDIR (or /tmp) and removed
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "analysis/spectrogram_picture.h"
#include "bench_support.h"

int main(int argc, char** argv) {
    using namespace sonthra;
    bool made = false;
    const std::string path =
        bench::inputWav(argc, argv, "spectrogram_bench.wav", 3600ull * 44100, made);
    if (path.empty()) return 1;
    constexpr int kRuns = 3;
    constexpr int kWidth = 1920;
    const SpectrogramSettings settings{1024, FrequencyScale::Linear, 513};
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const FrameSourceOpener open = [&](std::unique_ptr<FrameSource>& source) {
        return openWaveFrameSource(path, source);
    };
    std::unique_ptr<FrameSource> source;
    if (open(source) != 0) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }

    int result = 0;
    const double firstScreen = bench::bestSeconds(kRuns, [&] {
        SpectrogramLevel level({32, 1, settings}, source->frames(), source->format().sampleRate);
        result |= computeColumns(level, 0, kWidth, open, threads);
    });
    const std::string ours = bench::tempFile("spectrogram_bench_ours.png");
    const std::string theirs = bench::tempFile("spectrogram_bench_sox.png");
    const double whole = bench::bestSeconds(kRuns, [&] {
        SpectrogramPicture picture;
        result |= drawSpectrogram(open, kWidth, settings, threads, picture);
        result |= writeSpectrogramPng(ours, picture, SpectrogramPalette::Dark);
    });
    if (result != 0) {
        std::fprintf(stderr, "spectrogram failed: %d\n", result);
        return 1;
    }
    const std::string peer = "sox '" + path + "' -n spectrogram -x 1920 -y 513 -o '" + theirs + "'";
    int peerStatus = 0;
    const double sox = bench::bestSeconds(kRuns, [&] { peerStatus |= std::system(peer.c_str()); });
    if (made) std::remove(path.c_str());
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
    if (peerStatus != 0) {
        std::fprintf(stderr, "sox failed\n");
        return 1;
    }

    std::printf("%-34s %10s\n", "one hour, 16-bit stereo, 1920 x 513", "seconds");
    std::printf("%-34s %10.3f\n", "first screen (32 frames a pixel)", firstScreen);
    std::printf("%-34s %10.3f\n", "whole file, ours", whole);
    std::printf("%-34s %10.3f\n", "whole file, sox", sox);
    std::printf("threads: %d\n", threads);
    std::printf("first_screen_seconds: %.3f\n", firstScreen);
    std::printf("whole_file_seconds: %.3f\n", whole);
    std::printf("sox_seconds: %.3f\n", sox);
    std::printf("ratio: %.2f\n", sox / whole);
    return 0;
}
