// What a crash leaves behind, and finding it again. Every running copy of the program keeps a
// record beside the records of the others: a lock file it holds locked for its whole life and
// a manifest naming its documents and their working files. The kernel drops the lock when the
// process dies however it dies, so the next start tells a dead copy's files (lock free) from a
// live one's (lock held), offers the dead copy's unsaved audio back and removes the rest.
//
// Nothing here removes a file that is not ours: working files must carry the temporary-name
// pattern, be regular files and belong to this user; partial saves must match the exact name
// a save beside the user's file makes. Plain C++; call from one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonthra {

// One document of a running copy.
struct RecoveryEntry {
    std::string name;  // the user's file, or "Untitled<n>.wav" for one never saved
    std::string workFile;
    std::string undoFile;
    std::string redoFile;
    std::int32_t state = 0;      // DocumentState: 1 Modified, 2 Clean, 3 New
    bool workReady = false;      // the working copy was complete, not still being copied
    std::int64_t workStamp = 0;  // the working copy's change time (ns) when this was written
    bool recording = false;      // workFile is a recording to insert into the document `name`
};

struct RecoveryManifest {
    std::int64_t pid = 0;
    std::int64_t started = 0;  // wall-clock seconds when the copy started
    std::vector<std::string> tempFolders;
    std::vector<RecoveryEntry> entries;
};

// The manifest as text: a version line, then one line per value, every value escaped so that a
// name holding tabs or line ends stays on its line.
std::string FormatManifest(const RecoveryManifest& manifest);
// nullopt for anything that is not a whole manifest of this version.
std::optional<RecoveryManifest> ParseManifest(std::string_view text);

// A file's change time in nanoseconds, 0 when it cannot be read.
std::int64_t FileStamp(const std::string& path);

// "ST32" + six letters or digits, optionally followed by ".tmp" or ".cvp": a temporary file of
// ours. With partial, also those names behind a "." as a save's or an effect's partial file
// (".ST32abc123", ".ST32abc123.tmp.0123456789").
bool IsTemporaryName(std::string_view name, bool partial = false);
// Whether name is the partial file a safe save of a file named base leaves: "." + base + "."
// + ten lowercase hexadecimal digits.
bool IsPartialSaveName(std::string_view name, std::string_view base);

// Removes the partial save files of userFile (in its folder) that belong to this user and were
// last changed at or after notBefore and before notAfter (wall-clock seconds): what a save
// killed in that span left. Returns how many went.
int RemovePartialSaves(const std::string& userFile, std::int64_t notBefore, std::int64_t notAfter);

// Sets the data size of a WAV file whose data chunk is its last chunk to the whole frames the
// file really holds, so that audio written after the header was last updated is not lost.
// 0 when the file is right or was made right, -1 when it is not such a file, else an errno.
int RepairRecordedLength(const std::string& path);
// The decision behind it on the file's first bytes (at least the header) and its size: the
// new data size, or nullopt when nothing is to change. Exposed for the fuzz target.
struct DataRepair {
    std::uint64_t dataSizeOffset = 0;
    std::uint32_t dataSize = 0;
    std::uint32_t riffSize = 0;
};
std::optional<DataRepair> PlanDataRepair(std::string_view head, std::uint64_t fileSize);

// The record of this running copy, in folder (made 0700 when missing).
class InstanceRecord {
public:
    explicit InstanceRecord(std::string folder);
    // Removes the record unless Keep() was called: a copy that ended in order leaves nothing.
    ~InstanceRecord();
    InstanceRecord(const InstanceRecord&) = delete;
    InstanceRecord& operator=(const InstanceRecord&) = delete;

    // Creates and locks the lock file. 0 or an errno.
    int Open();
    bool IsOpen() const { return m_lockFd >= 0; }
    // Writes the manifest when it differs from the last one written. false when it could not.
    bool Update(const RecoveryManifest& manifest);
    // Later updates are ignored and the record stays after this copy ends, for the next start.
    void Keep() { m_kept = true; }
    bool Kept() const { return m_kept; }
    const std::string& LockPath() const { return m_lockPath; }
    const std::string& ManifestPath() const { return m_manifestPath; }

private:
    std::string m_folder;
    std::string m_lockPath;
    std::string m_manifestPath;
    std::string m_written;
    int m_lockFd = -1;
    bool m_kept = false;
};

// The record of a copy that is gone, locked by this process while it is being dealt with.
class AbandonedRun {
public:
    AbandonedRun(std::string lockPath, std::string manifestPath, int lockFd,
                 RecoveryManifest manifest);
    ~AbandonedRun();
    AbandonedRun(AbandonedRun&& other) noexcept;
    AbandonedRun& operator=(AbandonedRun&&) = delete;
    AbandonedRun(const AbandonedRun&) = delete;

    const RecoveryManifest& Manifest() const { return m_manifest; }
    // The entries holding audio the user has not saved (the recordings repaired first):
    // Modified and New documents with audio, recordings with audio, and Clean documents whose
    // complete working copy changed after the manifest was written.
    std::vector<RecoveryEntry> Recoverable() const;
    // Removes every file of the run except the working copies of `keep`, which stay listed so
    // the next start offers them again; with sweep (only when no other copy is alive), also the
    // run's leftover temporary files (changed while it ran, and named with its process's tag
    // or after one of its documents' files), except those sharing a name's stem with `spare`
    // (the files of this copy and what other runs keep). The record itself goes when nothing
    // is kept.
    void Discard(const std::vector<RecoveryEntry>& keep, const std::vector<std::string>& spare,
                 bool sweep);

private:
    std::string m_lockPath;
    std::string m_manifestPath;
    int m_lockFd = -1;
    RecoveryManifest m_manifest;
};

// The records in folder whose copy is gone, now locked by this process; othersAlive tells
// whether some other copy's record is still held. `own` (this copy's lock path) is skipped.
std::vector<AbandonedRun> ClaimAbandonedRuns(const std::string& folder, const std::string& own,
                                             bool* othersAlive);

// Removes a working file of ours (see IsTemporaryName): a regular file of this user. false when
// the name is not ours or the file stays.
bool RemoveOwnTemporary(const std::string& path);

}  // namespace sonthra
