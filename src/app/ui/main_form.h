// The main window: menus with their shortcuts, the waveform area, the transport and mixer
// console, the position read-outs and the status bar, the command states that switch
// commands on and off, the command-line handler and shutdown. Every widget and every method
// here belongs to the GUI thread; call nothing from another thread (post to the window).
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <functional>

#include "app/argument_block.h"
#include "app/busy_flag.h"
#include "engine/mixer_start.h"
#include "settings/ui/record_formats.h"
#include "settings/ui/settings_form_host.h"

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QSlider;

namespace sonthra {

class MixerApi;
class NXWavePlayer;
class Settings;
class TAboutForm;
class TPreferencesForm;
class TRecSettingsForm;
class UserDialogs;

enum class PositionDisplayMode { Time, Samples };

// How shutdown closes the documents: with the save prompt, or, when the system asks the
// program to end, without a question and without deleting anything the user has not saved.
enum class CloseMode { AskToSave, KeepUnsaved };

// The parts of shutdown that belong to other pieces of the program, run by Shutdown in this
// order. A step that is not set is skipped.
struct ShutdownSteps {
    std::function<void()> stopTransport;            // stop playback and recording
    std::function<bool(CloseMode)> closeDocuments;  // last to first; false: user cancelled
    std::function<void()> stopLevelTest;
    std::function<void()> storeColorScheme;
    std::function<void()> storeRecordSource;  // "Last Record Source Selected"
    std::function<void()> releaseMixer;       // deselect devices, free source list
    std::function<void()> stopEffectHost;     // after the effect items are removed
};

// What the six status bar panels show for a document.
struct StatusBarInfo {
    QString fileName;
    quint32 sampleRate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    quint32 zoomLevel = 0;
    quint32 lengthMs = 0;
};

// The six panel texts: the name without its folder (cut to 16 characters and "...."),
// "<rate> Hz", "<bits> Bit", "Mono" or "Stereo", "1:<zoom>", the length as "mmm:ss:mmm".
QStringList StatusBarTexts(const StatusBarInfo& info);

// The window title: the product caption, or the caption, ": " and the name without its folder,
// with " (Read Only)" for a read-only document.
QString TitleText(const QString& fileName, bool readOnly);

// A recent-files entry shortened to at most maxLength characters: the root and the file name
// stay, inner folders are replaced one at a time by "/.../" until the text fits.
QString ShortenMenuPath(const QString& path, int maxLength = 100);

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusPanels = 6;

