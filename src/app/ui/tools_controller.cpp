#include "app/ui/tools_controller.h"

#include <QDialog>

#include <algorithm>
#include <cmath>
#include <new>
#include <span>

#include "app/transport_controller.h"
#include "app/ui/document_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/edit_controller.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/view_controller.h"
#include "convert/format_operation.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/edit_commands.h"
#include "edit/position_text.h"
#include "edit/ui/change_format_form.h"
#include "edit/ui/mute_form.h"
#include "edit/ui/silence_forms.h"
#include "messages/message_table.h"
#include "view/ui/wave_display.h"

namespace sonthra {

namespace {

// "Insufficient resource": a tool's window could not be made.
constexpr int kNoWindow = 158;
constexpr const char* kChangingFormat = "Changing Format...";

// The converter's run seen by the progress dialog and the edit run. The converter reports its
// end only when asked, so every look at the run state asks it.
class FormatOperation final : public LongOperation {
public:
    int start(const std::string& source, const std::string& result,
              std::span<const unsigned char> format) {
        return m_run.start(source, result, format);
    }
    int progress() override { return m_run.progress(); }
    RunState runState() const override {
        auto& run = const_cast<FormatConversion&>(m_run);
        run.over();
        return run.runState();
    }
    void cancel() override { m_run.cancel(); }
    int result() const override { return m_run.result(); }

private:
    FormatConversion m_run;
};

// Makes a tool's window, or shows 158 when it cannot be made.
template <class Form, class... Args>
std::unique_ptr<Form> makeWindow(UserDialogs& dialogs, QWidget* owner, Args&&... args) {
    try {
        return std::make_unique<Form>(std::forward<Args>(args)..., dialogs, owner);
    } catch (const std::bad_alloc&) {
        ShowMessage(dialogs, owner, kNoWindow);
        return nullptr;
    }
}

}  // namespace

std::string FormatTransform::caption() const {
    return kChangingFormat;
}

std::unique_ptr<LongOperation> FormatTransform::start(const std::string& source,
                                                      const std::string& result, int& refused) {
    auto operation = std::make_unique<FormatOperation>();
    refused = operation->start(source, result, m_format);
    if (refused != 0) return nullptr;
    return operation;
}

std::uint32_t FramesOfMilliseconds(std::uint32_t milliseconds, std::uint32_t rate) {
    const double frames = std::round(static_cast<double>(milliseconds) * rate / 1000.0);
    return frames >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(frames);
}

bool ToolsController::transportIdle() const {
    return !m_host.transport.IsPlaying() && !m_host.transport.IsRecording();
}

bool ToolsController::hasDocument() const {
    return m_host.session.Current() != nullptr && m_host.currentView() != nullptr;
}

int ToolsController::EditMuteMenuClick() {
    if (!transportIdle() || !hasDocument()) return 0;
    BusyHold busy(m_host.session);
    auto window =
        makeWindow<TMuteForm>(m_dialogs, &m_host.window, m_host.session.Current()->channels);
    if (window == nullptr) return kNoWindow;
    if (window->exec() != QDialog::Accepted) return kCancelled;
    const int channels = window->Choice();
    window.reset();
    return m_host.edit.EditWorkingCopy(EditOperation::Mute, static_cast<std::uint32_t>(channels));
}

int ToolsController::EditTrimSilenceMenuClick() {
    if (!transportIdle() || !hasDocument() || m_settings == nullptr) return 0;
    BusyHold busy(m_host.session);
    auto window = makeWindow<TTrimSilenceForm>(m_dialogs, &m_host.window, *m_settings);
    if (window == nullptr) return kNoWindow;
    if (window->exec() != QDialog::Accepted) return kCancelled;
    const std::uint16_t threshold = window->Threshold();
    window.reset();
    return m_host.edit.EditWorkingCopy(EditOperation::TrimSilence, threshold);
}

int ToolsController::EditInsertSilenceMenuClick() {
    if (!transportIdle() || m_settings == nullptr) return 0;
    BusyHold busy(m_host.session);
    auto window = makeWindow<TInsertSilenceForm>(m_dialogs, &m_host.window, *m_settings);
    if (window == nullptr) return kNoWindow;
    if (window->exec() != QDialog::Accepted) return kCancelled;
    const std::uint32_t milliseconds = window->Milliseconds();
    window.reset();

    // Without a document the silence goes into a new untitled one.
    if (!hasDocument()) {
        const int made = m_host.files.NewDocument(m_host.recordingFormat());
        if (made != 0 || !hasDocument()) return made != 0 ? made : kCancelled;
    }
    RIZI32DaziVereruz* view = m_host.currentView();
    const std::uint32_t position =
        PasteInsertionPoint(view->SelectionStartPos(), view->SelectionEndPos(),
                            m_host.view.ReadCaretBox(sonthra::PositionMode::Samples));
    const int result = m_host.edit.EditWorkingCopy(EditOperation::InsertSilence, milliseconds);
    if (result != 0) return result;

    // The inserted silence is selected.
    view = m_host.currentView();
    const AudioDocument* document = m_host.session.Current();
    if (view == nullptr || document == nullptr) return 0;
    const std::uint32_t total = view->TotalSamples();
    const std::uint32_t start = std::min(position, total);
    const std::uint32_t length = FramesOfMilliseconds(milliseconds, document->sampleRate);
    const std::uint32_t end = std::min<std::uint64_t>(std::uint64_t{start} + length, total);
    view->SetSelection(start, end);
    m_host.view.WaveformBaseSelection(view, start, end);
    return 0;
}

int ToolsController::EditChangeFormatMenuClick() {
    if (!transportIdle() || !hasDocument()) return 0;
    BusyHold busy(m_host.session);
    if (!m_host.session.EnsureWorkingCopy(true)) return kCancelled;

    // The chooser starts at the document's format.
    std::vector<unsigned char> format(kWaveFormatBytes, 0);
    encodeWaveFormat(m_host.session.Current()->format, format.data());
    std::uint32_t size = static_cast<std::uint32_t>(format.size());
    int chosen =
        AudioShowConvertDialog(&m_host.window, "Choose Format", format.data(), &size, 1, m_dialogs);
    if (chosen == kChooserBufferTooSmall) {
        format.assign(size, 0);
        encodeWaveFormat(m_host.session.Current()->format, format.data());
        chosen = AudioShowConvertDialog(&m_host.window, "Choose Format", format.data(), &size, 1,
                                        m_dialogs);
    }
    if (chosen == kChooserCancelled) return kCancelled;
    if (chosen != kChooserOk)
        return ShowMessage(m_dialogs, &m_host.window, FormatCodeToMessage(chosen));

    FormatTransform conversion(std::move(format));
    const int result = m_host.edit.RunTransform(conversion, RefreshKind::Rebuild, 0);
    if (result != 0) return result;
    // A new format is seen whole, from its start.
    m_host.view.ZoomToExtentsButtonClick();
    m_host.view.PlaceCaret(0);
    m_host.view.ShowCaretPosition(0, sonthra::PositionMode::Samples);
    return 0;
}

}  // namespace sonthra
