// The main window driven as a user would: its menus, shortcuts, command states, command-line
// handling, help, about and shutdown, with scripted dialogs.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "app/ui/about_form.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/mixer_panel.h"
#include "app_ui/main_form_fixture.h"
#include "dialogs/ui/scripted_dialogs.h"

using namespace sonthra;

namespace {

struct MenuRow {
    const char* menu;
    const char* name;
    const char* caption;
    const char* shortcut;
    bool shown;
};

const MenuRow kMenuRows[] = {
    {"FileMenu", "FileNewMenu", "&New...", "Ctrl+N", true},
    {"FileMenu", "FileOpenMenu", "&Open...", "Ctrl+O", true},
    {"FileMenu", "FileCloseMenu", "&Close", "Ctrl+W", true},
    {"FileMenu", "FileSaveMenu", "&Save", "Ctrl+S", true},
    {"FileMenu", "FileSaveAsMenu", "Save &As...", "", true},
    {"FileMenu", "FileRevertMenu", "&Revert", "", true},
    {"FileMenu", "songInfoMenu", "Song &Information...", "Ctrl+I", true},
    {"FileMenu", "FileSaveAsPodcastMenu", "Save As &Podcast...", "Ctrl+P", true},
    {"FileMenu", "FileUploadPodcastMenu", "&Upload Podcast...", "Ctrl+U", true},
    {"FileMenu", "FileImportMenu", "&Import", "", true},
    {"FileImportMenu", "FileImportFromWMAMenu", "From &WMA...", "", true},
    {"FileMenu", "FileExportMenu", "&Export", "", true},
    {"FileExportMenu", "FileExportToWmaMenu", "To &WMA...", "", true},
    {"FileExportMenu", "BatchExportMenu", "&Batch Export...", "", true},
    {"FileMenu", "FilePreferencesMenu", "&Preferences...", "", true},
    {"FileMenu", "FileExitMenu", "E&xit", "Ctrl+Q", true},
    {"EditMenu", "EditUndoMenu", "&Undo", "Ctrl+Z", true},
    {"EditMenu", "EditRedoMenu", "&Redo", "Ctrl+Y", true},
    {"EditMenu", "EditCutMenu", "Cu&t", "Ctrl+X", true},
    {"EditMenu", "EditCopyMenu", "&Copy", "Ctrl+C", true},
    {"EditMenu", "EditPasteMenu", "&Paste", "Ctrl+V", true},
    {"EditMenu", "EditClearMenu", "C&lear", "Del", true},
    {"EditMenu", "EditCropMenu", "Cr&op", "", true},
    {"EditMenu", "EditCutSelectionToFileMenu", "Cut Se&lection To File...", "", true},
    {"EditMenu", "EditCopySelectionToFileMenu", "Cop&y &Selection To File...", "", true},
    {"EditMenu", "EditSelectAllMenu", "Select &All", "Ctrl+A", true},
    {"EditMenu", "EditSelectNoneMenu", "Select &None", "", true},
    {"EditMenu", "EditMuteMenu", "&Mute...", "", true},
    {"EditMenu", "EditTrimSilenceMenu", "Trim Sil&ence...", "", true},
    {"EditMenu", "EditInsertSilenceMenu", "&Insert Silence...", "", true},
    {"EditMenu", "EditChangeFormatMenu", "Change &Format...", "", true},
    {"ViewMenu", "ViewZoomInMenu", "Zoom &In", "F2", true},
    {"ViewMenu", "ViewZoomOutMenu", "Zoom &Out", "F3", true},
    {"ViewMenu", "ViewZoomToSelectionMenu", "Zoom to &Selection", "F4", true},
    {"ViewMenu", "ViewZoomToExtentsMenu", "Zoom To E&xtents", "F5", true},
    {"ViewMenu", "ViewPositionDisplayMenu", "&Position Displays", "", true},
    {"ViewPositionDisplayMenu", "ViewPositionDisplayMinSecMenu", "&Minutes / Seconds", "", true},
    {"ViewPositionDisplayMenu", "ViewPositionDisplaySamplesMenu", "&Sample Number", "", true},
    {"ViewMenu", "ViewSetColorsMenu", "Set &Colors...", "", true},
    {"EffectsMenu", "SampleEffectMenuItem", "Sample Effect", "", false},
    {"ToolsMenu", "ScrublineMenu", "Noise Re&duction...", "", true},
    {"WindowMenu", "WindowEditMenu", "&Edit", "", true},
    {"HelpMenu", "HelpContentsMenu", "&Contents", "F1", true},
    {"HelpMenu", "HelpCheckForUpdatesMenu", "Check for &Updates...", "", false},
    {"HelpMenu", "HelpAboutMenu", "&About Sonthra...", "", true},
};

bool inAnyMenu(QAction* action) {
    for (QObject* owner : action->associatedObjects()) {
        if (qobject_cast<QMenu*>(owner) || qobject_cast<QMenuBar*>(owner)) return true;
    }
    return false;
}

}  // namespace

