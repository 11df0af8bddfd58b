// The effects and tools controllers without the main window: a plain widget parents their
// windows, the document, edit and view controllers run on plain surfaces, a display of their own
// stands for the current one, and each command's window is answered where it opens.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/recovery.h"
#include "app/ui/effects_controller.h"
#include "app/ui/recovery_controller.h"
#include "app/ui/tools_controller.h"
#include "app/ui/view_controller.h"
#include "app_controllers/plain_surfaces.h"
#include "edit/ui/mute_form.h"
#include "platform/program_folder.h"
#include "view/ui/wave_display.h"

namespace sonthra {
namespace {

class QuietViewSurface : public ViewSurface {
public:
    RIZI32DaziVereruz* CurrentView() const override { return nullptr; }
    void UpdateRuler(const RIZI32DaziVereruz&) override {}
    void FollowView() override {}
    void SyncOverviewFrame() override {}
    void ShowZoom(std::uint32_t) override {}
    void SwitchCommands(int) override {}
    void FocusView() override {}
    RecordFormat RecordingFormat() const override { return {44100, 16, 2}; }
};

class FeatureControllersTest : public ::testing::Test, protected WindowlessDocuments {
protected:
    FeatureControllersTest() { edit.SetEngine(&engine); }

    WindowControllers host() {
        return {window,
                session,
                transport,
                files,
                edit,
                view,
                [this] { return &display; },
                [] {
                    return RecordFormat{44100, 16, 2};
                }};
    }
    std::string openTakeToEdit() {
        const std::string take = openTake();
        EXPECT_TRUE(session.EnsureWorkingCopy(true));
        return take;
    }
    // Runs act on the modal window of type Form as soon as it shows.
    template <class Form>
    void whenShown(std::function<void(Form&)> act) {
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, [this, poll, act] {
            auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
            if (form == nullptr) return;
            poll->stop();
            poll->deleteLater();
            busyWhileShown = session.Busy().isSet();
            act(*form);
        });
        poll->start(10);
    }

    SessionEditSurface editSurface{session};
    EditController edit{editSurface, dialogs, session.Documents()};
    QuietViewSurface viewSurface;
    ViewController view{viewSurface, session.Documents()};
    RIZI32DaziVereruz display;
    bool busyWhileShown = false;
};

TEST_F(FeatureControllersTest, MuteSilencesTheWholeFileUnderTheBusyFlagWithoutAWindow) {
    const std::string audio = test::readFile(openTakeToEdit());

    ToolsController tools(host(), dialogs, nullptr);
    whenShown<TMuteForm>([](TMuteForm& form) { form.OkButton->click(); });
    EXPECT_EQ(tools.EditMuteMenuClick(), 0);
    EXPECT_TRUE(busyWhileShown);
    EXPECT_FALSE(session.Busy().isSet());
    // The engine may write a longer header; the samples follow the data chunk's header.
    const std::string work = test::readFile(session.Current()->workFile);
    const std::size_t data = work.find("data");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(work.substr(data + 8), std::string(audio.size() - 44, '\0'));
    EXPECT_EQ(editSurface.refreshes, 1);
    EXPECT_EQ(session.Current()->state, DocumentState::Modified);

    // Trim Silence keeps its threshold in the settings store: without one it opens nothing.
    EXPECT_EQ(tools.EditTrimSilenceMenuClick(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FeatureControllersTest, EffectItemsAndTheirPopUpTwinsLiveInTheMenuTheyWereGiven) {
    QMenu effectsMenu;
    EffectsController effects(host(), dialogs, effectsMenu);
    effects.Start(programFolder());
    const int loaded = static_cast<int>(effects.Plugins().plugins().size());
    ASSERT_GT(loaded, 0);
    ASSERT_EQ(effectsMenu.actions().size(), loaded);
    ASSERT_EQ(effects.EffectsPopupMenu()->actions().size(), loaded);

    // A pop-up item runs its twin; with no document the effect shows nothing.
    QAction* last = effectsMenu.actions().last();
    QSignalSpy runs(last, &QAction::triggered);
    effects.EffectsPopupMenu()->actions().last()->trigger();
    EXPECT_EQ(runs.count(), 1);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(session.Busy().isSet());

    // Starting again replaces the items; stopping removes them from both menus.
    effects.Start(programFolder());
    EXPECT_EQ(effectsMenu.actions().size(), loaded);
    effects.Stop();
    EXPECT_TRUE(effectsMenu.actions().isEmpty());
    EXPECT_TRUE(effects.EffectsPopupMenu()->actions().isEmpty());
}

TEST_F(FeatureControllersTest, TheRecoveryRecordNamesTheWorkingCopyAndStaysOnlyForUnsavedAudio) {
    test::TempFolder records;
    auto* recovery = new RecoveryController(host(), dialogs, records.path());
    recovery->Start();
    ASSERT_NE(recovery->Record(), nullptr);
    openTakeToEdit();
    const std::string work = session.Current()->workFile;

    // A clean document is written down, but an end without asking leaves no record for it.
    recovery->KeepForNextStart();
    EXPECT_FALSE(recovery->Record()->Kept());
    std::optional<RecoveryManifest> written =
        ParseManifest(test::readFile(recovery->Record()->ManifestPath()));
    ASSERT_TRUE(written.has_value());
    ASSERT_EQ(written->entries.size(), 1u);
    EXPECT_EQ(written->entries[0].workFile, work);

    // Once the audio differs from the file, the record stays for the next start.
    delete recovery;
    recovery = new RecoveryController(host(), dialogs, records.path());
    recovery->Start();
    session.Current()->state = DocumentState::Modified;
    recovery->KeepForNextStart();
    EXPECT_TRUE(recovery->Record()->Kept());
    written = ParseManifest(test::readFile(recovery->Record()->ManifestPath()));
    ASSERT_TRUE(written.has_value());
    ASSERT_EQ(written->entries.size(), 1u);
    EXPECT_EQ(written->entries[0].state, static_cast<std::int32_t>(DocumentState::Modified));
    for (const ShownDialog& shown : dialogs.shown()) {
        EXPECT_NE(shown.kind, ShownDialog::Kind::Message)
            << "this copy's own record is never offered to itself: " << shown.text.toStdString();
    }
}

}  // namespace
}  // namespace sonthra
