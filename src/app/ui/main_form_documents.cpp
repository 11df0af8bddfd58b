// The documents in the main window: the ruler, meters and overview link made once, the hooks
// that connect the document controller, the session and each document's parts (DocumentViews,
// document_views.h) to the window, peaks and overview of the current display, the recent files,
// the title, the status bar and the command states that follow a document.
#include <QAction>
#include <QBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include <algorithm>

#include "app/document_files.h"
#include "app/temp_names.h"
#include "app/ui/command_states.h"
#include "app/ui/document_views.h"
#include "app/ui/level_meters.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/media_controller.h"
#include "app/ui/podcast_controller.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/window_texts.h"
#include "controls/ui/rect_button.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "view/peak_file.h"
#include "view/ui/color_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/overview_link.h"
#include "wave/wave_probe.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kNoWholeFrame = 164;

// Puts `widget` where `placeholder` stands, with the placeholder's name, size rules and
// geometry, and removes the placeholder.
void replacePlaceholder(QWidget* placeholder, QWidget* widget) {
    widget->setObjectName(placeholder->objectName());
    widget->setMinimumSize(placeholder->minimumSize());
    widget->setMaximumSize(placeholder->maximumSize());
    widget->setSizePolicy(placeholder->sizePolicy());
    widget->setGeometry(placeholder->geometry());
    QWidget* parent = placeholder->parentWidget();
    if (parent != nullptr && parent->layout() != nullptr) {
        delete parent->layout()->replaceWidget(placeholder, widget);
    }
    delete placeholder;
}

}  // namespace

// The ruler exists once on the window and takes the place of its frame; the displays of the
// documents come and go with it.
void TMainForm::installViewWidgets() {
    auto* scale = new TLUM32Scale(this);
    replacePlaceholder(findChild<QWidget*>("Scale"), scale);
    m_scale = scale;
    m_overviewLink = new OverviewLink(this);
    m_overviewLink->setScale(m_scale);
    m_overviewLink->setOnZoomText([this](const QString& text) {
        if (m_documents.current() != nullptr) m_statusPanels[4]->setText(text);
    });
    DocumentViews::Hooks hooks;
    hooks.select = [this](std::uint32_t id) {
        m_docs->SelectDocument(m_documents.indexOfId(id), false);
    };
    hooks.close = [this](std::uint32_t id) {
        const int index = m_documents.indexOfId(id);
        if (index < 0) return;
        m_session.HoldBusy();
        m_docs->CloseDocument(index, true);
        m_parts->PlaceDocumentButtons();
        m_session.ReleaseBusy();
    };
    hooks.caretChanged = [this](QObject* sender) {
        m_view.WaveformBaseCaretPositionChange(sender);
    };
    hooks.selection = [this](QObject* sender, std::uint32_t start, std::uint32_t end) {
        m_view.WaveformBaseSelection(sender, start, end);
    };
    hooks.tempFolder = [this] { return m_session.TempFolder(); };
    m_parts =
        std::make_unique<DocumentViews>(*this, *m_menus.value("WindowMenu"), m_documents, *m_scale,
                                        *m_overviewLink, m_dialogs, std::move(hooks));
}

PodcastController& TMainForm::Podcast() {
    if (!m_podcast) {
        PodcastController::Hooks hooks;
        hooks.saveDocument = [this] { Action("FileSaveMenu")->trigger(); };
        hooks.refreshCommands = [this] { setCommandStateFromDocument(); };
        hooks.settings = [this] { return m_settings; };
        m_podcast = std::make_shared<PodcastController>(m_dialogs, m_session, this, hooks);
    }
    return *m_podcast;
}

