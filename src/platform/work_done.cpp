#include "platform/work_done.h"

#include <atomic>

namespace sonthra {

namespace {
std::atomic<WorkDoneWatcher> g_watcher{nullptr};
}  // namespace

void SetWorkDoneWatcher(WorkDoneWatcher watcher) {
    g_watcher.store(watcher);
}

void NotifyWorkDone() {
    if (const WorkDoneWatcher watcher = g_watcher.load()) watcher();
}

}  // namespace sonthra
