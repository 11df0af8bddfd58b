#include "app/ui/recovery_controller.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/document_files.h"
#include "app/save_copy.h"
#include "app/temp_names.h"
#include "app/transport_controller.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/edit_controller.h"
#include "app/ui/view_controller.h"
#include "dialogs/process_record.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "wave/safe_file.h"

namespace sonthra {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// What the offer calls an entry.
QString shownName(const RecoveryEntry& entry) {
    const QString name = QFileInfo(qs(entry.name)).fileName();
    return entry.recording ? "Recording made for " + name : name;
}

bool hasUsersFile(const RecoveryEntry& entry) {
    return !entry.recording && !entry.name.empty() && entry.name.front() == '/';
}

// A second name for the recovered audio in the same folder, so that a failed open, which
// removes the document's working copy, never removes the only copy. Empty on failure.
std::string secondName(const std::string& workFile) {
    const std::string name = ReserveTempName(folderOf(workFile));
    if (name.empty()) return {};
    ::unlink(name.c_str());
    if (::link(workFile.c_str(), name.c_str()) == 0) return name;
    ProcessRecord record(ProcessKind::FileCopy);
    if (SaveCopy(workFile, name, record) == 0) return name;
    RemoveFile(name);
    return {};
}

}  // namespace

std::string RecoveryFolder(const std::string& settingsFile) {
    const std::filesystem::path file(settingsFile);
    return (file.parent_path() / "Recovery").string();
}

QString RecoveryOfferText(const std::vector<QString>& names) {
    QString text = "Sonthra ended without saving this work:\n\n";
    for (const QString& name : names) text += "    " + name + "\n";
    text += "\nDo you want to recover it? Yes opens it again";
    if (names.size() > 1) text += " (all but the last are first saved where you choose)";
    text += ", No deletes it, Cancel keeps it for the next start.";
    return text;
}

RecoveryController::RecoveryController(const WindowControllers& host, UserDialogs& dialogs,
                                       std::string folder)
    : QObject(&host.window), m_host(host), m_dialogs(dialogs), m_folder(std::move(folder)) {
    setObjectName("RecoveryController");
}

RecoveryController::~RecoveryController() = default;

void RecoveryController::Start(Settings* settings) {
    if (m_record || m_folder.empty()) return;
    m_started = static_cast<std::int64_t>(std::time(nullptr));
    auto record = std::make_unique<InstanceRecord>(m_folder);
    if (record->Open() != 0) return;
    m_record = std::move(record);
    // The temporary folder is asked once, here: asked later it would be read from the
    // Preferences window's box, which the user may be typing into. The folders of the working
    // files are added as they come.
    m_tempFolders.insert(m_host.session.TempFolder());
    // Written before anything is offered, so that what this start adopts is never without a
    // record that names it.
    Update();
    bool othersAlive = false;
    std::vector<AbandonedRun> runs =
        ClaimAbandonedRuns(m_folder, m_record->LockPath(), &othersAlive);
    if (!runs.empty()) offer(runs, othersAlive);
    if (settings != nullptr && !othersAlive) {
        const SettingRead<RecentFiles> recent = settings->readRecentFiles();
        for (const std::string& file : recent.value) {
            if (!file.empty() && file.front() == '/') RemovePartialSaves(file, 0, m_started);
        }
    }
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &RecoveryController::Update);
    m_timer->start(kUpdateMs);
}

RecoveryManifest RecoveryController::snapshot() {
    RecoveryManifest manifest;
    manifest.pid = ::getpid();
    manifest.started = m_started;
    const DocumentList& documents = m_host.session.Documents();
    for (std::size_t i = 0; i < documents.count(); ++i) {
        const AudioDocument& document = *documents.at(i);
        RecoveryEntry entry;
        entry.name = document.fileName;
        entry.workFile = document.workFile;
        entry.undoFile = document.undoFile;
        entry.redoFile = document.redoFile;
        entry.state = static_cast<std::int32_t>(document.state);
        entry.workReady = document.workspace == WorkspaceState::Ready;
        // A clean document's working copy is only written down as it is now; it tells the next
        // start of an edit made after this was last written.
        if (document.state == DocumentState::Clean) entry.workStamp = FileStamp(entry.workFile);
        // Only names of ours are written down: a record naming anything else is refused whole
        // by the next start, which removes files only by these names.
        for (std::string* file : {&entry.undoFile, &entry.redoFile}) {
            if (!IsTemporaryName(BaseName(*file))) file->clear();
        }
        if (IsTemporaryName(BaseName(entry.workFile)) && !entry.name.empty()) {
            m_tempFolders.insert(folderOf(entry.workFile));
            manifest.entries.push_back(std::move(entry));
        }
    }
    const TransportController& transport = m_host.transport;
    const AudioDocument* current = documents.current();
    if (transport.insert.active && IsTemporaryName(BaseName(transport.insert.file)) &&
        current != nullptr && !current->fileName.empty()) {
        RecoveryEntry entry;
        entry.name = current->fileName;
        entry.workFile = transport.insert.file;
        entry.state = static_cast<std::int32_t>(DocumentState::New);
        entry.recording = true;
        m_tempFolders.insert(folderOf(entry.workFile));
        manifest.entries.push_back(std::move(entry));
    }
    for (const std::string& folder : m_tempFolders) {
        if (!folder.empty() && folder.front() == '/') manifest.tempFolders.push_back(folder);
    }
    return manifest;
}

