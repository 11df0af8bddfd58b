// One shape for every piece of work that runs on a worker while a progress dialog watches it:
// workspace copies, peak building, engine edits, effects, format conversions, uploads. The
// dialog knows nothing about the kind; it asks for progress and run state every 100 ms, passes
// on a Cancel once, and the caller reads the result after the dialog has closed.
//
// A new kind of work needs no new case anywhere: implement LongOperation (or fill a
// ProcessRecord and wrap it in a RecordOperation, see process_record.h) and hand it to
// UserDialogs::runOperation.
#pragma once

#include <cstdint>
#include <functional>

namespace sonthra {

enum class RunState : std::int32_t {
    Running = 1,
    Finished = 2,
    CancelRequested = 3,
    Cancelled = 4,
    Failed = 5,
};

class LongOperation {
public:
    virtual ~LongOperation() = default;

    // The share done, 0..100 (the dialog clamps it). Asked on the GUI thread before
    // runState() at each poll; an operation that learns of its end from a library call asks
    // that call here.
    virtual int progress() = 0;
    virtual RunState runState() const = 0;
    // The user pressed Cancel or closed the dialog: asked once, on the GUI thread. The worker
    // may still be running afterwards; wait until active() is false before freeing its data.
    virtual void cancel() = 0;
    // After the end: 0 done, 129 cancelled, otherwise a message number.
    virtual int result() const = 0;

    bool running() const { return runState() == RunState::Running; }
    // Running or asked to stop but not yet stopped: the worker may still touch its data.
    bool active() const {
        const RunState s = runState();
        return s == RunState::Running || s == RunState::CancelRequested;
    }
};

// What a progress poll reports: a percentage and whether the operation still runs. The dialog
// calls the poll every 100 ms with cancel = false, and once with cancel = true when the user
// presses Cancel or closes the dialog.
struct ProgressPoll {
    int percent = 0;
    bool running = true;
};
using ProgressPollFunction = std::function<ProgressPoll(bool cancel)>;

// The poll a progress dialog runs over an operation. The operation must outlive the poll.
ProgressPollFunction PollOf(LongOperation& operation);

}  // namespace sonthra
