#include "engine/audio_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/capture.h"
#include "engine/engine_errors.h"
#include "engine/pa_devices.h"
#include "engine/playback.h"
#include "engine/wave_layout.h"

namespace sonthra {
namespace {

int describe(const std::string& name, char* text, int error) {
    if (!text) return error;
    if (name.empty()) {
        text[0] = '\0';
        return error;
    }
    const std::size_t n = std::min<std::size_t>(name.size(), kDeviceDescriptionSize - 1);
    std::memcpy(text, name.data(), n);
    text[n] = '\0';
    return 0;
}

std::uint32_t clampFrames(std::uint64_t frames) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(frames, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

AudioIO::AudioIO() : m_devices(std::make_unique<PaDevices>()) {}

AudioIO::~AudioIO() {
    // Streams go before PortAudio does.
    m_playback.reset();
    m_capture.reset();
    m_devices.reset();
}

int AudioIO::SetTempPath(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        access(folder.c_str(), W_OK | X_OK) != 0)
        return engine_error::kInvalidTempPath;
    m_tempPath = folder;
    return 0;
}

int AudioIO::SetCallbackWindow(CallbackWindow callback) {
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_callback = std::move(callback);
    return 0;
}

void AudioIO::post(unsigned message, std::intptr_t wparam, std::intptr_t lparam) {
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    if (m_callback) m_callback(message, wparam, lparam);
}

int AudioIO::GetNumberOfInputDevices() {
    return m_devices->inputCount();
}

int AudioIO::GetInputDeviceDescription(int index, char* text) {
    return describe(m_devices->inputName(index), text, engine_error::kInputDeviceDescription);
}

int AudioIO::GetPreferredInputDeviceIndex(int* index) {
    const int preferred = m_devices->preferredInput();
    if (!index || preferred < 0) return engine_error::kPreferredInputDevice;
    *index = preferred;
    return 0;
}

int AudioIO::SelectInputDevice(int index) {
    if (m_devices->inputDevice(index) < 0) return engine_error::kInvalidInputDevice;
    m_inputIndex = index;
    return 0;
}

int AudioIO::GetNumberOfOutputDevices() {
    return m_devices->outputCount();
}

int AudioIO::GetOutputDeviceDescription(int index, char* text) {
    return describe(m_devices->outputName(index), text, engine_error::kOutputDeviceDescription);
}

int AudioIO::GetPreferredOutputDeviceIndex(int* index) {
    const int preferred = m_devices->preferredOutput();
    if (!index || preferred < 0) return engine_error::kPreferredOutputDevice;
    *index = preferred;
    return 0;
}

int AudioIO::SelectOutputDevice(int index) {
    if (m_devices->outputDevice(index) < 0) return engine_error::kInvalidOutputDevice;
    m_outputIndex = index;
    return 0;
}

int AudioIO::IsInputFormatSupported(int device, std::uint32_t sampleRate, int bitsPerSample,
                                    int channels) {
    if (m_devices->inputDevice(device) < 0) return engine_error::kInvalidInputDevice;
    return m_devices->inputSupports(device, sampleRate, bitsPerSample, channels)
               ? 0
               : engine_error::kRecordFormatNotSupported;
}

int AudioIO::AudioGetFileInfo(AudioFileInfo* info, const std::string& file, int, int) {
    if (!info) return engine_error::kNoPlaybackFileName;
    *info = AudioFileInfo{};
    if (file.empty()) return engine_error::kNoPlaybackFileName;
    WaveLayout layout;
    const int result = readWaveLayout(file, layout);
    if (result != 0) return result;
    info->bitsPerSample = layout.bitsPerSample;
    info->channels = layout.channels;
    info->sampleRate = layout.sampleRate;
    info->lengthMs = clampFrames(layout.frames() * 1000 / layout.sampleRate);
    return 0;
}

void AudioIO::reapFinishedPlayback() {
    if (m_playback && m_playback->finished()) {
        m_lastPosition = clampFrames(m_playback->position());
        m_lastUnderruns = m_playback->underruns();
        m_playback.reset();
    }
}

std::uint64_t AudioIO::playbackUnderruns() const {
    return m_playback ? m_playback->underruns() : m_lastUnderruns;
}

std::uint64_t AudioIO::recordFramesLost() const {
    return m_recording && m_capture ? m_capture->framesLost() : m_lastFramesLost;
}

bool AudioIO::isPlaying() const {
    return m_playback != nullptr;
}

int AudioIO::AudioPlayWave(const std::string& file, std::uint32_t first, int, int, int,
                           std::uint32_t last) {
    if (file.empty()) return engine_error::kNoPlaybackFileName;
    int device = -1;
    if (const int r = playbackDevice(&device); r != 0) return r;
    std::unique_ptr<PlaySource> source;
    if (const int r = openFileSource(file, &source); r != 0) return r;
    return startPlayback(std::move(source), first, last, device);
}

int AudioIO::AudioPlaySequence(std::shared_ptr<const SequenceSnapshot> snapshot,
                               std::uint64_t first, std::uint64_t last) {
    if (!snapshot) return engine_error::kNoDataToPlay;
    int device = -1;
    if (const int r = playbackDevice(&device); r != 0) return r;
    return startPlayback(sequenceSource(std::move(snapshot)), first, last, device);
}

int AudioIO::playbackDevice(int* device) {
    reapFinishedPlayback();
    if (m_playback) return engine_error::kPlaybackRunning;
    if (m_recording) return engine_error::kRecordingRunning;
    *device = m_devices->outputDevice(m_outputIndex);
    return *device < 0 ? engine_error::kCannotOpenOutputDevice : 0;
}

int AudioIO::startPlayback(std::unique_ptr<PlaySource> source, std::uint64_t first,
                           std::uint64_t last, int device) {
    if (m_levelTesting) AudioStopRecordLevelTest();
    auto playback = std::make_unique<PlaybackStream>([this] { post(kEndOfPlaybackMessage, 0, 0); });
    const int result = playback->start(std::move(source), first, last, device);
    if (result != 0) return result;
    m_playback = std::move(playback);
    m_lastPosition = clampFrames(first);
    return 0;
}

int AudioIO::AudioPause() {
    if (m_playback) m_playback->pause();
    return 0;
}

int AudioIO::AudioResume() {
    if (m_playback) m_playback->resume();
    return 0;
}

bool AudioIO::playbackDeviceLost() const {
    return m_playback && m_playback->deviceLost();
}

int AudioIO::AudioStop() {
    if (!m_playback) return 0;
    m_playback->stop();
    m_lastPosition = clampFrames(m_playback->position());
    m_lastUnderruns = m_playback->underruns();
    m_playback.reset();
    return 0;
}

int AudioIO::AudioMoveTo(std::uint32_t position, int) {
    if (m_playback) m_playback->moveTo(position);
    return 0;
}

std::uint32_t AudioIO::AudioGetPosition(int) {
    if (m_playback) m_lastPosition = clampFrames(m_playback->position());
    return m_lastPosition;
}

int AudioIO::AudioGetPlaybackLevel(int* left, int* right) {
    int l = 0;
    int r = 0;
    if (m_playback) m_playback->levels(l, r);
    if (left) *left = l;
    if (right) *right = r;
    return 0;
}

int AudioIO::startCapture(const std::string& file, std::uint32_t sampleRate, int bitsPerSample,
                          int channels, std::uint64_t frameLimit) {
    const int device = m_devices->inputDevice(m_inputIndex);
    if (device < 0) return engine_error::kRecordDeviceUnusable;
    auto capture = std::make_unique<CaptureStream>();
    const int result =
        capture->start(device, sampleRate, bitsPerSample, channels, file, frameLimit);
    if (result != 0) return result;
    m_capture = std::move(capture);
    return 0;
}

int AudioIO::AudioStartRecord(const std::string& file, std::uint32_t sampleRate, int bitsPerSample,
                              int channels, int) {
    if (m_recording) return engine_error::kRecordingRunning;
    if (file.empty()) return engine_error::kNoRecordFileName;
    reapFinishedPlayback();
    if (m_playback) return engine_error::kPlaybackRunning;
    if (m_levelTesting) AudioStopRecordLevelTest();
    const int result = startCapture(file, sampleRate, bitsPerSample, channels, m_recordFrameLimit);
    if (result == 0) m_recording = true;
    return result;
}

std::uint32_t AudioIO::AudioGetRecordPosition(int) {
    return m_recording && m_capture ? clampFrames(m_capture->framesRecorded()) : 0;
}

bool AudioIO::recordDeviceLost() const {
    return m_recording && m_capture && m_capture->deviceLost();
}

bool AudioIO::recordStoreFailed() const {
    return m_recording && m_capture && m_capture->storeFailed();
}

int AudioIO::AudioGetRecordLevel(int* left, int* right) {
    int l = 0;
    int r = 0;
    if (m_capture) m_capture->levels(l, r);
    if (left) *left = l;
    if (right) *right = r;
    return 0;
}

int AudioIO::AudioStopRecord() {
    if (!m_recording) return 0;
    const int result = m_capture->stop();
    m_lastFramesLost = m_capture->framesLost();
    m_capture.reset();
    m_recording = false;
    return result;
}

int AudioIO::AudioStartRecordLevelTest(std::uint32_t sampleRate, int bitsPerSample, int channels) {
    if (m_recording) return engine_error::kRecordingRunning;
    reapFinishedPlayback();
    if (m_playback) return engine_error::kPlaybackRunning;
    // A second start (a new device or format) replaces the running test.
    if (m_levelTesting) AudioStopRecordLevelTest();
    const int result = startCapture(std::string(), sampleRate, bitsPerSample, channels, 0);
    if (result == 0) m_levelTesting = true;
    return result;
}

int AudioIO::AudioStopRecordLevelTest() {
    if (!m_levelTesting) return 0;
    m_capture->stop();
    m_capture.reset();
    m_levelTesting = false;
    return 0;
}

}  // namespace sonthra
