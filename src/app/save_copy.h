// The copies that write a user's file (Save, Save As) and that put the user's file back over the
// working copy (Revert). The bytes go to a new file in the target's folder, which is flushed to
// the disk and renamed over the target only when it is complete, so a full disk, a vanished
// folder or a cancel leaves the target exactly as it was.
#pragma once

#include <string>
#include <thread>

#include "dialogs/process_record.h"

namespace sonthra {

// Copies source to target in blocks of 65,520 bytes, setting record.progress to the copied
// share in percent, checking record's run state before every block. 0; 129 once the run state
// is no longer running; 146 on any other failure (err, when given, then holds the errno, or 0
// when the source was cut short). A target that is the source itself is left alone (0).
int SaveCopy(const std::string& source, const std::string& target, ProcessRecord& record,
             int* err = nullptr);

// One SaveCopy (process kind 1) on a worker thread, watched through its record.
class FileCopyJob {
public:
    FileCopyJob(std::string source, std::string target);
    // Waits for the thread.
    ~FileCopyJob();
    FileCopyJob(const FileCopyJob&) = delete;
    FileCopyJob& operator=(const FileCopyJob&) = delete;

    // 0, or 154 when the thread cannot be started.
    int start();
    ProcessRecord& record() { return m_record; }
    // Whether the worker has set its final state.
    bool ended() const;
    // Waits for the worker to end (GUI thread, after the progress dialog closed).
    void wait();
    // Once ended: 0, 129 or 146.
    int result() const { return m_record.programError.load(); }
    int systemError() const { return m_systemError; }

private:
    const std::string m_source;
    const std::string m_target;
    ProcessRecord m_record{ProcessKind::FileCopy};
    int m_systemError = 0;  // written by the worker before its final state
    std::thread m_thread;
};

}  // namespace sonthra
