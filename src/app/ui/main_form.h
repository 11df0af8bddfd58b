// The main window: menus with their shortcuts, the waveform area, the transport and mixer
// console, the position read-outs and the status bar, the command states that switch
// commands on and off, the command-line handler and shutdown. The sequences are the
// controllers' (documents, editing, transport and recording, the view and read-outs, effects,
// tools, media, preferences, colours, podcasts); the window answers them through small adapters
// (window_*_surface.h), keeps each document's widgets in DocumentViews and wires each command to
// the handler of the same name on the controller that does its work. Every widget and every method
// here belongs to the GUI thread; call nothing from another thread (post to the window).
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <memory>

#include "app/transport_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/shutdown_steps.h"
#include "app/ui/view_controller.h"
#include "app/ui/window_colors.h"
#include "app/ui/window_controllers.h"
#include "app/ui/window_document_surface.h"
#include "app/ui/window_edit_surface.h"
#include "app/ui/window_transport_surface.h"
#include "app/ui/window_view_surface.h"

class QAction;
class QLabel;
class QMenu;
class QTimer;

namespace sonthra {

class ArgumentBlock;
class DocumentController;
class DocumentViews;
class EffectsController;
struct MixerSources;
class MediaController;
class MixerPanel;
class MixerApi;
class PodcastController;
class NXWavePlayer;
class Settings;
class TAboutForm;
class PreferencesController;
class UserDialogs;
class OverviewLink;
class RIZI32DaziVereruz;
class TLUM32Overview;
class TLUM32Scale;
class LevelMeters;

class TMainForm : public QMainWindow {
    Q_OBJECT
    // What the controllers ask of the window (window_*_surface.cpp).
    friend class WindowDocumentSurface;
    friend class WindowEditSurface;
    friend class WindowTransportSurface;
    friend class WindowViewSurface;

public:
    static constexpr int kStatusPanels = 6;

