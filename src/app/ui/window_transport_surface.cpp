#include "app/ui/window_transport_surface.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTimer>

#include "app/ui/command_states.h"
#include "app/ui/document_views.h"
#include "app/ui/level_meters.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/readout_bar.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/wave_display.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kTimerMs = 50;
constexpr int kRecordInOpenFile = 433;

Selection selectionOf(const RIZI32DaziVereruz* view) {
    if (view == nullptr) return {};
    return {view->SelectionStartPos(), view->SelectionEndPos()};
}

}  // namespace

void WindowTransportSurface::StartTimer() {
    m_form.m_playRecTimer->setInterval(kTimerMs);
    m_form.m_playRecTimer->start();
}
void WindowTransportSurface::StopTimer() {
    m_form.m_playRecTimer->stop();
}
void WindowTransportSurface::StartClippingTimer() {
    m_form.m_levelMeters->StartClippingTimer();
}
void WindowTransportSurface::StopClippingTimer() {
    m_form.m_levelMeters->StopClippingTimer();
}

void WindowTransportSurface::DrawMeters(double left, double right) {
    m_form.m_levelMeters->SetLevels(left, right);
}

void WindowTransportSurface::DrawClippingLight(int channel, bool on) {
    m_form.m_levelMeters->ShowClipping(channel, on);
}

void WindowTransportSurface::DrawRecordingLabel(bool red) {
    auto* label = m_form.findChild<QLabel*>("RecordingLabel");
    label->setStyleSheet(red ? "QLabel#RecordingLabel { background: red; color: white; }"
                             : "QLabel#RecordingLabel { background: transparent; color: white; }");
    label->setText(" Recording ");
}

// Play and Play from Start in place of a released Pause, as when nothing plays.
void WindowTransportSurface::ShowPlayButtons() {
    auto* pause = m_form.findChild<QAbstractButton*>("PauseButton");
    pause->hide();
    pause->setChecked(false);
    m_form.findChild<QWidget*>("PlayButton")->show();
    m_form.findChild<QWidget*>("PlayFromStartButton")->show();
}

void WindowTransportSurface::ShowPauseButton(bool fromStart) {
    m_form.findChild<QWidget*>(fromStart ? "PlayFromStartButton" : "PlayButton")->hide();
    m_form.findChild<QWidget*>("PauseButton")->show();
}

void WindowTransportSurface::SetPauseChecked(bool on) {
    m_form.findChild<QAbstractButton*>("PauseButton")->setChecked(on);
}

void WindowTransportSurface::EngineError(int error) {
    ShowEngineError(m_form.m_dialogs, &m_form, error);
}
void WindowTransportSurface::HoldBusy() {
    m_form.m_session.HoldBusy();
}
void WindowTransportSurface::ReleaseBusy() {
    m_form.m_session.ReleaseBusy();
}
void WindowTransportSurface::HideEntries() {
    m_form.m_readouts->HideEntries();
}
bool WindowTransportSurface::WorkingCopyReady(bool wait) {
    return m_form.Session().EnsureWorkingCopy(wait);
}
bool WindowTransportSurface::HasView() const {
    return m_form.CurrentView() != nullptr;
}
std::uint32_t WindowTransportSurface::Caret() const {
    return m_form.CurrentView()->CaretPositionBySamples();
}
Selection WindowTransportSurface::ViewSelection() const {
    return selectionOf(m_form.CurrentView());
}
void WindowTransportSurface::MoveCaret(std::uint32_t frames) {
    m_form.CurrentView()->setCaretPositionBySamples(frames);
}
void WindowTransportSurface::ShowRecordedFrames(std::uint32_t frames) {
    m_form.View().ShowCaretPosition(frames, sonthra::PositionMode::Samples);
}
void WindowTransportSurface::FollowView() {
    if (m_form.m_parts) m_form.m_parts->FollowView();
}
void WindowTransportSurface::ShowPositions() {
    m_form.m_view.ShowViewPositions();
}

void WindowTransportSurface::CommandsFor(TransportState state) {
    m_form.SetCommandState(state == TransportState::Playing     ? kStatePlaying
                           : state == TransportState::Recording ? kStateRecording
                                                                : kStateStopped);
}

