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

// Play and Play from Start in place of a released Pause, as when nothing plays.
void TMainForm::showPlayButtons() {
    auto* pause = findChild<QAbstractButton*>("PauseButton");
    pause->hide();
    pause->setChecked(false);
    findChild<QWidget*>("PlayButton")->show();
    findChild<QWidget*>("PlayFromStartButton")->show();
}

void TMainForm::setEmptyViewText(const QString& text) {
    if (RIZI32DaziVereruz* view = CurrentView()) view->setNoSamplePresentText(text);
    if (TLUM32Overview* overview = CurrentOverview()) overview->setNoSamplePresentText(text);
}

void TMainForm::setMeters(double left, double right) {
    m_transport.SetMeters(left, right);
    m_meters[0]->setProgress(static_cast<float>(left));
    m_meters[1]->setProgress(static_cast<float>(right));
}

void TMainForm::setClippingLight(int channel, bool on) {
    m_transport.SetClipping(channel, on);
    paintClippingLight(channel, on ? m_clippingLit : m_clippingUnlit);
}

void TMainForm::resetClipping() {
    m_clippingTimer->stop();
    setClippingLight(0, false);
    setClippingLight(1, false);
}

void TMainForm::readLevels(bool playback) {
    int left = 0;
    int right = 0;
    if (playback) {
        m_engine->AudioGetPlaybackLevel(&left, &right);
    } else {
        m_engine->AudioGetRecordLevel(&left, &right);
    }
    setMeters(left / 100.0, right / 100.0);
    const ClippingLights lights = m_transport.LevelsRead(left, right);
    if (lights.any()) {
        if (lights.left) setClippingLight(0, true);
        if (lights.right) setClippingLight(1, true);
        m_clippingTimer->start();
    }
}

void TMainForm::flashRecordingLabel() {
    if (!m_transport.FlashTick()) return;
    auto* label = findChild<QLabel*>("RecordingLabel");
    label->setStyleSheet(m_transport.LabelRed()
                             ? "QLabel#RecordingLabel { background: red; color: white; }"
                             : "QLabel#RecordingLabel { background: transparent; color: white; }");
    label->setText(" Recording ");
}

void TMainForm::PlayRecTimerTimer() {
    if (m_engine == nullptr) return;
    const TransportController::TickPlan plan = m_transport.Tick();
    if (plan.recordPosition) {
        ShowCaretPosition(m_engine->AudioGetRecordPosition(1), sonthra::PositionMode::Samples);
    }
    if (plan.inputLevels) readLevels(false);
    if (plan.flashLabel) flashRecordingLabel();
    if (plan.followPlayback) {
        // The display scrolls to keep its caret in view; the ruler and the frame follow it.
        if (RIZI32DaziVereruz* view = CurrentView()) {
            view->setCaretPositionBySamples(m_engine->AudioGetPosition(1));
        }
        updateScaleAndFrame();
        showViewPositions();
    }
    if (plan.outputLevels) readLevels(true);
}

void TMainForm::ClippingTimerTimer() {
    resetClipping();
}

void TMainForm::StartLevelTest() {
    if (m_engine == nullptr || m_transport.BlocksEditing() || m_transport.IsLevelTesting()) return;
    m_playRecTimer->setInterval(kTimerMs);
    const RecordFormat format = RecordingFormat();
    if (m_engine->AudioStartRecordLevelTest(format.sampleRate, format.bitsPerSample,
                                            format.channels) == 0) {
        m_transport.LevelTestStarted();
        m_playRecTimer->start();
    }
}

void TMainForm::StopLevelTest() {
    if (m_engine == nullptr || !m_transport.IsLevelTesting()) return;
    m_transport.LevelTestStopped();
    m_playRecTimer->stop();
    if (m_engine->AudioStopRecordLevelTest() == 0) {
        setMeters(0, 0);
        resetClipping();
    }
}

