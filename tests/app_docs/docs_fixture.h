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

#include "app_docs/main_window_fixture.h"
#include "view/ui/wave_display.h"

namespace sonthra {

class DocumentWindowTest : public MainWindowFixture<> {
protected:
    DocumentWindowTest() { QApplication::processEvents(); }

    // A 16-bit tone file of the given length in the user's folder.
    std::string makeWav(const std::string& name, std::uint32_t frames, std::uint32_t rate = 44100,
                        std::uint16_t channels = 2, double peak = 0.5) {
        const std::string path = user.file(name);
        test::writeFile(path, test::pcmWave(rate, 16, channels,
                                            test::makeTone(440, rate, channels, frames, peak)));
        return path;
    }

    void click(const char* button) { form.findChild<QAbstractButton*>(button)->click(); }
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

    std::vector<std::string> workspaceFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(workspace.path())) {
            names.push_back(entry.path().filename());
        }
        return names;
    }
};

}  // namespace sonthra
