// The menu bar of the main window, its commands wired to their handlers, and the recent-files
// items.
//
// A "hidden" command is an action of the window that is not placed in its menu: Qt switches
// off an action's shortcut when the action itself is hidden, while these commands keep
// theirs and they act whenever the command is enabled.
#include <QAbstractButton>
#include <QActionGroup>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/media_controller.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/podcast_controller.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/tools_controller.h"
#include "app/ui/window_texts.h"

namespace sonthra {

namespace {

enum EntryFlag : unsigned {
    kShown = 0,
    kHidden = 1u << 0,
    kCheckable = 1u << 1,
    kChecked = 1u << 2,
    kRadio = 1u << 3,
    kSubmenu = 1u << 4,  // `name` is a submenu titled `caption`
    kSeparator = 1u << 5,
};

struct MenuEntry {
    const char* menu;      // the menu the entry belongs to
    const char* name;      // the product's name of the command
    const char* caption;   // with its & accelerator
    const char* shortcut;  // portable key text, "" for none
    unsigned flags;
};

}  // namespace

QMenu* TMainForm::addMenu(QMenu* parent, const char* name, const char* title, bool shown) {
    auto* menu = new QMenu(QString::fromUtf8(title), this);
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    if (shown) {
        if (parent != nullptr) {
            parent->addMenu(menu);
        } else {
            menuBar()->addMenu(menu);
        }
    } else {
        addAction(menu->menuAction());
    }
    m_menus.insert(menu->objectName(), menu);
    m_actions.insert(menu->objectName(), menu->menuAction());
    return menu;
}

void TMainForm::buildMenus() {
    // The bar, in order; Rip, Burn and the Window menu are not offered by this build.
    addMenu(nullptr, "FileMenu", "&File", true);
    addMenu(nullptr, "EditMenu", "&Edit", true);
    addMenu(nullptr, "ViewMenu", "&View", true);
    addMenu(nullptr, "EffectsMenu", "Effe&cts", true);
    addMenu(nullptr, "ToolsMenu", "&Tools", true);
    addMenu(nullptr, "RipMenu", "&Rip", false);
    addMenu(nullptr, "BurnMenu", "&Burn", false);
    addMenu(nullptr, "WindowMenu", "&Window", false);
    addMenu(nullptr, "HelpMenu", "&Help", true);
    buildMenuEntries();

    auto* positionGroup = new QActionGroup(this);
    positionGroup->addAction(m_actions.value("ViewPositionDisplayMinSecMenu"));
    positionGroup->addAction(m_actions.value("ViewPositionDisplaySamplesMenu"));

    // Space plays and stops, as in every audio editor.
    auto* playStop = new QAction(this);
    playStop->setObjectName("PlayStopShortcut");
    playStop->setShortcut(Qt::Key_Space);
    connect(playStop, &QAction::triggered, this, &TMainForm::playOrStop);
    addAction(playStop);
}

void TMainForm::buildMenuEntries() {
    static const MenuEntry kEntries[] = {
        {"FileMenu", "FileNewMenu", "&New...", "Ctrl+N", kShown},
        {"FileMenu", "FileOpenMenu", "&Open...", "Ctrl+O", kShown},
        {"FileMenu", "FileCloseMenu", "&Close", "Ctrl+W", kShown},
        {"FileMenu", nullptr, nullptr, "", kSeparator},
        {"FileMenu", "FileSaveMenu", "&Save", "Ctrl+S", kShown},
        {"FileMenu", "FileSaveAsMenu", "Save &As...", "", kShown},
        {"FileMenu", "FileRevertMenu", "&Revert", "", kShown},
        {"FileMenu", nullptr, nullptr, "", kSeparator},
        {"FileMenu", "songInfoMenu", "Song &Information...", "Ctrl+I", kShown},
        {"FileMenu", "FileSaveAsPodcastMenu", "Save As &Podcast...", "Ctrl+P", kShown},
        {"FileMenu", "FileUploadPodcastMenu", "&Upload Podcast...", "Ctrl+U", kShown},
        {"FileMenu", nullptr, nullptr, "", kSeparator},
        {"FileMenu", "FileImportMenu", "&Import", "", kSubmenu},
        {"FileImportMenu", "FileImportFromWMAMenu", "From &WMA...", "", kShown},
        {"FileMenu", "FileExportMenu", "&Export", "", kSubmenu},
        {"FileExportMenu", "FileExportToWmaMenu", "To &WMA...", "", kShown},
        {"FileExportMenu", "BatchExportMenu", "&Batch Export...", "", kShown},
        {"FileMenu", nullptr, nullptr, "", kSeparator},
        {"FileMenu", "FilePreferencesMenu", "&Preferences...", "", kShown},
        {"FileMenu", nullptr, nullptr, "", kSeparator},
        {"FileMenu", "FileExitMenu", "E&xit", "Ctrl+Q", kShown},

        {"EditMenu", "EditUndoMenu", "&Undo", "Ctrl+Z", kShown},
        {"EditMenu", "EditRedoMenu", "&Redo", "Ctrl+Y", kShown},
        {"EditMenu", nullptr, nullptr, "", kSeparator},
        {"EditMenu", "EditCutMenu", "Cu&t", "Ctrl+X", kShown},
        {"EditMenu", "EditCopyMenu", "&Copy", "Ctrl+C", kShown},
        {"EditMenu", "EditPasteMenu", "&Paste", "Ctrl+V", kShown},
        {"EditMenu", "EditClearMenu", "C&lear", "Del", kShown},
        {"EditMenu", "EditCropMenu", "Cr&op", "", kShown},
        {"EditMenu", nullptr, nullptr, "", kSeparator},
        {"EditMenu", "EditCutSelectionToFileMenu", "Cut Se&lection To File...", "", kShown},
        {"EditMenu", "EditCopySelectionToFileMenu", "Cop&y &Selection To File...", "", kShown},
        {"EditMenu", nullptr, nullptr, "", kSeparator},
        {"EditMenu", "EditSelectAllMenu", "Select &All", "Ctrl+A", kShown},
        {"EditMenu", "EditSelectNoneMenu", "Select &None", "", kShown},
        {"EditMenu", nullptr, nullptr, "", kSeparator},
        {"EditMenu", "EditMuteMenu", "&Mute...", "", kShown},
        {"EditMenu", "EditTrimSilenceMenu", "Trim Sil&ence...", "", kShown},
        {"EditMenu", "EditInsertSilenceMenu", "&Insert Silence...", "", kShown},
        {"EditMenu", "EditChangeFormatMenu", "Change &Format...", "", kShown},

        {"ViewMenu", "ViewZoomInMenu", "Zoom &In", "F2", kShown},
        {"ViewMenu", "ViewZoomOutMenu", "Zoom &Out", "F3", kShown},
        {"ViewMenu", "ViewZoomToSelectionMenu", "Zoom to &Selection", "F4", kShown},
        {"ViewMenu", "ViewZoomToExtentsMenu", "Zoom To E&xtents", "F5", kShown},
        {"ViewMenu", nullptr, nullptr, "", kSeparator},
        {"ViewMenu", "ViewPositionDisplayMenu", "&Position Displays", "", kSubmenu},
        {"ViewPositionDisplayMenu", "ViewPositionDisplayMinSecMenu", "&Minutes / Seconds", "",
         kRadio | kChecked},
        {"ViewPositionDisplayMenu", "ViewPositionDisplaySamplesMenu", "&Sample Number", "", kRadio},
        {"ViewMenu", "ViewSetColorsMenu", "Set &Colors...", "", kShown},

        // The template item stands for the effects; the plug-ins' items follow it.
        {"EffectsMenu", "SampleEffectMenuItem", "Sample Effect", "", kHidden},

        {"ToolsMenu", "ScrublineMenu", "Noise Re&duction...", "", kShown},
        {"ToolsMenu", "OverdubMenu", "&Overdub...", "", kHidden},
        {"ToolsMenu", "VoIPRecordingMenu", "&VoIP Recording...", "", kHidden},
        {"ToolsMenu", "VocalReducerMenu", "Vocal &Reducer...", "", kHidden},
        {"ToolsMenu", "TrackSplitterMenu", "&Track Splitter...", "", kHidden},

        {"WindowMenu", "WindowRipMenu", "&Rip", "", kHidden},
        {"WindowMenu", "WindowEditMenu", "&Edit", "", kCheckable},
        {"WindowMenu", "WindowBurnMenu", "&Burn", "", kHidden},
        {"WindowMenu", nullptr, nullptr, "", kSeparator},

        {"HelpMenu", "HelpContentsMenu", "&Contents", "F1", kShown},
        {"HelpMenu", "HelpCheckForUpdatesMenu", "Check for &Updates...", "", kHidden},
        {"HelpMenu", nullptr, nullptr, "", kSeparator},
        {"HelpMenu", "HelpAboutMenu", "&About Sonthra...", "", kShown},
    };

    for (const MenuEntry& e : kEntries) {
        QMenu* menu = m_menus.value(QString::fromUtf8(e.menu));
        if ((e.flags & kSeparator) != 0) {
            menu->addSeparator();
            continue;
        }
        if ((e.flags & kSubmenu) != 0) {
            addMenu(menu, e.name, e.caption, (e.flags & kHidden) == 0);
            continue;
        }
        auto* action = new QAction(QString::fromUtf8(e.caption), this);
        action->setObjectName(QString::fromUtf8(e.name));
        action->setShortcut(
            QKeySequence(QString::fromUtf8(e.shortcut), QKeySequence::PortableText));
        action->setCheckable((e.flags & (kCheckable | kRadio)) != 0);
        action->setChecked((e.flags & kChecked) != 0);
        if ((e.flags & kHidden) != 0) {
            addAction(action);
        } else {
            menu->addAction(action);
        }
        m_actions.insert(action->objectName(), action);
    }
}

void TMainForm::onCommand(const char* name, std::function<void()> handler) {
    if (QAction* action = m_actions.value(QString::fromUtf8(name))) {
        connect(action, &QAction::triggered, this, [handler] { handler(); });
    } else if (auto* button = findChild<QAbstractButton*>(QString::fromUtf8(name))) {
        connect(button, &QAbstractButton::clicked, this, [handler] { handler(); });
    } else {
        // A name without its menu item or button: every window made would lack a command.
        qFatal("No command named %s", name);
    }
}

// Every command to the handler of its name: the controller's where the controller does the
// work, the window's own otherwise.
void TMainForm::wireCommands() {
    DocumentController& files = *m_docs;
    onCommand("FileNewMenu", [&files] { files.FileNewMenuClick(); });
    onCommand("FileOpenMenu", [&files] { files.FileOpenMenuClick(); });
    onCommand("FileCloseMenu", [&files] { files.FileCloseMenuClick(); });
    onCommand("FileSaveMenu", [&files] { files.FileSaveMenuClick(1); });
    onCommand("FileSaveAsMenu", [&files] { files.FileSaveMenuClick(2); });
    onCommand("FileRevertMenu", [&files] { files.FileRevertMenuClick(); });
    onCommand("FileImportFromWMAMenu", [&files] { files.FileImportFromWMAMenuClick(); });
    onCommand("FileSaveAsPodcastMenu", [this] { Podcast().FileSaveAsPodcastClick(); });
    onCommand("FileUploadPodcastMenu", [this] { Podcast().FileUploadPodcastClick(); });
    onCommand("PodcastInfoCoolButton", [this] { Podcast().PodcastInfoCoolButtonClick(); });
    MediaController& media = *m_media;
    onCommand("FileExportToWmaMenu", [&media] { media.FileExportToWmaMenuClick(); });
    onCommand("BatchExportMenu", [&media] { media.BatchExportMenuClick(); });
    onCommand("songInfoMenu", [&media] { media.songInfoMenuClick(); });
    onCommand("songInfoButton", [&media] { media.songInfoButtonClick(); });
    onCommand("FilePreferencesMenu", [this] { m_prefs->FilePreferencesMenuClick(); });
    onCommand("FileExitMenu", [this] { FileExitMenuClick(); });

    EditController& edit = *m_edit;
    onCommand("EditUndoMenu", [&edit] { edit.EditUndoMenuClick(); });
    onCommand("EditRedoMenu", [&edit] { edit.EditRedoMenuClick(); });
    onCommand("EditCutMenu", [&edit] { edit.EditCutMenuClick(); });
    onCommand("EditCopyMenu", [&edit] { edit.EditCopyMenuClick(); });
    onCommand("EditPasteMenu", [&edit] { edit.EditPasteMenuClick(); });
    onCommand("EditClearMenu", [&edit] { edit.EditClearMenuClick(); });
    onCommand("EditCropMenu", [&edit] { edit.EditCropMenuClick(); });
    onCommand("EditCutSelectionToFileMenu", [&edit] { edit.EditCutSelectionToFileMenuClick(); });
    onCommand("EditCopySelectionToFileMenu", [&edit] { edit.EditCopySelectionToFileMenuClick(); });
    // The tools of the Edit menu: a tools controller for each command's length.
    auto tool = [this](int (ToolsController::*click)()) {
        return [this, click] { (ToolsController(Controllers(), m_dialogs, m_settings).*click)(); };
    };
    onCommand("EditMuteMenu", tool(&ToolsController::EditMuteMenuClick));
    onCommand("EditTrimSilenceMenu", tool(&ToolsController::EditTrimSilenceMenuClick));
    onCommand("EditInsertSilenceMenu", tool(&ToolsController::EditInsertSilenceMenuClick));
    onCommand("EditChangeFormatMenu", tool(&ToolsController::EditChangeFormatMenuClick));

    ViewController& view = m_view;
    onCommand("EditSelectAllMenu", [&view] { view.EditSelectAllMenuClick(); });
    onCommand("EditSelectNoneMenu", [&view] { view.EditSelectNoneMenuClick(); });
    onCommand("ViewZoomInMenu", [&view] { view.ViewZoomInMenuClick(); });
    onCommand("ZoomInButton", [&view] { view.ZoomInButtonClick(); });
    onCommand("ViewZoomOutMenu", [&view] { view.ZoomOutButtonClick(); });
    onCommand("ZoomOutButton", [&view] { view.ZoomOutButtonClick(); });
    onCommand("ViewZoomToSelectionMenu", [&view] { view.ZoomToSelectionButtonClick(); });
    onCommand("ZoomToSelectionButton", [&view] { view.ZoomToSelectionButtonClick(); });
    onCommand("ViewZoomToExtentsMenu", [&view] { view.ZoomToExtentsButtonClick(); });
    onCommand("ZoomToExtentsButton", [&view] { view.ZoomToExtentsButtonClick(); });
    onCommand("WaveformLeftScrollButton", [&view] { view.WaveformLeftScrollButtonClick(); });
    onCommand("WaveformRightScrollButton", [&view] { view.WaveformRightScrollButtonClick(); });
    onCommand("ViewPositionDisplayMinSecMenu", [this] { ViewPositionDisplayMinSecMenuClick(); });
    onCommand("ViewPositionDisplaySamplesMenu", [this] { ViewPositionDisplaySamplesMenuClick(); });
    onCommand("ViewSetColorsMenu", [this] { m_colors.ViewSetColorsMenuClick(); });

    EffectsController& effects = *m_effects;
    onCommand("EffectsButton1", [&effects] { effects.EffectsButton1Click(); });
    onCommand("EffectsButton2", [&effects] { effects.EffectsButton2Click(); });
    onCommand("EffectsButton3", [&effects] { effects.EffectsButton3Click(); });
    onCommand("EffectsButton4", [&effects] { effects.EffectsButton4Click(); });
    onCommand("EffectsButton5", [&effects] { effects.EffectsButton5Click(); });
    onCommand("ScrublineMenu", [&effects] { effects.ScrublineMenuClick(); });
    onCommand("MoreEffectsButton", [&effects] { effects.MoreEffectsButtonClick(); });
    onCommand("HelpContentsMenu", [this] { HelpContentsMenuClick(); });
    onCommand("HelpAboutMenu", [this] { HelpAboutMenuClick(); });

    TransportController& transport = m_transport;
    onCommand("SkipToStartButton", [&transport] { transport.SkipToStartButtonClick(); });
    onCommand("RewindButton", [&transport] { transport.RewindButtonClick(); });
    onCommand("PlayButton", [&transport] { transport.PlayButtonClick(); });
    onCommand("PauseButton", [&transport] { transport.PauseButtonClick(); });
    onCommand("PlayFromStartButton", [&transport] { transport.PlayFromStartButtonClick(); });
    onCommand("FastForwardButton", [&transport] { transport.FastForwardButtonClick(); });
    onCommand("SkipToEndButton", [&transport] { transport.SkipToEndButtonClick(); });
    onCommand("StopButton", [this] { StopButtonClick(); });
    onCommand("StartStopRecordingButton", [this] { StartStopRecordingButtonClick(); });
    onCommand("RecSettingsButton", [this] { m_prefs->RecSettingsButtonClick(); });
    MixerPanel& mixer = *m_mixerPanel;
    onCommand("RecSourceButton", [&mixer] { mixer.RecSourceButtonClick(); });
}

QAction* TMainForm::Action(const QString& objectName) const {
    return m_actions.value(objectName, nullptr);
}

void TMainForm::RebuildRecentFilesMenu(const QStringList& entries) {
    qDeleteAll(m_recentItems);
    m_recentItems.clear();
    QMenu* file = m_menus.value("FileMenu");
    if (!entries.isEmpty() && !entries.first().isEmpty()) {
        m_recentItems.append(file->addSeparator());
    }
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].isEmpty()) continue;
        // A "&" in a path is part of the name, not an accelerator.
        QString shown = ShortenMenuPath(entries[i]);
        shown.replace('&', "&&");
        QAction* item = file->addAction(QString("&%1 %2").arg(i + 1).arg(shown));
        item->setObjectName(QString("RecentFileMenu%1").arg(i));
        connect(item, &QAction::triggered, this, [this, i] { emit RecentFileChosen(i); });
        m_recentItems.append(item);
    }
}

}  // namespace sonthra
