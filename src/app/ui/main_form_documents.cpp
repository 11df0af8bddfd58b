// The documents of the main window: the list and its one-document rule, the parts each
// document owns, selecting and closing with the save prompt, the workspace copy and its
// completion, ensuring the working copy, the recent files, the title, the status bar and the
// command states that follow a document.
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
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
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

// The box layout that holds widget, searched from layout down.
QBoxLayout* boxHolding(QLayout* layout, QWidget* widget) {
    if (layout == nullptr) return nullptr;
    if (layout->indexOf(widget) >= 0) return qobject_cast<QBoxLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout* inner = boxHolding(layout->itemAt(i)->layout(), widget)) return inner;
    }
    return nullptr;
}

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

// A document's button in the skin's look: its page picture, then its file name, cut with "..."
// when too long (the whole name is the hint). Down (checked, for screen readers) marks the
// current document, which the window sets; a click selects.
TLUM32RectBtnEx* makeDocumentButton(QWidget* bar, const QString& caption) {
    auto* button = new TLUM32RectBtnEx(bar);
    button->setObjectName("DocumentButton");
    button->setCheckable(true);
    button->setSkinLook("docbutton");
    button->setDrawBorder(true);
    button->setBorderWidth(1);
    button->setImageLeftPos(4);
    button->setCaptionLeftPos(24);
    button->setCaptionTopPos(std::max(0, (bar->height() - 1 - button->fontMetrics().height()) / 2));
    button->setCaption(caption);
    button->setToolTip(caption);
    button->show();
    return button;
}

}  // namespace

// The ruler and the two level meters exist once on the window and take the places of their
// frames; the displays of the documents come and go with them.
void TMainForm::installViewWidgets() {
    auto* scale = new TLUM32Scale(this);
    replacePlaceholder(findChild<QWidget*>("Scale"), scale);
    m_scale = scale;
    const char* meters[2] = {"LedRowLeft", "LedRowRight"};
    for (int channel = 0; channel < 2; ++channel) {
        auto* meter = new TLUM32VerticalLEDs(this);
        replacePlaceholder(findChild<QWidget*>(meters[channel]), meter);
        meter->setColor(0xC0C0C0);
        meter->setLEDOnColor(11817030);
        meter->setLEDOffColor(6569020);
        meter->setNumLEDs(20);
        meter->setProgress(0);
        m_meters[channel] = meter;
    }
    m_overviewLink = new OverviewLink(this);
    m_overviewLink->setScale(m_scale);
    m_overviewLink->setOnZoomText([this](const QString& text) {
        if (m_documents.current() != nullptr) m_statusPanels[4]->setText(text);
    });
}

// Everything the documents need from the window is connected here, once, at creation.
void TMainForm::initDocuments() {
    DocumentSurface& surface = *this;
    m_docs = std::make_unique<DocumentController>(surface, m_session, m_dialogs, m_transport);
    installViewWidgets();
    m_playRecTimer = new QTimer(this);
    m_playRecTimer->setObjectName("PlayRecTimer");
    m_playRecTimer->setInterval(50);
    connect(m_playRecTimer, &QTimer::timeout, this, &TMainForm::PlayRecTimerTimer);
    m_clippingTimer = new QTimer(this);
    m_clippingTimer->setObjectName("ClippingTimer");
    m_clippingTimer->setInterval(3000);
    m_clippingTimer->setSingleShot(true);
    connect(m_clippingTimer, &QTimer::timeout, this, &TMainForm::ClippingTimerTimer);

    connect(this, &TMainForm::OpenRequested, this, &TMainForm::openRequested);
    connect(this, &TMainForm::RecentFileChosen, this, &TMainForm::recentFileChosen);
    connect(this, &TMainForm::EngineNotification, this,
            [this](unsigned message, qintptr, qintptr) { EngineNotice(message); });

    // Shutdown's own flag stays set through these steps, whatever they hold and release.
    m_shutdownSteps.stopTransport = [this] {
        const bool busy = m_busy.isSet();
        if (m_transport.IsPlaying()) StopPlayback();
        if (m_transport.IsRecording()) StopRecording();
        if (busy) m_busy.set();
    };
    m_shutdownSteps.closeDocuments = [this](CloseMode mode) {
        const bool busy = m_busy.isSet();
        const bool closed = m_docs->CloseDocuments(mode == CloseMode::KeepUnsaved);
        if (busy) m_busy.set();
        return closed;
    };
    m_shutdownSteps.stopLevelTest = [this] { StopLevelTest(); };

    m_session.OnWorkingCopyReady = [this](AudioDocument& document, bool onlyIfUsersFile) {
        workingCopyReady(document, onlyIfUsersFile);
    };
    m_session.OnTitleChanged = [this] { updateTitle(); };
    m_session.OnRecentFilesChanged = [this] { RefreshRecentFilesMenu(); };
}

