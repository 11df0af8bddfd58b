// Building a display's peaks on a worker thread under the progress dialog. Engine edits run
// through the edit controller.
#include <QApplication>
#include <QPointer>

#include <system_error>
#include <thread>

#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "platform/work_done.h"
#include "view/peak_file.h"
#include "view/ui/wave_display.h"
#include "view/view_errors.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kPeakThreadNotStarted = 156;

}  // namespace

// The display's peaks, built by its model on a worker thread under the progress dialog (no Cancel
// is offered, but closing the dialog still counts as one): the build's code, 110 after a cancel,
// shown nowhere.
int TMainForm::runPeakWorker(RIZI32DaziVereruz& display, const QString& caption) {
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
    m_dialogs.runProgress(this, caption, false, [&record, &hooks](bool cancel) {
        return PollProcess(record, cancel, hooks);
    });
    worker.join();
    return record.engineExitReason;
}

int TMainForm::RunPeakBuild(RIZI32DaziVereruz& view, const std::string& path, bool tryPeakFile,
                            bool attach, const QString& caption) {
    if (attach) {
        const int opened = view.OpenWaveFile(path);
        if (opened != 0) return showViewError(m_dialogs, this, opened);
    }
    const std::string peakFile = GetPeakFileName(path, tempFolder());
    if (tryPeakFile) {
        const int loaded = view.LoadPeaks(peakFile);
        if (loaded == 0 || loaded == kViewErrNothingToDraw) return 0;
    }
    const int built = runPeakWorker(view, caption);
    if (built == kPeakThreadNotStarted) return ShowMessage(m_dialogs, this, built);
    if (built != 0) return showViewError(m_dialogs, this, built);
    // The peaks are in memory and the display works without its cache file, so the file is
    // written in the background (a 1 GB recording's is 64 MB); a failure to write it is shown
    // once it is known but does not fail the display.
    const QPointer<TMainForm> window(this);
    const int saved = view.SavePeaksInBackground(peakFile, [window](int code) {
        QMetaObject::invokeMethod(
            qApp,
            [window, code] {
                if (window) showViewError(window->m_dialogs, window, code);
            },
            Qt::QueuedConnection);
    });
    if (saved != 0) showViewError(m_dialogs, this, saved);
    return 0;
}

}  // namespace sonthra
