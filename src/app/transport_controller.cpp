#include "app/transport_controller.h"

namespace sonthra {

bool TransportController::move(TransportState from, TransportState to) {
    if (m_state != from) return false;
    m_state = to;
    return true;
}

bool TransportController::PlaybackStarted() {
    if (!move(TransportState::Stopped, TransportState::Playing)) return false;
    stopRequested = false;
    return true;
}

// A playback ends from Playing or Paused.
bool TransportController::PlaybackStopped() {
    if (!IsPlaying()) return false;
    m_state = TransportState::Stopped;
    return true;
}

bool TransportController::RecordingStarted() {
    if (!move(TransportState::Stopped, TransportState::Recording)) return false;
    ResetLabel();
    return true;
}

TransportController::TickPlan TransportController::Tick() const {
    TickPlan plan;
    switch (m_state) {
        case TransportState::Recording:
            plan.recordPosition = true;
            plan.inputLevels = true;
            plan.flashLabel = true;
            break;
        case TransportState::LevelTest:
            plan.inputLevels = true;
            break;
        case TransportState::Playing:
        case TransportState::Paused:  // the timer is stopped while paused; a late tick reads on
            plan.followPlayback = true;
            plan.outputLevels = true;
            break;
        case TransportState::Stopped:
            break;
    }
    return plan;
}

bool TransportController::FlashTick() {
    if (++m_labelTicks < kRecordingLabelTicks) return false;
    m_labelTicks = 0;
    m_labelRed = !m_labelRed;
    return true;
}

void TransportController::ResetLabel() {
    m_labelTicks = 0;
    m_labelRed = true;
}

ClippingLights TransportController::LevelsRead(int left, int right) {
    m_levels[0] = left;
    m_levels[1] = right;
    if (m_state == TransportState::Stopped) return {};
    return ClippingFor(left, right);
}

void TransportController::SetMeters(double left, double right) {
    m_meters[0] = left;
    m_meters[1] = right;
}

}  // namespace sonthra
