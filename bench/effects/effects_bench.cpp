// Times Amplify, Reverse and Normalize of a large 16-bit stereo WAV file through the shipped
// plug-ins (the same host and processing as the program) against sox doing the same in the
// same run, and prints the ratios (sox's time over ours: above 1 is faster than sox) and the
// peak memory of each (ours: what the run added to the process's resident memory; sox: its
// whole process), then the figures as "name: value" lines. Then the shipped "Podcast voice"
// chain (high-pass, noise reduction, compressor, loudness, limiter) on a recording of an hour
// against the same chain of ffmpeg filters.
//
//   effects_bench [megabytes [minutes]]    default 1024 and 60; the files are made in $TMPDIR
//                                          (or /tmp)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "effects/effect_chain.h"
#include "effects/effect_file_run.h"
#include "effects/effect_host.h"
#include "platform/program_folder.h"
#include "wave/wave_writer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Runs a command; its peak resident memory in kB, or -1 when it failed.
long runCommand(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return usage.ru_maxrss;
}

// A figure of this process's /proc status in kB: "VmHWM:" (the peak since the last reset) or
// "VmRSS:".
long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

// Runs sox; its own peak memory in kB, or -1 when it failed. A child's peak as wait4 reports it
// starts from this process's size at the spawn, so GNU time, a small process, measures it when
// it is there.
long runSox(std::vector<std::string> args, const std::string& folder) {
    if (::access("/usr/bin/time", X_OK) != 0) return runCommand(args);
    const std::string report = folder + "/effects_bench_time.txt";
    args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", report});
    if (runCommand(args) < 0) return -1;
    std::ifstream in(report);
    long kb = -1;
    in >> kb;
    std::remove(report.c_str());
    return kb;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Noise, or with speech true a voice-like signal: noise in syllables of 200 ms with pauses.
bool makeFile(const std::string& path, std::uint64_t bytes, bool speech = false) {
    auto writer = sonthra::WaveWriter::create(path, 44100, 16, 2);
    if (!writer) return false;
    std::vector<std::int16_t> block(1 << 19);
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < block.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double syllable = speech ? std::fabs(std::sin(i / 2.0 * 3.14159265 / 8820.0)) : 1.0;
        const double pause = speech && (i / 2 / 44100) % 4 == 3 ? 0.02 : 1.0;
        block[i] = static_cast<std::int16_t>(static_cast<std::int32_t>(seed >> 16) % 12000 *
                                             syllable * pause);
    }
    const std::uint64_t blockBytes = block.size() * sizeof(block[0]);
    for (std::uint64_t done = 0; done < bytes; done += blockBytes) {
        if (!writer->write(block.data(), blockBytes)) return false;
    }
    return writer->finish();
}

