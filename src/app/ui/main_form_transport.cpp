// The transport in the window: the buttons forwarded to the transport controller, and what the
// controller asks of the window: timers, meters, clipping lights, the play and pause buttons,
// the recording label, the questions of a recording and taking the recorded audio in.
#include <QAbstractButton>
#include <QLabel>
#include <QTimer>

#include "app/transport_rules.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/readout_bar.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/overview.h"

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

// ---- The transport's buttons and timers, forwarded to the transport controller.

void TMainForm::PlayButtonClick() { m_transport.PlayButtonClick(); }
void TMainForm::PlayFromStartButtonClick() { m_transport.PlayFromStartButtonClick(); }
void TMainForm::PauseButtonClick() { m_transport.PauseButtonClick(); }
void TMainForm::SkipToStartButtonClick() { m_transport.SkipToStartButtonClick(); }
void TMainForm::SkipToEndButtonClick() { m_transport.SkipToEndButtonClick(); }
void TMainForm::RewindButtonClick() { m_transport.RewindButtonClick(); }
void TMainForm::FastForwardButtonClick() { m_transport.FastForwardButtonClick(); }
void TMainForm::PlayRecTimerTimer() { m_transport.PlayRecTimerTimer(); }
void TMainForm::ClippingTimerTimer() { m_transport.ClippingTimerTimer(); }

void TMainForm::StopButtonClick() {
    if (m_transport.IsRecording()) {
        StopRecording();
    } else {
        m_transport.StopButtonClick();
    }
    FocusView();
}

// ---- The transport controller's view of this window.

void TMainForm::StartTimer() {
    m_playRecTimer->setInterval(kTimerMs);
    m_playRecTimer->start();
}
void TMainForm::StopTimer() { m_playRecTimer->stop(); }
void TMainForm::StartClippingTimer() { m_clippingTimer->start(); }
void TMainForm::StopClippingTimer() { m_clippingTimer->stop(); }

void TMainForm::DrawMeters(double left, double right) {
    m_meters[0]->setProgress(static_cast<float>(left));
    m_meters[1]->setProgress(static_cast<float>(right));
}

void TMainForm::DrawClippingLight(int channel, bool on) {
    paintClippingLight(channel, on ? m_clippingLit : m_clippingUnlit);
}

void TMainForm::DrawRecordingLabel(bool red) {
    auto* label = findChild<QLabel*>("RecordingLabel");
    label->setStyleSheet(red ? "QLabel#RecordingLabel { background: red; color: white; }"
                             : "QLabel#RecordingLabel { background: transparent; color: white; }");
    label->setText(" Recording ");
}

// Play and Play from Start in place of a released Pause, as when nothing plays.
void TMainForm::ShowPlayButtons() {
    auto* pause = findChild<QAbstractButton*>("PauseButton");
    pause->hide();
    pause->setChecked(false);
    findChild<QWidget*>("PlayButton")->show();
    findChild<QWidget*>("PlayFromStartButton")->show();
}

void TMainForm::ShowPauseButton(bool fromStart) {
    findChild<QWidget*>(fromStart ? "PlayFromStartButton" : "PlayButton")->hide();
    findChild<QWidget*>("PauseButton")->show();
}

void TMainForm::SetPauseChecked(bool on) {
    findChild<QAbstractButton*>("PauseButton")->setChecked(on);
}

void TMainForm::EngineError(int error) { ShowEngineError(m_dialogs, this, error); }
void TMainForm::HideEntries() { m_readouts->HideEntries(); }
bool TMainForm::HasView() const { return CurrentView() != nullptr; }
std::uint32_t TMainForm::Caret() const { return CurrentView()->CaretPositionBySamples(); }
Selection TMainForm::ViewSelection() const { return selectionOf(CurrentView()); }
void TMainForm::MoveCaret(std::uint32_t frames) { CurrentView()->setCaretPositionBySamples(frames); }
void TMainForm::ShowRecordedFrames(std::uint32_t frames) {
    ShowCaretPosition(frames, sonthra::PositionMode::Samples);
}

void TMainForm::CommandsFor(TransportState state) {
    SetCommandState(state == TransportState::Playing     ? kStatePlaying
                    : state == TransportState::Recording ? kStateRecording
                                                         : kStateStopped);
}

