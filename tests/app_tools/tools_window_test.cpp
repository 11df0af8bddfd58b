// Effects, Mute, Trim Silence, Insert Silence and Change Format through the real main window:
// each test answers the command's own window and checks the working copy's samples afterwards.
#include <QApplication>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/ui/effects_controller.h"
#include "app_edit/edit_fixture.h"
#include "edit/ui/change_format_form.h"
#include "edit/ui/mute_form.h"
#include "edit/ui/silence_forms.h"
#include "effects/effect_file_run.h"
#include "engine/child_process.h"
#include "platform/program_folder.h"

namespace sonthra {
namespace {

class ToolsWindowTest : public EditWindowTest {
protected:
    ToolsWindowTest() { form.Effects().Start(programFolder()); }

    // Runs act once on the first visible top-level window named `name`, as soon as it shows
    // (its exec is then under way). act must close the window.
    void whenShown(const QString& name, std::function<void(QWidget&)> act) {
        auto* timer = new QTimer(&form);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->isVisible() && w->objectName() == name) {
                    timer->stop();
                    timer->deleteLater();
                    act(*w);
                    return;
                }
            }
        });
        timer->start();
    }

    // The Effects menu item whose caption contains text.
    QAction* effectItem(const QString& text) {
        for (QAction* item : form.findChild<QMenu*>("EffectsMenu")->actions()) {
            if (item->isVisible() && item->text().contains(text)) return item;
        }
        return nullptr;
    }

    // Confirms the effect's settings window with gainDb in its gain box (when it has one).
    void answerEffect(double gainDb) {
        whenShown("EffectSettingsWindow", [gainDb](QWidget& w) {
            if (auto* gain = w.findChild<QDoubleSpinBox*>("gain-db")) gain->setValue(gainDb);
            static_cast<QDialog&>(w).accept();
        });
    }

    // The samples of a WAV file as the command line's effect would make them.
    std::string byCommandLine(const std::string& source, const std::string& effect,
                              std::uint32_t first, std::uint32_t last,
                              std::vector<std::string> settings) {
        EffectPluginList plugins;
        LoadEffectPlugins(plugins, programFolder());
        EffectFileJob job;
        job.effectName = effect;
        job.input = source;
        job.output = user.file("expected.wav");
        job.selectionStart = first;
        job.selectionEnd = last;
        job.settings = std::move(settings);
        const int result = applyEffectToFile(plugins, job, nullptr);
        UnloadEffectPlugins(plugins);
        if (result != 0) return "<effect failed: " + std::to_string(result) + ">";
        return samplesOf(job.output);
    }

    // Opens a 16-bit stereo file of these samples.
    void openSamples(const std::vector<std::int16_t>& samples, std::uint32_t rate = kRate) {
        const std::string path = user.file("input.wav");
        test::writeFile(path, test::pcmWave(rate, 16, 2, samples));
        openPath(path);
    }

    static std::string sox(std::vector<std::string> args) {
        args.insert(args.begin(), "sox");
        test::ChildProcess child(args);
        child.wait();
        return child.output() + child.errors();
    }
};

std::string errorsIn(const QStringList& messages) {
    return messages.join('\n').toStdString();
}

TEST_F(ToolsWindowTest, AmplifyFromTheEffectsMenuChangesTheSelectionAsTheCommandLineDoesAndUndoes) {
    const std::string audio = openRamp(20000);
    const std::string original = user.file("take.wav");
    const std::string expected = byCommandLine(original, "amplify", 1000, 5000, {"gain-db=6.02"});
    ASSERT_EQ(expected.size(), audio.size()) << expected.substr(0, 60);
    ASSERT_NE(expected, audio);

    QAction* amplify = effectItem("Amplify");
    ASSERT_NE(amplify, nullptr) << "no Amplify plug-in beside the program";
    EXPECT_TRUE(enabled("EffectsMenu"));
    select(5000, 1000);
    answerEffect(6.02);
    amplify->trigger();
    EXPECT_EQ(work(), expected);
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());
    EXPECT_TRUE(progressCaptions().contains("Applying effect..."));
    // The selection comes back as it was, and the caret goes to its end.
    EXPECT_EQ(view().SelectionStartPos(), 5000u);
    EXPECT_EQ(view().SelectionEndPos(), 1000u);
    EXPECT_EQ(view().CaretPositionBySamples(), 1000u);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_TRUE(enabled("EditCutMenu")) << "the selection's commands are on again";
    EXPECT_FALSE(form.Busy().isSet());

    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);

    // The settings are kept for the run; the button runs the first item containing its text.
    dialogs.clearShown();
    select(0, 0);
    const std::string whole = byCommandLine(original, "Normalize", 0, 0, {});
    answerEffect(0);
    form.Effects().EffectsButton3Click();
    EXPECT_EQ(work(), whole);
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());

    // An effect that clips says so after its run, with the figures.
    dialogs.clearShown();
    select(5000, 1000);
    answerEffect(12);
    amplify->trigger();
    ASSERT_EQ(messages().size(), 1) << errorsIn(messages());
    EXPECT_TRUE(messages().front().contains("samples clipped")) << errorsIn(messages());
}

