// The main window as the edit controller sees it: the display's selection and caret, the busy
// flag, and the refresh of peaks, view, overview, read-outs and commands after the working copy
// changed. A friend of the window; it holds no state of its own.
#pragma once

#include "app/ui/edit_controller.h"

namespace sonthra {

class AudioDocument;
class RIZI32DaziVereruz;
class TMainForm;

class WindowEditSurface final : public EditSurface {
public:
    explicit WindowEditSurface(TMainForm& form) : m_form(form) {}

    ShownRange CurrentSelection() const override;
    std::uint32_t CaretReadout() const override;
    bool TransportBusy() const override;
    bool WorkingCopyReady() override;
    void HoldBusy() override;
    void ReleaseBusy() override;
    std::string TempPreference() const override;
    bool RefreshAudio(const RefreshRequest& request) override;
    void PreparePeakRemoval(std::uint32_t first, std::uint32_t last) override;
    void ShowDocument() override;
    void CommandsFromDocument() override;
    void EnableCommand(EditCommand command, bool on) override;
    QWidget* DialogParent() override;

private:
    bool refreshView(RIZI32DaziVereruz& view, AudioDocument& document, std::uint32_t zoom,
                     std::uint32_t caret);

    TMainForm& m_form;
};

}  // namespace sonthra
