// The fixture of the editing tests: the real main window with a real engine, a settings store
// and a temporary folder of its own, scripted dialogs, and files of known samples.
#pragma once

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app_docs/main_window_fixture.h"
#include "edit/position_text.h"
#include "view/ui/overview.h"
#include "view/ui/wave_display.h"
#include "wave/wave_reader.h"

namespace sonthra {

// Scripted dialogs that can also press Cancel in the progress window of one caption at its
// first look at the work, whether or not the work has ended by then: a person who presses
// Cancel at once.
class EditDialogs : public ScriptedDialogs {
public:
    void cancelProgress(const QString& caption) { m_cancel = caption; }

    // Called as each progress window opens, with its caption (also for work that was over
    // before its window could open).
    std::function<void(const QString&)> onProgress;

    void progressOverAtOnce(QWidget* parent, const QString& caption) override {
        if (onProgress) onProgress(caption);
        ScriptedDialogs::progressOverAtOnce(parent, caption);
    }

    void runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                     const ProgressPollFunction& poll) override {
        if (onProgress) onProgress(caption);
        if (m_cancel.isEmpty() || caption != m_cancel) {
            ScriptedDialogs::runProgress(parent, caption, cancelOffered, poll);
            return;
        }
        m_cancel.clear();
        ScriptedDialogs::runProgress(parent, caption, cancelOffered,
                                     [&poll](bool) { return poll(true); });
    }

private:
    QString m_cancel;
};

class EditWindowTest : public MainWindowFixture<EditDialogs> {
protected:
    static constexpr std::uint32_t kRate = 44100;
    static constexpr std::size_t kFrameBytes = 4;  // 16-bit stereo

    EditWindowTest() {
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    // Opens a 16-bit stereo file of `frames` frames whose every sample differs from its
    // neighbours, and returns its sample bytes.
    std::string openRamp(std::uint32_t frames, const std::string& name = "take.wav") {
        std::vector<std::int16_t> samples(std::size_t{frames} * 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(i % 30011 + 1000);
        }
        const std::string path = user.file(name);
        test::writeFile(path, test::pcmWave(kRate, 16, 2, samples));
        openPath(path);
        return test::samplesBytes(samples);
    }
    // Opens path through File, Open and waits for its working copy.
    void openPath(const std::string& path) {
        dialogs.queueFile(QString::fromStdString(path));
        trigger("FileOpenMenu");
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const AudioDocument* d = form.CurrentDocument();
            return d != nullptr && d->workspace == WorkspaceState::Ready;
        }));
        dialogs.clearShown();
        // The progress windows of the opening took the activation with them.
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    static std::string frames(const std::string& audio, std::uint32_t first, std::uint32_t last) {
        return audio.substr(first * kFrameBytes, (last - first) * kFrameBytes);
    }
    static std::string from(const std::string& audio, std::uint32_t first) {
        return audio.substr(first * kFrameBytes);
    }

    // The sample bytes of a WAV file, whatever its header layout.
    static std::string samplesOf(const std::string& path) {
        WaveReader reader;
        if (reader.open(path) != kWaveReadOk) return "<no wave file: " + path + ">";
        std::string bytes(reader.dataSize, '\0');
        std::uint32_t read = 0;
        if (reader.dataSize > 0) reader.readBlock(0, reader.dataSize, read, bytes.data());
        reader.close();
        bytes.resize(read);
        return bytes;
    }
    std::string work() const { return samplesOf(form.CurrentDocument()->workFile); }
    bool hasData(const std::string& path) const {
        std::error_code ec;
        return std::filesystem::file_size(path, ec) > 0 && !ec;
    }

    RIZI32DaziVereruz& view() { return *form.CurrentView(); }
    // A selection as the display makes it on a drag: stored anchor first, reported ordered.
    void select(std::uint32_t anchor, std::uint32_t end) {
        view().SetSelection(anchor, end);
        form.View().WaveformBaseSelection(&view(), std::min(anchor, end), std::max(anchor, end));
    }

    QString readout(const char* name) { return form.findChild<QLabel*>(name)->text(); }
    QLineEdit* field(const char* name) { return form.findChild<QLineEdit*>(name); }
    // Clicks a read-out, types into its entry field in place of the position shown and ends
    // with key.
    void typeInto(const char* box, const char* edit, const QString& text,
                  Qt::Key key = Qt::Key_Return) {
        QTest::mouseClick(form.findChild<QLabel*>(box), Qt::LeftButton);
        QLineEdit* entry = field(edit);
        ASSERT_TRUE(entry->isVisible()) << box;
        QTest::keyClicks(entry, text);
        QTest::keyClick(entry, key);
    }
};

}  // namespace sonthra
