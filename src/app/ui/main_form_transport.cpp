// The transport: play, pause, stop, the go-to and 5 % moves, the 50 ms timer that moves the
// caret and feeds the meters, the clipping lights, the input level test, and recording into a
// new document or into the open one at the caret.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/document_files.h"
#include "app/temp_names.h"
#include "app/transport_rules.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/readout_bar.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/overview.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr int kTimerMs = 50;
constexpr int kRecordInOpenFile = 433;
constexpr int kRecordingSizeUnknown = 370;

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

// ---- Recording: the question, a new document or the insert target, and what was recorded
// taken into the document.

void TMainForm::releaseRecordButton() {
    findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(false);
}

void TMainForm::StartStopRecordingButtonClick() {
    auto* button = findChild<QAbstractButton*>("StartStopRecordingButton");
    if (m_engine == nullptr || m_transport.IsPlaying()) {
        button->setChecked(m_transport.IsRecording());
        return;
    }
    if (m_transport.IsRecording()) {
        StopRecording();
        return;
    }
    // Busy from the recording format window on, so that no handed-over file opens meanwhile.
    holdBusy();
    if (m_documents.current() == nullptr) {
        RecordFormat format;
        if (!AskRecordingFormat(format) || NewDocument(format) != 0) {
            releaseRecordButton();
            releaseBusy();
            return;
        }
    }
    StartRecording();
    releaseBusy();
}

void TMainForm::StartRecording() {
    holdBusy();
    AudioDocument* document = m_documents.current();
    m_transport.insert.active = false;
    auto giveUp = [this] {
        releaseRecordButton();
        releaseBusy();
    };
    if (HasAudio(*document)) {
        const DialogAnswer answer = AskMessage(m_dialogs, this, kRecordInOpenFile,
                                               DialogButtons::YesNoCancel, DialogIcon::Question);
        if (answer == DialogAnswer::Cancel) return giveUp();
        if (answer == DialogAnswer::Yes) {
            if (!EnsureWorkingCopy(true)) return giveUp();
            m_transport.insert.file = ReserveTempName(tempPreference());
            if (m_transport.insert.file.empty()) {
                ShowMessage(m_dialogs, this, kTempFileNotMade);
                return giveUp();
            }
            m_transport.insert.active = true;
            m_transport.insert.position =
                CurrentView() != nullptr ? CurrentView()->CaretPositionBySamples() : 0;
        } else {
            RecordFormat format;
            if (!AskRecordingFormat(format) || NewDocument(format) != 0) return giveUp();
            document = m_documents.current();
        }
    } else if (!EnsureWorkingCopy(true)) {
        // An opened empty file is recorded into once its working copy exists.
        return giveUp();
    }
    m_readouts->HideEntries();
    StopLevelTest();

    // The recording takes the document's own format, so that an inserted recording always fits
    // the audio it goes into.
    const std::string file = m_transport.insert.active ? m_transport.insert.file : document->workFile;
    if (m_transport.BeginRecording(file, document->sampleRate, document->bitsPerSample,
                                   document->channels, m_mixerPanel->Sources().current) != 0) {
        if (m_transport.insert.active) RemoveFile(m_transport.insert.file);
        m_transport.insert.active = false;
        m_transport.insert.file.clear();
        return giveUp();
    }
    findChild<QLabel*>("RecordingLabel")->show();
    setEmptyViewText("Recording...");
    findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(true);
    SetCommandState(kStateRecording);
}

void TMainForm::StopRecording() {
    if (m_transport.EndRecording() != 0) releaseRecordButton();
    findChild<QLabel*>("RecordingLabel")->hide();
    ShowCaretPosition(0, sonthra::PositionMode::Samples);
    setEmptyViewText("No sample present");

    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    const bool insert = m_transport.insert.active;
    const std::uint32_t position = m_transport.insert.position;
    m_transport.insert.active = false;
    bool pasted = true;
    bool wasWhole = true;
    std::uint32_t recorded = 0;
    if (insert) {
        const std::string clip = std::exchange(m_transport.insert.file, std::string());
        wasWhole = view->ZoomLevel() == view->MaxZoomLevel();
        if (probeWave(clip, &recorded, nullptr) != 0) {
            ShowMessage(m_dialogs, this, kRecordingSizeUnknown);
            RemoveFile(clip);
            releaseRecordButton();
            m_transport.recordingHoldsBusy = false;
            releaseBusy();
            return;
        }
        const std::string work = document->workFile;
        pasted = RunEngineEdit("Preparing...", [this, &work, position, &clip](std::uint32_t* h) {
                     return m_engine->AudioPasteEx(work, position, 1, h, 0, clip, std::string());
                 }) == 0;
        RemoveFile(clip);
        if (!pasted) releaseRecordButton();
    }
    if (pasted) {
        const std::uint32_t zoom = view->ZoomLevel();
        const std::uint32_t left = view->LeftSamplePos();
        if (RunPeakBuild(*view, document->workFile, false, true, kBuildingPeaks) != 0) {
            releaseRecordButton();
            view->ResetDisplay();
            m_docs->NewDocumentCommands();
        } else {
            if (wasWhole || !insert) {
                zoomToFit(*view);
            } else {
                view->RenderView(zoom, left);
            }
            if (buildOverview(document->workFile, true) != 0) {
                releaseRecordButton();
                m_docs->NewDocumentCommands();
            }
            if (insert) view->SetSelection(position, position + recorded);
        }
        const int formatError = m_docs->ReadSampleFormat(*document, document->workFile);
        if (formatError != 0) ShowEngineError(m_dialogs, this, formatError);
        updateDocumentDisplay();
    }
    if (document->state == DocumentState::Clean) document->state = DocumentState::Modified;
    document->tagOnly = false;
    SetCommandState(kStateRecordingStopped);
    setCommandEnabled("FileRevertMenu", document->state != DocumentState::New);
    setCommandEnabled("FileSaveMenu", true);
    SetCommandState(selectionOf(view).present() ? kStateSelection : kStateNoSelection);
    ShowParts(document);
    releaseRecordButton();
    m_transport.StartLevelTestIfWanted();
    if (m_transport.recordingHoldsBusy) {
        m_transport.recordingHoldsBusy = false;
        releaseBusy();
    }
}

}  // namespace sonthra
