// Times the document's edits as pieces of shared blocks (cut, paste and clear of a tenth, undo
// and redo) on 100 MB and 1 GB 16-bit stereo WAV files against cp of the same file in the same
// run, then the WAV save against cp (and against cp + sync when the save flushes), the disk the
// history takes after 100 edits, and the save and a first read after 10,000 random edits. Each
// edit is timed several times and its median printed; cp and the saves take their best round,
// every one from the same start (the source in the page cache, nothing left to write back).
// The figures end as "name: value" lines.
//
//   sequence_bench [edits]    the number of random edits, 10000 by default
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "sequence/sequence_document.h"
#include "support/bench_files.h"
#include "wave/file_copy.h"
#include "wave/wave_writer.h"

namespace {

using sonthra::bench::makeFile;
using sonthra::bench::runCommand;
using sonthra::bench::settle;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void check(int result, const char* what) {
    if (result != 0) {
        std::fprintf(stderr, "%s failed with %d\n", what, result);
        std::exit(1);
    }
}

struct SizeFigures {
    double cp = 0;
    double cpSync = 0;
    double cut = 0;
    double paste = 0;
    double clear = 0;
    double undo = 0;
    double redo = 0;
    double save = 0;
    double saveFlushed = 0;
};

constexpr int kEditRounds = 9;
constexpr int kCopyRounds = 6;

// The best of kCopyRounds runs of cp (with a sync when asked) and of the save, taken in turns
// whose order changes every round, each from the same start: its source in the page cache (the
// document's blocks for the save), nothing left to write back.
void timeCopies(const std::string& source, const std::string& work,
                const sonthra::SequenceDocument& doc, SizeFigures& f) {
    const std::string copy = work + "/copy.wav";
    f.cp = f.cpSync = f.save = f.saveFlushed = 1e9;
    auto runCp = [&](bool flushed) {
        settle(source);
        const auto t0 = Clock::now();
        if (!runCommand({"cp", source, copy}) || (flushed && !runCommand({"sync", copy}))) {
            std::exit(1);
        }
        double& best = flushed ? f.cpSync : f.cp;
        best = std::min(best, seconds(t0));
        ::unlink(copy.c_str());
    };
    auto runSave = [&](bool flushed) {
        for (const std::string& name : doc.blockNames())
            settle(doc.workspace().path() + "/" + name);
        sonthra::SaveOptions options;
        options.flush = flushed;
        const auto t0 = Clock::now();
        check(sonthra::saveWave(*doc.snapshot(), copy, options), "save");
        double& best = flushed ? f.saveFlushed : f.save;
        best = std::min(best, seconds(t0));
        ::unlink(copy.c_str());
    };
    for (int round = 0; round < kCopyRounds; ++round) {
        for (const bool flushed : {false, true}) {
            if (round % 2 == 0) {
                runCp(flushed);
                runSave(flushed);
            } else {
                runSave(flushed);
                runCp(flushed);
            }
        }
    }
}

// A random edit of a long session: ranges of up to a thousandth of the audio, the edits that
// shorten it taken while it is longer than at the start and those that lengthen it otherwise, so
// that its length stays near the start's while the pieces multiply.
void randomEdit(sonthra::SequenceDocument& doc, std::mt19937_64& rng, std::uint64_t startFrames) {
    const std::uint64_t n = doc.frames();
    auto pick = [&](std::uint64_t top) {
        return std::uniform_int_distribution<std::uint64_t>(0, top)(rng);
    };
    const std::uint64_t a = pick(n - 1);
    const std::uint64_t b = std::min(n, a + 1 + pick(n / 1000));
    const bool shorten = n > startFrames;
    int r = 0;
    switch (pick(5)) {
        case 0:
            r = shorten ? doc.cut(a, b) : doc.copy(a, b);
            break;
        case 1:
            r = shorten ? doc.clear(a, b) : doc.clipFrames() ? doc.paste(a, a) : 0;
            break;
        case 2:
            r = shorten ? doc.mute(a, b) : doc.insertSilence(a, 1 + pick(4410));
            break;
        case 3:
            r = doc.canUndo() ? doc.undo() : 0;
            break;
        case 4:
            r = doc.canRedo() ? doc.redo() : doc.mute(a, b);
            break;
        default:
            r = doc.clipFrames() ? doc.paste(a, b) : doc.copy(a, b);
            break;
    }
    check(r, "random edit");
}

SizeFigures runSize(const std::string& work, std::uint64_t bytes, const char* key) {
    SizeFigures f;
    const std::string source = work + "/source.wav";
    const std::string folder = work + "/workspace";
    std::printf("making a %s 16-bit stereo file ...\n", key);
    if (!makeFile(source, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        std::exit(1);
    }
    runCommand({"rm", "-rf", folder});
    runCommand({"mkdir", "-m", "700", folder});
    if (!runCommand({"cp", source, folder + "/work.wav"})) std::exit(1);
    std::unique_ptr<sonthra::SequenceDocument> doc;
    check(sonthra::SequenceDocument::open(folder, "work.wav", &doc), "open");
    const std::uint64_t frames = doc->frames();
    const std::uint64_t tenth = frames / 10;
    const std::uint64_t middle = frames / 2;
    std::vector<double> cut, paste, clear, undo, redo;
    auto timed = [](std::vector<double>& into, auto run) {
        const auto t0 = Clock::now();
        check(run(), "edit");
        into.push_back(seconds(t0));
    };
    for (int round = 0; round < kEditRounds; ++round) {
        timed(cut, [&] { return doc->cut(middle, middle + tenth); });
        timed(undo, [&] { return doc->undo(); });
        timed(redo, [&] { return doc->redo(); });
        timed(paste, [&] { return doc->paste(middle / 2, middle / 2); });
        timed(undo, [&] { return doc->undo(); });
        check(doc->undo(), "undo");
        timed(clear, [&] { return doc->clear(middle, middle + tenth); });
        timed(undo, [&] { return doc->undo(); });
    }
    f.cut = median(cut);
    f.paste = median(paste);
    f.clear = median(clear);
    f.undo = median(undo);
    f.redo = median(redo);
    timeCopies(source, work, *doc, f);
    std::printf(
        "%s: cut %.6f s, paste %.6f s, clear %.6f s, undo %.6f s, redo %.6f s; "
        "cp %.3f s, save %.3f s; cp + sync %.3f s, flushed save %.3f s\n",
        key, f.cut, f.paste, f.clear, f.undo, f.redo, f.cp, f.save, f.cpSync, f.saveFlushed);
    std::printf(
        "%s_cut_seconds: %.6f\n%s_paste_seconds: %.6f\n%s_clear_seconds: %.6f\n"
        "%s_undo_seconds: %.6f\n%s_redo_seconds: %.6f\n%s_cp_seconds: %.3f\n"
        "%s_save_seconds: %.3f\n%s_cp_sync_seconds: %.3f\n"
        "%s_save_flushed_seconds: %.3f\n",
        key, f.cut, key, f.paste, key, f.clear, key, f.undo, key, f.redo, key, f.cp, key, f.save,
        key, f.cpSync, key, f.saveFlushed);
    std::fflush(stdout);
    doc.reset();
    runCommand({"rm", "-rf", folder});
    ::unlink(source.c_str());
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int edits = argc > 1 ? std::atoi(argv[1]) : 10000;
    const char* tmp = std::getenv("TMPDIR");
    const std::string work = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonthra-sequence-bench-" +
                             std::to_string(getpid());
    if (!runCommand({"mkdir", "-p", work})) return 1;
    const sonthra::FileSystemInfo fs = sonthra::describeFileSystem(work);

    const SizeFigures small = runSize(work, 100ull << 20, "100mb");
    const SizeFigures large = runSize(work, 1ull << 30, "1gb");

    // A long session on the 1 GB file: the history's disk after 100 edits, then the save and a
    // first read after many more.
    const std::string source = work + "/source.wav";
    const std::string folder = work + "/workspace";
    if (!makeFile(source, 1ull << 30)) return 1;
    runCommand({"mkdir", "-m", "700", folder});
    if (!runCommand({"cp", source, folder + "/work.wav"})) return 1;
    std::unique_ptr<sonthra::SequenceDocument> doc;
    check(sonthra::SequenceDocument::open(folder, "work.wav", &doc), "open");
    const std::uint64_t startBytes = doc->blockDiskBytes() + doc->journalBytes();
    const std::uint64_t startFrames = doc->frames();
    std::mt19937_64 rng(42);
    std::uint64_t effectBytes = 0;
    for (int i = 0; i < 100; ++i) {
        if (i % 10 == 9) {
            // An effect on a second of audio writes that second as a new block.
            std::vector<std::int16_t> out(44100 * 2, static_cast<std::int16_t>(i));
            auto audio = doc->newAudio();
            if (!audio || !audio->append(out.data(), out.size() * 2)) return 1;
            const std::uint64_t at = doc->frames() / 3;
            check(doc->replace(at, at + 44100, *audio, "Amplify"), "effect");
            effectBytes += out.size() * 2;
        } else {
            randomEdit(*doc, rng, startFrames);
        }
    }
    const std::uint64_t historyBytes = doc->blockDiskBytes() + doc->journalBytes() - startBytes;
    std::vector<double> editTimes;
    for (int i = 100; i < edits; ++i) {
        const auto t0 = Clock::now();
        randomEdit(*doc, rng, startFrames);
        editTimes.push_back(seconds(t0));
    }
    SizeFigures many;
    timeCopies(source, work, *doc, many);
    auto snapshot = doc->snapshot();
    sonthra::SequenceReader reader(snapshot);
    std::vector<char> buffer(4410 * 4);
    settle(source);
    const auto t0 = Clock::now();
    check(reader.read(snapshot->frames() / 2, 4410, buffer.data()), "read");
    const double firstRead = seconds(t0);
    const double editMax =
        editTimes.empty() ? 0 : *std::max_element(editTimes.begin(), editTimes.end());
    const double editMedian = editTimes.empty() ? 0 : median(editTimes);

    std::printf("filesystem: %s\n", fs.name.c_str());
    std::printf("reflinks: %s\n", fs.reflinks ? "yes" : "no");
    std::printf("cut_seconds: %.6f\n", large.cut);
    std::printf("paste_seconds: %.6f\n", large.paste);
    std::printf("clear_seconds: %.6f\n", large.clear);
    std::printf("undo_seconds: %.6f\n", large.undo);
    std::printf("redo_seconds: %.6f\n", large.redo);
    std::printf("cut_vs_cp: %.1f\n", large.cp / large.cut);
    std::printf("cut_growth: %.2f\n", large.cut / small.cut);
    std::printf("save_vs_cp: %.2f\n", large.cp / large.save);
    std::printf("save_flushed_vs_cp_sync: %.2f\n", large.cpSync / large.saveFlushed);
    std::printf("history_disk_mb_after_100_edits: %.2f\n", historyBytes / 1e6);
    std::printf("history_effect_mb_after_100_edits: %.2f\n", effectBytes / 1e6);
    std::printf("random_edits: %d\n", edits);
    std::printf("pieces_after_random_edits: %zu\n", doc->pieces().size());
    std::printf("random_edit_median_seconds: %.6f\n", editMedian);
    std::printf("random_edit_max_seconds: %.6f\n", editMax);
    std::printf("journal_kb_after_random_edits: %.0f\n", doc->journalBytes() / 1e3);
    // Throughput against cp's: the edited audio is not the source's length any more.
    const double sizeRatio =
        static_cast<double>(snapshot->frames() * 4 + 46) / static_cast<double>((1ull << 30) + 46);
    std::printf("save_after_random_edits_vs_cp: %.2f\n", sizeRatio * many.cp / many.save);
    std::printf("save_flushed_after_random_edits_vs_cp_sync: %.2f\n",
                sizeRatio * many.cpSync / many.saveFlushed);
    std::printf("first_read_after_random_edits_seconds: %.6f\n", firstRead);
    doc.reset();
    runCommand({"rm", "-rf", work});
    return 0;
}
