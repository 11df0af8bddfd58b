// Times the format changer resampling a 16-bit stereo WAV file from 44,100 to 48,000 Hz
// against `sox IN -r 48000 OUT` on the same file in the same run (the median of the rounds
// each), and prints the throughputs and their ratio.
//
//   format_convert_bench [--size MB] [--rounds N] [file.wav]
//
// Without a file, one of --size megabytes (1024 unless given) of tones and noise is made in
// $TMPDIR (or /tmp) and removed at the end.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "convert/format_convert.h"
#include "support/bench_files.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

using sonthra::bench::runCommand;

// Two tones and some noise, so the resampler's filters see a full band.
bool makeFile(const std::string& path, std::uint64_t bytes) {
    auto writer = sonthra::WaveWriter::create(path, 44100, 16, 2);
    if (!writer) return false;
    std::vector<std::int16_t> block(1 << 20);
    std::uint32_t noise = 12345;
    std::uint64_t frame = 0;
    for (std::uint64_t done = 0; done < bytes; done += block.size() * 2) {
        for (std::size_t i = 0; i < block.size(); i += 2, ++frame) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(frame % 44100) / 44100;
            const double n = static_cast<double>(noise >> 16) / 65536 - 0.5;
            block[i] = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 440 * t) + 2000 * n);
            block[i + 1] =
                static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * 3150 * t) - 2000 * n);
        }
        const std::uint64_t n = std::min<std::uint64_t>(block.size() * 2, bytes - done);
        if (!writer->write(block.data(), n & ~3ull)) return false;
    }
    return writer->finish();
}

// Every contender starts alike: the source in the page cache, nothing left to write back.
void settle(const std::string& path) {
    runCommand({"sh", "-c", "cat \"$0\" > /dev/null", path});
    runCommand({"sync"});
}

double ourConversion(const std::string& source, const std::string& output) {
    unsigned char format[sonthra::kWaveFormatBytes];
    sonthra::encodeWaveFormat(sonthra::makePcmFormat(48000, 16, 2), format);
    const auto t0 = Clock::now();
    sonthra::ConvertHandle handle = nullptr;
    int code = sonthra::AudioConvert(source, output, format, &handle, 0);
    while (code == 0 && !sonthra::AudioConvertProcessIsOver(handle)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double taken = seconds(t0);
    if (code == 0) code = sonthra::AudioConvertGetReasonForProcessExit(handle);
    sonthra::AudioConvertCloseHandle(&handle);
    if (code != 0) {
        std::fprintf(stderr, "conversion failed with code %d\n", code);
        std::exit(1);
    }
    return taken;
}

double soxConversion(const std::string& source, const std::string& output) {
    const auto t0 = Clock::now();
    if (!runCommand({"sox", source, "-r", "48000", output})) {
        std::fprintf(stderr, "sox failed\n");
        std::exit(1);
    }
    return seconds(t0);
}

template <typename Run>
double median(int rounds, const std::string& source, const std::string& output, Run run) {
    std::vector<double> taken;
    for (int i = 0; i < rounds; ++i) {
        unlink(output.c_str());
        settle(source);
        taken.push_back(run(source, output));
    }
    std::sort(taken.begin(), taken.end());
    return taken[taken.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t megabytes = 1024;
    int rounds = 3;
    std::string source;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--size") && i + 1 < argc) {
            megabytes = std::strtoull(argv[++i], nullptr, 10);
        } else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else {
            source = argv[i];
        }
    }
    if (!runCommand({"sh", "-c", "command -v sox > /dev/null"})) {
        std::fprintf(stderr, "sox is not installed\n");
        return 1;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string work = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonthra-format-bench-" +
                             std::to_string(getpid());
    if (!runCommand({"mkdir", "-p", work})) return 1;
    const bool made = source.empty();
    if (made) {
        source = work + "/source.wav";
        std::printf("making a %llu MB 16-bit stereo 44,100 Hz file in %s ...\n",
                    static_cast<unsigned long long>(megabytes), work.c_str());
        if (!makeFile(source, megabytes << 20)) {
            std::fprintf(stderr, "cannot write %s\n", source.c_str());
            return 1;
        }
    }
    std::uint32_t frames = 0;
    sonthra::WaveFormat format;
    if (sonthra::probeWave(source, &frames, &format) != 0 || format.blockAlign == 0) {
        std::fprintf(stderr, "%s is not a WAV file with samples\n", source.c_str());
        return 1;
    }
    const double inputMb = static_cast<double>(frames) * format.blockAlign / 1e6;
    const std::string output = work + "/out.wav";
    const double sox = median(rounds, source, output, soxConversion);
    const double ours = median(rounds, source, output, ourConversion);
    unlink(output.c_str());
    if (made) unlink(source.c_str());
    rmdir(work.c_str());

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("44,100 -> 48,000 Hz: %.2f times the speed of sox (median of %d rounds)\n",
                sox / ours, rounds);
    std::printf("input_mb: %.0f\n", inputMb);
    std::printf("rounds: %d\n", rounds);
    std::printf("sonthra_seconds: %.2f\n", ours);
    std::printf("sox_seconds: %.2f\n", sox);
    std::printf("sonthra_input_mb_per_s: %.1f\n", inputMb / ours);
    std::printf("sox_input_mb_per_s: %.1f\n", inputMb / sox);
    std::printf("ratio: %.2f\n", sox / ours);
    std::printf("peak_memory_mb: %ld\n", usage.ru_maxrss / 1024);
    return 0;
}
