// A copy of the program that a test kills or signals: the real main window with its engine, a
// settings store and a temporary folder of the test's, scripted dialogs, and the record of its
// work. It brings itself into the state asked for, prints "READY" and runs until it is ended.
//
//   recovery_crash_child SETTINGS TEMP MODE [WAV]
//   MODE edit:      opens WAV and deletes its first second (Modified)
//   MODE record:    as edit, then records into the open file at the caret, READY once the
//                   first audio has reached the recording's file
//   MODE stuck:     as edit, then the GUI thread hangs
//   MODE dialog:    opens the Preferences window and waits in it
//   MODE message:   shows a message box and waits in it
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/recovery_controller.h"
#include "app/ui/signal_watcher.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/record_file.h"
#include "settings/settings.h"
#include "view/ui/wave_display.h"

using namespace sonthra;

namespace {

void ready() {
    std::printf("READY\n");
    std::fflush(stdout);
}

bool openAndEdit(TMainForm& form, ScriptedDialogs& dialogs, const char* wav) {
    dialogs.queueFile(QString::fromLocal8Bit(wav));
    form.Action("FileOpenMenu")->trigger();
    const bool copied = QTest::qWaitFor([&] {
        const AudioDocument* d = form.CurrentDocument();
        return d != nullptr && d->workspace == WorkspaceState::Ready;
    });
    if (!copied || form.CurrentView() == nullptr) return false;
    const std::uint32_t second = form.CurrentDocument()->sampleRate;
    form.CurrentView()->SetSelection(0, second);
    form.View().WaveformBaseSelection(form.CurrentView(), 0, second);
    form.Action("EditClearMenu")->trigger();
    return QTest::qWaitFor(
        [&] { return form.CurrentDocument()->state == DocumentState::Modified; });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) return 2;
    const std::string mode = argv[3];
    Settings settings{std::string(argv[1])};
    const bool editing = mode == "edit" || mode == "record" || mode == "stuck";
    if (editing) {
        settings.writeTempPath(argv[2]);
        settings.writeAlwaysTestLevels(false);
    }
    NXWavePlayer engine;
    ROZadEro mixer;
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    SignalWatcher watcher([&form](int) { form.ShutdownWithoutAsking(); });
    StartProgram(form, engine, mixer, settings);
    form.show();
    auto* recovery = new RecoveryController(form.Controllers(), dialogs, RecoveryFolder(argv[1]));
    recovery->Start();

    if (editing) {
        if (argc < 5 || !openAndEdit(form, dialogs, argv[4])) return 3;
        if (mode == "record") {
            dialogs.queueAnswer(DialogAnswer::Yes);  // record into the open file
            form.findChild<QAbstractButton*>("StartStopRecordingButton")->click();
            if (!form.Transport().IsRecording()) return 4;
            // The device takes its time to deliver the first audio; the recording's length is
            // counted from there, as the program shows it.
            const std::string file = form.Transport().insert.file;
            const bool flowing = QTest::qWaitFor(
                [&] { return std::filesystem::file_size(file) > RecordFile::kHeaderBytes; }, 20000);
            if (!flowing) return 5;
        }
        recovery->Update();
        ready();
        if (mode == "stuck") {
            // A signal cuts a sleep short; the hang goes on regardless.
            QTimer::singleShot(0, [] {
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
                while (std::chrono::steady_clock::now() < end) ::sleep(1);
            });
        }
    } else if (mode == "dialog") {
        QTimer::singleShot(0, [] { ready(); });
        form.Preferences().FilePreferencesMenuClick();
    } else if (mode == "message") {
        QTimer::singleShot(0, [] { ready(); });
        QMessageBox::information(&form, "Sonthra", "Waiting");
    } else {
        return 2;
    }
    return app.exec();
}
