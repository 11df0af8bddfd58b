// Times the engine's cut, paste and clear on a large 16-bit stereo WAV file against cp of the
// same file in the same run, and prints throughputs and their ratios. The edits run twice:
// flushing each result to the disk before moving it into place, the way a user's own file is
// written (against "cp + sync"), and as the program edits its working copies, flushing only
// the source first and leaving the result to the disk's own pace (against plain cp). Each of
// seven rounds runs the copy and the three edits back to back, every one from the same start
// (the source in the page cache, nothing left to write back). On a shared machine a run now and
// then stalls for twice its time or more in the kernel, whoever runs it, so the figures compare
// each contender's best round (a stall only ever adds time); the medians are printed beside
// them. After the table come the figures as "name: value" lines, with the file system the files
// were on and whether it shares blocks between files (reflinks).
//
//   edit_bench [file.wav]    without a file, a 1 GB file is made in $TMPDIR (or /tmp)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio_edit.h"
#include "platform/work_done.h"
#include "support/bench_files.h"
#include "wave/file_copy.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace {

using sonthra::bench::makeFile;
using sonthra::bench::runCommand;
using sonthra::bench::settle;
using Clock = std::chrono::steady_clock;
constexpr std::uint64_t kDefaultBytes = 1ull << 30;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The engine says when an edit's worker has ended, as the program's progress window is told;
// waiting for that keeps a polling loop from taking turns with the worker on a busy machine.
std::mutex g_doneMutex;
std::condition_variable g_done;
bool g_doneSaid = false;

void workDone() {
    const std::lock_guard<std::mutex> lock(g_doneMutex);
    g_doneSaid = true;
    g_done.notify_all();
}

