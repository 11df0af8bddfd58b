// Change Format's run of the converter as one long operation: the kind-6 process record with
// the converter's process calls behind it, the wait after the progress dialog, and the result
// through the converter's own code table. The edit controller starts it from the working copy
// into a new file, shows it under "Changing Format..." and then moves the files.
//
// Call only from the GUI thread. Destroying it stops a conversion still running and releases
// its handle.
#pragma once

#include <span>
#include <string>

#include "convert/format_convert.h"
#include "dialogs/process_record.h"

namespace sonthra {

class FormatConversion final : public LongOperation {
public:
    FormatConversion();
    ~FormatConversion() override;
    FormatConversion(const FormatConversion&) = delete;
    FormatConversion& operator=(const FormatConversion&) = delete;

    // AudioConvert from source to destination in the format the buffer starts with: 0, or the
    // message number of the converter's refusal. At most once per object.
    int start(const std::string& source, const std::string& destination,
              std::span<const unsigned char> format);
    // True once the conversion has ended (its exit code is then in the record).
    bool over();
    // After the progress dialog: while the record says running or cancel-requested, waits for
    // the converter's end, checking every 10 ms, and stores its exit code.
    void wait();

    int progress() override;
    RunState runState() const override { return m_record.runState.load(); }
    void cancel() override;
    // 0, 129 after a cancel, or the message of the converter's exit code.
    int result() const override;

    ProcessRecord& record() { return m_record; }

private:
    ProcessRecord m_record{ProcessKind::FormatConversion};
    ProcessHooks m_hooks;
    ConvertHandle m_handle = nullptr;
};

}  // namespace sonthra
