// The plain part of opening a 1 GB 16-bit stereo WAV file: the workspace copy and the peaks,
// side by side as a document does them, against "cat FILE > /dev/null" in the same run.
//   one pass:  the copy by the kernel (copy_file_range) while the peaks are built from the
//              file's memory map; neither reads the file into a buffer of ours
//   one pass, copy yields: the same with the copying thread at the lowest priority, so that
//              on a busy processor the peaks go first
//   two reads: the copy through a 65,520-byte buffer while the peaks are built by reads
// Timed: until the peaks are complete (what the user waits for) and until the copy is done too.
// The source is in the page cache for every contender; the copy's dirty pages are written out
// between rounds, untimed. Medians of five rounds, then every figure as a "name: value" line.
//
// Usage: open_pass_bench [WAV]   (without one, a file is made in $TMPDIR and removed at the end)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "view/peak_builder.h"
#include "view/wave_source.h"
#include "wave/file_copy.h"

using namespace sonthra;

namespace {

constexpr int kRounds = 5;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Pass {
    double peaks = 0;
    double all = 0;
};

bool copyFile(const std::string& from, const std::string& to, bool kernel) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = in >= 0 && out >= 0;
    if (ok && kernel) {
        ok = copyFileContents(in, out, static_cast<std::uint64_t>(::lseek(in, 0, SEEK_END))).ok();
    } else if (ok) {
        // The way the workspace copy has read and written until now.
        std::vector<char> buffer(65520);
        for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;) {
            if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n) ok = false;
        }
    }
    if (in >= 0) ::close(in);
    if (out >= 0 && ::close(out) != 0) ok = false;
    return ok;
}

bool buildPeaks(const std::string& path, bool map) {
    SampleFile file;
    if (file.open(path) != 0) return false;
    file.allowMapping(map);
    std::vector<PeakData::Channel> peaks;
    std::atomic<std::int32_t> progress{0};
    std::atomic<PeakState> state{PeakState::Building};
    return ScanPeaks(file, peaks, progress, state) == 0 && PeakData(std::move(peaks)).blockCount();
}

Pass openOnce(const std::string& source, const std::string& copy, bool onePass, bool yielding) {
    Pass pass;
    bool copied = false;
    const auto start = Clock::now();
    std::thread copier([&] {
        // A copy that yields the processor to the peaks, which the user is waiting for.
        if (yielding) ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
        copied = copyFile(source, copy, onePass);
    });
    const bool built = buildPeaks(source, onePass);
    pass.peaks = since(start);
    copier.join();
    pass.all = since(start);
    if (!built || !copied) {
        std::fprintf(stderr, "the %s open failed\n", onePass ? "one-pass" : "two-read");
        std::exit(1);
    }
    return pass;
}

}  // namespace

int main(int argc, char** argv) {
    bool made = false;
    const std::string path =
        bench::inputWav(argc, argv, "sonthra-open-pass-bench.wav", (1ull << 30) / 4, made);
    if (path.empty()) return 1;
    const std::string copy = bench::folderOf(path) + "/.sonthra-open-pass-copy.wav";
    const std::string cat = "cat '" + path + "' > /dev/null";
    if (std::system(cat.c_str()) != 0) return 1;  // into the page cache

    struct Way {
        const char* name;
        const char* key;
        bool onePass;
        bool yielding;
        std::vector<double> peaks, all;
    };
    std::vector<Way> ways = {{"one pass", "one_pass", true, false, {}, {}},
                             {"one pass, copy yields", "one_pass_yielding", true, true, {}, {}},
                             {"two reads", "two_reads", false, false, {}, {}}};
    std::vector<double> catRuns;
    for (int round = 0; round < kRounds; ++round) {
        catRuns.push_back(bench::bestSeconds(1, [&] { (void)std::system(cat.c_str()); }));
        for (Way& way : ways) {
            std::remove(copy.c_str());
            (void)std::system("sync");
            const Pass p = openOnce(path, copy, way.onePass, way.yielding);
            way.peaks.push_back(p.peaks);
            way.all.push_back(p.all);
        }
    }
    std::remove(copy.c_str());
    const double catS = bench::median(catRuns);
    const FileSystemInfo fs = describeFileSystem(bench::folderOf(path));
    std::printf("%-24s %14s %14s %16s\n", "", "peaks done, s", "copy done, s", "cat / peaks done");
    std::printf("%-24s %14.3f\n", "cat", catS);
    for (const Way& w : ways) {
        std::printf("%-24s %14.3f %14.3f %16.2f\n", w.name, bench::median(w.peaks),
                    bench::median(w.all), catS / bench::median(w.peaks));
    }
    std::printf("medians of %d rounds; file system %s, %s\n\n", kRounds, fs.name.c_str(),
                fs.reflinks ? "with reflinks" : "without reflinks");
    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("cat_seconds: %.3f\n", catS);
    for (const Way& w : ways) {
        std::printf("%s_peaks_seconds: %.3f\n", w.key, bench::median(w.peaks));
        std::printf("%s_all_seconds: %.3f\n", w.key, bench::median(w.all));
        std::printf("%s_peaks_vs_cat: %.2f\n", w.key, catS / bench::median(w.peaks));
    }
    if (made) std::remove(path.c_str());
    return 0;
}