TEST_F(MainFormTest, WindowHasTitleNameAndTheMenuBarInOrder) {
    EXPECT_EQ(form.objectName(), "TMainForm");
    EXPECT_EQ(form.windowTitle(), "Sonthra");
    QStringList bar;
    for (QAction* a : form.menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, QStringList({"&File", "&Edit", "&View", "Effe&cts", "&Tools", "&Help"}));
    // Rip, Burn and the Window menu exist but are not on the bar.
    for (const char* hidden : {"RipMenu", "BurnMenu", "WindowMenu"}) {
        ASSERT_NE(form.Action(hidden), nullptr) << hidden;
        EXPECT_FALSE(inAnyMenu(form.Action(hidden))) << hidden;
    }
}

TEST_F(MainFormTest, EveryItemHasItsCaptionShortcutAndPlace) {
    for (const MenuRow& row : kMenuRows) {
        SCOPED_TRACE(row.name);
        QAction* action = form.Action(row.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), row.caption);
        EXPECT_EQ(action->shortcut(), QKeySequence(row.shortcut, QKeySequence::PortableText));
        ASSERT_NE(menu(row.menu), nullptr);
        EXPECT_EQ(menu(row.menu)->actions().contains(action), row.shown);
        if (!row.shown) {
            EXPECT_FALSE(inAnyMenu(action));
        }
    }
    // The hidden items are still the window's commands, so their shortcuts can act.
    EXPECT_TRUE(form.actions().contains(form.Action("HelpCheckForUpdatesMenu")));
}

TEST_F(MainFormTest, HiddenItemsKeepTheirShortcutsWhileEnabled) {
    showActive();
    struct Row {
        const char* name;
        Qt::Key key;
    };
    for (const Row& row : {Row{"songInfoMenu", Qt::Key_I}, Row{"FileSaveAsPodcastMenu", Qt::Key_P},
                           Row{"FileUploadPodcastMenu", Qt::Key_U}}) {
        SCOPED_TRACE(row.name);
        QAction* action = form.Action(row.name);
        QSignalSpy spy(action, &QAction::triggered);
        action->setEnabled(true);
        QTest::keyClick(&form, row.key, Qt::ControlModifier);
        EXPECT_EQ(spy.count(), 1);
        action->setEnabled(false);
        QTest::keyClick(&form, row.key, Qt::ControlModifier);
        EXPECT_EQ(spy.count(), 1);
    }
}

TEST_F(MainFormTest, NothingToDescribeOrUploadAtStartUp) {
    EXPECT_FALSE(enabled("songInfoMenu"));
    EXPECT_FALSE(enabled("FileUploadPodcastMenu"));
    EXPECT_TRUE(enabled("FileSaveAsPodcastMenu"));
    for (const char* hidden : {"songInfoButton", "PodcastInfoCoolButton", "RipButton", "BurnButton",
                               "DocumentButtonBar", "RecordingLabel"}) {
        EXPECT_TRUE(form.findChild<QWidget*>(hidden)->isHidden()) << hidden;
    }
    EXPECT_TRUE(form.findChild<QLabel*>("RecordingSourceLabel")->text().isEmpty());
}

