// Writing a whole file safely: the bytes go to a new file in the target's folder, which is
// flushed to the disk and then renamed over the target, so that a crash, a full disk or a
// failed write never leaves a half file where a good one was. A target that is a symbolic link
// the user made is replaced through it; one made by anyone else is refused (ELOOP), so a link
// planted in a shared folder never leads a write to another file. Any layer may use it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace sonthra {

class SafeFileWriter {
public:
    // mode: the permissions of the new file. Without one, an existing target keeps its own and
    // a new target gets 0666 less the umask.
    explicit SafeFileWriter(std::string target, std::optional<mode_t> mode = std::nullopt);
    // Removes the temporary file unless commit() succeeded.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Creates the temporary file beside the target. false on failure (see error()): ELOOP for a
    // target that is another user's link.
    bool open();
    // The temporary file's descriptor, -1 before open() and after commit() or discard().
    int fd() const { return m_fd; }
    const std::string& target() const { return m_target; }
    const std::string& tempPath() const { return m_temp; }

    // Appends bytes at the file's current offset.
    bool write(std::string_view bytes);
    // Flushes the file to the disk, closes it and renames it over the target, then flushes the
    // folder. On failure the temporary file is removed and the target is as it was. Without
    // flush the rename happens at once and the disk catches up in its own time: only for files
    // whose loss in a crash costs nothing (see WaveWriter::setFlushOnFinish).
    bool commit(bool flush = true);
    // Removes the temporary file; the target is untouched.
    void discard();

    // errno of the first failure, 0 when none.
    int error() const { return m_error; }

private:
    bool fail(int err);

    std::string m_target;
    std::optional<mode_t> m_mode;
    bool m_refused = false;  // the target is a link this user did not make
    std::string m_temp;
    int m_fd = -1;
    int m_error = 0;
};

// Writes bytes as the whole content of path through a SafeFileWriter. On failure err (when
// given) receives the errno and path is as it was.
bool writeFileSafely(const std::string& path, std::string_view bytes,
                     std::optional<mode_t> mode = std::nullopt, int* err = nullptr);

// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);

}  // namespace sonthra
