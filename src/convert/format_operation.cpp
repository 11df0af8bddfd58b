#include "convert/format_operation.h"

namespace sonthra {

FormatConversion::FormatConversion() {
    m_hooks.cancelConversion = [this] { AudioConvertCancelPressed(m_handle); };
    m_hooks.isOver = [this] { return AudioConvertProcessIsOver(m_handle) == 1; };
    m_hooks.processProgress = [this] { return AudioConvertGetProcessProgress(m_handle); };
    m_hooks.reasonForProcessExit = [this] {
        return static_cast<int>(AudioConvertGetReasonForProcessExit(m_handle));
    };
}

FormatConversion::~FormatConversion() {
    AudioConvertCloseHandle(&m_handle);
}

int FormatConversion::start(const std::string& source, const std::string& destination,
                            std::span<const unsigned char> format) {
    if (m_handle) return FormatCodeToMessage(kFmtCannotStartWorker);
    const int code = AudioConvert(source, destination, format, &m_handle, 0);
    if (code != kFmtOk) {
        m_record.engineExitReason = code;
        m_record.runState = RunState::Failed;
        return FormatCodeToMessage(code);
    }
    over();
    return 0;
}

bool FormatConversion::over() {
    if (m_handle && m_record.active()) PollProcess(m_record, false, m_hooks);
    return !m_record.running();
}

void FormatConversion::wait() {
    if (!m_handle) return;
    WaitForWork([this] { return AudioConvertProcessIsOver(m_handle) == 1; });
    m_record.engineExitReason = AudioConvertGetReasonForProcessExit(m_handle);
    m_record.progress = AudioConvertGetProcessProgress(m_handle);
    if (m_record.active()) m_record.runState = RunState::Finished;
}

int FormatConversion::progress() {
    over();
    return m_record.progress.load();
}

void FormatConversion::cancel() {
    PollProcess(m_record, true, m_hooks);
}

int FormatConversion::result() const {
    const int error = m_record.programError.load();
    if (error != 0) return error;
    return FormatCodeToMessage(m_record.engineExitReason.load());
}

}  // namespace sonthra
