#include "app/ui/document_session.h"

#include <QString>

#include <algorithm>
#include <chrono>

#include "app/temp_names.h"
#include "dialogs/ui/user_dialogs.h"
#include "settings/settings.h"

namespace sonthra {

namespace {

constexpr int kCloseWaitMs = 5000;
constexpr int kWorkingCopyFailed = 182;
constexpr int kRecentFilesUnreadable[] = {183, 185};
constexpr int kRecentValueUnreadable = 186;

}  // namespace

// The jobs go before the object their news is posted to; a job's end joins its worker.
DocumentSession::~DocumentSession() = default;

void DocumentSession::HoldBusy() {
    if (m_busyHolds++ == 0) m_busyWasSet = m_busy.isSet();
    m_busy.set();
}

void DocumentSession::ReleaseBusy() {
    if (m_busyHolds == 0) return;
    if (--m_busyHolds == 0 && !m_busyWasSet) m_busy.clear();
}

std::string DocumentSession::TempPreference() const {
    if (TempPreferenceSource) return TempPreferenceSource();
    return m_settings != nullptr ? m_settings->readTempPath().value : std::string();
}

std::string DocumentSession::TempFolder() const {
    return ResolveTempFolder(TempPreference());
}

int DocumentSession::StartWorkspaceJob(AudioDocument& document) {
    auto job = std::make_unique<WorkspaceJob>(document.fileName, document.workFile, document.id);
    const std::uint64_t serial = m_nextSerial++;
    // The worker only posts (the product's message 0x4C9).
    const int result = job->start([this, serial](WorkspaceJob&) {
        QMetaObject::invokeMethod(
            &m_newsContext, [this, serial] { jobDone(serial); }, Qt::QueuedConnection);
    });
    if (result != 0) return result;
    m_jobs.push_back({serial, std::move(job)});
    return 0;
}

void DocumentSession::CancelWorkspaceJob(std::uint32_t documentId) {
    for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it) {
        if (it->job->documentId() != documentId) continue;
        it->job->cancel();
        const bool ended = it->job->waitForEnd(std::chrono::milliseconds(kCloseWaitMs));
        std::unique_ptr<WorkspaceJob> job = std::move(it->job);
        m_jobs.erase(it);
        if (!ended) m_abandonedJobs.push_back(std::move(job));
        const int index = m_documents.indexOfId(documentId);
        if (index >= 0) {
            AudioDocument* document = m_documents.at(static_cast<std::size_t>(index));
            if (document->workspace == WorkspaceState::BeingCreated) {
                document->workspace = WorkspaceState::ReadOnly;
            }
        }
        break;
    }
    reapAbandonedJobs();
}

bool DocumentSession::CopyRunning(std::uint32_t documentId) const {
    return std::any_of(m_jobs.begin(), m_jobs.end(), [documentId](const RunningJob& r) {
        return r.job->documentId() == documentId;
    });
}

void DocumentSession::reapAbandonedJobs() {
    std::erase_if(m_abandonedJobs,
                  [](const std::unique_ptr<WorkspaceJob>& job) { return job->ended(); });
}

void DocumentSession::jobDone(std::uint64_t serial) {
    auto it = std::find_if(m_jobs.begin(), m_jobs.end(),
                           [serial](const RunningJob& r) { return r.serial == serial; });
    if (it == m_jobs.end()) return;
    std::unique_ptr<WorkspaceJob> job = std::move(it->job);
    m_jobs.erase(it);
    job->waitForEnd(std::chrono::milliseconds(kCloseWaitMs));
    const int index = m_documents.indexOfId(job->documentId());
    if (index < 0) return;
    AudioDocument* document = m_documents.at(static_cast<std::size_t>(index));
    if (!job->succeeded()) {
        document->workspace = WorkspaceState::ReadOnly;
        if (!job->wasCancelled()) {
            ShowMessage(m_dialogs, m_parent, job->result(),
                        {QString::fromStdString(job->source())});
            ShowMessage(m_dialogs, m_parent, kWorkingCopyFailed);
            if (m_documents.currentIndex() == index && OnTitleChanged) OnTitleChanged();
        }
        return;
    }
    document->workspace = WorkspaceState::Ready;
    if (OnWorkingCopyReady) OnWorkingCopyReady(*document, false);
}

bool DocumentSession::EnsureWorkingCopy(bool wait) {
    AudioDocument* document = m_documents.current();
    if (document == nullptr) return false;
    if (document->workspace == WorkspaceState::BeingCreated && wait) {
        const std::uint32_t id = document->id;
        auto it = std::find_if(m_jobs.begin(), m_jobs.end(),
                               [id](const RunningJob& r) { return r.job->documentId() == id; });
        if (it != m_jobs.end()) {
            // The wait holds the job outside the list, so that the copy's own news, which may
            // arrive while the dialog runs, cannot free it under the dialog's poll.
            RunningJob waited = std::move(*it);
            m_jobs.erase(it);
            const std::uint64_t serial = waited.serial;
            RecordOperation operation(waited.job->record(), ProcessHooks{});
            HoldBusy();
            m_dialogs.runOperation(m_parent, "Preparing file for editing...", true, operation);
            ReleaseBusy();
            const RunState state = operation.runState();
            m_jobs.push_back(std::move(waited));
            if (state == RunState::CancelRequested || state == RunState::Cancelled) {
                // The document goes on read-only, playing from the user's file.
                CancelWorkspaceJob(id);
                if (OnTitleChanged) OnTitleChanged();
                return false;
            }
            // The copy has ended: take its news now rather than when the message arrives.
            jobDone(serial);
        }
        document = m_documents.current();
        if (document == nullptr || document->id != id) return false;
    }
    if (document->workspace == WorkspaceState::Ready && OnWorkingCopyReady) {
        OnWorkingCopyReady(*document, true);
    }
    return WorkingCopyUsable(*document);
}

std::vector<std::string> DocumentSession::ReadRecentFiles() {
    if (m_settings == nullptr) return {};
    const SettingRead<RecentFiles> read = m_settings->readRecentFiles();
    for (int unreadable : kRecentFilesUnreadable) {
        if (read.result == unreadable) ShowMessage(m_dialogs, m_parent, read.result);
    }
    return {read.value.begin(), read.value.end()};
}

void DocumentSession::AddRecentFile(const std::string& path) {
    if (m_settings == nullptr) return;
    const int result = m_settings->addRecentFile(path);
    // A value that could not be read is the store's own business; the rest is shown.
    if (result != 0 && result != kRecentValueUnreadable) ShowMessage(m_dialogs, m_parent, result);
    if (OnRecentFilesChanged) OnRecentFilesChanged();
}

}  // namespace sonthra