void RecoveryController::Update() {
    if (m_record && !m_record->Kept()) m_record->Update(snapshot());
}

void RecoveryController::KeepForNextStart() {
    if (!m_record || m_record->Kept()) return;
    const RecoveryManifest manifest = snapshot();
    m_record->Update(manifest);
    const DocumentList& documents = m_host.session.Documents();
    bool unsaved = m_host.transport.insert.active;
    for (std::size_t i = 0; i < documents.count(); ++i) {
        const AudioDocument& document = *documents.at(i);
        // A recording into a new document has not counted its frames yet.
        unsaved = unsaved || NeedsSavePrompt(document) ||
                  (document.state == DocumentState::New && m_host.transport.IsRecording());
    }
    if (unsaved) m_record->Keep();
}

void RecoveryController::offer(std::vector<AbandonedRun>& runs, bool othersAlive) {
    struct Item {
        std::size_t run;
        RecoveryEntry entry;
    };
    std::vector<Item> items;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (RecoveryEntry& entry : runs[r].Recoverable()) items.push_back({r, std::move(entry)});
    }
    std::vector<std::vector<RecoveryEntry>> keep(runs.size());
    if (!items.empty()) {
        std::vector<QString> names;
        for (const Item& item : items) names.push_back(shownName(item.entry));
        const DialogAnswer answer =
            m_dialogs.messageBox(&m_host.window, kProductCaption, RecoveryOfferText(names),
                                 DialogIcon::Question, DialogButtons::YesNoCancel);
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            bool done = answer == DialogAnswer::No;
            if (answer == DialogAnswer::Yes) {
                done =
                    i + 1 < items.size() ? saveElsewhere(item.entry) : openAsDocument(item.entry);
            }
            if (!done) keep[item.run].push_back(item.entry);
        }
    }
    // Nothing of this copy, nor what any run keeps, is taken for a leftover.
    std::vector<std::string> spare;
    for (const RecoveryEntry& entry : snapshot().entries) {
        spare.insert(spare.end(), {entry.workFile, entry.undoFile, entry.redoFile});
    }
    for (const auto& kept : keep) {
        for (const RecoveryEntry& entry : kept) spare.push_back(entry.workFile);
    }
    for (std::size_t r = 0; r < runs.size(); ++r) runs[r].Discard(keep[r], spare, !othersAlive);
}

bool RecoveryController::saveElsewhere(const RecoveryEntry& entry) {
    FileDialogRequest request;
    request.title = "Save " + shownName(entry) + " As";
    request.directory =
        hasUsersFile(entry) ? QFileInfo(qs(entry.name)).absolutePath() : QDir::homePath();
    request.fileName = entry.recording || !hasUsersFile(entry)
                           ? QFileInfo(qs(entry.name)).completeBaseName() + ".wav"
                           : QFileInfo(qs(entry.name)).fileName();
    request.filter = "Wave Files (*.wav)";
    request.defaultSuffix = "wav";
    const QString target = m_dialogs.saveFileName(&m_host.window, request);
    if (target.isEmpty()) return false;
    ProcessRecord record(ProcessKind::FileCopy);
    int err = 0;
    if (SaveCopy(entry.workFile, target.toStdString(), record, &err) != 0) {
        m_dialogs.messageBox(&m_host.window, kProductCaption,
                             "The recovered audio could not be saved as " + target + ": " +
                                 QString::fromLocal8Bit(std::strerror(err != 0 ? err : EIO)) +
                                 ". It is offered again at the next start.",
                             DialogIcon::Error, DialogButtons::Ok);
        return false;
    }
    return true;
}

bool RecoveryController::openAsDocument(const RecoveryEntry& entry) {
    const std::string work = secondName(entry.workFile);
    if (work.empty()) return false;
    // A recording for another document, or a document never saved, comes back new and
    // unsaved; an edited file comes back under its own name, Modified, so Save writes it.
    const QString name = entry.recording ? QString() : qs(entry.name);
    m_host.files.OpenAsUnsaved(qs(work), name, true);
    DocumentList& documents = m_host.session.Documents();
    AudioDocument* document = documents.current();
    if (document == nullptr || document->workFile != work) {
        RemoveFile(work);
        return false;
    }
    if (hasUsersFile(entry)) {
        document->fileName = entry.name;
        document->state = DocumentState::Modified;
        m_host.files.SelectDocument(documents.currentIndex(), false);
    }
    Update();
    return true;
}

}  // namespace sonthra
