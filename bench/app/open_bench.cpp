// File, Open of a 1 GB 16-bit stereo WAV file in the real main window (offscreen, scripted
// dialogs), timed from the call until the waveform and the overview are complete: once with
// the peaks to build (no peak file) and once with the peak file that closing left beside the
// file. "cat FILE > /dev/null" on the same file, in the same run, is the yardstick; the file is
// in the page cache for both. The workspace copy runs in the background as it does for a user.
//
// Usage: open_bench [WAV]   (a missing WAV is made and kept; without one, a file is made in
// $TMPDIR and removed at the end)
#include <unistd.h>

#include <QApplication>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ui/main_form.h"
#include "bench_support.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "settings/settings.h"
#include "view/peak_file.h"
#include "wave/file_copy.h"

using namespace sonthra;
namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 3;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The fastest of the runs of one File, Open, closing the document after each.
double bestOpen(TMainForm& form, const std::string& path, bool keepPeakFile) {
    const std::string peaks = fs::path(path).replace_extension(".cvp").string();
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        if (!keepPeakFile) fs::remove(peaks);
        const auto start = std::chrono::steady_clock::now();
        const int result = form.Files().OpenFileByPath(QString::fromStdString(path));
        const double took = secondsSince(start);
        if (result != 0 || form.CurrentDocument() == nullptr) {
            std::fprintf(stderr, "opening failed with %d\n", result);
            std::exit(1);
        }
        best = std::min(best, took);
        // The copy finishes before the close, so that the next run starts from a quiet disk.
        (void)QTest::qWaitFor(
            [&] { return form.CurrentDocument()->workspace != WorkspaceState::BeingCreated; },
            600000);
        form.Files().CloseDocument(form.Documents().currentIndex(), false);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string tmp = fs::temp_directory_path().string();
    std::string path = argc > 1 ? argv[1] : tmp + "/sonthra-open-bench.wav";
    const bool made = argc <= 1;
    if (made || ::access(path.c_str(), R_OK) != 0) {
        std::printf("making %s (1 GiB of samples)...\n", path.c_str());
        if (!bench::makeStereoWav(path, (1ull << 30) / 4)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const std::string workspace = tmp + "/sonthra-open-bench-workspace";
    fs::create_directories(workspace);
    Settings settings(workspace + "/settings.ini");
    settings.writeTempPath(workspace);
    settings.writeAlwaysTestLevels(false);
    NXWavePlayer engine;
    ROZadEro mixer(std::chrono::milliseconds(300));
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.AttachAudio(engine, mixer, settings);
    form.resize(1280, 720);
    form.show();
    QApplication::processEvents();

    const std::string cat = "cat '" + path + "' > /dev/null";
    if (std::system(cat.c_str()) != 0) return 1;  // into the page cache
    const double catSeconds = bench::bestSeconds(kRuns, [&] { (void)std::system(cat.c_str()); });
    const double building = bestOpen(form, path, false);
    const double cached = bestOpen(form, path, true);

    const double mib = static_cast<double>(fs::file_size(path)) / (1 << 20);
    std::printf("file:                         %.0f MiB\n", mib);
    std::printf("cat:                          %.3f s  %.0f MiB/s\n", catSeconds, mib / catSeconds);
    std::printf("open, peaks built:            %.3f s  %.0f MiB/s\n", building, mib / building);
    std::printf("ratio (cat time / open time): %.2f\n", catSeconds / building);
    std::printf("open, peak file present:      %.3f s  (aim: well under 1 s)\n", cached);
    // The same figures for scripts comparing runs; the working copy's cost depends on whether
    // the workspace's file system shares blocks.
    const FileSystemInfo where = describeFileSystem(workspace);
    std::printf("\nfilesystem: %s\n", where.name.c_str());
    std::printf("reflinks: %s\n", where.reflinks ? "yes" : "no");
    std::printf("file_mib: %.0f\n", mib);
    std::printf("cat_seconds: %.3f\n", catSeconds);
    std::printf("open_seconds: %.3f\n", building);
    std::printf("open_vs_cat: %.2f\n", catSeconds / building);
    std::printf("open_peak_file_seconds: %.3f\n", cached);
    fs::remove_all(workspace);
    if (made) {
        fs::remove(path);
        fs::remove(fs::path(path).replace_extension(".cvp"));
    }
    return 0;
}
