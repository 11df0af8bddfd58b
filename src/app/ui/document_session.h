// The document session: the open documents, the busy flag and its nested holds, the temporary
// folder, the workspace copies running in the background, the working copy made ready before
// an edit, and the recent files. It owns no widget; the main window shows what it holds and is
// told through the hooks below. Call from the GUI thread.
//
// A feature window that works on the open document (song information, podcast, upload,
// export) reads Current() and holds the busy flag through a BusyHold for its length; one that
// changes the audio goes through the edit controller instead.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/audio_document.h"
#include "app/busy_flag.h"
#include "app/workspace_job.h"

class QWidget;

namespace sonthra {

class Settings;
class UserDialogs;

class DocumentSession {
public:
    DocumentSession(UserDialogs& dialogs, QWidget* dialogParent)
        : m_dialogs(dialogs), m_parent(dialogParent) {}
    ~DocumentSession();
    DocumentSession(const DocumentSession&) = delete;
    DocumentSession& operator=(const DocumentSession&) = delete;

    // Without settings the temporary folder is the system's and there are no recent files.
    void SetSettings(Settings* settings) { m_settings = settings; }

    DocumentList& Documents() { return m_documents; }
    const DocumentList& Documents() const { return m_documents; }
    AudioDocument* Current() { return m_documents.current(); }

    // The busy flag is one boolean shared with other commands; a long operation that contains
    // another (an open that stops playback first) must not have the inner one clear it early.
    // The flag is cleared when the last hold ends, unless it was already set when the first
    // began.
    BusyFlag& Busy() { return m_busy; }
    void HoldBusy();
    void ReleaseBusy();

    // The temporary-folder preference new files are reserved in, and the folder it resolves to.
    std::string TempPreference() const;
    std::string TempFolder() const;

    // The background copy of the document's file into its working copy. Its end is taken on
    // the GUI thread: the document becomes Ready (OnWorkingCopyReady) or read-only, with the
    // messages shown. 0 or the message number of a copy that could not start.
    int StartWorkspaceJob(AudioDocument& document);
    // Cancels the document's copy and waits for it at most five seconds; a worker that does not
    // end in time is kept until it does, since it still writes its record.
    void CancelWorkspaceJob(std::uint32_t documentId);
    // Whether the current document's working copy can be used, waiting for its copy under the
    // progress dialog when wait is set (a Cancel there leaves the document read-only).
    bool EnsureWorkingCopy(bool wait);
    // Whether a copy still runs for the document.
    bool CopyRunning(std::uint32_t documentId) const;

    // The stored recent files, most recent first (a store that cannot be read is shown), and
    // adding one (then OnRecentFilesChanged).
    std::vector<std::string> ReadRecentFiles();
    void AddRecentFile(const std::string& path);

    // What the window does when a document's working copy is ready: its display and overview
    // read the working copy; with onlyIfUsersFile only where they still read the user's file.
    std::function<void(AudioDocument& document, bool onlyIfUsersFile)> OnWorkingCopyReady;
    // The current document's title may have changed (it became read-only).
    std::function<void()> OnTitleChanged;
    std::function<void()> OnRecentFilesChanged;
    // Where the temporary folder chosen now comes from (the Preferences window); the stored
    // setting when unset.
    std::function<std::string()> TempPreferenceSource;

private:
    struct RunningJob {
        std::uint64_t serial = 0;
        std::unique_ptr<WorkspaceJob> job;
    };
    void jobDone(std::uint64_t serial);
    void reapAbandonedJobs();

    UserDialogs& m_dialogs;
    QWidget* m_parent;
    Settings* m_settings = nullptr;
    DocumentList m_documents;
    BusyFlag m_busy;
    int m_busyHolds = 0;
    bool m_busyWasSet = false;
    // The worker's news is posted to this object's thread (the GUI thread) and found by serial
    // number, so news of a job cancelled and freed meanwhile finds nothing.
    QObject m_newsContext;
    std::vector<RunningJob> m_jobs;
    std::vector<std::unique_ptr<WorkspaceJob>> m_abandonedJobs;
    std::uint64_t m_nextSerial = 1;
};

// Holds the session's busy flag for a scope, also on an early return.
class BusyHold {
public:
    explicit BusyHold(DocumentSession& session) : m_session(session) { m_session.HoldBusy(); }
    ~BusyHold() { m_session.ReleaseBusy(); }
    BusyHold(const BusyHold&) = delete;
    BusyHold& operator=(const BusyHold&) = delete;

private:
    DocumentSession& m_session;
};

}  // namespace sonthra