    // The window keeps a reference to dialogs; every message, file dialog, progress dialog and
    // browser call goes through it.
    explicit TMainForm(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    BusyFlag& Busy() { return m_busy; }

    // The program's arguments without the program name; handled on the first show.
    void SetStartupArguments(const QStringList& args);
    // Queues CommandHandler(block) on the GUI thread.
    void PostCommandBlock(const ArgumentBlock& block);
    // Applies the command-line rules and emits OpenRequested for each file, in order. Does
    // nothing while the busy flag is set; sets it for its own length.
    void CommandHandler(const ArgumentBlock& block);
    // Whether a second copy's request may be posted: the main window is visible.
    bool IsVisibleForHandOver() const;

    // Switches commands on and off for command states 1 to 7 and 10 to 12; another number
    // changes nothing.
    void SetCommandState(int state);

    // Closes as File, Exit does, but asks nothing and deletes nothing the user has not saved.
    // While a modal window is open it waits for it to close first.
    void ShutdownWithoutAsking();
    void SetShutdownSteps(ShutdownSteps steps) { m_shutdownSteps = std::move(steps); }

    // A command by the product's name for it ("FileOpenMenu", "EditUndoMenu"); menus are found
    // by their own names ("EffectsMenu"). Null for an unknown name.
    QAction* Action(const QString& objectName) const;

    // Status bar and title.
    void SetStatusBar(const QStringList& texts);
    void BlankStatusBar() { SetStatusBar({}); }
    QString StatusPanelText(int panel) const;
    void SetDocumentTitle(const QString& fileName, bool readOnly);

    // Rebuilds the recent-files items after File, Exit from the stored entries, most recent
    // first (empty entries are skipped; their numbers are kept). Choosing one emits
    // RecentFileChosen with its number.
    void RebuildRecentFilesMenu(const QStringList& entries);

    // Appends an effect to the Effects menu and the "More..." popup with this caption and
    // returns the Effects menu item, whose identity is the effect's menu key.
    QAction* AddEffectMenuItem(const QString& caption);
    // Removes every item AddEffectMenuItem made.
    void FreeEffectMenuItems();
    QMenu* EffectsPopupMenu() const { return m_effectsPopup; }

    PositionDisplayMode PositionMode() const { return m_positionMode; }

    // Start-up (main_form_startup.cpp), in the order StartProgram runs these. The window owns
    // none of the three objects; they must outlive it. Without them (a window made on its own)
    // the preferences, mixer and slider commands do nothing.
    //
    // Creation step 5: the engine's and the mixer's notices reach the window as queued calls on
    // the GUI thread, and the engine's own undo is turned off. Also fills the shutdown steps
    // storeRecordSource and releaseMixer (SetShutdownSteps afterwards replaces them).
    void AttachAudio(NXWavePlayer& engine, MixerApi& mixer, Settings& settings);
    // Creates the hidden Preferences window, which reads the settings, checks the temporary
    // folder, hands it to the engine and selects the preferred devices.
    void CreatePreferencesForm();
    // Creates the hidden recording format window, probing the chosen recording device.
    void CreateRecSettingsForm();
    // The post-creation step: empties the record-source label, starts the mixer with the
    // preferred devices and the stored input source, shows what went wrong, shows the current
    // source and reads the four sliders back from the mixer.
    void PostCreate();

    TPreferencesForm* PreferencesForm() const { return m_preferences; }
    TRecSettingsForm* RecSettingsForm() const { return m_recSettings; }
    // The input sources the mixer gave out and the one recorded from.
    const MixerSources& InputSources() const { return m_sources; }
    // The format for the next recording or new document, as last confirmed in the recording
    // format window (44100 Hz, 16 bits, stereo without that window).
    RecordFormat RecordingFormat() const;
    // Message boxes and help pages for the settings windows, through this window's dialogs.
    SettingsFormHost FormHost();

signals:
    void OpenRequested(const QString& path, bool unsaved);
    void RecentFileChosen(int number);
    // A notice of the audio engine (0x465: playback ended by itself), on the GUI thread.
    void EngineNotification(unsigned message, qintptr wparam, qintptr lparam);

public slots:
    // File
    void FileNewMenuClick();
    void FileOpenMenuClick();
    void FileCloseMenuClick();
    void FileSaveMenuClick();  // Save and Save As: tell them apart by sender()
    void FileSaveAsPodcastClick();
    void FileUploadPodcastClick();
    void FileRevertMenuClick();
    void FileImportFromWMAMenuClick();
    void FileExportToWmaMenuClick();
    void BatchExportMenuClick();
    void songInfoMenuClick();
    void FilePreferencesMenuClick();
    void FileExitMenuClick();
    // Edit
    void EditUndoMenuClick();
    void EditRedoMenuClick();
    void EditCutMenuClick();
    void EditCopyMenuClick();
    void EditPasteMenuClick();
    void EditClearMenuClick();
    void EditCropMenuClick();
    void EditCutSelectionToFileMenuClick();
    void EditCopySelectionToFileMenuClick();
    void EditSelectAllMenuClick();
    void EditSelectNoneMenuClick();
    void EditMuteMenuClick();
    void EditTrimSilenceMenuClick();
    void EditInsertSilenceMenuClick();
    void EditChangeFormatMenuClick();
    // View and the zoom and scroll buttons
    void ViewZoomInMenuClick();
    void ZoomInButtonClick();
    void ZoomOutButtonClick();
    void ZoomToSelectionButtonClick();
    void ZoomToExtentsButtonClick();
    void WaveformLeftScrollButtonClick();
    void WaveformRightScrollButtonClick();
    void ViewPositionDisplayMinSecMenuClick();
    void ViewPositionDisplaySamplesMenuClick();
    void ViewSetColorsMenuClick();
    // Effects and tools
    void SampleEffectMenuItemClick(QAction* item);
    void SampleEffectsPopupMenuItemClick(QAction* popupItem);
    void CommonMenuClick(QAction* menuKey);
    void EffectsButton1Click();
    void EffectsButton2Click();
    void EffectsButton3Click();
    void EffectsButton4Click();
    void EffectsButton5Click();
    void MoreEffectsButtonClick();
    void ScrublineMenuClick();
    void songInfoButtonClick();
    void PodcastInfoCoolButtonClick();
    // Help
    void HelpContentsMenuClick();
    void HelpAboutMenuClick();
    // Transport, recording and mixer. The slider handlers run on a user action, before the
    // slider's value is updated: read sliderPosition().
    void PlayButtonClick();
    void PlayFromStartButtonClick();
    void StopButtonClick();
    void PauseButtonClick();
    void SkipToStartButtonClick();
    void SkipToEndButtonClick();
    void RewindButtonClick();
    void FastForwardButtonClick();
    void StartStopRecordingButtonClick();
    void RecSettingsButtonClick();
    void RecSourceButtonClick();
    void RecordVolumeTrackBarScroll();
    void RecordBalanceTrackBarScroll();
    void PlaybackVolumeTrackBarScroll();
    void PlaybackBalanceTrackBarScroll();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction, by topic (main_form_menus.cpp, main_form_layout.cpp,
    // main_form_status.cpp).
    void buildMenus();
    void buildMenuEntries();
    QMenu* addMenu(QMenu* parent, const char* name, const char* title, bool shown);
    void buildCentralArea();
    QWidget* buildToolStrip();
    QWidget* buildWaveformArea();
    QWidget* buildConsole();
    QWidget* buildMeters();
    QWidget* buildTransport();
    QWidget* buildReadouts();
    QWidget* buildMixer();
    void buildStatusBar();
    void applyPanelColours();
    QAbstractButton* addButton(const char* name, const QString& caption, const QString& hint,
                               void (TMainForm::*handler)());
    QSlider* addSlider(const char* name, Qt::Orientation orientation, void (TMainForm::*handler)());

    void setCommandEnabled(const char* name, bool on);
    void setCommandVisible(const char* name, bool on);
    void setPositionDisplayMode(PositionDisplayMode mode);
    void triggerFirstEffectContaining(const QStringList& texts);
    void playOrStop();
    bool Shutdown(CloseMode mode);

    // The mixer and the sliders (main_form_mixer.cpp).
    void MixerMessage(unsigned message, qintptr wparam, qintptr lparam);
    int mixerDeviceFor(bool input);
    void showMixerMessages(const std::vector<int>& messages);
    void showCurrentSource();
    void readBackPlaybackSliders();
    void readBackRecordSliders();
    void writePlaybackVolume(int volumePosition);
    void writePlaybackBalance(int balancePosition);
    void writeRecordVolume(int volumePosition);
    void writeRecordBalance(int balancePosition);
    void focusWaveform();
    void storeRecordSource();
    void releaseMixer();

    UserDialogs& m_dialogs;
    BusyFlag m_busy;
    bool m_firstShow = true;
    bool m_shutDown = false;
    bool m_shuttingDown = false;
    QStringList m_startupArguments;
    PositionDisplayMode m_positionMode = PositionDisplayMode::Time;
    ShutdownSteps m_shutdownSteps;

    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QMenu* m_effectsPopup = nullptr;
    QList<QAction*> m_effectItems;
    QList<QAction*> m_recentItems;
    QList<QLabel*> m_statusPanels;
    QList<QLineEdit*> m_maskEdits;
    TAboutForm* m_aboutForm = nullptr;

    NXWavePlayer* m_engine = nullptr;
    MixerApi* m_mixer = nullptr;
    Settings* m_settings = nullptr;
    TPreferencesForm* m_preferences = nullptr;
    TRecSettingsForm* m_recSettings = nullptr;
    MixerSources m_sources;
};

// Runs the start-up of the audio engine, the mixer and the settings windows on a newly made
// main window, in the program's order: AttachAudio, the hidden windows (Preferences, then the
// recording format window), PostCreate. main() and the start-up tests use it.
void StartProgram(TMainForm& form, NXWavePlayer& engine, MixerApi& mixer, Settings& settings);

// Message boxes and help pages for the settings windows through `dialogs`: errors as
// ShowMessage shows them, information boxes with an OK button.
SettingsFormHost DialogsFormHost(UserDialogs& dialogs);

}  // namespace sonthra