void TMainForm::startLevelTestIfWanted() {
    if (m_engine == nullptr) return;
    // The Preferences window holds the switch as the user last confirmed it in this run.
    const bool wanted = m_preferences != nullptr ? m_preferences->GetAlwaysTestLevels()
                        : m_settings != nullptr  ? m_settings->readAlwaysTestLevels().value
                                                 : false;
    if (wanted) StartLevelTest();
}

void TMainForm::Play(std::uint32_t first, std::uint32_t last) {
    AudioDocument* document = m_documents.current();
    if (m_engine == nullptr || document == nullptr || m_transport.IsRecording()) return;
    if (m_transport.IsLevelTesting()) StopLevelTest();
    if (m_transport.IsPlaying()) {
        if (m_transport.IsPaused()) {
            m_engine->AudioResume();
            m_transport.PlaybackResumed();
            m_playRecTimer->start();
        }
        return;
    }
    if (!m_transport.playbackHoldsBusy) {
        holdBusy();
        m_transport.playbackHoldsBusy = true;
    }
    m_readouts->HideEntries();
    // The user's own file plays until the working copy is complete.
    const std::string file = EnsureWorkingCopy(false) ? document->workFile : document->fileName;
    m_playRecTimer->setInterval(kTimerMs);
    const int error = m_engine->AudioPlayWave(file, first, 1, 0, 0, last);
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        showPlayButtons();
        m_transport.playbackHoldsBusy = false;
        releaseBusy();
        return;
    }
    m_transport.PlaybackStarted();
    m_playRecTimer->start();
    SetCommandState(kStatePlaying);
}

void TMainForm::PlayButtonClick() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr || !HasAudio(*document) || m_transport.IsRecording()) return;
    if (m_transport.IsPlaying() && !m_transport.IsPaused()) return;
    if (!m_transport.IsPlaying()) {
        findChild<QWidget*>("PlayButton")->hide();
        findChild<QWidget*>("PauseButton")->show();
    }
    const RIZI32DaziVereruz* view = CurrentView();
    const FrameRange range = PlayRange(view != nullptr ? view->CaretPositionBySamples() : 0,
                                       selectionOf(view), document->frames);
    Play(range.first, range.last);
}

void TMainForm::PlayFromStartButtonClick() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr || !HasAudio(*document) || m_transport.IsRecording()) return;
    if (!m_transport.IsPlaying()) {
        findChild<QWidget*>("PlayFromStartButton")->hide();
        findChild<QWidget*>("PauseButton")->show();
    }
    Play(0, 0);
}

void TMainForm::PauseButtonClick() {
    auto* pause = findChild<QAbstractButton*>("PauseButton");
    if (m_engine == nullptr || !m_transport.IsPlaying()) {
        pause->setChecked(false);
        return;
    }
    if (m_transport.IsPaused()) {
        m_engine->AudioResume();
        m_transport.PlaybackResumed();
        m_playRecTimer->start();
        pause->setChecked(false);
    } else {
        m_engine->AudioPause();
        m_transport.PlaybackPaused();
        m_playRecTimer->stop();
        pause->setChecked(true);
    }
}

void TMainForm::StopPlayback() {
    if (m_engine == nullptr) return;
    m_playRecTimer->stop();
    const int error = m_engine->AudioStop();
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        return;
    }
    showPlayButtons();
    m_transport.PlaybackStopped();
    setMeters(0, 0);
    resetClipping();
    RIZI32DaziVereruz* view = CurrentView();
    const Selection selection = selectionOf(view);
    if (view != nullptr && selection.present()) view->setCaretPositionBySamples(selection.high());
    showViewPositions();
    updateScaleAndFrame();
    SetCommandState(kStateStopped);
    startLevelTestIfWanted();
    if (m_transport.playbackHoldsBusy) {
        m_transport.playbackHoldsBusy = false;
        releaseBusy();
    }
}

void TMainForm::StopButtonClick() {
    if (m_transport.IsPlaying()) {
        m_transport.stopRequested = true;
        StopPlayback();
    } else if (m_transport.IsRecording()) {
        StopRecording();
    }
    FocusView();
}