// Everything the documents need from the window is connected here, once, at creation.
void TMainForm::initDocuments() {
    PreferencesController::Hooks preferences;
    preferences.applySkin = [this] { applySkin(); };
    preferences.stopPlayback = [this] { StopButtonClick(); };
    preferences.formatConfirmed = [this] { m_docs->RecordingFormatConfirmed(); };
    m_prefs = std::make_unique<PreferencesController>(m_dialogs, *this, m_session, *m_mixerPanel,
                                                      m_transport, std::move(preferences));
    m_docs =
        std::make_unique<DocumentController>(m_documentSurface, m_session, m_dialogs, m_transport);
    m_media = std::make_unique<MediaController>(m_dialogs, m_session, *m_docs, m_transport, this,
                                                [this](AudioDocument& document) {
                                                    m_documentSurface.ShowRenamed(document);
                                                    if (&document == m_documents.current())
                                                        updateDocumentDisplay();
                                                });
    installViewWidgets();
    m_playRecTimer = new QTimer(this);
    m_playRecTimer->setObjectName("PlayRecTimer");
    m_playRecTimer->setInterval(50);
    connect(m_playRecTimer, &QTimer::timeout, this, [this] { m_transport.PlayRecTimerTimer(); });
    connect(m_levelMeters, &LevelMeters::ClippingTimeout, this,
            [this] { m_transport.ClippingTimerTimer(); });

    connect(this, &TMainForm::OpenRequested, this,
            [this](const QString& path, bool unsaved) { m_docs->OpenRequested(path, unsaved); });
    connect(this, &TMainForm::RecentFileChosen, this,
            [this](int number) { m_docs->RecentFileChosen(number); });
    connect(this, &TMainForm::EngineNotification, this,
            [this](unsigned message, qintptr, qintptr) { m_transport.EngineNotice(message); });

    // Shutdown's own flag stays set through these steps, whatever they hold and release.
    m_shutdownSteps.stopTransport = [this] {
        const bool busy = m_busy.isSet();
        if (m_transport.IsPlaying()) m_transport.StopPlayback();
        if (m_transport.IsRecording()) m_transport.StopRecording();
        if (busy) m_busy.set();
    };
    m_shutdownSteps.closeDocuments = [this](CloseMode mode) {
        const bool busy = m_busy.isSet();
        const bool closed = m_docs->CloseDocuments(mode == CloseMode::KeepUnsaved);
        if (busy) m_busy.set();
        return closed;
    };
    m_shutdownSteps.stopLevelTest = [this] { m_transport.StopLevelTest(); };

    m_session.OnWorkingCopyReady = [this](AudioDocument& document, bool onlyIfUsersFile) {
        if (m_parts) m_parts->WorkingCopyReady(document, onlyIfUsersFile);
    };
    m_session.OnTitleChanged = [this] { updateTitle(); };
    m_session.OnRecentFilesChanged = [this] { RefreshRecentFilesMenu(); };
}

// The documents' displays, overviews, buttons and Window items: DocumentViews'.
RIZI32DaziVereruz* TMainForm::CurrentView() const {
    return m_parts ? m_parts->CurrentView() : nullptr;
}
TLUM32Overview* TMainForm::CurrentOverview() const {
    return m_parts ? m_parts->CurrentOverview() : nullptr;
}
void TMainForm::updateTitle() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) {
        SetDocumentTitle({}, false);
        return;
    }
    SetDocumentTitle(qs(document->fileName), document->workspace == WorkspaceState::ReadOnly,
                     NeedsSavePrompt(*document));
}

void TMainForm::updateDocumentDisplay() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) {
        BlankStatusBar();
        updateTitle();
        m_view.ShowViewPositions();
        return;
    }
    StatusBarInfo info;
    info.fileName = qs(document->fileName);
    info.sampleRate = document->sampleRate;
    info.bits = document->bitsPerSample;
    info.channels = document->channels;
    const RIZI32DaziVereruz* view = CurrentView();
    info.zoomLevel = view != nullptr ? view->ZoomLevel() : 0;
    info.lengthMs = document->lengthMs;
    SetStatusBar(StatusBarTexts(info));
    updateTitle();
    // A new recording takes its song information before its first save as well.
    setSongInfoCommands();
    m_view.ShowViewPositions();
}

void TMainForm::setSongInfoCommands() {
    const bool open = m_documents.current() != nullptr;
    Action("songInfoMenu")->setEnabled(open);
    findChild<QWidget*>("songInfoButton")->setEnabled(open);
}

// Save and Revert from the document's state; the selection commands follow the selection,
// Undo and Redo whether their files hold data, Paste the engine's clipboard.
void TMainForm::setCommandStateFromDocument() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    setPodcastCommands(*document);

    const SaveRevertCommands commands = SaveRevertFor(*document);
    setCommandEnabled("FileSaveMenu", commands.save);
    setCommandEnabled("FileRevertMenu", commands.revert);
    const RIZI32DaziVereruz* view = CurrentView();
    const bool selection = view != nullptr && view->SelectionStartPos() != view->SelectionEndPos();
    SetCommandState(selection ? kStateSelection : kStateNoSelection);
    m_edit->UndoRedoFromFiles();
    m_docs->PasteFromEngine();
}

void TMainForm::setPodcastCommands(const AudioDocument& document) {
    const bool podcast = document.podcastDescription;
    // Upload also takes a description file saved in an earlier session for a document that
    // has no podcast yet, so it is on for every open document.
    Action("FileUploadPodcastMenu")->setEnabled(true);
    findChild<QWidget*>("PodcastInfoCoolButton")->setEnabled(podcast);
    Action("FileSaveAsPodcastMenu")->setEnabled(!podcast);
}

void TMainForm::showNoDocument() {
    m_documents.setCurrent(-1);
    m_parts->ShowParts(nullptr);
    BlankStatusBar();
    m_view.ShowCaretPosition(0, sonthra::PositionMode::Samples);
    SetDocumentTitle({}, false);
    SetCommandState(kStateNoDocument);
    setSongInfoCommands();
}

void TMainForm::RefreshRecentFilesMenu() {
    if (m_settings == nullptr) return;
    QStringList entries;
    for (const std::string& entry : m_session.ReadRecentFiles()) entries << qs(entry);
    RebuildRecentFilesMenu(entries);
}

}  // namespace sonthra
