#include "app/ui/document_views.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "app/audio_document.h"
#include "app/ui/main_form_shared.h"
#include "controls/ui/rect_button.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "platform/work_done.h"
#include "view/peak_file.h"
#include "view/ui/color_form.h"
#include "view/ui/overview.h"
#include "view/ui/overview_link.h"
#include "view/ui/wave_display.h"
#include "view/view_errors.h"

namespace sonthra {

using namespace main_form;

namespace {

// No worker thread for a peak build.
constexpr int kPeakThreadNotStarted = 156;

// The box layout that holds widget, searched from layout down.
QBoxLayout* boxHolding(QLayout* layout, QWidget* widget) {
    if (layout == nullptr) return nullptr;
    if (layout->indexOf(widget) >= 0) return qobject_cast<QBoxLayout*>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout* inner = boxHolding(layout->itemAt(i)->layout(), widget)) return inner;
    }
    return nullptr;
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

QString captionOf(const AudioDocument& document) {
    return QFileInfo(QString::fromStdString(document.fileName)).fileName();
}

}  // namespace

DocumentViews::DocumentViews(QWidget& window, QMenu& windowMenu, const DocumentList& documents,
                             TLUM32Scale& scale, OverviewLink& link, UserDialogs& dialogs,
                             Hooks hooks)
    : m_window(window),
      m_windowMenu(windowMenu),
      m_documents(documents),
      m_scale(scale),
      m_link(link),
      m_dialogs(dialogs),
      m_hooks(std::move(hooks)) {}

RIZI32DaziVereruz* DocumentViews::CurrentView() const {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : it->second.view;
}

TLUM32Overview* DocumentViews::CurrentOverview() const {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : it->second.overview;
}

DocumentViews::Parts* DocumentViews::partsOf(const AudioDocument* document) {
    if (document == nullptr) return nullptr;
    auto it = m_parts.find(document->id);
    return it == m_parts.end() ? nullptr : &it->second;
}

// The display and the overview take the places, sizes and rules of their frames and stay hidden
// until their document is shown. Their size matters from the start, since zoom and peak
// building work in client pixels.
int DocumentViews::CreateParts(const AudioDocument& document, const ColorSchemeTable& scheme) {
    Parts parts;
    QWidget* base = m_window.findChild<QWidget*>("WaveformBase");
    QWidget* overviewBase = m_window.findChild<QWidget*>("OverviewBase");
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
    // Both show the document's file and peaks: what one builds, loads or patches the other has.
    parts.view->observe(document.peaks);
    parts.overview->observe(document.peaks);
    ColorSchemeTargets colored;
    colored.documents.emplace_back(parts.view, parts.overview);
    sonthra::ApplyColorScheme(scheme, colored);
    parts.view->setOnCaretPositionChange([this](QObject* sender) { m_hooks.caretChanged(sender); });
    parts.view->setOnSelection([this](QObject* sender, std::uint32_t start, std::uint32_t end) {
        m_hooks.selection(sender, start, end);
    });
    // The wheel and a resize's re-zoom change the view from inside the display, and the
    // overview's own re-zoom moves what its frame has to cover.
    const auto follow = [this, view = parts.view](QObject*) {
        if (view == CurrentView()) FollowView();
    };
    parts.view->setOnViewChange(follow);
    parts.overview->setOnViewChange(follow);

    const QString caption = captionOf(document);
    const std::uint32_t id = document.id;
    const auto select = [this, id] { m_hooks.select(id); };
    parts.windowItem = m_windowMenu.addAction(caption);
    parts.windowItem->setCheckable(true);
    QObject::connect(parts.windowItem, &QAction::triggered, &m_window, select);

    auto* bar = m_window.findChild<QWidget*>("DocumentButtonBar");
    parts.button = makeDocumentButton(bar, caption);
    auto* popup = new QMenu(parts.button);
    QObject::connect(popup->addAction("Select"), &QAction::triggered, &m_window, select);
    QObject::connect(popup->addAction("Close"), &QAction::triggered, &m_window,
                     [this, id] { m_hooks.close(id); });
    parts.button->setPopupMenu(popup);
    QObject::connect(parts.button, &QAbstractButton::clicked, &m_window, select);
    m_parts[document.id] = parts;
    return 0;
}

