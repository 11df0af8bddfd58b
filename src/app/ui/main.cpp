// Program entry: one copy per user, the main window, the message loop.
#include <QApplication>
#include <QFileInfo>
#include <QStringList>

#include <exception>
#include <memory>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "app/ui/signal_watcher.h"
#include "app/ui/single_instance.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

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
int runAsSecondCopy(UserDialogs& dialogs, const SingleInstance& instance,
                    const QStringList& args) {
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

}  // namespace

int main(int argc, char** argv) {
    SonthraApplication app(argc, argv);
    QApplication::setOrganizationName("Corvanta");
    QApplication::setApplicationName("Sonthra");
    QApplication::setApplicationDisplayName("Corvanta Sonthra");

    std::unique_ptr<UserDialogs> dialogs = ScriptedDialogs::fromEnvironment();
    if (!dialogs) dialogs = std::make_unique<QtUserDialogs>();
    app.dialogs = dialogs.get();

    const QStringList args = QApplication::arguments().mid(1);
    SingleInstance instance;
    if (!instance.Claim()) return runAsSecondCopy(*dialogs, instance, args);

    int exitCode = 0;
    {
        // The engine, the mixer and the settings outlive the main window, which uses them
        // until its last moment (the Preferences window stores its values as it goes).
        Settings settings(userSettingsFile());
        NXWavePlayer engine;
        ROZadEro mixer;
        TMainForm form(*dialogs);
        StartProgram(form, engine, mixer, settings);
        CommandLineChannel channel(instance.SocketPath(), [&form](const HandOverRequest& request) {
            const bool accepted = ReceiveHandOver(
                request, form.Busy().isSet(), form.IsVisibleForHandOver(),
                [&form](const ArgumentBlock& block) { form.PostCommandBlock(block); });
            if (accepted) {
                // The copy that handed its file over ends; this one comes to the front.
                form.showNormal();
                form.raise();
                form.activateWindow();
            }
            return accepted;
        });
        // Without the channel the program still works; later copies then start on their own.
        channel.Listen();
        SignalWatcher watcher([&form](int) { form.ShutdownWithoutAsking(); });

        form.SetStartupArguments(args);
        form.show();
        exitCode = app.exec();
        app.dialogs = nullptr;
    }
    instance.Release();
    return exitCode;
}
