// The main window as the view controller sees it: the current display, the ruler, the
// overview's frame, the zoom panel and the commands. A friend of the window; it holds no state
// of its own.
#pragma once

#include "app/ui/view_controller.h"

namespace sonthra {

class TMainForm;

class WindowViewSurface final : public ViewSurface {
public:
    explicit WindowViewSurface(TMainForm& form) : m_form(form) {}

    RIZI32DaziVereruz* CurrentView() const override;
    void UpdateRuler(const RIZI32DaziVereruz& view) override;
    void FollowView() override;
    void SyncOverviewFrame() override;
    void ShowZoom(std::uint32_t zoom) override;
    void SwitchCommands(int state) override;
    void FocusView() override;
    RecordFormat RecordingFormat() const override;

private:
    TMainForm& m_form;
};

}  // namespace sonthra