// A source name longer than the label's fixed room can still be read whole in its tooltip.
TEST_F(MainFormTest, TheRecordingSourceReadsWholeInItsTooltip) {
    const QString name = "Monitor of a null output with a name far longer than its room";
    emit form.findChild<MixerPanel*>()->SourceShown(name);
    auto* label = form.findChild<QLabel*>("RecordingSourceLabel");
    EXPECT_EQ(label->text(), name);
    EXPECT_EQ(label->toolTip(), name);
}

TEST_F(MainFormTest, ZoomShortcutFollowsTheCommandState) {
    showActive();
    QSignalSpy spy(form.Action("ViewZoomInMenu"), &QAction::triggered);
    QTest::keyClick(&form, Qt::Key_F2);
    EXPECT_EQ(spy.count(), 0);  // no document
    form.SetCommandState(kStateDocumentLoaded);
    QTest::keyClick(&form, Qt::Key_F2);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(MainFormTest, SpacePlaysWhenStoppedAndStopsWhenRunning) {
    showActive();
    auto* play = form.findChild<QAbstractButton*>("PlayButton");
    auto* stop = form.findChild<QAbstractButton*>("StopButton");
    QSignalSpy played(play, &QAbstractButton::clicked);
    QSignalSpy stopped(stop, &QAbstractButton::clicked);
    QTest::keyClick(&form, Qt::Key_Space);  // no document: neither
    form.SetCommandState(kStateDocumentLoaded);
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_EQ(played.count(), 1);
    form.SetCommandState(kStatePlaying);
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(played.count(), 1);
}

namespace {

struct StateRow {
    int state;
    const char* command;
    bool on;
};

// What each state switches, as the command-state table describes it.
const StateRow kStateRows[] = {
    {1, "FileNewMenu", true},
    {1, "FileOpenMenu", true},
    {1, "FileSaveMenu", false},
    {1, "FileSaveAsMenu", false},
    {1, "FileExportMenu", false},
    {1, "FileCloseMenu", false},
    {1, "FileRevertMenu", false},
    {1, "BatchExportMenu", false},
    {1, "EditUndoMenu", false},
    {1, "EditRedoMenu", false},
    {1, "EditCutMenu", false},
    {1, "EditCopyMenu", false},
    {1, "EditPasteMenu", false},
    {1, "EditClearMenu", false},
    {1, "EditCropMenu", false},
    {1, "EditCutSelectionToFileMenu", false},
    {1, "EditCopySelectionToFileMenu", false},
    {1, "EditSelectAllMenu", false},
    {1, "EditSelectNoneMenu", false},
    {1, "EditMuteMenu", false},
    {1, "EditTrimSilenceMenu", false},
    {1, "EditChangeFormatMenu", false},
    {1, "EffectsMenu", false},
    {1, "EffectsButton1", false},
    {1, "EffectsButton5", false},
    {1, "MoreEffectsButton", false},
    {1, "ToolsMenu", false},
    {1, "ViewZoomInMenu", false},
    {1, "ViewZoomToExtentsMenu", false},
    {1, "ZoomInButton", false},
    {1, "ZoomToSelectionButton", false},
    {1, "PlayButton", false},
    {1, "PlayFromStartButton", false},
    {1, "SkipToStartButton", false},
    {1, "RewindButton", false},
    {1, "FastForwardButton", false},
    {1, "SkipToEndButton", false},
    {1, "StopButton", false},

    {2, "FileSaveMenu", true},
    {2, "FileSaveAsMenu", true},
    {2, "FileExportMenu", true},
    {2, "FileCloseMenu", true},
    {2, "EditInsertSilenceMenu", true},
    {2, "RecSettingsButton", true},
    {2, "BatchExportMenu", true},
    {2, "EffectsMenu", true},
    {2, "EffectsButton3", true},
    {2, "ToolsMenu", true},
    {2, "FileRevertMenu", false},
    {2, "EditUndoMenu", false},
    {2, "PlayButton", false},
    {2, "ViewZoomOutMenu", false},

    {3, "FileSaveMenu", false},
    {3, "FileCloseMenu", true},
    {3, "FileSaveAsMenu", true},
    {3, "FileExportMenu", true},
    {3, "BatchExportMenu", true},
    {3, "EditSelectAllMenu", true},
    {3, "EditSelectNoneMenu", true},
    {3, "EditMuteMenu", true},
    {3, "EditInsertSilenceMenu", true},
    {3, "EditTrimSilenceMenu", true},
    {3, "EditChangeFormatMenu", true},
    {3, "EditUndoMenu", false},
    {3, "EditRedoMenu", false},
    {3, "ViewZoomInMenu", true},
    {3, "ViewZoomToSelectionMenu", true},
    {3, "ZoomToExtentsButton", true},
    {3, "ViewSetColorsMenu", true},
    {3, "ViewPositionDisplayMenu", true},
    {3, "EffectsMenu", true},
    {3, "EffectsButton2", true},
    {3, "ToolsMenu", true},
    {3, "PlayButton", true},
    {3, "PlayFromStartButton", true},
    {3, "SkipToStartButton", true},
    {3, "SkipToEndButton", true},

    {4, "PlayButton", false},
    {4, "PlayFromStartButton", false},
    {4, "StopButton", true},
    {4, "RewindButton", true},
    {4, "FastForwardButton", true},
    {4, "SkipToStartButton", true},
    {4, "SkipToEndButton", true},
    {4, "StartStopRecordingButton", false},
    {4, "RecSettingsButton", false},
    {4, "FilePreferencesMenu", false},
    {4, "EditChangeFormatMenu", false},
    {4, "FileExportMenu", false},

    {5, "PlayButton", true},
    {5, "PlayFromStartButton", true},
    {5, "StopButton", false},
    {5, "RewindButton", false},
    {5, "FastForwardButton", false},
    {5, "SkipToStartButton", true},
    {5, "SkipToEndButton", true},
    {5, "StartStopRecordingButton", true},
    {5, "RecSettingsButton", true},
    {5, "FilePreferencesMenu", true},
    {5, "EditChangeFormatMenu", true},
    {5, "FileExportMenu", true},

    {6, "RecSettingsButton", false},
    {6, "FileNewMenu", false},
    {6, "FileOpenMenu", false},
    {6, "FileSaveMenu", false},
    {6, "FileSaveAsMenu", false},
    {6, "FileExportMenu", false},
    {6, "BatchExportMenu", false},
    {6, "PlayButton", false},
    {6, "PlayFromStartButton", false},
    {6, "SkipToStartButton", false},
    {6, "SkipToEndButton", false},
    {6, "StopButton", true},
    {6, "FilePreferencesMenu", false},
    {6, "EditChangeFormatMenu", false},

    {7, "RecSettingsButton", true},
    {7, "FileNewMenu", true},
    {7, "FileOpenMenu", true},
    {7, "FileSaveMenu", true},
    {7, "FileSaveAsMenu", true},
    {7, "BatchExportMenu", true},
    {7, "FileExportMenu", true},
    {7, "PlayButton", true},
    {7, "PlayFromStartButton", true},
    {7, "SkipToStartButton", true},
    {7, "SkipToEndButton", true},
    {7, "StopButton", false},
    {7, "FilePreferencesMenu", true},
    {7, "EditChangeFormatMenu", true},
    {7, "EditUndoMenu", false},
    {7, "EditSelectAllMenu", true},
    {7, "ZoomOutButton", true},

    {10, "EditCutMenu", true},
    {10, "EditCopyMenu", true},
    {10, "EditCropMenu", true},
    {10, "EditCutSelectionToFileMenu", true},
    {10, "EditCopySelectionToFileMenu", true},
    {10, "EditClearMenu", true},
    {11, "EditCutMenu", false},
    {11, "EditCopyMenu", false},
    {11, "EditCropMenu", false},
    {11, "EditCutSelectionToFileMenu", false},
    {11, "EditCopySelectionToFileMenu", false},
    {11, "EditClearMenu", false},

    {12, "FileSaveMenu", true},
    {12, "FileSaveAsMenu", true},
    {12, "FileExportMenu", true},
    {12, "FileCloseMenu", true},
    {12, "EditInsertSilenceMenu", true},
    {12, "RecSettingsButton", true},
    {12, "BatchExportMenu", true},
    {12, "EditUndoMenu", false},
    {12, "EditMuteMenu", true},
    {12, "PlayButton", true},
    {12, "ViewZoomInMenu", true},
};

}  // namespace

TEST_F(MainFormTest, StartsInTheNoDocumentState) {
    for (const StateRow& row : kStateRows) {
        if (row.state == 1) {
            EXPECT_EQ(enabled(row.command), row.on) << row.command;
        }
    }
    EXPECT_TRUE(form.findChild<QWidget*>("PauseButton")->isHidden());
    // A document-less window still offers what needs no document.
    EXPECT_TRUE(enabled("EditInsertSilenceMenu"));
    EXPECT_TRUE(enabled("FilePreferencesMenu"));
    EXPECT_TRUE(enabled("ViewSetColorsMenu"));
}

TEST_F(MainFormTest, EveryStateSwitchesItsCommands) {
    for (const StateRow& row : kStateRows) {
        SCOPED_TRACE(testing::Message() << "state " << row.state << " " << row.command);
        setEnabled(row.command, !row.on);
        form.SetCommandState(row.state);
        EXPECT_EQ(enabled(row.command), row.on);
    }
}

TEST_F(MainFormTest, StatesLeaveUntouchedWhatTheyDoNotName) {
    form.SetCommandState(kStateDocumentLoaded);
    setEnabled("PlayButton", false);
    setEnabled("FileRevertMenu", true);
    form.SetCommandState(kStateSelection);  // only the selection commands
    EXPECT_FALSE(enabled("PlayButton"));
    EXPECT_TRUE(enabled("FileRevertMenu"));
    form.SetCommandState(kStatePlaying);  // Revert is not the transport's business
    EXPECT_TRUE(enabled("FileRevertMenu"));
    for (int unknown : {0, 8, 9, 13, -1}) {
        form.SetCommandState(unknown);
        EXPECT_TRUE(enabled("FileRevertMenu"));
        EXPECT_TRUE(enabled("StopButton"));
    }
}

TEST_F(MainFormTest, EveryCommandOfTheStateTableExists) {
    for (const CommandState& state : CommandStates()) {
        for (const CommandSwitch& s : state.switches) {
            EXPECT_TRUE(form.Action(s.command) != nullptr ||
                        form.findChild<QWidget*>(s.command) != nullptr)
                << s.command;
        }
    }
}

TEST_F(MainFormTest, StatusBarHasSixPanelsEmptyAtStart) {
    for (int i = 0; i < TMainForm::kStatusPanels; ++i) {
        EXPECT_TRUE(form.StatusPanelText(i).isEmpty()) << i;
        EXPECT_NE(form.findChild<QLabel*>(QString("StatusPanel%1").arg(i + 1)), nullptr);
    }
    const StatusBarInfo info{"/music/a very long recording name.wav", 44100, 16, 1, 512, 125120};
    form.SetStatusBar(StatusBarTexts(info));
    const QStringList expected = {
        "a very long reco....", "44100 Hz", "16 Bit", "Mono", "1:512", "002:05:120"};
    for (int i = 0; i < TMainForm::kStatusPanels; ++i) {
        EXPECT_EQ(form.StatusPanelText(i), expected[i]);
    }
    form.BlankStatusBar();
    EXPECT_TRUE(form.StatusPanelText(0).isEmpty());
    EXPECT_TRUE(form.StatusPanelText(5).isEmpty());
}

TEST(StatusTexts, NamesLengthsAndTitles) {
    StatusBarInfo info{"/a/abcdefghijklmnopq", 8000, 8, 2, 1, 0};
    EXPECT_EQ(StatusBarTexts(info)[0], "abcdefghijklmnop....");
    info.fileName = "/a/abcdefghijklmnop";  // 16 characters stay whole
    EXPECT_EQ(StatusBarTexts(info)[0], "abcdefghijklmnop");
    EXPECT_EQ(StatusBarTexts(info)[3], "Stereo");
    EXPECT_EQ(StatusBarTexts(info)[5], "000:00:000");
    info.lengthMs = 60000000;  // a thousand minutes are not cut to three digits
    EXPECT_EQ(StatusBarTexts(info)[5], "1000:00:000");
    EXPECT_EQ(TitleText({}, false), "Sonthra");
    EXPECT_EQ(TitleText("/home/me/take 1.wav", false), "Sonthra: take 1.wav");
    EXPECT_EQ(TitleText("/home/me/take 1.wav", true), "Sonthra: take 1.wav (Read Only)");
    EXPECT_EQ(TitleText("/home/me/take 1.wav", false, true), "Sonthra: *take 1.wav");
}

TEST_F(MainFormTest, ConsoleControlsStartAsDesigned) {
    for (const char* name : {"RecordVolumeTrackBar", "RecordBalanceTrackBar",
                             "PlaybackVolumeTrackBar", "PlaybackBalanceTrackBar"}) {
        auto* slider = form.findChild<QAbstractSlider*>(name);
        ASSERT_NE(slider, nullptr) << name;
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 100);
        EXPECT_EQ(slider->value(), 50);
    }
    struct Readout {
        const char* name;
        const char* hint;
        int pixels;
        bool bold;
    };
    for (const Readout& r : {Readout{"PositionBox", "Current Cursor Position", 19, true},
                             Readout{"StartSelectionBox", "Start Selection Position", 15, false},
                             Readout{"EndSelectionBox", "End Selection Position", 15, false}}) {
        auto* label = form.findChild<QLabel*>(r.name);
        ASSERT_NE(label, nullptr) << r.name;
        EXPECT_EQ(label->text(), "000:00:000");
        EXPECT_EQ(label->toolTip(), r.hint);
        EXPECT_EQ(label->font().pixelSize(), r.pixels);
        EXPECT_EQ(label->font().bold(), r.bold);
    }
    for (const char* name : {"WaveformBase", "OverviewBase", "Scale", "LedRowLeft", "LedRowRight",
                             "LeftChannelClipping", "RightChannelClipping"}) {
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    }
    EXPECT_EQ(form.findChild<QWidget*>("LedRowLeft")->size(), QSize(12, 82));
    auto* more = form.findChild<QAbstractButton*>("MoreEffectsButton");
    EXPECT_EQ(more->text(), "More...");
    EXPECT_EQ(more->toolTip(), "Click here for more effects...");
    EXPECT_EQ(form.findChild<QAbstractButton*>("EffectsButton1")->toolTip(),
              "Apply Equalize Effect");
}

TEST_F(MainFormTest, PositionDisplayModeSwitchesTickAndEntryMasks) {
    EXPECT_EQ(form.View().DisplayMode(), PositionDisplayMode::Time);
    auto* edit = form.findChild<QLineEdit*>("PositionMaskEdit");
    EXPECT_TRUE(edit->isHidden());
    EXPECT_TRUE(edit->inputMask().isEmpty()) << "what is typed is not reshaped";
    form.Action("ViewPositionDisplaySamplesMenu")->trigger();
    EXPECT_EQ(form.View().DisplayMode(), PositionDisplayMode::Samples);
    EXPECT_FALSE(form.Action("ViewPositionDisplayMinSecMenu")->isChecked());
    form.Action("ViewPositionDisplayMinSecMenu")->trigger();
    EXPECT_EQ(form.View().DisplayMode(), PositionDisplayMode::Time);
    EXPECT_FALSE(form.Action("ViewPositionDisplaySamplesMenu")->isChecked());
}
