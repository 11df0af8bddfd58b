// The transport as one state instead of a handful of flags: stopped, level test, playing,
// paused or recording, with what each state carries (who holds the busy flag, the insert
// target of a recording, the last levels, the clipping lights, the recording label's flashing),
// the decisions the 50 ms timer makes, and the engine calls of play, pause, stop, the moves,
// the level test and the recording's start and end. Plain C++; the main window is its
// TransportSurface and draws what it is told. Call from the GUI thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/transport_rules.h"

namespace sonthra {

class AudioDocument;
class AudioIO;
class DocumentList;

enum class TransportState { Stopped, LevelTest, Playing, Paused, Recording };

// Where a recording goes when the open document already holds audio: into it at the caret, into
// a new document, or nowhere (the user cancelled).
enum class RecordInto { Insert, NewDocument, Cancel };

// What the transport needs from the window that shows it.
class TransportSurface {
public:
    virtual ~TransportSurface() = default;
    // The 50 ms tick and the 3 s clipping timer.
    virtual void StartTimer() = 0;
    virtual void StopTimer() = 0;
    virtual void StartClippingTimer() = 0;
    virtual void StopClippingTimer() = 0;
    virtual void DrawMeters(double left, double right) = 0;
    virtual void DrawClippingLight(int channel, bool on) = 0;
    virtual void DrawRecordingLabel(bool red) = 0;
    // Play and Play from Start, or Pause in their place (pressed or released).
    virtual void ShowPlayButtons() = 0;
    virtual void ShowPauseButton(bool fromStart) = 0;
    virtual void SetPauseChecked(bool on) = 0;
    virtual void EngineError(int error) = 0;
    virtual void HoldBusy() = 0;
    virtual void ReleaseBusy() = 0;
    // The read-outs' entry fields close while audio plays or records.
    virtual void HideEntries() = 0;
    virtual bool WorkingCopyReady(bool wait) = 0;
    // The current display: whether there is one, its caret and its selection.
    virtual bool HasView() const = 0;
    virtual std::uint32_t Caret() const = 0;
    virtual Selection ViewSelection() const = 0;
    // The caret moves (scrolled into view); the caret read-out shows a recording's length.
    virtual void MoveCaret(std::uint32_t frames) = 0;
    virtual void ShowRecordedFrames(std::uint32_t frames) = 0;
    // The ruler and the overview frame follow the view; the read-outs follow the caret.
    virtual void FollowView() = 0;
    virtual void ShowPositions() = 0;
    // The commands of a transport state (Playing, Stopped, Recording).
    virtual void CommandsFor(TransportState state) = 0;
    // Whether the input level is tested whenever nothing plays, and in which format.
    virtual bool LevelTestWanted() const = 0;
    virtual void LevelTestFormat(std::uint32_t& rate, int& bits, int& channels) const = 0;

    // Recording. The question asked when the document already holds audio.
    virtual RecordInto AskRecordInto() = 0;
    // Asks the recording format and makes a new document in it: false when cancelled or failed.
    virtual bool NewRecordingDocument() = 0;
    // The folder the user chose for temporary files (an inserted recording goes there first).
    virtual std::string TempPreference() const = 0;
    virtual void ShowNumberedMessage(int message) = 0;
    // The input source recorded from.
    virtual int RecordSource() const = 0;
    virtual void SetRecordButton(bool down) = 0;
    // The "Recording" label and the empty display's "Recording..." text, or neither.
    virtual void ShowRecording(bool on) = 0;
    // Whether the display shows the whole file (an insert keeps a closer zoom where it was).
    virtual bool ViewShowsWhole() const = 0;
    // Pastes clip into work at position as an edit with progress: false when it failed (shown).
    virtual bool InsertRecording(const std::string& work, std::uint32_t position,
                                 const std::string& clip) = 0;
    // The display, overview, format and status read again after recorded audio came in; an
    // inserted recording is selected.
    virtual void ShowRecordedAudio(bool insert, bool wasWhole, std::uint32_t position,
                                   std::uint32_t recorded) = 0;
    // The commands of a document that was just recorded into.
    virtual void CommandsAfterRecording(const AudioDocument& document) = 0;
};

class TransportController {
public:
    TransportController() = default;
    // Without an engine or a surface every command does nothing.
    void Attach(AudioIO* engine, TransportSurface* surface, DocumentList* documents) {
        m_engine = engine;
        m_surface = surface;
        m_documents = documents;
    }

    // Transport commands.
    void PlayButtonClick();
    void PlayFromStartButtonClick();
    void PauseButtonClick();
    void StopButtonClick();
    void StopPlayback();
    void SkipToStartButtonClick();
    void SkipToEndButtonClick();
    void RewindButtonClick();
    void FastForwardButtonClick();
    void StartLevelTest();
    void StopLevelTest();
    // A level test when the user wants one whenever nothing plays.
    void StartLevelTestIfWanted();
    // The 50 ms timer and the clipping timer.
    void PlayRecTimerTimer();
    void ClippingTimerTimer() { resetClipping(); }
    // A notice of the engine (0x465: the playback reached its end by itself).
    void EngineNotice(unsigned message);
    // The record button: stops a recording, or starts one (into a new document when none is
    // open; nothing while playing). StartRecording asks where a recording into a document
    // that holds audio goes; StopRecording takes what was recorded into the document.
    void StartStopRecordingButtonClick();
    void StartRecording();
    void StopRecording();
    // The engine records into file in this format from source: 0 or the engine error (shown).
    int BeginRecording(const std::string& file, std::uint32_t rate, int bits, int channels,
                       int source);
    // The engine stops recording and the meters and lights go out: 0 or the engine error
    // (shown).
    int EndRecording();

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
    bool attached() const { return m_engine != nullptr && m_surface != nullptr; }
    void play(std::uint32_t first, std::uint32_t last);
    void endOfPlayback();
    void meters(double left, double right);
    void clippingLight(int channel, bool on);
    void resetClipping();
    void readLevels(bool playback);
    std::uint32_t documentFrames() const;

    AudioIO* m_engine = nullptr;
    TransportSurface* m_surface = nullptr;
    DocumentList* m_documents = nullptr;

    TransportState m_state = TransportState::Stopped;
    int m_labelTicks = 0;
    bool m_labelRed = true;
    int m_levels[2] = {0, 0};
    double m_meters[2] = {0, 0};
    bool m_clipping[2] = {false, false};
};

}  // namespace sonthra
