// Shutdown of the main window: closing it, File, Exit, and the end the system asks for.
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"

namespace sonthra {

namespace {

constexpr int kModalRetryMs = 100;

void run(const std::function<void()>& step) {
    if (step) step();
}

}  // namespace

// The steps run in this order; a cancelled save prompt keeps the window open. After a
// completed shutdown the busy flag stays set, so no second copy's request is taken any more.
bool TMainForm::Shutdown(CloseMode mode) {
    m_busy.set();
    // 1. Stop playback and recording.
    run(m_shutdownSteps.stopTransport);
    // 2. Close the documents from the last to the first.
    if (m_shutdownSteps.closeDocuments && !m_shutdownSteps.closeDocuments(mode) &&
        mode == CloseMode::AskToSave) {
        m_busy.clear();
        return false;
    }
    // 3. Stop a running level test and store the colour scheme.
    run(m_shutdownSteps.stopLevelTest);
    run(m_shutdownSteps.storeColorScheme);
    // 4. Keep the current input source for the next start.
    run(m_shutdownSteps.storeRecordSource);
    // 5. Deselect the mixer's devices and free the input source list.
    run(m_shutdownSteps.releaseMixer);
    // 6. Remove the effect menu items and stop the plug-in host.
    FreeEffectMenuItems();
    run(m_shutdownSteps.stopEffectHost);
    if (m_effects) m_effects->Stop();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (m_shutDown) {
        event->accept();
        return;
    }
    // A close that arrives while shutdown already runs (a prompt is open) waits for it.
    if (m_shuttingDown) {
        event->ignore();
        return;
    }
    m_shuttingDown = true;
    m_shutDown = Shutdown(CloseMode::AskToSave);
    m_shuttingDown = false;
    if (m_shutDown) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::FileExitMenuClick() {
    close();
}

void TMainForm::ShutdownWithoutAsking() {
    if (m_shutDown) return;
    // A modal window (a save under its progress dialog, a question) or a shutdown already
    // under way finishes first, so that nothing is cut off half-written.
    if (m_shuttingDown || QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(kModalRetryMs, this, &TMainForm::ShutdownWithoutAsking);
        return;
    }
    m_shuttingDown = true;
    Shutdown(CloseMode::KeepUnsaved);
    m_shuttingDown = false;
    m_shutDown = true;
    close();
}

}  // namespace sonthra
