// The main window as the transport controller sees it: timers, meters, clipping lights, the play
// and pause buttons, the recording label, the questions of a recording and taking the recorded
// audio into the display. A friend of the window; it holds no state of its own.
#pragma once

#include "app/transport_controller.h"

namespace sonthra {

class TMainForm;

class WindowTransportSurface final : public TransportSurface {
public:
    explicit WindowTransportSurface(TMainForm& form) : m_form(form) {}

    void StartTimer() override;
    void StopTimer() override;
    void StartClippingTimer() override;
    void StopClippingTimer() override;
    void DrawMeters(double left, double right) override;
    void DrawClippingLight(int channel, bool on) override;
    void DrawRecordingLabel(bool red) override;
    void ShowPlayButtons() override;
    void ShowPauseButton(bool fromStart) override;
    void SetPauseChecked(bool on) override;
    void EngineError(int error) override;
    void HoldBusy() override;
    void ReleaseBusy() override;
    void HideEntries() override;
    bool WorkingCopyReady(bool wait) override;
    bool HasView() const override;
    std::uint32_t Caret() const override;
    Selection ViewSelection() const override;
    void MoveCaret(std::uint32_t frames) override;
    void ShowRecordedFrames(std::uint32_t frames) override;
    void FollowView() override;
    void ShowPositions() override;
    void CommandsFor(TransportState state) override;
    bool LevelTestWanted() const override;
    void LevelTestFormat(std::uint32_t& rate, int& bits, int& channels) const override;
    RecordInto AskRecordInto() override;
    bool NewRecordingDocument() override;
    std::string TempPreference() const override;
    void ShowNumberedMessage(int message) override;
    int RecordSource() const override;
    void SetRecordButton(bool down) override;
    void ShowRecording(bool on) override;
    bool ViewShowsWhole() const override;
    bool InsertRecording(const std::string& work, std::uint32_t position,
                         const std::string& clip) override;
    void ShowRecordedAudio(bool insert, bool wasWhole, std::uint32_t position,
                           std::uint32_t recorded) override;
    void CommandsAfterRecording(const AudioDocument& document) override;

private:
    TMainForm& m_form;
};

}  // namespace sonthra
