// The audio engine's devices, playback, recording and input level test, over PortAudio.
// Each call returns 0 or an engine error number (engine/engine_errors.h), which the caller
// shows through EngineErrorToMessage; positions are sample frames, levels run from 0 to 100.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace sonthra {

class CaptureStream;
struct SequenceSnapshot;
class PaDevices;
class PlaybackStream;
class PlaySource;

// Receives the engine's notices. It is called on one of the engine's own threads, so it should
// only hand the message over to its owner's thread (a queued event) and return; it must not
// call back into the engine.
using CallbackWindow =
    std::function<void(unsigned message, std::intptr_t wparam, std::intptr_t lparam)>;

// Posted when playback has played its last frame by itself (not after AudioStop).
inline constexpr unsigned kEndOfPlaybackMessage = 0x465;

// Descriptions are at most this long, terminating zero included.
inline constexpr int kDeviceDescriptionSize = 256;

struct AudioFileInfo {
    std::uint16_t bitsPerSample = 0;
    std::uint16_t channels = 0;
    std::uint32_t lengthMs = 0;
    std::uint32_t sampleRate = 0;
};

// One engine object per program (tests may hold two). Call every method from the same thread
// (the GUI thread). One playback, recording or level test runs at a time: starting playback
// or a recording ends a running level test; otherwise a second activity is refused with
// 101 (playback running) or 206 (recording running).
class AudioIO {
public:
    AudioIO();
    // Stops whatever runs; a recording is closed as a complete file.
    ~AudioIO();
    AudioIO(const AudioIO&) = delete;
    AudioIO& operator=(const AudioIO&) = delete;

    // The folder for the engine's temporary files. 322 when it is not a writable folder.
    int SetTempPath(const std::string& folder);
    const std::string& tempPath() const { return m_tempPath; }
    int SetCallbackWindow(CallbackWindow callback);

    // Devices. Index -1 is the system's default device.
    int GetNumberOfInputDevices();
    // text must hold kDeviceDescriptionSize characters. 154 for an unknown index.
    int GetInputDeviceDescription(int index, char* text);
    // 153 when the system has no default recording device.
    int GetPreferredInputDeviceIndex(int* index);
    // 155 for an unknown index. Takes effect from the next recording or level test.
    int SelectInputDevice(int index);
    int GetNumberOfOutputDevices();
    int GetOutputDeviceDescription(int index, char* text);
    int GetPreferredOutputDeviceIndex(int* index);
    // Takes effect from the next playback.
    int SelectOutputDevice(int index);
    int selectedInputDevice() const { return m_inputIndex; }
    int selectedOutputDevice() const { return m_outputIndex; }

    // Whether input device `device` (-1 = default) records this PCM format directly: 0 when it
    // does, 201 when it does not, 155 for an unknown device.
    int IsInputFormatSupported(int device, std::uint32_t sampleRate, int bitsPerSample,
                               int channels);

    // Format and length of a PCM WAV file. flags0 and flags1 are passed as 0 and 1.
    int AudioGetFileInfo(AudioFileInfo* info, const std::string& file, int flags0 = 0,
                         int flags1 = 1);

    // Plays frames [first, last) in the background (last 0 = to the end of the file) from an
    // 8- or 16-bit, mono or stereo PCM WAV file at any rate. The constants are passed as
    // (1, 0, 0).
    int AudioPlayWave(const std::string& file, std::uint32_t first, int one, int zero1, int zero2,
                      std::uint32_t last);
    // Plays frames [first, last) (last 0 = to the end) of a document's audio as the snapshot
    // holds it, with the same rules.
    int AudioPlaySequence(std::shared_ptr<const SequenceSnapshot> snapshot, std::uint64_t first,
                          std::uint64_t last);
    int AudioPause();
    int AudioResume();
    int AudioStop();
    int AudioMoveTo(std::uint32_t position, int one = 1);
    // The frame being heard now.
    std::uint32_t AudioGetPosition(int one = 1);
    int AudioGetPlaybackLevel(int* left, int* right);
    bool isPlaying() const;
    // Whether the playback ended because its device stopped taking audio (unplugged, its sound
    // server gone) rather than at its end; asked after the end-of-playback notice.
    bool playbackDeviceLost() const;
    // Device buffers of the current or last playback that the reader could not fill in time.
    std::uint64_t playbackUnderruns() const;

    // Records into a new WAV file (an existing one is replaced). The input source is chosen
    // through the mixer; its index is accepted here for the call's sake.
    int AudioStartRecord(const std::string& file, std::uint32_t sampleRate, int bitsPerSample,
                         int channels, int inputSource);
    // Ends the recordings started from now on after this many frames (0, the default: no
    // limit); the recording goes on running until it is stopped, without storing more.
    void setRecordFrameLimit(std::uint64_t frames) { m_recordFrameLimit = frames; }
    // Frames recorded so far.
    std::uint32_t AudioGetRecordPosition(int one = 1);
    int AudioGetRecordLevel(int* left, int* right);
    // Closes the file; 301 when part of the audio could not be written (a full disk), 204 when
    // the device stopped delivering during the recording (what came until then is kept).
    int AudioStopRecord();
    bool isRecording() const { return m_recording; }
    // Whether the recording's device has stopped delivering (unplugged, its sound server gone):
    // the recording should be stopped, since nothing more will come.
    bool recordDeviceLost() const;
    // Whether the recording's file has refused audio (a full disk, the 4 GB a WAV file can
    // hold): the recording should be stopped, since nothing more will be stored.
    bool recordStoreFailed() const;
    // Either of the two: the recording has ended in all but name.
    bool recordingCutOff() const { return recordDeviceLost() || recordStoreFailed(); }
    // Frames of the current or last recording that the device delivered but the writer had no
    // room for.
    std::uint64_t recordFramesLost() const;

    int AudioStartRecordLevelTest(std::uint32_t sampleRate, int bitsPerSample, int channels);
    int AudioStopRecordLevelTest();
    bool isLevelTesting() const { return m_levelTesting; }

private:
    void post(unsigned message, std::intptr_t wparam, std::intptr_t lparam);
    // Frees a playback that has already ended by itself.
    void reapFinishedPlayback();
    // Checks that playback may start now and gives its device: 0 or the refusal.
    int playbackDevice(int* device);
    int startPlayback(std::unique_ptr<PlaySource> source, std::uint64_t first, std::uint64_t last,
                      int device);
    int startCapture(const std::string& file, std::uint32_t sampleRate, int bitsPerSample,
                     int channels, std::uint64_t frameLimit);

    std::unique_ptr<PaDevices> m_devices;
    std::unique_ptr<PlaybackStream> m_playback;
    std::unique_ptr<CaptureStream> m_capture;
    bool m_recording = false;
    bool m_levelTesting = false;
    int m_inputIndex = -1;
    int m_outputIndex = -1;
    std::string m_tempPath;
    std::uint32_t m_lastPosition = 0;
    std::uint64_t m_recordFrameLimit = 0;
    std::uint64_t m_lastUnderruns = 0;
    std::uint64_t m_lastFramesLost = 0;

    std::mutex m_callbackMutex;
    CallbackWindow m_callback;
};

}  // namespace sonthra