constexpr int kRounds = 7;

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double bestOf(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// Processor seconds, user and system, of this process and of its children that have ended.
double cpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total +=
            u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// One run's wall and processor time.
struct Timing {
    double wall;
    double cpu;
};

// One contender: the bytes it writes, and its times in each round.
struct Result {
    const char* key;
    const char* name;
    std::uint64_t bytesWritten;
    std::vector<double> seconds;
    std::vector<double> cpu;

    void add(Timing t) {
        seconds.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
};

// Throughput in MB/s over the given seconds.
double rate(const Result& r, double seconds) {
    return r.bytesWritten / seconds / 1e6;
}

// r's best throughput against the reference's best, and the same for the medians.
double bestRatio(const Result& r, const Result& reference) {
    return rate(r, bestOf(r.seconds)) / rate(reference, bestOf(reference.seconds));
}

double medianRatio(const Result& r, const Result& reference) {
    return rate(r, medianOf(r.seconds)) / rate(reference, medianOf(reference.seconds));
}

}  // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = tmp && *tmp ? tmp : "/tmp";
    const std::string work = folder + "/sonthra-edit-bench-" + std::to_string(getpid());
    if (!runCommand({"mkdir", "-p", work})) return 1;
    std::string source = argc > 1 ? argv[1] : work + "/source.wav";
    if (argc <= 1) {
        std::printf("making a 1 GB 16-bit stereo file in %s ...\n", work.c_str());
        if (!makeFile(source, kDefaultBytes)) {
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
    const std::uint64_t fileBytes = static_cast<std::uint64_t>(frames) * format.blockAlign + 46;
    const std::uint32_t tenth = frames / 10;
    const std::uint32_t middle = frames / 2;
    const std::string copy = work + "/copy.wav";
    const std::string result = work + "/result.wav";

    sonthra::SetWorkDoneWatcher(&workDone);
    sonthra::AudioEditor editor;
    editor.AudioEditSetUndoRedo(0);
    editor.SetTempPath(work);
    // One timed run, from the same start as every other.
    auto timed = [&](const std::string& output, auto run) {
        unlink(output.c_str());
        settle(source);
        const double cpu0 = cpuSeconds();
        const auto t0 = Clock::now();
        run();
        const Timing taken{seconds(t0), cpuSeconds() - cpu0};
        unlink(output.c_str());
        return taken;
    };
    auto copyRun = [&](bool sync) {
        return timed(copy, [&] {
            if (!runCommand({"cp", source, copy}) || (sync && !runCommand({"sync", copy}))) {
                std::exit(1);
            }
        });
    };
    auto editRun = [&](const char* name, auto startEdit) {
        return timed(result, [&] {
            std::uint32_t handle = 0;
            {
                const std::lock_guard<std::mutex> lock(g_doneMutex);
                g_doneSaid = false;
            }
            int rc = startEdit(&handle);
            while (rc == 0 && !editor.AudioEditProcessIsOver(handle)) {
                std::unique_lock<std::mutex> lock(g_doneMutex);
                g_done.wait_for(lock, std::chrono::milliseconds(100), [] { return g_doneSaid; });
                g_doneSaid = false;
            }
            if (rc == 0) rc = editor.AudioEditGetReasonForProcessExit(handle);
            editor.AudioEditCloseHandle(&handle);
            if (rc != 0) {
                std::fprintf(stderr, "%s failed with %d\n", name, rc);
                std::exit(1);
            }
        });
    };
    const std::uint64_t tenthBytes = static_cast<std::uint64_t>(tenth) * format.blockAlign;
    // Per mode: the copy, then cut (the file less a tenth plus the tenth into the clipboard),
    // paste of that tenth and clear of a tenth.
    std::vector<Result> results = {
        {"cp", "cp", fileBytes, {}, {}},
        {"cut_working", "cut, working", fileBytes + 46, {}, {}},
        {"paste_working", "paste, working", fileBytes + tenthBytes, {}, {}},
        {"clear_working", "clear, working", fileBytes - tenthBytes, {}, {}},
        {"cp_sync", "cp + sync", fileBytes, {}, {}},
        {"cut_flushed", "cut, flushed", fileBytes + 46, {}, {}},
        {"paste_flushed", "paste, flushed", fileBytes + tenthBytes, {}, {}},
        {"clear_flushed", "clear, flushed", fileBytes - tenthBytes, {}, {}},
    };
    for (int mode = 0; mode < 2; ++mode) {
        const bool flushed = mode == 1;
        editor.SetEditFlush(flushed ? sonthra::EditFlush::Results
                                    : sonthra::EditFlush::SourceFirst);
        Result* row = &results[flushed ? 4 : 0];
        for (int round = 0; round < kRounds; ++round) {
            row[0].add(copyRun(flushed));
            row[1].add(editRun(row[1].name, [&](std::uint32_t* h) {
                return editor.AudioCut(source, middle, middle + tenth, 1, h, 0, result);
            }));
            row[2].add(editRun(row[2].name, [&](std::uint32_t* h) {
                return editor.AudioPasteEx(source, middle, 1, h, 0, "", result);
            }));
            row[3].add(editRun(row[3].name, [&](std::uint32_t* h) {
                return editor.AudioClear(source, middle, middle + tenth, 1, h, 0, result);
            }));
        }
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const sonthra::FileSystemInfo fs = sonthra::describeFileSystem(work);
    std::printf("\n%-16s %9s %9s %9s %11s %10s %10s %10s\n", "", "best s", "median s", "cpu s",
                "MB written", "best MB/s", "vs cp", "(median)");
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Result& r = results[i];
        const Result& reference = results[i < 4 ? 0 : 4];
        std::printf("%-16s %9.3f %9.3f %9.3f %11.0f %10.0f %10.2f %10.2f\n", r.name,
                    bestOf(r.seconds), medianOf(r.seconds), medianOf(r.cpu), r.bytesWritten / 1e6,
                    rate(r, bestOf(r.seconds)), bestRatio(r, reference), medianRatio(r, reference));
    }
    std::printf(
        "\nworking: the source flushed first, the result left to the disk (working copies), "
        "against cp\n"
        "flushed: each result flushed to the disk before it replaces its file, against cp + sync\n"
        "cpu s: processor time, user and system, the median of the rounds\n"
        "vs cp: throughput per byte written, best round against best round (median against "
        "median in brackets), same mode\n"
        "file system %s, %s\n\n",
        fs.name.c_str(), fs.reflinks ? "with reflinks" : "without reflinks");
    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("file_mb: %.0f\n", fileBytes / 1e6);
    std::printf("rounds: %d\n", kRounds);
    for (const Result& r : results) {
        std::printf("%s_seconds: %.3f\n", r.key, bestOf(r.seconds));
        std::printf("%s_median_seconds: %.3f\n", r.key, medianOf(r.seconds));
        std::printf("%s_cpu_seconds: %.3f\n", r.key, medianOf(r.cpu));
    }
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (i == 0 || i == 4) continue;
        const Result& reference = results[i < 4 ? 0 : 4];
        std::printf("%s_vs_%s: %.2f\n", results[i].key, reference.key,
                    bestRatio(results[i], reference));
        std::printf("%s_vs_%s_median: %.2f\n", results[i].key, reference.key,
                    medianRatio(results[i], reference));
    }
    std::printf("peak_memory_mb: %ld\n", usage.ru_maxrss / 1024);
    unlink(result.c_str());
    if (argc <= 1) unlink(source.c_str());
    runCommand({"rm", "-rf", work});
    return 0;
}