    // The window keeps a reference to dialogs; every message, file dialog, progress dialog and
    // browser call goes through it.
    explicit TMainForm(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- The controllers, each with the handlers of its commands under the product's names
    // (DocumentController::FileOpenMenuClick, EditController::EditCutMenuClick,
    // TransportController::PlayButtonClick, ViewController::ZoomInButtonClick, ...); the
    // window's own handlers are its slots.
    BusyFlag& Busy() { return m_session.Busy(); }
    DocumentSession& Session() { return m_session; }
    DocumentController& Files() { return *m_docs; }
    EditController& Edit() { return *m_edit; }
    TransportController& Transport() { return m_transport; }
    const TransportController& Transport() const { return m_transport; }
    ViewController& View() { return m_view; }
    ReadoutBar& Readouts() { return *m_readouts; }
    MediaController& Media() { return *m_media; }
    PreferencesController& Preferences() { return *m_prefs; }
    PodcastController& Podcast();
    EffectsController& Effects() { return *m_effects; }
    // What the feature controllers (effects, tools, crash recovery) work with.
    WindowControllers Controllers();

    // ---- Start-up (main_form_startup.cpp), in the order StartProgram runs these. The window
    // owns none of the three objects; they must outlive it. Without them (a window made on its
    // own) the preferences, mixer, slider and document commands do nothing. AttachAudio makes
    // the engine's and the mixer's notices reach the window as queued calls on the GUI thread,
    // turns the engine's own undo off and fills the shutdown steps storeRecordSource and
    // releaseMixer (SetShutdownSteps afterwards replaces them).
    void AttachAudio(NXWavePlayer& engine, MixerApi& mixer, Settings& settings);
    // Empties the record-source label, starts the mixer with the preferred devices and the
    // stored input source, shows what went wrong, shows the current source and reads the four
    // sliders back from the mixer.
    void PostCreate();
    // The input sources the mixer gave out and the one recorded from.
    const MixerSources& InputSources() const;

    // ---- The command line and shutdown. The program's arguments without the program name
    // are handled on the first show; PostCommandBlock queues CommandHandler on the GUI thread.
    void SetStartupArguments(const QStringList& args);
    void PostCommandBlock(const ArgumentBlock& block);
    // Applies the command-line rules and emits OpenRequested for each file, in order. Does
    // nothing while the busy flag is set; sets it for its own length.
    void CommandHandler(const ArgumentBlock& block);
    // Whether a second copy's request may be posted: the main window is visible.
    bool IsVisibleForHandOver() const;
    // Closes as File, Exit does, but asks nothing and deletes nothing the user has not saved.
    // While a modal window is open it waits for it to close first.
    void ShutdownWithoutAsking();
    void SetShutdownSteps(ShutdownSteps steps) { m_shutdownSteps = std::move(steps); }

    // ---- Commands, menus, status bar, title and colours.
    // Switches commands on and off for command states 1 to 7 and 10 to 12; another number
    // changes nothing.
    void SetCommandState(int state);
    // A command by the product's name for it ("FileOpenMenu", "EditUndoMenu"); menus are found
    // by their own names ("EffectsMenu"). Null for an unknown name.
    QAction* Action(const QString& objectName) const;
    void SetStatusBar(const QStringList& texts);
    void BlankStatusBar() { SetStatusBar({}); }
    QString StatusPanelText(int panel) const;
    void SetDocumentTitle(const QString& fileName, bool readOnly, bool unsaved = false);
    // Rebuilds the recent-files items after File, Exit from the stored entries, most recent
    // first (empty entries are skipped; their numbers are kept). Choosing one emits
    // RecentFileChosen with its number. RefreshRecentFilesMenu reads the settings store.
    void RebuildRecentFilesMenu(const QStringList& entries);
    void RefreshRecentFilesMenu();
    // The display colour scheme and its Set Colors window.
    WindowColors& Colors() { return m_colors; }

    // ---- Documents (Files() and Session() for their sequences).
    const DocumentList& Documents() const { return m_documents; }
    const AudioDocument* CurrentDocument() const { return m_documents.current(); }

    // ---- The current display (DocumentViews', which also builds and patches its peaks): its
    // display and overview, or null.
    RIZI32DaziVereruz* CurrentView() const;
    TLUM32Overview* CurrentOverview() const;
    // Gives the current display the focus when the window is visible and active.
    void FocusView();

    // The window's size change: the displays, the ruler and the read-outs follow.
    void FormResize();

signals:
    void OpenRequested(const QString& path, bool unsaved);
    void RecentFileChosen(int number);
    // A notice of the audio engine (0x465: playback ended by itself), on the GUI thread.
    void EngineNotification(unsigned message, qintptr wparam, qintptr lparam);

public slots:
    // The window's own handlers; the other commands are wired to their controllers.
    void FileExitMenuClick();
    void ViewPositionDisplayMinSecMenuClick();
    void ViewPositionDisplaySamplesMenuClick();
    void HelpContentsMenuClick();
    void HelpAboutMenuClick();
    // Stop ends a recording, or else the playback; recording needs the engine.
    void StopButtonClick();
    void StartStopRecordingButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // ---- Construction, by topic (main_form_menus.cpp, main_form_layout.cpp,
    // main_form_status.cpp, main_form_documents.cpp, main_form_edit.cpp).
    void buildMenus();
    void buildMenuEntries();
    QMenu* addMenu(QMenu* parent, const char* name, const char* title, bool shown);
    void buildCentralArea();
    QWidget* buildConsole();
    void buildStatusBar();
    void applyPanelColours();
    // Connects the menu item or button of this name to its handler (main_form_menus.cpp).
    void wireCommands();
    void onCommand(const char* name, std::function<void()> handler);
    void initDocuments();
    void initEditing();
    void installViewWidgets();

    // ---- The window's own work.
    void setCommandEnabled(const char* name, bool on);
    void setCommandVisible(const char* name, bool on);
    void setPositionDisplayMode(PositionDisplayMode mode);
    void positionDisplayChanged();
    void playOrStop();
    bool Shutdown(CloseMode mode);
    // The skin chosen in the Preferences, applied to the skinned controls and the window.
    void applySkin();
    void updateDocumentDisplay();
    void updateTitle();
    void setCommandStateFromDocument();
    // Save As Podcast, Upload Podcast and View Podcast Info from the document's podcast state.
    void setPodcastCommands(const AudioDocument& document);
    void setSongInfoCommands();
    void showNoDocument();
    void setEmptyViewText(const QString& text);

    // ---- Members, in the order they are made (and the reverse of their end).
    WindowEditSurface m_editSurface{*this};
    WindowDocumentSurface m_documentSurface{*this};
    WindowTransportSurface m_transportSurface{*this};
    WindowViewSurface m_viewSurface{*this};
    std::unique_ptr<EditController> m_edit;
    ReadoutBar* m_readouts = nullptr;
    UserDialogs& m_dialogs;
    DocumentSession m_session{m_dialogs, this};
    BusyFlag& m_busy = m_session.Busy();
    DocumentList& m_documents = m_session.Documents();
    ViewController m_view{m_viewSurface, m_documents};
    bool m_firstShow = true;
    bool m_shutDown = false;
    bool m_shuttingDown = false;
    QStringList m_startupArguments;
    ShutdownSteps m_shutdownSteps;

    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QList<QAction*> m_recentItems;
    QList<QLabel*> m_statusPanels;
    TAboutForm* m_aboutForm = nullptr;

    NXWavePlayer* m_engine = nullptr;
    MixerApi* m_mixer = nullptr;
    Settings* m_settings = nullptr;
    std::unique_ptr<PreferencesController> m_prefs;
    MixerPanel* m_mixerPanel = nullptr;
    std::unique_ptr<DocumentController> m_docs;
    std::unique_ptr<MediaController> m_media;
    std::shared_ptr<PodcastController> m_podcast;
    std::unique_ptr<DocumentViews> m_parts;
    TransportController m_transport;
    WindowColors m_colors;
    QTimer* m_playRecTimer = nullptr;
    TLUM32Scale* m_scale = nullptr;
    LevelMeters* m_levelMeters = nullptr;
    OverviewLink* m_overviewLink = nullptr;
    // Last, so that the plug-ins go before anything their windows could reach.
    std::unique_ptr<EffectsController> m_effects;
};

// Runs the start-up of the audio engine, the mixer and the settings windows on a newly made
// main window, in the program's order: AttachAudio, the hidden windows (Preferences, then the
// recording format window), PostCreate. main() and the start-up tests use it.
void StartProgram(TMainForm& form, NXWavePlayer& engine, MixerApi& mixer, Settings& settings);

}  // namespace sonthra
