// Applying an effect plug-in to a WAV file: the audio before the selection is copied, the
// selected audio streams through the plug-in in chunks of 65,520 bytes (then drained with input
// count 0, so an effect may add a tail), the audio after the selection is copied, into a new
// WAV file. Nothing but two chunk buffers of the audio is held in memory.
//
// A file transform for the edit run: the caller picks the output name, runs the transform on a
// worker while its progress dialog polls progress() and state() and turns Cancel into cancel(),
// and afterwards moves the files (InstallEffectOutput) and refreshes the view.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "edit/undo_files.h"

namespace sonthra {

struct EffectPlugin;

inline constexpr std::uint32_t kEffectChunkBytes = 65520;
inline constexpr int kEffectJobKind = 5;

// Run states of an effect job.
enum EffectJobState : int {
    kJobRunning = 1,
    kJobFinished = 2,
    kJobCancelRequested = 3,
    kJobAborted = 4,
    kJobFailed = 5,
};

enum class EffectPhase { Before = 1, Selection = 2, After = 3 };

struct EffectRequest {
    std::string sourcePath;  // the working copy; never written
    std::string outputPath;  // created; deleted again on cancel or failure
    // Selection in sample frames, either order; equal ends (no selection) = the whole file.
    std::uint32_t selectionStart = 0;
    std::uint32_t selectionEnd = 0;
    std::uint32_t caret = 0;
    // Called on the worker before every chunk of every phase; lets a caller watch the phases.
    std::function<void(EffectPhase)> beforeChunk;
};

// The process record of one application. The worker writes progress, state and result; any
// thread reads them; the GUI thread requests a stop with cancel().
class EffectJob {
public:
    explicit EffectJob(EffectPlugin* subject) : m_subject(subject) {}

    int kind() const { return kEffectJobKind; }
    int progress() const { return m_progress.load(); }
    int state() const { return m_state.load(); }
    int result() const { return m_result.load(); }
    EffectPlugin* subject() const { return m_subject; }

    // Any thread: the plug-in's AbortEffectProcessing, state 3 and result 129. The worker stops
    // before its next chunk.
    void cancel();
    bool cancelRequested() const { return m_state.load() == kJobCancelRequested; }

    // The worker's body: state and result set at the end as the job's thread does.
    void run(const EffectRequest& request);

    // Written by DoEffectProcessing.
    void setProgress(int percent) { m_progress.store(percent); }
    void setState(int state) { m_state.store(state); }

private:
    EffectPlugin* m_subject;
    std::atomic<int> m_progress{0};
    std::atomic<int> m_state{kJobRunning};
    std::atomic<int> m_result{0};
};

// Streams request.sourcePath through the job's plug-in into request.outputPath: 0 with the
// output complete; 129 when cancelled; else a message number (the plug-in's codes translated).
// The output file is removed whenever the result is not 0.
int DoEffectProcessing(EffectJob& job, const EffectRequest& request);

// One application on its own thread.
class EffectRun {
public:
    EffectRun(EffectPlugin* plugin, EffectRequest request);
    ~EffectRun();  // waits for the worker
    EffectRun(const EffectRun&) = delete;
    EffectRun& operator=(const EffectRun&) = delete;

    // 0, or 386 when no thread can be started.
    int start();
    EffectJob& job() { return m_job; }
    bool running() const;
    // Waits for the worker, checking every 10 ms, and returns the job's result.
    int wait();

private:
    EffectJob m_job;
    EffectRequest m_request;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
};

// The two moves after a successful application: the working copy becomes the undo file, the
// output takes its place. 0; 177 when the working copy cannot become the undo file (the output
// is deleted and the working copy left as it was); 137 when the output cannot take its place
// (the undo file is moved back, the output deleted).
int InstallEffectOutput(const EditFiles& files, const std::string& output);

}  // namespace sonthra
