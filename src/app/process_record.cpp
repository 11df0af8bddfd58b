#include "app/process_record.h"

#include "messages/message_table.h"

namespace sonthra {

int ProcessRecord::result() const {
    const int error = programError.load();
    if (error != 0) return error;
    return EngineErrorToMessage(engineExitReason.load());
}

}  // namespace sonthra
