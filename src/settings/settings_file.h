// File machinery under the settings store: reading the file with a size cap, an exclusive lock
// that serialises writers, and the whole-file replacement by a flushed temporary and a rename.
// POSIX calls only; every function reports failure instead of throwing.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace sonthra::settings_file {

// A settings file is a few kilobytes; anything past this is not one of ours.
inline constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

enum class ReadResult { Ok, Missing, TooLarge, Error };

// Reads the whole file into text. Missing when it (or its folder) does not exist; Error when
// it exists but cannot be read or is not a regular file (a pipe is refused without waiting).
ReadResult readFile(const std::filesystem::path& file, std::string& text);

// Whether this process may write file's folder (its nearest existing ancestor when it does
// not exist yet), as replaceFile needs. A hint for telling the user early; replaceFile decides.
bool canReplace(const std::filesystem::path& file);

// Creates the folder and any missing parents with mode 0700; true when it exists afterwards.
bool makeFolders(const std::filesystem::path& folder);

// How long a writer waits for another process's lock before it gives up: a process that
// keeps the lock longer has hung, and waiting on it would hang this one too.
inline constexpr std::chrono::milliseconds kLockWait{3000};

// An exclusive lock on "<file>.lock" held for the object's life; the lock file is created with
// mode 0600 when missing. locked() is false when it could not be taken within wait (or the
// lock file is not a regular file).
class WriterLock {
public:
    explicit WriterLock(const std::filesystem::path& file,
                        std::chrono::milliseconds wait = kLockWait);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The prefix of the temporary files that replaceFile writes beside file.
std::string temporaryPrefix(const std::filesystem::path& file);

// Writes text to a new temporary file beside file (mode 0600), flushes it to the disk and
// renames it over file. On any failure the temporary is removed, file is untouched and the
// result is false. Call with the writer lock held.
bool replaceFile(const std::filesystem::path& file, std::string_view text);

// Removes temporaries that an earlier writer left behind when it died mid-write. Call with
// the writer lock held, when no other writer can be using one.
void removeStaleTemporaries(const std::filesystem::path& file);

// Renames file to "<file>.corrupt", replacing an older one; false when that fails.
bool setAside(const std::filesystem::path& file);

}  // namespace sonthra::settings_file
