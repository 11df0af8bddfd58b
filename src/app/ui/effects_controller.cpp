#include "app/ui/effects_controller.h"

#include <QAction>
#include <QMenu>
#include <QString>

#include <algorithm>

#include "app/transport_controller.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/edit_controller.h"
#include "app/ui/view_controller.h"
#include "dialogs/ui/user_dialogs.h"
#include "effects/effect_captions.h"
#include "messages/message_table.h"
#include "view/ui/wave_display.h"

namespace sonthra {

namespace {

// The effect run seen as a long operation. The job's own state can read "cancel requested"
// for good when Cancel came after the worker had ended, so the end is taken from the thread.
class EffectOperation final : public LongOperation {
public:
    EffectOperation(EffectPlugin& plugin, EffectRequest request)
        : m_run(&plugin, std::move(request)) {}
    ~EffectOperation() override { m_run.wait(); }

    int start() { return m_run.start(); }

    int progress() override { return m_run.job().progress(); }
    RunState runState() const override {
        const int state = const_cast<EffectRun&>(m_run).job().state();
        if (m_run.running()) {
            return state == kJobCancelRequested ? RunState::CancelRequested : RunState::Running;
        }
        switch (state) {
            case kJobFinished:
                return RunState::Finished;
            case kJobCancelRequested:
            case kJobAborted:
                return RunState::Cancelled;
            default:
                return RunState::Failed;
        }
    }
    void cancel() override { m_run.job().cancel(); }
    int result() const override {
        const int result = const_cast<EffectRun&>(m_run).job().result();
        // A worker that ended without a result of its own did not finish its file.
        if (result == 0 && runState() != RunState::Finished) return kCancelled;
        return result;
    }

private:
    EffectRun m_run;
};

}  // namespace

std::string EffectTransform::caption() const {
    return kApplyingEffectCaption;
}

std::unique_ptr<LongOperation> EffectTransform::start(const std::string& source,
                                                      const std::string& result, int& refused) {
    EffectRequest request;
    request.sourcePath = source;
    request.outputPath = result;
    request.selectionStart = m_first;
    request.selectionEnd = m_last;
    request.caret = m_caret;
    auto operation = std::make_unique<EffectOperation>(m_plugin, std::move(request));
    refused = operation->start();
    if (refused != 0) return nullptr;
    return operation;
}

EffectsController::EffectsController(const WindowControllers& host, UserDialogs& dialogs,
                                     QMenu& effectsMenu)
    : m_host(host),
      m_dialogs(dialogs),
      m_effectsMenu(effectsMenu),
      m_popup(new QMenu(&host.window)),
      m_fadePopup(new QMenu(&host.window)) {
    m_popup->setObjectName("EffectsPopupMenu");
    m_fadePopup->setObjectName("FadePopupMenu");
}

void EffectsController::Start(const std::string& folder) {
    if (m_plugins.size() > 0) Stop();
    LoadEffectPlugins(m_plugins, folder);
    m_menu.AddEffectMenuItems(m_plugins, [this](const std::string& caption) {
        return reinterpret_cast<std::uintptr_t>(AddEffectMenuItem(QString::fromStdString(caption)));
    });
}

void EffectsController::Stop() {
    FreeEffectMenuItems();
    m_menu.FreeEffectMenuItems();
    UnloadEffectPlugins(m_plugins);
}

QAction* EffectsController::AddEffectMenuItem(const QString& caption) {
    QAction* item = m_effectsMenu.addAction(caption);
    QObject::connect(item, &QAction::triggered, m_popup,
                     [this, item] { SampleEffectMenuItemClick(item); });
    QAction* popupItem = m_popup->addAction(caption);
    // The twin names its item itself: two effects of one caption each run their own.
    popupItem->setData(QVariant::fromValue(static_cast<QObject*>(item)));
    QObject::connect(popupItem, &QAction::triggered, m_popup,
                     [this, popupItem] { SampleEffectsPopupMenuItemClick(popupItem); });
    m_items.append(item);
    return item;
}

void EffectsController::FreeEffectMenuItems() {
    qDeleteAll(m_items);
    m_items.clear();
    m_popup->clear();
}

void EffectsController::SampleEffectMenuItemClick(QAction* item) {
    BusyHold busy(m_host.session);
    CommonMenuClick(item);
}

void EffectsController::SampleEffectsPopupMenuItemClick(QAction* popupItem) {
    auto* item = qobject_cast<QAction*>(popupItem->data().value<QObject*>());
    if (item != nullptr && m_items.contains(item)) item->trigger();
}

void EffectsController::MoreEffectsButtonClick() {
    auto* button = m_host.window.findChild<QWidget*>("MoreEffectsButton");
    m_popup->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void EffectsController::EffectsButton2Click() {
    const std::vector<EffectMenuItem> choices = m_menu.fadeChoices();
    if (choices.empty()) {
        runItem(ButtonTarget(2));
        return;
    }
    m_fadePopup->clear();
    for (const EffectMenuItem& choice : choices) {
        const std::uintptr_t key = choice.key;
        QAction* item = m_fadePopup->addAction(QString::fromStdString(choice.caption));
        QObject::connect(item, &QAction::triggered, m_fadePopup, [this, key] { runItem(key); });
    }
    auto* button = m_host.window.findChild<QWidget*>("EffectsButton2");
    m_fadePopup->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void EffectsController::runItem(std::optional<std::uintptr_t> menuKey) {
    if (!menuKey) return;
    for (QAction* item : m_effectsMenu.actions()) {
        if (reinterpret_cast<std::uintptr_t>(item) == *menuKey) {
            item->trigger();
            return;
        }
    }
}

int EffectsController::Apply(std::uintptr_t menuKey) {
    EffectPlugin* plugin = m_plugins.findByMenuKey(menuKey);
    if (plugin == nullptr) return 0;
    // Nothing is shown while the transport runs, without a document, or when its working copy
    // is not there to be read.
    RIZI32DaziVereruz* view = m_host.currentView();
    const AudioDocument* document = m_host.session.Current();
    if (document == nullptr || view == nullptr || m_host.transport.IsPlaying() ||
        m_host.transport.IsRecording()) {
        return kCancelled;
    }
    if (!m_host.session.EnsureWorkingCopy(true)) return kCancelled;
    const int chosen =
        ShowEffectSettings(*plugin, &m_host.window, m_host.session.Current()->workFile);
    if (chosen != 0)
        return chosen == kCancelled ? chosen : ShowMessage(m_dialogs, &m_host.window, chosen);

    view = m_host.currentView();
    if (view == nullptr) return kCancelled;
    const std::uint32_t first = view->SelectionStartPos();
    const std::uint32_t last = view->SelectionEndPos();
    const std::uint32_t caret = view->CaretPositionBySamples();
    EffectTransform effect(*plugin, first, last, caret);
    // The caret goes to the selection's end, or stays where it is without one.
    const int result =
        m_host.edit.RunTransform(effect, RefreshKind::Rebuild, first != last ? last : caret);
    if (result != 0) return result;
    // What the effect wants the user to know of its run (samples clipped, a loudness it fell
    // short of, and why).
    if (const std::string said = EffectResultText(*plugin); !said.empty()) {
        m_dialogs.messageBox(&m_host.window, kProductCaption, QString::fromStdString(said),
                             DialogIcon::Information, DialogButtons::Ok);
    }

    // The selection as it was, within the new length (an echo's tail may have made it longer,
    // nothing makes it shorter).
    view = m_host.currentView();
    if (view == nullptr || first == last) return 0;
    const std::uint32_t total = view->TotalSamples();
    const std::uint32_t start = std::min(first, total);
    const std::uint32_t end = std::min(last, total);
    view->SetSelection(start, end);
    m_host.view.WaveformBaseSelection(view, std::min(start, end), std::max(start, end));
    return 0;
}

}  // namespace sonthra
