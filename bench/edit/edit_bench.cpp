// Times the engine's cut, paste and clear on a large 16-bit stereo WAV file against cp of the
// same file in the same run (the median of three rounds each), and prints throughputs and
// their ratios. The edits run twice: flushing each result to the disk before moving it into
// place, the way a user's own file is written (against "cp + sync"), and as the program edits
// its working copies, flushing only the source first and leaving the result to the disk's own
// pace (against plain cp). After the table come the figures as "name: value" lines, with the
// file system the files were on and whether it shares blocks between files (reflinks).
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
#include "wave/file_copy.h"
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
    auto timeEdits = [&](const char* cut, const char* paste, const char* clear) {
        // Cut writes the file less a tenth plus the tenth into the clipboard.
        timeEdit(cut, fileBytes + 46, [&](std::uint32_t* h) {
            return editor.AudioCut(source, middle, middle + tenth, 1, h, 0, result);
        });
        timeEdit(paste, fileBytes + tenthBytes, [&](std::uint32_t* h) {
            return editor.AudioPasteEx(source, middle, 1, h, 0, "", result);
        });
        timeEdit(clear, fileBytes - tenthBytes, [&](std::uint32_t* h) {
            return editor.AudioClear(source, middle, middle + tenth, 1, h, 0, result);
        });
    };
    timeEdits("cut, flushed", "paste, flushed", "clear, flushed");
    editor.SetEditFlush(sonthra::EditFlush::SourceFirst);
    timeEdits("cut, working", "paste, working", "clear, working");

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const sonthra::FileSystemInfo fs = sonthra::describeFileSystem(work);
    std::printf("\n%-18s %10s %12s %14s %10s %12s\n", "", "seconds", "MB written", "MB/s", "vs cp",
                "vs cp + sync");
    for (const Result& r : results) {
        std::printf("%-18s %10.2f %12.0f %14.0f %10.2f %12.2f\n", r.name, r.secondsTaken,
                    r.bytesWritten / 1e6, rate(r), rate(r) / rate(results[0]),
                    rate(r) / rate(results[1]));
    }
    std::printf(
        "\nflushed: each result flushed to the disk before it replaces its file\n"
        "working: the source flushed first, the result left to the disk (working copies)\n"
        "file system %s, %s\n\n",
        fs.name.c_str(), fs.reflinks ? "with reflinks" : "without reflinks");
    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("file_mb: %.0f\n", fileBytes / 1e6);
    const char* keys[] = {
        "cp",          "cp_sync",       "cut_flushed",  "paste_flushed", "clear_flushed",
        "cut_working", "paste_working", "clear_working"};
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::printf("%s_seconds: %.3f\n", keys[i], results[i].secondsTaken);
    }
    for (std::size_t i = 2; i < results.size(); ++i) {
        const bool flushed = i < 5;
        std::printf("%s_vs_%s: %.2f\n", keys[i], flushed ? "cp_sync" : "cp",
                    rate(results[i]) / rate(results[flushed ? 1 : 0]));
    }
    std::printf("peak_memory_mb: %ld\n", usage.ru_maxrss / 1024);
    unlink(result.c_str());
    if (argc <= 1) unlink(source.c_str());
    runCommand({"rm", "-rf", work});
    return 0;
}
