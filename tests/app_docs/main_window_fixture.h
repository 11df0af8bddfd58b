// The whole-program tests' main window: the real window with a real engine and mixer, a settings
// store and a temporary folder of its own, and dialogs answered by the test (ScriptedDialogs or
// a kind of it), plus the few looks every such test takes.
#pragma once

#include <QAction>
#include <QApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"
#include "view/peak_file.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sonthra {

template <typename Dialogs = ScriptedDialogs>
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture() {
        settings.writeTempPath(workspace.path());
        settings.writeAlwaysTestLevels(false);
        form.AttachAudio(engine, mixer, settings);
        form.resize(940, 600);
        form.show();
    }

    // A peak file still being written in the background lands before its folder goes, as the
    // program's end waits for it too.
    ~MainWindowFixture() override { FinishAllPeakFileWrites(); }

    void trigger(const char* action) { form.Action(action)->trigger(); }
    bool enabled(const char* name) {
        if (QAction* action = form.Action(name)) return action->isEnabled();
        QWidget* widget = form.findChild<QWidget*>(name);
        return widget != nullptr && widget->isEnabled();
    }
    // The messages shown, in order, by their text, and the progress windows by their captions.
    QStringList messages() const { return shownOf(ShownDialog::Kind::Message, false); }
    QStringList progressCaptions() const { return shownOf(ShownDialog::Kind::Progress, true); }

    test::TempFolder user;
    test::TempFolder workspace;
    test::TempFolder store;
    Settings settings{store.file("settings.ini")};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    Dialogs dialogs;
    TMainForm form{dialogs};

private:
    QStringList shownOf(ShownDialog::Kind kind, bool caption) const {
        QStringList texts;
        for (const ShownDialog& d : dialogs.shown()) {
            if (d.kind == kind) texts << (caption ? d.caption : d.text);
        }
        return texts;
    }
};

}  // namespace sonthra
