// Peak building of a 1 GB 16-bit stereo WAV file that is in the page cache, against
// "cat FILE > /dev/null" on the same file in the same run, the two in turn, seven rounds,
// medians. Building should be bound by reading: the ratio of the two throughputs is printed
// (1.0 = as fast as cat). Then the patch after a cut: a copy of the file loses a tenth from its
// middle (once a length that is not a whole number of 32-frame blocks, once one that is), and
// the display's RemovePeakRange brings its peaks up to date, against building them again;
// the two must agree. Then every figure as a "name: value" line.
//
// Usage: peak_build_bench [WAV]   (a missing WAV is made and kept; without one, a file is made
// in $TMPDIR and removed at the end)
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "view/peak_file.h"
#include "view/wave_view_model.h"
#include "wave/file_copy.h"
#include "wave/wave_writer.h"

using namespace sonthra;

namespace {

constexpr int kRounds = 7;
constexpr int kPatchRounds = 3;

// Replaces work with source less frames [first, last), copied by the kernel.
bool cutInto(const std::string& source, const std::string& work, std::uint32_t first,
             std::uint32_t last) {
    WaveHeaderInfo info;
    if (ReadWaveHeader(source, info) != 0) return false;
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    auto writer = WaveWriter::createReplacing(work, info.format.sampleRate,
                                              info.format.bitsPerSample, info.format.channels);
    const std::uint64_t align = info.format.blockAlign;
    bool ok = fd >= 0 && writer && writer->writeFrom(fd, info.dataOffset, first * align) &&
              writer->writeFrom(fd, info.dataOffset + last * align,
                                (std::uint64_t{info.totalSamples} - last) * align);
    if (ok) {
        writer->setFlushOnFinish(false);
        ok = writer->finish();
    }
    if (fd >= 0) ::close(fd);
    return ok;
}

struct PatchFigures {
    double patch = 0;   // RemovePeakRange, reading the file after the cut
    double before = 0;  // PatchPeaksForRemoval, reading the file before the cut
    double rebuild = 0;
    bool equal = true;
};

// RemovePeakRange after the cut, against a full build of the cut file, median of the rounds.
PatchFigures timePatch(const std::string& source, const std::string& work, std::uint32_t first,
                       std::uint32_t last) {
    std::vector<double> patch, before, rebuild;
    PatchFigures figures;
    for (int round = 0; round < kPatchRounds; ++round) {
        WaveViewModel model;
        model.setClientSize(1920, 300);
        std::atomic<std::int32_t> progress{0};
        SampleFile old;
        if (!cutInto(source, work, 0, 0) || model.OpenWaveFile(work) != 0 ||
            model.BuildPeaks(progress) != 0 || old.open(work) != 0 ||
            !cutInto(source, work, first, last)) {
            std::fprintf(stderr, "cannot make %s\n", work.c_str());
            std::exit(1);
        }
        int code = 0;
        std::vector<PeakData::Channel> fromBefore;
        before.push_back(bench::bestSeconds(1, [&] {
            code = PatchPeaksForRemoval(model.peaks().channels(), old, first, last, fromBefore);
        }));
        patch.push_back(bench::bestSeconds(1, [&] { code |= model.RemovePeakRange(first, last); }));
        WaveViewModel fresh;
        fresh.setClientSize(1920, 300);
        fresh.OpenWaveFile(work);
        rebuild.push_back(bench::bestSeconds(1, [&] { code |= fresh.BuildPeaks(progress); }));
        figures.equal = figures.equal && code == 0 &&
                        model.peaks().channels() == fresh.peaks().channels() &&
                        fromBefore == fresh.peaks().channels();
    }
    std::remove(work.c_str());
    figures.patch = bench::median(patch);
    figures.before = bench::median(before);
    figures.rebuild = bench::median(rebuild);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    bool made = false;
    const std::string path =
        bench::inputWav(argc, argv, "sonthra-peak-bench.wav", (1ull << 30) / 4, made);
    if (path.empty()) return 1;
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
    const std::string work = bench::folderOf(path) + "/.sonthra-peak-patch.wav";
    const std::uint32_t frames = model.TotalSamples();
    const std::uint32_t tenth = frames / 10 | 1;  // not a whole number of blocks
    const std::uint32_t blocks = frames / 10 / kPeakBlockFrames * kPeakBlockFrames;
    const PatchFigures odd = timePatch(path, work, frames / 2 + 5, frames / 2 + 5 + tenth);
    const PatchFigures whole = timePatch(path, work, frames / 2 + 5, frames / 2 + 5 + blocks);
    std::printf(
        "patch after a cut of a tenth (%u frames, so every block from the cut on is\n"
        "scanned again): %.3f s from the file after, %.3f s from the file before;\n"
        "a cut of whole blocks: %.3f s and %.3f s; building again: %.3f s; %s\n\n",
        tenth, odd.patch, odd.before, whole.patch, whole.before, odd.rebuild,
        odd.equal && whole.equal ? "the same peaks" : "PEAKS DIFFER");
    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("file_mib: %.0f\n", mb);
    std::printf("cat_seconds: %.3f\n", catSeconds);
    std::printf("build_seconds: %.3f\n", buildSeconds);
    std::printf("cat_fastest_seconds: %.3f\n", bench::fastest(catRuns));
    std::printf("build_fastest_seconds: %.3f\n", bench::fastest(buildRuns));
    std::printf("build_vs_cat: %.2f\n", catSeconds / buildSeconds);
    std::printf("patch_tenth_seconds: %.3f\n", odd.patch);
    std::printf("patch_tenth_from_before_seconds: %.3f\n", odd.before);
    std::printf("patch_whole_blocks_seconds: %.3f\n", whole.patch);
    std::printf("patch_whole_blocks_from_before_seconds: %.3f\n", whole.before);
    std::printf("rebuild_after_cut_seconds: %.3f\n", odd.rebuild);
    std::printf("patch_equals_rebuild: %s\n", odd.equal && whole.equal ? "yes" : "no");
    if (made) std::remove(path.c_str());
    return 0;
}
