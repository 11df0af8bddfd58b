// The fixture of the documents' whole-program tests: the real main window with a real engine, a
// settings store and a temporary folder of its own, scripted dialogs, and generated WAV files.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"
#include "view/ui/wave_display.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sonthra {

class DocumentWindowTest : public ::testing::Test {
protected:
    DocumentWindowTest() {
        settings.writeTempPath(workspace.path());
        settings.writeAlwaysTestLevels(false);
        form.AttachAudio(engine, mixer, settings);
        form.resize(940, 600);
        form.show();
        QApplication::processEvents();
    }

    // A 16-bit tone file of the given length in the user's folder.
    std::string makeWav(const std::string& name, std::uint32_t frames, std::uint32_t rate = 44100,
                        std::uint16_t channels = 2, double peak = 0.5) {
        const std::string path = user.file(name);
        test::writeFile(path, test::pcmWave(rate, 16, channels,
                                            test::makeTone(440, rate, channels, frames, peak)));
        return path;
    }

    void trigger(const char* action) { form.Action(action)->trigger(); }
    void click(const char* button) { form.findChild<QAbstractButton*>(button)->click(); }
    bool enabled(const char* name) {
        if (QAction* action = form.Action(name)) return action->isEnabled();
        QWidget* widget = form.findChild<QWidget*>(name);
        return widget != nullptr && widget->isEnabled();
    }
    QString panel(int i) const { return form.StatusPanelText(i); }

    // Opens through File, Open with the open dialog answered.
    void openByMenu(const std::string& path) {
        dialogs.queueFile(QString::fromStdString(path));
        trigger("FileOpenMenu");
    }
    // Lets the workspace copy's news arrive.
    bool waitForWorkingCopy() {
        return QTest::qWaitFor([&] {
            const AudioDocument* d = form.CurrentDocument();
            return d != nullptr && d->workspace != WorkspaceState::BeingCreated;
        });
    }
    std::uint32_t caret() const {
        const RIZI32DaziVereruz* view = form.CurrentView();
        return view ? view->CaretPositionBySamples() : 0;
    }

    // The messages shown, in order, by their text.
    QStringList messages() const {
        QStringList texts;
        for (const ShownDialog& d : dialogs.shown()) {
            if (d.kind == ShownDialog::Kind::Message) texts << d.text;
        }
        return texts;
    }
    QStringList progressCaptions() const {
        QStringList captions;
        for (const ShownDialog& d : dialogs.shown()) {
            if (d.kind == ShownDialog::Kind::Progress) captions << d.caption;
        }
        return captions;
    }
    std::vector<std::string> workspaceFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(workspace.path())) {
            names.push_back(entry.path().filename());
        }
        return names;
    }

    test::TempFolder user;
    test::TempFolder workspace;
    test::TempFolder store;
    Settings settings{store.file("settings.ini")};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    ScriptedDialogs dialogs;
    TMainForm form{dialogs};
};

}  // namespace sonthra
