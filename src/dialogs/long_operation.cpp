#include "dialogs/long_operation.h"

namespace sonthra {

ProgressPollFunction PollOf(LongOperation& operation) {
    return [&operation](bool cancel) -> ProgressPoll {
        if (cancel) {
            operation.cancel();
            return {0, operation.running()};
        }
        const int percent = operation.progress();
        return {percent, operation.running()};
    };
}

}  // namespace sonthra
