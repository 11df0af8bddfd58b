// Edit, Cut and Edit, Undo of a tenth of a 1 GB 16-bit stereo WAV file in the real main window
// (offscreen, scripted dialogs), each timed from the command until the view, overview, ruler and
// read-outs are refreshed, progress windows included. Two yardsticks in the same run: the
// engine's own cut of the same working copy, with the same flushing (all the window may add is
// the refresh), taken in turn with the window's, and "cp FILE COPY", alone and followed by
// sync; every step starts after a sync, fastest of five. A cut writes the file once (the kept
// nine tenths and the clipboard's tenth) and patches the peaks; an undo moves files by renaming
// and then scans the restored file for its peaks. After the table come the figures as
// "name: value" lines.
//
// Usage: edit_ui_bench [WAV]   (a missing WAV is made and kept; without one, a file is made in
// $TMPDIR and removed at the end)
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/ui/main_form.h"
#include "bench_support.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/audio_edit.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "settings/settings.h"
#include "view/ui/wave_display.h"

using namespace sonthra;
namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string tmp = fs::temp_directory_path().string();
    const std::string path = argc > 1 ? argv[1] : tmp + "/sonthra-edit-ui-bench.wav";
    const bool made = argc <= 1;
    if (made || ::access(path.c_str(), R_OK) != 0) {
        std::printf("making %s (1 GiB of samples)...\n", path.c_str());
        if (!bench::makeStereoWav(path, (1ull << 30) / 4)) fail("cannot write the file");
    }
    const std::string workspace = tmp + "/sonthra-edit-ui-bench-workspace";
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

    if (form.Files().OpenFileByPath(QString::fromStdString(path)) != 0) fail("opening failed");
    // EnsureWorkingCopy waits for the workspace copy if it still runs.
    if (!form.Session().EnsureWorkingCopy(true)) fail("no working copy");
    RIZI32DaziVereruz& view = *form.CurrentView();
    const std::uint32_t total = view.TotalSamples();

    // cp of the file the edits work on, into the same folder, as the yardstick.
    const std::string copy = workspace + "/copy.wav";
    const std::string cp = "cp '" + form.CurrentDocument()->workFile + "' '" + copy + "'";
    const std::string cpSync = cp + " && sync '" + copy + "'";
    double cpSeconds = 1e30;
    double cpSyncSeconds = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        ::sync();
        auto start = std::chrono::steady_clock::now();
        if (std::system(cp.c_str()) != 0) fail("cp failed");
        cpSeconds = std::min(cpSeconds, secondsSince(start));
        fs::remove(copy);
        ::sync();
        start = std::chrono::steady_clock::now();
        if (std::system(cpSync.c_str()) != 0) fail("cp failed");
        cpSyncSeconds = std::min(cpSyncSeconds, secondsSince(start));
        fs::remove(copy);
    }

    // The engine alone, cutting the same tenth out of the same working copy the way the window
    // has it cut (the source flushed first, the result left to the disk), in turn with the
    // window's cut, each after a sync so that neither pays for what the other left to the disk.
    AudioEditor editor;
    editor.AudioEditSetUndoRedo(0);
    editor.SetTempPath(workspace);
    editor.SetEditFlush(EditFlush::SourceFirst);
    const std::string result = workspace + "/engine-cut.wav";
    double engineCut = 1e30;
    double cut = 1e30;
    double undo = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        ::sync();
        std::uint32_t handle = 0;
        auto start = std::chrono::steady_clock::now();
        int rc = editor.AudioCut(form.CurrentDocument()->workFile, total / 10 * 4, total / 10 * 5,
                                 1, &handle, 0, result);
        while (rc == 0 && !editor.AudioEditProcessIsOver(handle)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (rc == 0) rc = editor.AudioEditGetReasonForProcessExit(handle);
        engineCut = std::min(engineCut, secondsSince(start));
        editor.AudioEditCloseHandle(&handle);
        if (rc != 0) fail("the engine's cut failed");
        fs::remove(result);

        view.SetSelection(total / 10 * 4, total / 10 * 5);
        form.View().WaveformBaseSelection(&view, total / 10 * 4, total / 10 * 5);
        ::sync();
        start = std::chrono::steady_clock::now();
        form.Action("EditCutMenu")->trigger();
        cut = std::min(cut, secondsSince(start));
        if (view.TotalSamples() != total - total / 10) fail("the cut did not happen");
        ::sync();
        start = std::chrono::steady_clock::now();
        form.Action("EditUndoMenu")->trigger();
        undo = std::min(undo, secondsSince(start));
        if (view.TotalSamples() != total) fail("the undo did not happen");
    }
    if (!dialogs.shownTexts().filter("Error").isEmpty()) fail("an error was shown");

    const double mib = static_cast<double>(fs::file_size(path)) / (1 << 20);
    std::printf("file:                          %.0f MiB\n", mib);
    std::printf("cp:                             %.3f s\n", cpSeconds);
    std::printf("engine's cut of the same tenth: %.3f s\n", engineCut);
    std::printf("cp + sync:                      %.3f s\n", cpSyncSeconds);
    std::printf(
        "cut of a tenth, view refreshed: %.3f s  ratio cp / cut:  %.2f  (cp + sync: %.2f)\n", cut,
        cpSeconds / cut, cpSyncSeconds / cut);
    std::printf(
        "undo, view refreshed:           %.3f s  ratio cp / undo: %.2f  (cp + sync: %.2f)\n", undo,
        cpSeconds / undo, cpSyncSeconds / undo);
    std::printf("window cut / engine cut:        %.2f  (aim: at most 1.1)\n\n", cut / engineCut);
    std::printf("file_mib: %.0f\n", mib);
    std::printf("cp_seconds: %.3f\n", cpSeconds);
    std::printf("cp_sync_seconds: %.3f\n", cpSyncSeconds);
    std::printf("engine_cut_seconds: %.3f\n", engineCut);
    std::printf("window_cut_seconds: %.3f\n", cut);
    std::printf("window_undo_seconds: %.3f\n", undo);
    std::printf("window_cut_vs_engine_cut: %.2f\n", cut / engineCut);
    std::printf("cp_vs_window_cut: %.2f\n", cpSeconds / cut);
    form.Files().CloseDocument(form.Documents().currentIndex(), false);
    fs::remove_all(workspace);
    if (made) {
        fs::remove(path);
        fs::remove(fs::path(path).replace_extension(".cvp"));
    }
    return 0;
}