TEST_F(ToolsWindowTest, AnEffectCancelledInItsWindowOrWhileRunningLeavesTheDocumentAsItWas) {
    // Long enough that the run is still going when the progress window first looks.
    const std::string audio = openRamp(10 * 44100);
    QAction* amplify = effectItem("Amplify");
    ASSERT_NE(amplify, nullptr);

    whenShown("EffectSettingsWindow", [](QWidget& w) { static_cast<QDialog&>(w).reject(); });
    amplify->trigger();
    EXPECT_TRUE(progressCaptions().isEmpty()) << "nothing runs after the window's Cancel";
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());

    dialogs.cancelProgress("Applying effect...");
    answerEffect(3);
    amplify->trigger();
    EXPECT_EQ(work(), audio);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_FALSE(enabled("EditUndoMenu"));
    EXPECT_FALSE(hasData(form.CurrentDocument()->undoFile));
    EXPECT_FALSE(form.Busy().isSet());
    // Only the cancel's own warning, no error.
    for (const QString& text : messages())
        EXPECT_TRUE(text.contains("aborted")) << text.toStdString();
}

TEST_F(ToolsWindowTest, MuteSilencesExactlyTheSelectionOnTheChosenChannels) {
    const std::string audio = openRamp(10000);
    select(2000, 3000);
    const std::uint32_t caret = view().CaretPositionBySamples();
    whenShown("TMuteForm", [](QWidget& w) { static_cast<TMuteForm&>(w).OkButton->click(); });
    trigger("EditMuteMenu");
    EXPECT_EQ(work(),
              frames(audio, 0, 2000) + std::string(1000 * kFrameBytes, '\0') + from(audio, 3000));
    EXPECT_TRUE(progressCaptions().contains("Mute..."));
    EXPECT_EQ(view().CaretPositionBySamples(), caret) << "the caret stays where it was";
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());
    trigger("EditUndoMenu");
    ASSERT_EQ(work(), audio);

    // Right channel only, without a selection: the whole file's right channel.
    select(0, 0);
    whenShown("TMuteForm", [](QWidget& w) {
        auto& mute = static_cast<TMuteForm&>(w);
        mute.RightChannelRadioButton->setChecked(true);
        mute.OkButton->click();
    });
    trigger("EditMuteMenu");
    std::string right = audio;
    for (std::size_t frame = 0; frame < right.size() / kFrameBytes; ++frame) {
        right[frame * kFrameBytes + 2] = '\0';
        right[frame * kFrameBytes + 3] = '\0';
    }
    EXPECT_EQ(work(), right);

    // Cancel in the window changes nothing.
    trigger("EditUndoMenu");
    whenShown("TMuteForm", [](QWidget& w) { static_cast<TMuteForm&>(w).CancelButton->click(); });
    trigger("EditMuteMenu");
    EXPECT_EQ(work(), audio);
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(ToolsWindowTest, TrimSilenceRemovesTheLeadingSilence) {
    std::vector<std::int16_t> samples(2 * 8000, 0);
    std::vector<std::int16_t> sound;
    for (int i = 0; i < 2 * 12000; ++i)
        sound.push_back(static_cast<std::int16_t>(i % 20011 + 2000));
    samples.insert(samples.end(), sound.begin(), sound.end());
    openSamples(samples);
    whenShown("TTrimSilenceForm",
              [](QWidget& w) { static_cast<TTrimSilenceForm&>(w).OkButton->click(); });
    trigger("EditTrimSilenceMenu");
    EXPECT_EQ(work(), test::samplesBytes(sound));
    EXPECT_EQ(view().TotalSamples(), 12000u);
    EXPECT_TRUE(progressCaptions().contains("Trim Silence..."));
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());
}