// The Preferences window holds the switch as the user last confirmed it in this run.
bool TMainForm::LevelTestWanted() const {
    return m_preferences != nullptr ? m_preferences->GetAlwaysTestLevels()
           : m_settings != nullptr  ? m_settings->readAlwaysTestLevels().value
                                    : false;
}

void TMainForm::LevelTestFormat(std::uint32_t& rate, int& bits, int& channels) const {
    const RecordFormat format = RecordingFormat();
    rate = format.sampleRate;
    bits = format.bitsPerSample;
    channels = format.channels;
}

void TMainForm::setEmptyViewText(const QString& text) {
    if (RIZI32DaziVereruz* view = CurrentView()) view->setNoSamplePresentText(text);
    if (TLUM32Overview* overview = CurrentOverview()) overview->setNoSamplePresentText(text);
}

// ---- Recording: the sequence is the transport controller's; the window asks, shows and takes
// the recorded audio into the display.

void TMainForm::StartStopRecordingButtonClick() {
    if (m_engine == nullptr) return SetRecordButton(false);
    m_transport.StartStopRecordingButtonClick();
}
void TMainForm::StopRecording() {
    m_transport.StopRecording();
}

RecordInto TMainForm::AskRecordInto() {
    const DialogAnswer answer = AskMessage(m_dialogs, this, kRecordInOpenFile,
                                           DialogButtons::YesNoCancel, DialogIcon::Question);
    return answer == DialogAnswer::Cancel ? RecordInto::Cancel
           : answer == DialogAnswer::Yes  ? RecordInto::Insert
                                          : RecordInto::NewDocument;
}

bool TMainForm::NewRecordingDocument() {
    RecordFormat format;
    return AskRecordingFormat(format) && NewDocument(format) == 0;
}

void TMainForm::ShowNumberedMessage(int message) {
    ShowMessage(m_dialogs, this, message);
}
int TMainForm::RecordSource() const {
    return m_mixerPanel->Sources().current;
}

void TMainForm::SetRecordButton(bool down) {
    findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(down);
}

void TMainForm::ShowRecording(bool on) {
    findChild<QLabel*>("RecordingLabel")->setVisible(on);
    setEmptyViewText(on ? "Recording..." : "No sample present");
}

bool TMainForm::ViewShowsWhole() const {
    const RIZI32DaziVereruz* view = CurrentView();
    return view->ZoomLevel() == view->MaxZoomLevel();
}

bool TMainForm::InsertRecording(const std::string& work, std::uint32_t position,
                                const std::string& clip) {
    return m_edit->RunEngineEdit("Preparing...", [this, &work, position, &clip](std::uint32_t* h) {
        return m_engine->AudioPasteEx(work, position, 1, h, 0, clip, std::string());
    }) == 0;
}

void TMainForm::ShowRecordedAudio(bool insert, bool wasWhole, std::uint32_t position,
                                  std::uint32_t recorded) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    const std::uint32_t zoom = view->ZoomLevel();
    const std::uint32_t left = view->LeftSamplePos();
    if (RunPeakBuild(*view, document->workFile, false, true, kBuildingPeaks) != 0) {
        SetRecordButton(false);
        view->ResetDisplay();
        m_docs->NewDocumentCommands();
    } else {
        if (wasWhole || !insert) {
            zoomToFit(*view);
        } else {
            view->RenderView(zoom, left);
        }
        if (buildOverview(document->workFile, true) != 0) {
            SetRecordButton(false);
            m_docs->NewDocumentCommands();
        }
        if (insert) view->SetSelection(position, position + recorded);
    }
    const int formatError = m_docs->ReadSampleFormat(*document, document->workFile);
    if (formatError != 0) ShowEngineError(m_dialogs, this, formatError);
    updateDocumentDisplay();
}

void TMainForm::CommandsAfterRecording(const AudioDocument& document) {
    SetCommandState(kStateRecordingStopped);
    setCommandEnabled("FileRevertMenu", document.state != DocumentState::New);
    setCommandEnabled("FileSaveMenu", true);
    SetCommandState(selectionOf(CurrentView()).present() ? kStateSelection : kStateNoSelection);
    ShowParts(&document);
}

}  // namespace sonthra