RIZI32DaziVereruz* TMainForm::CurrentView() const {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : it->second.view;
}

TLUM32Overview* TMainForm::CurrentOverview() const {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : it->second.overview;
}

TMainForm::DocumentParts* TMainForm::partsOf(const AudioDocument* document) {
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : &it->second;
}

// The display and the overview are made from the WaveformBase and OverviewBase frames: same
// place, size and rules, hidden until their document is shown. Their size matters from the
// start, since zoom and peak building work in client pixels.
int TMainForm::CreateParts(AudioDocument& document) {
    DocumentParts parts;
    QWidget* base = findChild<QWidget*>("WaveformBase");
    QWidget* overviewBase = findChild<QWidget*>("OverviewBase");
    QWidget* area = base->parentWidget();
    parts.view = new (std::nothrow) RIZI32DaziVereruz(area);
    if (parts.view == nullptr) return 141;
    parts.overview = new (std::nothrow) TLUM32Overview(area);
    if (parts.overview == nullptr) {
        delete parts.view;
        return 190;
    }
    const std::pair<QWidget*, QWidget*> made[] = {{base, parts.view},
                                                  {overviewBase, parts.overview}};
    for (const auto& [from, widget] : made) {
        widget->hide();
        widget->setMinimumSize(from->minimumSize());
        widget->setMaximumSize(from->maximumSize());
        widget->setSizePolicy(from->sizePolicy());
        widget->setGeometry(from->geometry());
        if (QBoxLayout* box = boxHolding(area->layout(), from)) {
            box->insertWidget(box->indexOf(from), widget, box->stretch(box->indexOf(from)));
        }
    }
    parts.overview->setTabStop(false);
    ColorSchemeTargets colored;
    colored.documents.emplace_back(parts.view, parts.overview);
    sonthra::ApplyColorScheme(m_colorScheme, colored);
    parts.view->setOnCaretPositionChange(
        [this](QObject* sender) { WaveformBaseCaretPositionChange(sender); });
    parts.view->setOnSelection([this](QObject* sender, std::uint32_t start, std::uint32_t end) {
        WaveformBaseSelection(sender, start, end);
    });
    // The wheel and a resize's re-zoom change the view from inside the display, and the
    // overview's own re-zoom moves what its frame has to cover.
    const auto follow = [this, view = parts.view](QObject*) {
        if (view == CurrentView()) updateScaleAndFrame();
    };
    parts.view->setOnViewChange(follow);
    parts.overview->setOnViewChange(follow);

    const QString caption = QFileInfo(qs(document.fileName)).fileName();
    parts.windowItem = m_menus.value("WindowMenu")->addAction(caption);
    parts.windowItem->setCheckable(true);
    const std::uint32_t id = document.id;
    connect(parts.windowItem, &QAction::triggered, this,
            [this, id] { SelectDocument(m_documents.indexOfId(id), false); });

    auto* bar = findChild<QWidget*>("DocumentButtonBar");
    parts.button = makeDocumentButton(bar, caption);
    auto* popup = new QMenu(parts.button);
    connect(popup->addAction("Select"), &QAction::triggered, this,
            [this, id] { SelectDocument(m_documents.indexOfId(id), false); });
    connect(popup->addAction("Close"), &QAction::triggered, this, [this, id] {
        const int index = m_documents.indexOfId(id);
        if (index < 0) return;
        holdBusy();
        CloseDocument(index, true);
        PlaceDocumentButtons();
        releaseBusy();
    });
    parts.button->setPopupMenu(popup);
    connect(parts.button, &QAbstractButton::clicked, this,
            [this, id] { SelectDocument(m_documents.indexOfId(id), false); });
    m_parts[document.id] = std::move(parts);
    return 0;
}

void TMainForm::DestroyParts(std::uint32_t id) {
    auto it = m_parts.find(id);
    if (it == m_parts.end()) return;
    if (m_overviewLink != nullptr && CurrentView() == it->second.view) {
        m_overviewLink->setDisplays(nullptr, nullptr);
    }
    delete it->second.view;
    delete it->second.overview;
    delete it->second.button;
    delete it->second.windowItem;
    m_parts.erase(it);
}

void TMainForm::PlaceDocumentButtons() {
    auto* bar = findChild<QWidget*>("DocumentButtonBar");
    const int count = static_cast<int>(m_documents.count());
    for (int i = 0; i < count; ++i) {
        DocumentParts* parts = partsOf(m_documents.at(static_cast<std::size_t>(i)));
        if (parts == nullptr || parts->button == nullptr) continue;
        const ButtonGeometry g = DocumentButtonGeometry(bar->width(), bar->height(), count, i);
        parts->button->setGeometry(g.x, g.y, g.width, g.height);
    }
}

