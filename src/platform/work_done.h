// A worker thread that has just finished says so here, so that whatever watches its progress
// from the GUI (the progress window) looks again at once instead of at its next timer tick: a
// short operation then ends when it is done, not up to a tick later. Without a watcher
// installed nothing happens. Both calls are safe from any thread.
#pragma once

namespace sonthra {

using WorkDoneWatcher = void (*)();

void SetWorkDoneWatcher(WorkDoneWatcher watcher);
void NotifyWorkDone();

}  // namespace sonthra
