// The menu bar of the main window, the recent-files items and the effect items.
//
// A "hidden" command is an action of the window that is not placed in its menu: Qt switches
// off an action's shortcut when the action itself is hidden, while these commands keep
// theirs (Ctrl+I, Ctrl+P, Ctrl+U) and they act whenever the command is enabled.
#include <QActionGroup>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include "app/ui/main_form.h"

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
    void (TMainForm::*handler)();
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

    m_effectsPopup = new QMenu(this);
    m_effectsPopup->setObjectName("EffectsPopupMenu");

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
        {"FileMenu", "FileNewMenu", "&New...", "Ctrl+N", kShown, &TMainForm::FileNewMenuClick},
        {"FileMenu", "FileOpenMenu", "&Open...", "Ctrl+O", kShown, &TMainForm::FileOpenMenuClick},
        {"FileMenu", "FileCloseMenu", "&Close", "Ctrl+W", kShown, &TMainForm::FileCloseMenuClick},
        {"FileMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"FileMenu", "FileSaveMenu", "&Save", "Ctrl+S", kShown, &TMainForm::FileSaveMenuClick},
        {"FileMenu", "FileSaveAsMenu", "Save &As...", "", kShown, &TMainForm::FileSaveMenuClick},
        {"FileMenu", "FileSaveAsPodcastMenu", "Save As &Podcast", "Ctrl+P", kHidden,
         &TMainForm::FileSaveAsPodcastClick},
        {"FileMenu", "FileUploadPodcastMenu", "&Upload Podcast", "Ctrl+U", kHidden,
         &TMainForm::FileUploadPodcastClick},
        {"FileMenu", "FileRevertMenu", "&Revert", "", kShown, &TMainForm::FileRevertMenuClick},
        {"FileMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"FileMenu", "FileImportMenu", "&Import", "", kSubmenu | kHidden, nullptr},
        {"FileImportMenu", "FileImportFromWMAMenu", "From &WMA..", "", kShown,
         &TMainForm::FileImportFromWMAMenuClick},
        {"FileMenu", "FileExportMenu", "&Export", "", kSubmenu | kHidden, nullptr},
        {"FileExportMenu", "FileExportToWmaMenu", "To &WMA...", "", kShown,
         &TMainForm::FileExportToWmaMenuClick},
        {"FileMenu", "BatchExportMenu", "&Batch Export", "", kHidden,
         &TMainForm::BatchExportMenuClick},
        {"FileMenu", "songInfoMenu", "Change Song &Information...", "Ctrl+I", kHidden,
         &TMainForm::songInfoMenuClick},
        {"FileMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"FileMenu", "FilePreferencesMenu", "&Preferences...", "", kShown,
         &TMainForm::FilePreferencesMenuClick},
        {"FileMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"FileMenu", "FileExitMenu", "E&xit", "Ctrl+Q", kShown, &TMainForm::FileExitMenuClick},

        {"EditMenu", "EditUndoMenu", "&Undo", "Ctrl+Z", kShown, &TMainForm::EditUndoMenuClick},
        {"EditMenu", "EditRedoMenu", "&Redo", "Ctrl+Y", kShown, &TMainForm::EditRedoMenuClick},
        {"EditMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"EditMenu", "EditCutMenu", "Cu&t", "Ctrl+X", kShown, &TMainForm::EditCutMenuClick},
        {"EditMenu", "EditCopyMenu", "&Copy", "Ctrl+C", kShown, &TMainForm::EditCopyMenuClick},
        {"EditMenu", "EditPasteMenu", "&Paste", "Ctrl+V", kShown, &TMainForm::EditPasteMenuClick},
        {"EditMenu", "EditClearMenu", "C&lear", "Del", kShown, &TMainForm::EditClearMenuClick},
        {"EditMenu", "EditCropMenu", "Cr&op", "", kShown, &TMainForm::EditCropMenuClick},
        {"EditMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"EditMenu", "EditCutSelectionToFileMenu", "Cut Se&lection To File...", "", kShown,
         &TMainForm::EditCutSelectionToFileMenuClick},
        {"EditMenu", "EditCopySelectionToFileMenu", "Cop&y &Selection To File...", "", kShown,
         &TMainForm::EditCopySelectionToFileMenuClick},
        {"EditMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"EditMenu", "EditSelectAllMenu", "Select &All", "Ctrl+A", kShown,
         &TMainForm::EditSelectAllMenuClick},
        {"EditMenu", "EditSelectNoneMenu", "Select &None", "", kShown,
         &TMainForm::EditSelectNoneMenuClick},
        {"EditMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"EditMenu", "EditMuteMenu", "&Mute...", "", kShown, &TMainForm::EditMuteMenuClick},
        {"EditMenu", "EditTrimSilenceMenu", "Trim Sil&ence...", "", kShown,
         &TMainForm::EditTrimSilenceMenuClick},
        {"EditMenu", "EditInsertSilenceMenu", "&Insert Silence...", "", kShown,
         &TMainForm::EditInsertSilenceMenuClick},
        {"EditMenu", "EditChangeFormatMenu", "Change &Format...", "", kShown,
         &TMainForm::EditChangeFormatMenuClick},

        {"ViewMenu", "ViewZoomInMenu", "Zoom &In", "F2", kShown, &TMainForm::ViewZoomInMenuClick},
        {"ViewMenu", "ViewZoomOutMenu", "Zoom &Out", "F3", kShown, &TMainForm::ZoomOutButtonClick},
        {"ViewMenu", "ViewZoomToSelectionMenu", "Zoom to &Selection", "F4", kShown,
         &TMainForm::ZoomToSelectionButtonClick},
        {"ViewMenu", "ViewZoomToExtentsMenu", "Zoom To E&xtents", "F5", kShown,
         &TMainForm::ZoomToExtentsButtonClick},
        {"ViewMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"ViewMenu", "ViewPositionDisplayMenu", "&Position Displays", "", kSubmenu, nullptr},
        {"ViewPositionDisplayMenu", "ViewPositionDisplayMinSecMenu", "&Minutes / Seconds", "",
         kRadio | kChecked, &TMainForm::ViewPositionDisplayMinSecMenuClick},
        {"ViewPositionDisplayMenu", "ViewPositionDisplaySamplesMenu", "&Sample Number", "", kRadio,
         &TMainForm::ViewPositionDisplaySamplesMenuClick},
        {"ViewMenu", "ViewSetColorsMenu", "Set &Colors...", "", kShown,
         &TMainForm::ViewSetColorsMenuClick},

        // The template item stands for the effects; the plug-ins' items follow it.
        {"EffectsMenu", "SampleEffectMenuItem", "Sample Effect", "", kHidden, nullptr},

        {"ToolsMenu", "ScrublineMenu", "&Scrubline...", "", kShown, &TMainForm::ScrublineMenuClick},
        {"ToolsMenu", "OverdubMenu", "&Overdub...", "", kHidden, nullptr},
        {"ToolsMenu", "VoIPRecordingMenu", "&VoIP Recording...", "", kHidden, nullptr},
        {"ToolsMenu", "VocalReducerMenu", "Vocal &Reducer...", "", kHidden, nullptr},
        {"ToolsMenu", "TrackSplitterMenu", "&Track Splitter...", "", kHidden, nullptr},

        {"WindowMenu", "WindowRipMenu", "&Rip", "", kHidden, nullptr},
        {"WindowMenu", "WindowEditMenu", "&Edit", "", kCheckable, nullptr},
        {"WindowMenu", "WindowBurnMenu", "&Burn", "", kHidden, nullptr},
        {"WindowMenu", nullptr, nullptr, "", kSeparator, nullptr},

        {"HelpMenu", "HelpContentsMenu", "&Contents", "F1", kShown,
         &TMainForm::HelpContentsMenuClick},
        {"HelpMenu", "HelpCheckForUpdatesMenu", "Check for &Updates...", "", kHidden, nullptr},
        {"HelpMenu", nullptr, nullptr, "", kSeparator, nullptr},
        {"HelpMenu", "HelpAboutMenu", "&About Sonthra...", "", kShown,
         &TMainForm::HelpAboutMenuClick},
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
        if (e.handler != nullptr) connect(action, &QAction::triggered, this, e.handler);
        m_actions.insert(action->objectName(), action);
    }
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

QAction* TMainForm::AddEffectMenuItem(const QString& caption) {
    auto* item = m_menus.value("EffectsMenu")->addAction(caption);
    connect(item, &QAction::triggered, this, [this, item] { SampleEffectMenuItemClick(item); });
    QAction* popupItem = m_effectsPopup->addAction(caption);
    // The twin names its item itself: two effects of one caption each run their own.
    popupItem->setData(QVariant::fromValue(static_cast<QObject*>(item)));
    connect(popupItem, &QAction::triggered, this,
            [this, popupItem] { SampleEffectsPopupMenuItemClick(popupItem); });
    m_effectItems.append(item);
    return item;
}

void TMainForm::FreeEffectMenuItems() {
    qDeleteAll(m_effectItems);
    m_effectItems.clear();
    m_effectsPopup->clear();
}

// Busy for the effect's length; a flag that was already set (playback holds it from start to
// stop) stays set afterwards.
void TMainForm::SampleEffectMenuItemClick(QAction* item) {
    const bool wasBusy = m_busy.isSet();
    m_busy.set();
    CommonMenuClick(item);
    if (!wasBusy) m_busy.clear();
}

void TMainForm::SampleEffectsPopupMenuItemClick(QAction* popupItem) {
    auto* item = qobject_cast<QAction*>(popupItem->data().value<QObject*>());
    if (item != nullptr && m_effectItems.contains(item)) item->trigger();
}

void TMainForm::MoreEffectsButtonClick() {
    auto* button = findChild<QWidget*>("MoreEffectsButton");
    m_effectsPopup->popup(button->mapToGlobal(QPoint(0, button->height())));
}

}  // namespace sonthra