void DocumentViews::DestroyParts(std::uint32_t id) {
    auto it = m_parts.find(id);
    if (it == m_parts.end()) return;
    if (CurrentView() == it->second.view) m_link.setDisplays(nullptr, nullptr);
    delete it->second.view;
    delete it->second.overview;
    delete it->second.button;
    delete it->second.windowItem;
    m_parts.erase(it);
}

void DocumentViews::PlaceDocumentButtons() {
    auto* bar = m_window.findChild<QWidget*>("DocumentButtonBar");
    const int count = static_cast<int>(m_documents.count());
    for (int i = 0; i < count; ++i) {
        Parts* parts = partsOf(m_documents.at(static_cast<std::size_t>(i)));
        if (parts == nullptr || parts->button == nullptr) continue;
        const ButtonGeometry g = DocumentButtonGeometry(bar->width(), bar->height(), count, i);
        parts->button->setGeometry(g.x, g.y, g.width, g.height);
    }
}

void DocumentViews::ShowParts(const AudioDocument* shown) {
    Parts* current = nullptr;
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
    m_window.findChild<QWidget*>("WaveformBase")->setVisible(current == nullptr);
    m_window.findChild<QWidget*>("OverviewBase")->setVisible(current == nullptr);
    m_link.setDisplays(current ? current->view : nullptr, current ? current->overview : nullptr);
    if (current != nullptr) current->view->setFocus();
    FollowView();
}

void DocumentViews::ShowRenamed(const AudioDocument& document) {
    const QString caption = captionOf(document);
    if (Parts* parts = partsOf(&document)) {
        if (parts->button) {
            parts->button->setCaption(caption);
            parts->button->setToolTip(caption);
        }
        if (parts->windowItem) parts->windowItem->setText(caption);
    }
}

void DocumentViews::FollowView() {
    const RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) {
        UpdateScale(m_scale, 1, 0, WaveFormat{}, false);
        return;
    }
    UpdateScale(m_scale, view->ZoomLevel(), view->LeftSamplePos(), view->waveFormat(),
                view->model().hasSamples());
    m_link.SyncOverviewFrame();
}

void DocumentViews::OpenEmptyAudio(const AudioDocument& document) {
    if (Parts* parts = partsOf(&document)) {
        parts->view->OpenWaveFile(document.workFile);
        parts->overview->OpenWaveFile(document.workFile);
    }
    FollowView();
}

void DocumentViews::WorkingCopyReady(const AudioDocument& document, bool onlyIfUsersFile) {
    if (partsOf(&document) == nullptr) return;
    // The display and the overview both show the document's peak model.
    if (!onlyIfUsersFile || document.peaks->fileName() == document.fileName) {
        document.peaks->setFileName(document.workFile);
    }
}

void DocumentViews::AddColorTargets(ColorSchemeTargets& targets) const {
    for (const auto& [id, parts] : m_parts)
        targets.documents.emplace_back(parts.view, parts.overview);
}

// ---- Peaks of the current display and overview.

