// Shutdown of the main window: closing it, File, Exit, and the end the system asks for.
#include <QApplication>
#include <QCloseEvent>

#include <cstdlib>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/recovery_controller.h"
#include "settings/ui/preferences_form.h"

namespace sonthra {

namespace {

void run(const std::function<void()>& step) {
    if (step) step();
}

// The end while a modal window runs: the unsaved audio stays for the next start (a recording's
// file states what it holds at every write), the colour scheme, the input source and the
// Preferences values are stored, and the process ends through quick_exit, whose handlers
// (main) give up the single-instance mark. Saves write beside their target and rename, so one
// cut off here leaves the old file and a partial file, which the next start removes.
[[noreturn]] void endAtOnce(TMainForm& form, const ShutdownSteps& steps,
                            TPreferencesForm* preferences) {
    if (auto* recovery = form.findChild<RecoveryController*>()) recovery->KeepForNextStart();
    run(steps.storeColorScheme);
    run(steps.storeRecordSource);
    // The Preferences window stores its values as it goes away; one whose creation is still
    // asking a start-up question is found among the window's children.
    if (preferences == nullptr) preferences = form.findChild<TPreferencesForm*>();
    delete preferences;
    std::quick_exit(0);
}

}  // namespace

// The steps run in this order; a cancelled save prompt keeps the window open. After a
// completed shutdown the busy flag stays set, so no second copy's request is taken any more.
bool TMainForm::Shutdown(CloseMode mode) {
    m_busy.set();
    // 1. Stop playback and recording.
    run(m_shutdownSteps.stopTransport);
    // Unsaved audio that is about to be left in the temporary folder is written down first,
    // so the next start offers it back.
    if (mode == CloseMode::KeepUnsaved) {
        if (auto* recovery = findChild<RecoveryController*>()) recovery->KeepForNextStart();
    }
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
    m_effects->FreeEffectMenuItems();
    run(m_shutdownSteps.stopEffectHost);
    m_effects->Stop();
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
    // A modal window (a question, a message, a save under its progress dialog) or a shutdown
    // already under way holds the program in a loop of its own, which cannot be left in order
    // in time: what must outlive the program is stored here and the process ends at once.
    // A recording into the open document would be inserted first, which takes as long as
    // the document is big: it stays in its own file for the next start instead.
    const bool inserting = m_transport.IsRecording() && Transport().insert.active;
    if (m_shuttingDown || QApplication::activeModalWidget() != nullptr || inserting) {
        endAtOnce(*this, m_shutdownSteps, m_prefs->TakePreferencesForm());
        return;
    }
    m_shuttingDown = true;
    Shutdown(CloseMode::KeepUnsaved);
    m_shuttingDown = false;
    m_shutDown = true;
    close();
}

}  // namespace sonthra
