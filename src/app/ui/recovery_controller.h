// Work that survives a crash. While the program runs, its record (app/recovery.h) follows the
// open documents and a recording in progress, written whenever they change; at start, what a
// copy that is gone left unsaved is offered back by the documents' names:
// - Yes: the audio comes back as the open document, Modified under its own name (a document
//   never saved, or a recording, as a new unsaved one); when several were left, the others
//   are first saved where the user chooses (a cancelled choice keeps that one for later);
// - No: it is deleted;
// - Cancel: it stays and is offered again at the next start.
// Then everything else the dead copy left in the temporary folder is removed. Owns no widget
// of the window; a child of it, found by the shutdown. Call from the GUI thread.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/recovery.h"
#include "app/ui/window_controllers.h"

class QTimer;

namespace sonthra {

class Settings;
class UserDialogs;

// The folder the records of running copies lie in, beside the settings file.
std::string RecoveryFolder(const std::string& settingsFile);

// The offer's text for these document names (one a line).
QString RecoveryOfferText(const std::vector<QString>& names);

class RecoveryController : public QObject {
    Q_OBJECT
public:
    static constexpr int kUpdateMs = 500;

    RecoveryController(const WindowControllers& host, UserDialogs& dialogs, std::string folder);
    ~RecoveryController() override;

    // Opens this copy's record, offers what dead copies left, and starts following the
    // documents. Without a usable folder the program runs on without a record. With settings,
    // the partial files that killed saves left beside the recent files go too (only while no
    // other copy runs, which could be saving one of them).
    void Start(Settings* settings = nullptr);
    // Writes the record for the documents as they are now.
    void Update();
    // For an end that asks nothing: the record is written as it is now and, when it holds
    // unsaved audio, stays for the next start, which offers it back.
    void KeepForNextStart();

    const InstanceRecord* Record() const { return m_record.get(); }

private:
    RecoveryManifest snapshot();
    void offer(std::vector<AbandonedRun>& runs, bool othersAlive);
    bool saveElsewhere(const RecoveryEntry& entry);
    bool openAsDocument(const RecoveryEntry& entry);

    WindowControllers m_host;
    UserDialogs& m_dialogs;
    std::string m_folder;
    std::unique_ptr<InstanceRecord> m_record;
    std::set<std::string> m_tempFolders;
    QTimer* m_timer = nullptr;
    std::int64_t m_started = 0;
};

}  // namespace sonthra