struct Figure {
    std::string name;
    double ours = 0;
    double sox = 0;
    long oursKb = 0;
    long soxKb = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    if (megabytes == 0) {
        std::fprintf(stderr, "usage: effects_bench [megabytes]\n");
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp ? tmp : "/tmp";
    const std::string in = folder + "/effects_bench_in.wav";
    const std::string ours = folder + "/effects_bench_ours.wav";
    const std::string theirs = folder + "/effects_bench_sox.wav";
    if (!makeFile(in, megabytes << 20)) {
        std::fprintf(stderr, "cannot write %s\n", in.c_str());
        return 1;
    }
    sonthra::EffectPluginList plugins;
    sonthra::LoadEffectPlugins(plugins, sonthra::programFolder());

    struct Case {
        const char* name;
        std::vector<std::string> settings;
        std::vector<std::string> sox;
    };
    const std::vector<Case> cases = {
        {"Amplify", {"gain-db=6.0206"}, {"vol", "2"}},
        {"Reverse", {}, {"reverse"}},
        {"Normalize", {"peak-db=-1"}, {"gain", "-n", "-1"}},
    };
    std::vector<Figure> figures;
    for (const Case& c : cases) {
        Figure f{c.name};
        std::remove(ours.c_str());
        // Each run starts with nothing of the others' writes waiting for the disk.
        ::sync();
        const long baseKb = statusKb("VmRSS:");
        resetPeak();
        auto start = Clock::now();
        std::string detail;
        const int result =
            sonthra::applyEffectToFile(plugins, {c.name, in, ours, 0, 0, c.settings}, &detail);
        f.ours = seconds(start);
        f.oursKb = statusKb("VmHWM:") - baseKb;
        if (result != 0) {
            std::fprintf(stderr, "%s failed: %d\n", c.name, result);
            return 1;
        }
        std::vector<std::string> args = {"sox", "-D", in, theirs};
        args.insert(args.end(), c.sox.begin(), c.sox.end());
        ::sync();
        start = Clock::now();
        f.soxKb = runSox(args, folder);
        f.sox = seconds(start);
        if (f.soxKb < 0) {
            std::fprintf(stderr, "sox %s failed\n", c.name);
            return 1;
        }
        figures.push_back(f);
    }
    std::remove(in.c_str());
    std::remove(ours.c_str());
    std::remove(theirs.c_str());

    // The chain on an hour of voice-like audio, against ffmpeg's filters for the same steps.
    const std::uint64_t minutes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 60;
    const std::string voice = folder + "/effects_bench_voice.wav";
    const std::string peer = folder + "/effects_bench_ffmpeg.wav";
    if (!makeFile(voice, minutes * 60 * 44100 * 4, true)) {
        std::fprintf(stderr, "cannot write %s\n", voice.c_str());
        return 1;
    }
    const sonthra::EffectChain& chain = sonthra::shippedEffectChains().at(0);
    std::remove(ours.c_str());
    ::sync();
    auto chainStart = Clock::now();
    std::string detail;
    const int chained =
        sonthra::applyChainToFile(plugins, chain, voice, ours, &detail, nullptr, nullptr);
    const double chainOurs = seconds(chainStart);
    if (chained != 0) {
        std::fprintf(stderr, "chain failed: %d %s\n", chained, detail.c_str());
        return 1;
    }
    ::sync();
    chainStart = Clock::now();
    const long ffmpegKb =
        runCommand({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-i", voice, "-af",
                    "highpass=f=80:poles=2,highpass=f=80:poles=2,afftdn=nr=12,"
                    "acompressor=threshold=-20dB:ratio=3:knee=2:attack=5:release=100:makeup=1.41,"
                    "loudnorm=I=-16:TP=-1:LRA=20,alimiter=limit=-1dB:release=60:level=false",
                    "-ar", "44100", "-c:a", "pcm_s16le", peer});
    const double chainPeer = seconds(chainStart);
    std::remove(voice.c_str());
    std::remove(ours.c_str());
    std::remove(peer.c_str());
    if (ffmpegKb < 0) {
        std::fprintf(stderr, "ffmpeg chain failed\n");
        return 1;
    }

    std::printf("%llu MB 16-bit stereo WAV\n", static_cast<unsigned long long>(megabytes));
    std::printf("%-10s %10s %10s %7s %10s %10s\n", "effect", "ours s", "sox s", "ratio", "ours MB",
                "sox MB");
    for (const Figure& f : figures) {
        std::printf("%-10s %10.2f %10.2f %7.2f %10.1f %10.1f\n", f.name.c_str(), f.ours, f.sox,
                    f.sox / f.ours, f.oursKb / 1024.0, f.soxKb / 1024.0);
    }
    std::printf("file_mb: %llu\n", static_cast<unsigned long long>(megabytes));
    for (const Figure& f : figures) {
        std::string key = f.name;
        for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        std::printf("%s_seconds: %.3f\n", key.c_str(), f.ours);
        std::printf("%s_sox_seconds: %.3f\n", key.c_str(), f.sox);
        std::printf("%s_ratio: %.2f\n", key.c_str(), f.sox / f.ours);
        std::printf("%s_peak_memory_mb: %.1f\n", key.c_str(), f.oursKb / 1024.0);
        std::printf("%s_sox_peak_memory_mb: %.1f\n", key.c_str(), f.soxKb / 1024.0);
    }
    std::printf("chain_minutes: %llu\n", static_cast<unsigned long long>(minutes));
    std::printf("podcast_voice_seconds: %.3f\n", chainOurs);
    std::printf("podcast_voice_ffmpeg_seconds: %.3f\n", chainPeer);
    std::printf("podcast_voice_ratio: %.2f\n", chainPeer / chainOurs);
    return 0;
}