TEST_F(ToolsWindowTest, InsertSilenceMakesANewDocumentWhenNoneIsOpenAndSelectsTheSilence) {
    ASSERT_EQ(form.CurrentDocument(), nullptr);
    // Cancelled in its window: no document is made.
    whenShown("TInsertSilenceForm",
              [](QWidget& w) { static_cast<TInsertSilenceForm&>(w).CancelButton->click(); });
    trigger("EditInsertSilenceMenu");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_FALSE(form.Busy().isSet());

    whenShown("TInsertSilenceForm", [](QWidget& w) {
        auto& insert = static_cast<TInsertSilenceForm&>(w);
        insert.SilenceTimeEdit->setText("0.5");
        insert.OkButton->click();
    });
    trigger("EditInsertSilenceMenu");
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->state, DocumentState::New);
    const std::uint32_t silence = document->sampleRate / 2;
    EXPECT_EQ(view().TotalSamples(), silence);
    EXPECT_EQ(work(), std::string(std::size_t{silence} * document->format.blockAlign, '\0'));
    EXPECT_EQ(std::min(view().SelectionStartPos(), view().SelectionEndPos()), 0u);
    EXPECT_EQ(std::max(view().SelectionStartPos(), view().SelectionEndPos()), silence);
    EXPECT_TRUE(progressCaptions().contains("Inserting Silence..."));
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(ToolsWindowTest, InsertSilenceGoesInAtTheSelectionsLargerEndAndIsSelected) {
    const std::string audio = openRamp(10000);
    select(4000, 1000);
    whenShown("TInsertSilenceForm", [](QWidget& w) {
        auto& insert = static_cast<TInsertSilenceForm&>(w);
        insert.SilenceTimeEdit->setText("0.01");  // 441 frames
        insert.OkButton->click();
    });
    trigger("EditInsertSilenceMenu");
    EXPECT_EQ(work(),
              frames(audio, 0, 4000) + std::string(441 * kFrameBytes, '\0') + from(audio, 4000));
    EXPECT_EQ(std::min(view().SelectionStartPos(), view().SelectionEndPos()), 4000u);
    EXPECT_EQ(std::max(view().SelectionStartPos(), view().SelectionEndPos()), 4441u);
}

TEST_F(ToolsWindowTest, ChangeFormatTo22kHzMonoConvertsTheDocumentAndCancelLeavesIt) {
    const std::string tone = user.file("tone.wav");
    sox({"-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth", "1", "sine", "1000", "vol",
         "0.5"});
    openPath(tone);
    const std::string before = work();
    ASSERT_EQ(before.size(), 44100u * 4);
    auto choose22Mono = [](QWidget& w) {
        auto& chooser = static_cast<TChangeFormatForm&>(w);
        chooser.Frequency22RadioButton->setChecked(true);
        chooser.MonoRadioButton->setChecked(true);
        chooser.OkButton->click();
    };

    // Cancel in the chooser ends silently.
    whenShown("TChangeFormatForm",
              [](QWidget& w) { static_cast<TChangeFormatForm&>(w).CancelButton->click(); });
    trigger("EditChangeFormatMenu");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(form.Busy().isSet());

    dialogs.cancelProgress("Changing Format...");
    whenShown("TChangeFormatForm", choose22Mono);
    trigger("EditChangeFormatMenu");
    EXPECT_EQ(work(), before);
    EXPECT_EQ(form.CurrentDocument()->sampleRate, 44100u);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);

    dialogs.clearShown();
    view().SetSelection(100, 2000);
    whenShown("TChangeFormatForm", choose22Mono);
    trigger("EditChangeFormatMenu");
    EXPECT_TRUE(messages().isEmpty()) << errorsIn(messages());
    EXPECT_TRUE(progressCaptions().contains("Changing Format..."));
    const AudioDocument& document = *form.CurrentDocument();
    EXPECT_EQ(document.sampleRate, 22050u);
    EXPECT_EQ(document.channels, 1);
    EXPECT_EQ(document.state, DocumentState::Modified);
    EXPECT_EQ(view().TotalSamples(), 22050u);
    EXPECT_EQ(view().CaretPositionBySamples(), 0u);
    EXPECT_EQ(view().ZoomLevel(), view().MaxZoomLevel());
    EXPECT_TRUE(enabled("FileRevertMenu"));
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_FALSE(enabled("EditRedoMenu"));
    // sox reads the working copy as 22,050 Hz mono of the same length in time.
    const std::string info = sox({"--i", document.workFile});
    EXPECT_NE(info.find("Channels       : 1"), std::string::npos) << info;
    EXPECT_NE(info.find("Sample Rate    : 22050"), std::string::npos) << info;
    EXPECT_NE(info.find("22050 samples"), std::string::npos) << info;

    trigger("EditUndoMenu");
    EXPECT_EQ(work(), before);
    EXPECT_EQ(form.CurrentDocument()->sampleRate, 44100u);
    EXPECT_EQ(form.CurrentDocument()->channels, 2);
}

}  // namespace
}  // namespace sonthra
