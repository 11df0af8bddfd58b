// Times the engine's cut, paste and clear on a large 16-bit stereo WAV file against cp of the
// same file in the same run (the median of three rounds each), and prints throughputs and
// their ratios. Each edit writes a new
// file and flushes it to the disk, so "cp + sync" is the fair peer; plain cp is shown too.
//
//   edit_bench [file.wav]    without a file, a 1 GB file is made in $TMPDIR (or /tmp)
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "engine/audio_edit.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint64_t kDefaultBytes = 1ull << 30;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool runCommand(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool makeFile(const std::string& path, std::uint64_t bytes) {
    auto writer = sonthra::WaveWriter::create(path, 44100, 16, 2);
    if (!writer) return false;
    std::vector<std::int16_t> block(1 << 19);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::int16_t>((i * 37) % 20000 - 10000);
    }
    const std::uint64_t blockBytes = block.size() * sizeof(block[0]);
    for (std::uint64_t done = 0; done < bytes; done += blockBytes) {
        if (!writer->write(block.data(), blockBytes)) return false;
    }
    return writer->finish();
}

// Every contender starts alike: the source in the page cache, nothing left to write back.
void settle(const std::string& path) {
    runCommand({"sh", "-c", "cat \"$0\" > /dev/null", path});
    runCommand({"sync"});
}

// Each contender runs this often; the median counts.
constexpr int kRounds = 3;

struct Result {
    const char* name;
    double secondsTaken;
    std::uint64_t bytesWritten;
};

template <typename Run>
double median(const std::string& source, const std::string& output, Run run) {
    std::vector<double> taken;
    for (int i = 0; i < kRounds; ++i) {
        unlink(output.c_str());
        settle(source);
        taken.push_back(run());
    }
    unlink(output.c_str());
    std::sort(taken.begin(), taken.end());
    return taken[taken.size() / 2];
}

double rate(const Result& r) {
    return r.bytesWritten / r.secondsTaken / 1e6;
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

    std::vector<Result> results;
    auto timeCopy = [&](const char* name, bool sync) {
        results.push_back({name,
                           median(source, copy,
                                  [&] {
                                      const auto t0 = Clock::now();
                                      if (!runCommand({"cp", source, copy}) ||
                                          (sync && !runCommand({"sync", copy}))) {
                                          std::exit(1);
                                      }
                                      return seconds(t0);
                                  }),
                           fileBytes});
    };
    timeCopy("cp", false);
    timeCopy("cp + sync", true);

    sonthra::AudioEditor editor;
    editor.AudioEditSetUndoRedo(0);
    editor.SetTempPath(work);
    auto timeEdit = [&](const char* name, std::uint64_t bytes, auto startEdit) {
        results.push_back({name,
                           median(source, result,
                                  [&] {
                                      std::uint32_t handle = 0;
                                      const auto t0 = Clock::now();
                                      int rc = startEdit(&handle);
                                      while (rc == 0 && !editor.AudioEditProcessIsOver(handle)) {
                                          std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                      }
                                      const double taken = seconds(t0);
                                      if (rc == 0)
                                          rc = editor.AudioEditGetReasonForProcessExit(handle);
                                      editor.AudioEditCloseHandle(&handle);
                                      if (rc != 0) {
                                          std::fprintf(stderr, "%s failed with %d\n", name, rc);
                                          std::exit(1);
                                      }
                                      return taken;
                                  }),
                           bytes});
    };
    const std::uint64_t tenthBytes = static_cast<std::uint64_t>(tenth) * format.blockAlign;
    // Cut writes the file less a tenth plus the tenth into the clipboard.
    timeEdit("cut (a tenth)", fileBytes + 46, [&](std::uint32_t* h) {
        return editor.AudioCut(source, middle, middle + tenth, 1, h, 0, result);
    });
    timeEdit("paste (a tenth)", fileBytes + tenthBytes, [&](std::uint32_t* h) {
        return editor.AudioPasteEx(source, middle, 1, h, 0, "", result);
    });
    timeEdit("clear (a tenth)", fileBytes - tenthBytes, [&](std::uint32_t* h) {
        return editor.AudioClear(source, middle, middle + tenth, 1, h, 0, result);
    });

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\n%-18s %10s %12s %14s %16s\n", "", "seconds", "MB written", "MB/s",
                "vs cp + sync");
    for (const Result& r : results) {
        std::printf("%-18s %10.2f %12.0f %14.0f %16.2f\n", r.name, r.secondsTaken,
                    r.bytesWritten / 1e6, rate(r), rate(r) / rate(results[1]));
    }
    std::printf("\nedits vs plain cp: cut %.2f, paste %.2f, clear %.2f; peak memory %ld MB\n",
                rate(results[2]) / rate(results[0]), rate(results[3]) / rate(results[0]),
                rate(results[4]) / rate(results[0]), usage.ru_maxrss / 1024);
    unlink(result.c_str());
    if (argc <= 1) unlink(source.c_str());
    runCommand({"rm", "-rf", work});
    return 0;
}
