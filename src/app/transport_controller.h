// The transport as one state instead of a handful of flags: stopped, level test, playing,
// paused or recording, with what each state carries (who holds the busy flag, the insert
// target of a recording, the last levels, the clipping lights, the recording label's flashing)
// and the decisions the 50 ms timer makes. Plain C++; the main window makes the engine calls
// and draws, and asks this before each. Call from the GUI thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/transport_rules.h"

namespace sonthra {

enum class TransportState { Stopped, LevelTest, Playing, Paused, Recording };

class TransportController {
public:
    TransportState State() const { return m_state; }
    // Playing or paused: the engine holds a playback.
    bool IsPlaying() const { return m_state == TransportState::Playing || IsPaused(); }
    bool IsPaused() const { return m_state == TransportState::Paused; }
    bool IsRecording() const { return m_state == TransportState::Recording; }
    bool IsLevelTesting() const { return m_state == TransportState::LevelTest; }
    // Edits, entry fields and format changes wait while audio plays or records.
    bool BlocksEditing() const { return IsPlaying() || IsRecording(); }

    // Each transition is made after the engine agreed. One that the state does not allow
    // changes nothing and returns false: a level test starts only from Stopped, a playback
    // from Stopped (the level test having been stopped first), a recording from Stopped.
    bool LevelTestStarted() { return move(TransportState::Stopped, TransportState::LevelTest); }
    bool LevelTestStopped() { return move(TransportState::LevelTest, TransportState::Stopped); }
    bool PlaybackStarted();
    bool PlaybackPaused() { return move(TransportState::Playing, TransportState::Paused); }
    bool PlaybackResumed() { return move(TransportState::Paused, TransportState::Playing); }
    bool PlaybackStopped();
    bool RecordingStarted();
    bool RecordingStopped() { return move(TransportState::Recording, TransportState::Stopped); }

    // Stop pressed by the user, as opposed to the engine reaching the end by itself.
    bool stopRequested = false;
    // Whether the running playback or recording took the busy flag and must give it back.
    bool playbackHoldsBusy = false;
    bool recordingHoldsBusy = false;

    // A recording into the open document's audio: recorded into its own file, then pasted at
    // the position.
    struct InsertTarget {
        bool active = false;
        std::string file;
        std::uint32_t position = 0;
    };
    InsertTarget insert;

    // What one tick of the 50 ms timer reads and shows.
    struct TickPlan {
        bool recordPosition = false;  // the recording's length into the caret read-out
        bool inputLevels = false;     // recording or level test
        bool flashLabel = false;      // the "Recording" label
        bool followPlayback = false;  // the caret, ruler and read-outs follow the heard frame
        bool outputLevels = false;
    };
    TickPlan Tick() const;

    // The recording label after one more tick: true when its colour changed, on every fifth.
    bool FlashTick();
    bool LabelRed() const { return m_labelRed; }
    void ResetLabel();

    // Levels (0..100) read in a tick. The lights to switch on now: none unless the transport
    // is active and a channel went over the clipping level.
    ClippingLights LevelsRead(int left, int right);

    // What the meters and the clipping lights show, channel 0 left.
    void SetMeters(double left, double right);
    double MeterPosition(int channel) const { return m_meters[channel & 1]; }
    void SetClipping(int channel, bool on) { m_clipping[channel & 1] = on; }
    bool ClippingShown(int channel) const { return m_clipping[channel & 1]; }

private:
    bool move(TransportState from, TransportState to);

    TransportState m_state = TransportState::Stopped;
    int m_labelTicks = 0;
    bool m_labelRed = true;
    int m_levels[2] = {0, 0};
    double m_meters[2] = {0, 0};
    bool m_clipping[2] = {false, false};
};

}  // namespace sonthra