// The display's peaks, built by its model on a worker thread under the progress dialog (no Cancel
// is offered, but closing the dialog still counts as one): the build's code, 110 after a cancel,
// shown nowhere.
int DocumentViews::runPeakWorker(RIZI32DaziVereruz& display, const QString& caption) {
    ProcessRecord record(ProcessKind::PeakBuilding);
    // The worker holds the document's peak model, never the display.
    const std::shared_ptr<PeakModel> peaks = display.model().peaksToBuild();
    if (!peaks) return display.BuildPeaks(record.progress);  // no picture: nothing to read
    std::thread worker;
    try {
        worker = std::thread([&record, peaks] {
            const int code = peaks->BuildPeaks(record.progress);
            record.engineExitReason = code;
            record.runState = code != 0 ? RunState::Failed : RunState::Finished;
            NotifyWorkDone();
        });
    } catch (const std::system_error&) {
        return kPeakThreadNotStarted;
    }
    ProcessHooks hooks;
    hooks.stopPeakBuild = [&peaks] { peaks->CancelPeakBuild(); };
    m_dialogs.runProgress(&m_window, caption, false, [&record, &hooks](bool cancel) {
        return PollProcess(record, cancel, hooks);
    });
    worker.join();
    return record.engineExitReason;
}

int DocumentViews::RunPeakBuild(RIZI32DaziVereruz& view, const std::string& path, bool tryPeakFile,
                                bool attach, const QString& caption) {
    if (attach) {
        const int opened = view.OpenWaveFile(path);
        if (opened != 0) return showViewError(m_dialogs, &m_window, opened);
    }
    const std::string peakFile = GetPeakFileName(path, m_hooks.tempFolder());
    if (tryPeakFile) {
        const int loaded = view.LoadPeaks(peakFile);
        if (loaded == 0 || loaded == kViewErrNothingToDraw) return 0;
    }
    const int built = runPeakWorker(view, caption);
    if (built == kPeakThreadNotStarted) return ShowMessage(m_dialogs, &m_window, built);
    if (built != 0) return showViewError(m_dialogs, &m_window, built);
    // The peaks are in memory and the display works without its cache file, so the file is
    // written in the background (a 1 GB recording's is 64 MB); a failure to write it is shown
    // once it is known but does not fail the display.
    const QPointer<QWidget> window(&m_window);
    UserDialogs* dialogs = &m_dialogs;
    const int saved = view.SavePeaksInBackground(peakFile, [window, dialogs](int code) {
        QMetaObject::invokeMethod(
            qApp,
            [window, dialogs, code] {
                if (window) showViewError(*dialogs, window, code);
            },
            Qt::QueuedConnection);
    });
    if (saved != 0) showViewError(m_dialogs, &m_window, saved);
    return 0;
}

int DocumentViews::RenderAndScale(RIZI32DaziVereruz& view, std::uint32_t zoom, std::uint32_t left) {
    const int code = view.RenderView(zoom, left);
    if (code == 0) {
        UpdateScale(m_scale, view.ZoomLevel(), view.LeftSamplePos(), view.waveFormat(),
                    view.model().hasSamples());
    }
    return code;
}

void DocumentViews::ZoomToFit(RIZI32DaziVereruz& view) {
    view.RenderView(view.MaxZoomLevel(), 0);
    FollowView();
}

int DocumentViews::PatchPeaks(RIZI32DaziVereruz& view, const std::string& workFile,
                              std::uint32_t start, std::uint32_t end) {
    const int removed = view.RemovePeakRange(start, end);
    if (removed != 0) return showViewError(m_dialogs, &m_window, removed);
    // It describes the working copy as it is now, and says so by taking its time.
    view.SavePeaksInBackground(GetPeakFileName(workFile, m_hooks.tempFolder()));
    return 0;
}

int DocumentViews::BuildOverview(const std::string& path, bool tryPeakFile) {
    TLUM32Overview* overview = CurrentOverview();
    if (overview == nullptr) return 0;
    m_link.setReentryGuard(true);
    const int result = sonthra::BuildOverview(
        *overview, path, tryPeakFile, true, m_hooks.tempFolder(),
        [this](RIZI32DaziVereruz& display, const QString& caption) {
            return runPeakWorker(display, caption);
        },
        [this](int message) { ShowMessage(m_dialogs, &m_window, message); }, CurrentView());
    m_link.setReentryGuard(false);
    FollowView();
    return result;
}

}  // namespace sonthra
