// Program entry: one copy per user, the main window, the message loop.
#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include <cstdlib>
#include <exception>
#include <memory>

#include "app/ui/main_form.h"
#include "app/ui/recovery_controller.h"
#include "app/ui/signal_watcher.h"
#include "app/ui/single_instance.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "dialogs/ui/user_dialogs.h"
#include "dialogs/ui/wave_messages.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "view/peak_file.h"

namespace {

using namespace sonthra;

// Shows the text of any exception that reaches the event loop in an error box with the
// product caption, and goes on.
class SonthraApplication : public QApplication {
public:
    using QApplication::QApplication;
    UserDialogs* dialogs = nullptr;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            showError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            showError("Unknown exception");
        }
        return false;
    }

private:
    void showError(const QString& text) {
        if (dialogs) {
            dialogs->messageBox(activeWindow(), kProductCaption, text, DialogIcon::Error,
                                DialogButtons::Ok);
        }
    }
};

// A later copy hands its first argument to the first copy and ends. Without arguments, or
// when no first copy answers, it ends silently; a refusal (the first copy is busy or hidden)
// is shown with message 434.
int runAsSecondCopy(UserDialogs& dialogs, const SingleInstance& instance, const QStringList& args) {
    if (args.isEmpty()) return 0;
    // The first copy runs in another folder, so a relative name is made absolute here;
    // switches and absolute names start with "/" and travel as they are.
    std::vector<std::string> plain;
    for (const QString& a : args) {
        plain.push_back((a.startsWith('/') ? a : QFileInfo(a).absoluteFilePath()).toStdString());
    }
    const auto reply =
        HandOverArguments(instance.SocketPath(), ArgumentBlock::fromArguments(plain));
    if (reply.has_value() && !*reply) {
        ShowMessage(dialogs, nullptr, 434, {kProductCaption, kProductCaption});
    }
    return 0;
}

// The first copy's mark, given up also when a signal ends the program from inside a modal
// window (quick_exit).
SingleInstance* g_instance = nullptr;

void releaseInstance() {
    if (g_instance != nullptr) g_instance->Release();
}

}  // namespace

int main(int argc, char** argv) {
    SonthraApplication app(argc, argv);
    QApplication::setOrganizationName("Corvanta");
    QApplication::setApplicationName("Sonthra");
    // No display name: on X11 it would be added to every window title and message caption.

    std::unique_ptr<UserDialogs> dialogs = ScriptedDialogs::fromEnvironment();
    if (!dialogs) dialogs = std::make_unique<QtUserDialogs>();
    app.dialogs = dialogs.get();
    WaveMessagesShown waveMessages(*dialogs, &app);

    const QStringList args = QApplication::arguments().mid(1);
    QString problem;
    SingleInstance instance(InstanceFolder(&problem));
    if (!instance.Usable()) {
        // Another user's folder would let them stop this start or see what it opens: this
        // copy runs on its own instead, and says why.
        dialogs->messageBox(nullptr, kProductCaption,
                            problem +
                                " Sonthra does not use it and runs without looking for "
                                "another copy of itself.",
                            DialogIcon::Warning, DialogButtons::Ok);
    } else if (!instance.Claim()) {
        return runAsSecondCopy(*dialogs, instance, args);
    }
    g_instance = &instance;
    std::at_quick_exit(releaseInstance);

    int exitCode = 0;
    {
        // Listening starts before anything slow, so a copy started at the same moment is
        // answered even while this one asks its start-up questions; what it hands over waits
        // until the window has started.
        TMainForm* window = nullptr;
        HandOverGate gate;
        const auto post = [&window](const ArgumentBlock& block) {
            if (window) window->PostCommandBlock(block);
        };
        CommandLineChannel channel(instance.SocketPath(), [&](const HandOverRequest& request) {
            if (gate.IsOpen() && !window) return false;
            const bool started = gate.IsOpen();
            const bool accepted = gate.Receive(request, started && window->Busy().isSet(),
                                               started && window->IsVisibleForHandOver(), post);
            if (accepted && started) {
                // The copy that handed its file over ends; this one comes to the front.
                window->showNormal();
                window->raise();
                window->activateWindow();
            }
            return accepted;
        });
        // Without the channel the program still works; later copies then start on their own.
        if (instance.Usable()) channel.Listen();

        // The engine, the mixer and the settings outlive the main window, which uses them
        // until its last moment (the Preferences window stores its values as it goes).
        Settings settings(userSettingsFile());
        NXWavePlayer engine;
        ROZadEro mixer;
        TMainForm form(*dialogs);
        window = &form;
        // Watched from here on, so that a signal during a start-up question ends the program
        // in order too.
        SignalWatcher watcher([&form](int) { form.ShutdownWithoutAsking(); });
        StartProgram(form, engine, mixer, settings);

        form.SetStartupArguments(args);
        form.show();
        // What a copy that crashed left unsaved is offered over the window.
        auto* recovery = new RecoveryController(form.Controllers(), *dialogs,
                                                RecoveryFolder(settings.file().string()));
        recovery->Start(&settings);
        QTimer::singleShot(0, &form, [&gate, &post] { gate.Open(post); });
        exitCode = app.exec();
        window = nullptr;
        app.dialogs = nullptr;
    }
    // A peak file still being written would be left as a half file beside its audio.
    FinishAllPeakFileWrites();
    instance.Release();
    return exitCode;
}