// The Preferences window holds the switch as the user last confirmed it in this run.
bool WindowTransportSurface::LevelTestWanted() const {
    return m_form.m_prefs->LevelTestWanted();
}

void WindowTransportSurface::LevelTestFormat(std::uint32_t& rate, int& bits, int& channels) const {
    const RecordFormat format = m_form.m_prefs->RecordingFormat();
    rate = format.sampleRate;
    bits = format.bitsPerSample;
    channels = format.channels;
}

// ---- Recording: the sequence is the transport controller's; the window asks, shows and takes
// the recorded audio into the display.

RecordInto WindowTransportSurface::AskRecordInto() {
    const DialogAnswer answer = AskMessage(m_form.m_dialogs, &m_form, kRecordInOpenFile,
                                           DialogButtons::YesNoCancel, DialogIcon::Question);
    return answer == DialogAnswer::Cancel ? RecordInto::Cancel
           : answer == DialogAnswer::Yes  ? RecordInto::Insert
                                          : RecordInto::NewDocument;
}

bool WindowTransportSurface::NewRecordingDocument() {
    RecordFormat format;
    return m_form.m_prefs->AskRecordingFormat(format) && m_form.Files().NewDocument(format) == 0;
}

std::string WindowTransportSurface::TempPreference() const {
    return m_form.m_session.TempPreference();
}

void WindowTransportSurface::ShowNumberedMessage(int message) {
    ShowMessage(m_form.m_dialogs, &m_form, message);
}
int WindowTransportSurface::RecordSource() const {
    return m_form.m_mixerPanel->Sources().current;
}

void WindowTransportSurface::SetRecordButton(bool down) {
    m_form.findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(down);
}

void WindowTransportSurface::ShowRecording(bool on) {
    m_form.findChild<QLabel*>("RecordingLabel")->setVisible(on);
    m_form.setEmptyViewText(on ? "Recording..." : "No sample present");
}

bool WindowTransportSurface::ViewShowsWhole() const {
    const RIZI32DaziVereruz* view = m_form.CurrentView();
    return view->ZoomLevel() == view->MaxZoomLevel();
}

bool WindowTransportSurface::InsertRecording(const std::string& work, std::uint32_t position,
                                             const std::string& clip) {
    TMainForm& form = m_form;
    return form.m_edit->RunEngineEdit(
               "Preparing...", [&form, &work, position, &clip](std::uint32_t* h) {
                   return form.m_engine->AudioPasteEx(work, position, 1, h, 0, clip, std::string());
               }) == 0;
}

void WindowTransportSurface::ShowRecordedAudio(bool insert, bool wasWhole, std::uint32_t position,
                                               std::uint32_t recorded) {
    AudioDocument* document = m_form.m_documents.current();
    RIZI32DaziVereruz* view = m_form.CurrentView();
    const std::uint32_t zoom = view->ZoomLevel();
    const std::uint32_t left = view->LeftSamplePos();
    if (m_form.m_parts->RunPeakBuild(*view, document->workFile, false, true, kBuildingPeaks) != 0) {
        SetRecordButton(false);
        view->ResetDisplay();
        m_form.m_docs->NewDocumentCommands();
    } else {
        if (wasWhole || !insert) {
            m_form.m_parts->ZoomToFit(*view);
        } else {
            view->RenderView(zoom, left);
        }
        if (m_form.m_parts->BuildOverview(document->workFile, true) != 0) {
            SetRecordButton(false);
            m_form.m_docs->NewDocumentCommands();
        }
        if (insert) view->SetSelection(position, position + recorded);
    }
    const int formatError = m_form.m_docs->ReadSampleFormat(*document, document->workFile);
    if (formatError != 0) ShowEngineError(m_form.m_dialogs, &m_form, formatError);
    m_form.updateDocumentDisplay();
}

void WindowTransportSurface::CommandsAfterRecording(const AudioDocument& document) {
    m_form.SetCommandState(kStateRecordingStopped);
    m_form.setCommandEnabled("FileRevertMenu", document.state != DocumentState::New);
    m_form.setCommandEnabled("FileSaveMenu", true);
    m_form.SetCommandState(selectionOf(m_form.CurrentView()).present() ? kStateSelection
                                                                       : kStateNoSelection);
    m_form.m_parts->ShowParts(&document);
}

}  // namespace sonthra
