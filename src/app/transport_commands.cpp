// The transport's engine calls: play, pause, stop, the go-to and 5 % moves, the 50 ms timer that
// moves the caret and feeds the meters, the clipping lights, the input level test and the start
// and end of a recording.
#include "app/audio_document.h"
#include "app/transport_controller.h"
#include "engine/audio_io.h"
#include "engine/engine_errors.h"

namespace sonthra {

std::uint32_t TransportController::documentFrames() const {
    const AudioDocument* document = m_documents != nullptr ? m_documents->current() : nullptr;
    return document != nullptr ? document->frames : 0;
}

void TransportController::meters(double left, double right) {
    SetMeters(left, right);
    m_surface->DrawMeters(left, right);
}

void TransportController::clippingLight(int channel, bool on) {
    SetClipping(channel, on);
    m_surface->DrawClippingLight(channel, on);
}

void TransportController::resetClipping() {
    if (m_surface == nullptr) return;
    m_surface->StopClippingTimer();
    clippingLight(0, false);
    clippingLight(1, false);
}

void TransportController::readLevels(bool playback) {
    int left = 0;
    int right = 0;
    if (playback) {
        m_engine->AudioGetPlaybackLevel(&left, &right);
    } else {
        m_engine->AudioGetRecordLevel(&left, &right);
    }
    meters(left / 100.0, right / 100.0);
    const ClippingLights lights = LevelsRead(left, right);
    if (lights.any()) {
        if (lights.left) clippingLight(0, true);
        if (lights.right) clippingLight(1, true);
        m_surface->StartClippingTimer();
    }
}

void TransportController::PlayRecTimerTimer() {
    if (!attached()) return;
    if (IsRecording() && m_engine->recordingCutOff()) {
        // Nothing more will come or be stored (the device is gone, the disk is full): the
        // recording ends as Stop ends it, keeping what was written, and the engine's answer
        // says why.
        StopRecording();
        return;
    }
    const TickPlan plan = Tick();
    if (plan.recordPosition) m_surface->ShowRecordedFrames(m_engine->AudioGetRecordPosition(1));
    if (plan.inputLevels) readLevels(false);
    if (plan.flashLabel && FlashTick()) m_surface->DrawRecordingLabel(LabelRed());
    if (plan.followPlayback) {
        // The display scrolls to keep its caret in view; the ruler and the frame follow it.
        if (m_surface->HasView()) m_surface->MoveCaret(m_engine->AudioGetPosition(1));
        m_surface->FollowView();
        m_surface->ShowPositions();
    }
    if (plan.outputLevels) readLevels(true);
}

void TransportController::StartLevelTest() {
    if (!attached() || BlocksEditing() || IsLevelTesting()) return;
    std::uint32_t rate = 0;
    int bits = 0;
    int channels = 0;
    m_surface->LevelTestFormat(rate, bits, channels);
    if (m_engine->AudioStartRecordLevelTest(rate, bits, channels) == 0) {
        LevelTestStarted();
        m_surface->StartTimer();
    }
}

void TransportController::StopLevelTest() {
    if (!attached() || !IsLevelTesting()) return;
    LevelTestStopped();
    m_surface->StopTimer();
    if (m_engine->AudioStopRecordLevelTest() == 0) {
        meters(0, 0);
        resetClipping();
    }
}

void TransportController::StartLevelTestIfWanted() {
    if (attached() && m_surface->LevelTestWanted()) StartLevelTest();
}

void TransportController::play(std::uint32_t first, std::uint32_t last) {
    const AudioDocument* document = m_documents != nullptr ? m_documents->current() : nullptr;
    if (!attached() || document == nullptr || IsRecording()) return;
    if (IsLevelTesting()) StopLevelTest();
    if (IsPlaying()) {
        if (IsPaused()) {
            m_engine->AudioResume();
            PlaybackResumed();
            m_surface->StartTimer();
        }
        return;
    }
    if (!playbackHoldsBusy) {
        m_surface->HoldBusy();
        playbackHoldsBusy = true;
    }
    m_surface->HideEntries();
    // The user's own file plays until the working copy is complete.
    const std::string file =
        m_surface->WorkingCopyReady(false) ? document->workFile : document->fileName;
    const int error = m_engine->AudioPlayWave(file, first, 1, 0, 0, last);
    if (error != 0) {
        m_surface->EngineError(error);
        m_surface->ShowPlayButtons();
        playbackHoldsBusy = false;
        m_surface->ReleaseBusy();
        return;
    }
    PlaybackStarted();
    m_surface->StartTimer();
    m_surface->CommandsFor(TransportState::Playing);
}

void TransportController::PlayButtonClick() {
    const AudioDocument* document = m_documents != nullptr ? m_documents->current() : nullptr;
    if (!attached() || document == nullptr || !HasAudio(*document) || IsRecording()) return;
    if (IsPlaying() && !IsPaused()) return;
    if (!IsPlaying()) m_surface->ShowPauseButton(false);
    const bool view = m_surface->HasView();
    const FrameRange range =
        PlayRange(view ? m_surface->Caret() : 0, view ? m_surface->ViewSelection() : Selection{},
                  document->frames);
    play(range.first, range.last);
}

void TransportController::PlayFromStartButtonClick() {
    const AudioDocument* document = m_documents != nullptr ? m_documents->current() : nullptr;
    if (!attached() || document == nullptr || !HasAudio(*document) || IsRecording()) return;
    if (!IsPlaying()) m_surface->ShowPauseButton(true);
    play(0, 0);
}

void TransportController::PauseButtonClick() {
    if (m_surface == nullptr) return;
    if (m_engine == nullptr || !IsPlaying()) {
        m_surface->SetPauseChecked(false);
        return;
    }
    if (IsPaused()) {
        m_engine->AudioResume();
        PlaybackResumed();
        m_surface->StartTimer();
        m_surface->SetPauseChecked(false);
    } else {
        m_engine->AudioPause();
        PlaybackPaused();
        m_surface->StopTimer();
        m_surface->SetPauseChecked(true);
    }
}

void TransportController::StopPlayback() {
    if (!attached()) return;
    m_surface->StopTimer();
    const int error = m_engine->AudioStop();
    if (error != 0) {
        m_surface->EngineError(error);
        return;
    }
    m_surface->ShowPlayButtons();
    PlaybackStopped();
    meters(0, 0);
    resetClipping();
    if (m_surface->HasView()) {
        const Selection selection = m_surface->ViewSelection();
        if (selection.present()) m_surface->MoveCaret(selection.high());
    }
    m_surface->ShowPositions();
    m_surface->FollowView();
    m_surface->CommandsFor(TransportState::Stopped);
    StartLevelTestIfWanted();
    if (playbackHoldsBusy) {
        playbackHoldsBusy = false;
        m_surface->ReleaseBusy();
    }
}

// Stop of a recording is the window's, which takes the recorded audio in.
void TransportController::StopButtonClick() {
    if (IsPlaying()) {
        stopRequested = true;
        StopPlayback();
    }
}

// The engine played the last frame by itself (message 0x465).
void TransportController::endOfPlayback() {
    const AudioDocument* document = m_documents != nullptr ? m_documents->current() : nullptr;
    if (!stopRequested && m_surface->HasView() && document != nullptr &&
        !m_surface->ViewSelection().present()) {
        m_surface->MoveCaret(document->frames > 0 ? document->frames - 1 : 0);
        m_surface->FollowView();
        m_surface->ShowPositions();
    }
    StopPlayback();
}

void TransportController::EngineNotice(unsigned message) {
    if (!attached() || message != kEndOfPlaybackMessage || !IsPlaying()) return;
    if (m_engine->playbackDeviceLost()) {
        // Not the end of the audio: the caret stays where the sound stopped, and the engine's
        // device error says why.
        StopPlayback();
        m_surface->EngineError(engine_error::kCannotOpenOutputDevice);
        return;
    }
    endOfPlayback();
}

void TransportController::FastForwardButtonClick() {
    if (!attached() || m_documents->current() == nullptr || !IsPlaying()) return;
    const std::optional<std::uint32_t> target =
        ForwardTarget(m_engine->AudioGetPosition(1), documentFrames());
    if (target) {
        m_engine->AudioMoveTo(*target, 1);
    } else {
        StopPlayback();
    }
}

void TransportController::RewindButtonClick() {
    if (!attached() || m_documents->current() == nullptr || !IsPlaying()) return;
    const std::uint32_t target = RewindTarget(m_engine->AudioGetPosition(1), documentFrames());
    m_engine->AudioMoveTo(target, 1);
    if (m_surface->HasView()) m_surface->MoveCaret(target);
    m_surface->ShowPositions();
}

void TransportController::SkipToStartButtonClick() {
    if (!attached() || !m_surface->HasView()) return;
    const std::uint32_t target = GoToStartTarget(m_surface->ViewSelection());
    if (IsPlaying()) m_engine->AudioMoveTo(target, 1);
    m_surface->MoveCaret(target);
    m_surface->ShowPositions();
    m_surface->FollowView();
}

void TransportController::SkipToEndButtonClick() {
    if (!attached() || !m_surface->HasView() || m_documents->current() == nullptr) return;
    const std::uint32_t frames = documentFrames();
    const std::uint32_t target = GoToEndTarget(m_surface->ViewSelection(), frames);
    if (IsPlaying()) {
        if (target == frames) {
            StopPlayback();
        } else {
            m_engine->AudioMoveTo(target, 1);
        }
    }
    m_surface->MoveCaret(target);
    m_surface->ShowPositions();
    m_surface->FollowView();
}

int TransportController::BeginRecording(const std::string& file, std::uint32_t rate, int bits,
                                        int channels, int source) {
    if (!attached()) return 0;
    const int error = m_engine->AudioStartRecord(file, rate, bits, channels, source);
    if (error != 0) {
        m_surface->EngineError(error);
        return error;
    }
    RecordingStarted();
    recordingHoldsBusy = true;
    m_surface->StartTimer();
    return 0;
}

int TransportController::EndRecording() {
    if (!attached()) return 0;
    const int error = m_engine->AudioStopRecord();
    RecordingStopped();
    m_surface->StopTimer();
    if (error != 0) m_surface->EngineError(error);
    meters(0, 0);
    resetClipping();
    return error;
}

}  // namespace sonthra