// The engine played the last frame by itself (message 0x465).
void TMainForm::EndOfPlayback() {
    RIZI32DaziVereruz* view = CurrentView();
    const AudioDocument* document = m_documents.current();
    if (!m_transport.stopRequested && view != nullptr && document != nullptr &&
        !selectionOf(view).present()) {
        view->setCaretPositionBySamples(document->frames > 0 ? document->frames - 1 : 0);
        updateScaleAndFrame();
        showViewPositions();
    }
    StopPlayback();
}

void TMainForm::EngineNotice(unsigned message) {
    if (message == kEndOfPlaybackMessage && m_transport.IsPlaying()) EndOfPlayback();
}

void TMainForm::FastForwardButtonClick() {
    const AudioDocument* document = m_documents.current();
    if (m_engine == nullptr || document == nullptr || !m_transport.IsPlaying()) return;
    const std::optional<std::uint32_t> target =
        ForwardTarget(m_engine->AudioGetPosition(1), document->frames);
    if (target) {
        m_engine->AudioMoveTo(*target, 1);
    } else {
        StopPlayback();
    }
}

void TMainForm::RewindButtonClick() {
    const AudioDocument* document = m_documents.current();
    if (m_engine == nullptr || document == nullptr || !m_transport.IsPlaying()) return;
    const std::uint32_t target = RewindTarget(m_engine->AudioGetPosition(1), document->frames);
    m_engine->AudioMoveTo(target, 1);
    if (RIZI32DaziVereruz* view = CurrentView()) view->setCaretPositionBySamples(target);
    showViewPositions();
}

void TMainForm::SkipToStartButtonClick() {
    RIZI32DaziVereruz* view = CurrentView();
    if (m_engine == nullptr || view == nullptr) return;
    const std::uint32_t target = GoToStartTarget(selectionOf(view));
    if (m_transport.IsPlaying()) m_engine->AudioMoveTo(target, 1);
    view->setCaretPositionBySamples(target);
    showViewPositions();
    updateScaleAndFrame();
}

void TMainForm::SkipToEndButtonClick() {
    RIZI32DaziVereruz* view = CurrentView();
    const AudioDocument* document = m_documents.current();
    if (m_engine == nullptr || view == nullptr || document == nullptr) return;
    const std::uint32_t target = GoToEndTarget(selectionOf(view), document->frames);
    if (m_transport.IsPlaying()) {
        if (target == document->frames) {
            StopPlayback();
        } else {
            m_engine->AudioMoveTo(target, 1);
        }
    }
    view->setCaretPositionBySamples(target);
    showViewPositions();
    updateScaleAndFrame();
}

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
    m_playRecTimer->setInterval(kTimerMs);
    const int error = m_engine->AudioStartRecord(
        file, document->sampleRate, document->bitsPerSample, document->channels,
        m_mixerPanel->Sources().current);
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        if (m_transport.insert.active) RemoveFile(m_transport.insert.file);
        m_transport.insert.active = false;
        m_transport.insert.file.clear();
        return giveUp();
    }
    m_transport.RecordingStarted();
    m_transport.recordingHoldsBusy = true;
    m_playRecTimer->start();
    findChild<QLabel*>("RecordingLabel")->show();
    setEmptyViewText("Recording...");
    findChild<QAbstractButton*>("StartStopRecordingButton")->setChecked(true);
    SetCommandState(kStateRecording);
}

void TMainForm::StopRecording() {
    const int error = m_engine->AudioStopRecord();
    m_transport.RecordingStopped();
    m_playRecTimer->stop();
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        releaseRecordButton();
    }
    findChild<QLabel*>("RecordingLabel")->hide();
    setMeters(0, 0);
    ShowCaretPosition(0, sonthra::PositionMode::Samples);
    setEmptyViewText("No sample present");
    resetClipping();

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
    startLevelTestIfWanted();
    if (m_transport.recordingHoldsBusy) {
        m_transport.recordingHoldsBusy = false;
        releaseBusy();
    }
}

}  // namespace sonthra