// Shows the document's display and overview in place of the others (or the empty base view
// for none), ticks its Window item and presses its button (bold); the others are released.
void TMainForm::ShowParts(const AudioDocument* shown) {
    DocumentParts* current = nullptr;
    for (auto& [id, parts] : m_parts) {
        const bool isShown = shown != nullptr && id == shown->id;
        if (isShown) current = &parts;
        parts.view->setVisible(isShown);
        parts.overview->setVisible(isShown);
        if (parts.windowItem) parts.windowItem->setChecked(isShown);
        if (parts.button) {
            parts.button->setDown(isShown);
            QFont font = parts.button->font();
            font.setBold(isShown);
            parts.button->setFont(font);
        }
    }
    findChild<QWidget*>("WaveformBase")->setVisible(current == nullptr);
    findChild<QWidget*>("OverviewBase")->setVisible(current == nullptr);
    m_overviewLink->setDisplays(current ? current->view : nullptr,
                                current ? current->overview : nullptr);
    if (current != nullptr) current->view->setFocus();
    updateScaleAndFrame();
}

// The ruler follows the display's zoom and left position, the overview's frame what it shows.
void TMainForm::updateScaleAndFrame() {
    const RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) {
        UpdateScale(*m_scale, 1, 0, WaveFormat{}, false);
        return;
    }
    UpdateScale(*m_scale, view->ZoomLevel(), view->LeftSamplePos(), view->waveFormat(),
                view->model().hasSamples());
    m_overviewLink->SyncOverviewFrame();
}

void TMainForm::updateTitle() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) {
        SetDocumentTitle({}, false);
        return;
    }
    SetDocumentTitle(qs(document->fileName), document->workspace == WorkspaceState::ReadOnly);
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

void TMainForm::OpenEmptyAudio(const AudioDocument& document) {
    if (DocumentParts* parts = partsOf(&document)) {
        parts->view->OpenWaveFile(document.workFile);
        parts->overview->OpenWaveFile(document.workFile);
    }
    updateScaleAndFrame();
}

int TMainForm::BuildPeaks(const std::string& file, bool tryPeakFile) {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return 0;
    const int peaks = RunPeakBuild(*view, file, tryPeakFile, true, kBuildingPeaks);
    if (peaks == 0) zoomToFit(*view);
    return peaks;
}

// The whole file in the view: the largest zoom from the first frame.
void TMainForm::zoomToFit(RIZI32DaziVereruz& view) {
    view.RenderView(view.MaxZoomLevel(), 0);
    updateScaleAndFrame();
}

// The overview shows the display's peaks (shared, so nothing is read again), or loads the peak
// file, scanning only without one.
int TMainForm::buildOverview(const std::string& path, bool tryPeakFile) {
    TLUM32Overview* overview = CurrentOverview();
    if (overview == nullptr) return 0;
    m_overviewLink->setReentryGuard(true);
    const int result = sonthra::BuildOverview(
        *overview, path, tryPeakFile, true, tempFolder(),
        [this](RIZI32DaziVereruz& display, const QString& caption) {
            return runPeakWorker(display, caption);
        },
        [this](int message) { ShowMessage(m_dialogs, this, message); }, CurrentView());
    m_overviewLink->setReentryGuard(false);
    updateScaleAndFrame();
    return result;
}

void TMainForm::showNoDocument() {
    m_documents.setCurrent(-1);
    ShowParts(nullptr);
    BlankStatusBar();
    ShowCaretPosition(0, sonthra::PositionMode::Samples);
    SetDocumentTitle({}, false);
    SetCommandState(kStateNoDocument);
    setSongInfoCommands();
}

// The display and the overview read the working copy once it is complete; they played from the
// user's file until then.
void TMainForm::workingCopyReady(AudioDocument& document, bool onlyIfUsersFile) {
    DocumentParts* parts = partsOf(&document);
    if (parts == nullptr) return;
    if (!onlyIfUsersFile || parts->view->WaveFileName() == document.fileName) {
        parts->view->setWaveFileName(document.workFile);
    }
    if (!onlyIfUsersFile || parts->overview->WaveFileName() == document.fileName) {
        parts->overview->setWaveFileName(document.workFile);
    }
}

void TMainForm::RefreshRecentFilesMenu() {
    if (m_settings == nullptr) return;
    QStringList entries;
    for (const std::string& entry : m_session.ReadRecentFiles()) entries << qs(entry);
    RebuildRecentFilesMenu(entries);
}

}  // namespace sonthra
