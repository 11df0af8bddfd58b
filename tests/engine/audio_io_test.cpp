// The engine against a real sound server: a PulseAudio null sink whose monitor source hears
// everything played into it. PulseAudio's own tools (parecord, paplay) are the independent
// judges in each direction.
#include "engine/audio_io.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/child_process.h"
#include "engine/engine_errors.h"
#include "engine/wav_maker.h"
#include "engine/wave_layout.h"
#include "sequence/sequence_document.h"

namespace sonthra {
namespace {

using namespace sonthra::test;
using namespace std::chrono_literals;

constexpr std::uint32_t kJudgeRate = 44100;

// Raw 16-bit stereo at kJudgeRate from the null sink's monitor.
std::unique_ptr<ChildProcess> startJudgeRecording() {
    auto child = std::make_unique<ChildProcess>(std::vector<std::string>{
        "parecord", "--raw", "--device=sonthra_null.monitor", "--format=s16le",
        "--rate=" + std::to_string(kJudgeRate), "--channels=2", "--latency-msec=20"});
    // The recorder is running once its first audio arrives.
    for (int i = 0; i < 500 && child->outputSize() == 0; ++i) std::this_thread::sleep_for(10ms);
    return child;
}

std::vector<std::int16_t> toSamples(const std::string& bytes, std::size_t offset = 0) {
    std::vector<std::int16_t> samples(bytes.size() > offset ? (bytes.size() - offset) / 2 : 0);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data() + offset, samples.size() * 2);
    return samples;
}

// Frames in 10 ms windows whose RMS stands clearly above silence.
std::size_t loudFrames(const std::vector<double>& signal, std::uint32_t rate) {
    const std::size_t window = rate / 100;
    std::size_t loud = 0;
    for (std::size_t start = 0; start + window <= signal.size(); start += window) {
        double sum = 0;
        for (std::size_t i = start; i < start + window; ++i) sum += signal[i] * signal[i];
        if (std::sqrt(sum / window) > 1000) loud += window;
    }
    return loud;
}

// Only the loud part of a signal, so the tone check ignores leading and trailing silence.
std::vector<double> loudPart(const std::vector<double>& signal) {
    std::size_t first = 0, last = signal.size();
    while (first < last && std::fabs(signal[first]) < 1000) ++first;
    while (last > first && std::fabs(signal[last - 1]) < 1000) --last;
    return std::vector<double>(signal.begin() + first, signal.begin() + last);
}

template <typename Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Defaults, volumes and mutes back as the fixture set them: other tests share the server.
void resetSoundServer() {
    const char* source = std::getenv("SONTHRA_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    ChildProcess reset({std::string(source) + "/tests/fixtures/pulse-start.sh"});
    ASSERT_EQ(reset.wait(), 0);
}

class AudioIOTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSoundServer();
        engine.SetCallbackWindow([this](unsigned message, std::intptr_t, std::intptr_t) {
            std::lock_guard<std::mutex> lock(mutex);
            messages.push_back(message);
            arrived.notify_all();
        });
    }

    bool waitForEndOfPlayback(std::chrono::milliseconds limit = 20s) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, limit, [&] {
            return std::find(messages.begin(), messages.end(), kEndOfPlaybackMessage) !=
                   messages.end();
        });
    }

    std::vector<unsigned> received() {
        std::lock_guard<std::mutex> lock(mutex);
        return messages;
    }

    std::string toneFile(const std::string& name, std::uint32_t rate, std::uint16_t bits,
                         std::uint16_t channels, double seconds, double frequency = 1000) {
        const std::string path = folder.file(name);
        writeFile(path, pcmWave(rate, bits, channels,
                                makeTone(frequency, rate, channels,
                                         static_cast<std::size_t>(seconds * rate), 0.7)));
        return path;
    }

    TempFolder folder;
    AudioIO engine;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<unsigned> messages;
};

TEST_F(AudioIOTest, DevicesAreListedDescribedAndProbed) {
    ASSERT_GT(engine.GetNumberOfInputDevices(), 0);
    ASSERT_GT(engine.GetNumberOfOutputDevices(), 0);
    char text[kDeviceDescriptionSize];
    for (int index : {-1, 0}) {
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(engine.GetInputDeviceDescription(index, text), 0);
        EXPECT_GT(std::strlen(text), 0u);
        EXPECT_LT(std::strlen(text), sizeof text);
        EXPECT_EQ(engine.GetOutputDeviceDescription(index, text), 0);
        EXPECT_GT(std::strlen(text), 0u);
    }
    const int inputs = engine.GetNumberOfInputDevices();
    const int outputs = engine.GetNumberOfOutputDevices();
    EXPECT_EQ(engine.GetInputDeviceDescription(inputs, text),
              engine_error::kInputDeviceDescription);
    EXPECT_EQ(engine.GetOutputDeviceDescription(-2, text), engine_error::kOutputDeviceDescription);
    EXPECT_EQ(engine.SelectInputDevice(inputs), engine_error::kInvalidInputDevice);
    EXPECT_EQ(engine.SelectOutputDevice(outputs), engine_error::kInvalidOutputDevice);
    EXPECT_EQ(engine.selectedInputDevice(), -1) << "a refused selection changes nothing";

    int preferred = -5;
    ASSERT_EQ(engine.GetPreferredInputDeviceIndex(&preferred), 0);
    EXPECT_GE(preferred, 0);
    EXPECT_LT(preferred, inputs);
    ASSERT_EQ(engine.GetPreferredOutputDeviceIndex(&preferred), 0);
    EXPECT_LT(preferred, outputs);
    EXPECT_EQ(engine.SelectInputDevice(preferred < inputs ? 0 : -1), 0);
    EXPECT_EQ(engine.SelectOutputDevice(-1), 0);

    EXPECT_EQ(engine.IsInputFormatSupported(-1, 44100, 16, 2), 0);
    EXPECT_EQ(engine.IsInputFormatSupported(-1, 8000, 8, 1), 0);
    EXPECT_EQ(engine.IsInputFormatSupported(-1, 44100, 24, 2),
              engine_error::kRecordFormatNotSupported);
    EXPECT_EQ(engine.IsInputFormatSupported(-1, 44100, 16, 3),
              engine_error::kRecordFormatNotSupported);
    EXPECT_EQ(engine.IsInputFormatSupported(inputs, 44100, 16, 2),
              engine_error::kInvalidInputDevice);
}

TEST_F(AudioIOTest, FileInfoGivesFormatAndLength) {
    AudioFileInfo info;
    ASSERT_EQ(engine.AudioGetFileInfo(&info, toneFile("a.wav", 44100, 16, 2, 1.5), 0, 1), 0);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.lengthMs, 1500u);
    EXPECT_EQ(info.sampleRate, 44100u);
    ASSERT_EQ(engine.AudioGetFileInfo(&info, toneFile("b.wav", 11025, 8, 1, 0.2), 0, 1), 0);
    EXPECT_EQ(info.bitsPerSample, 8);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.lengthMs, 200u);

    EXPECT_EQ(engine.AudioGetFileInfo(&info, folder.file("none.wav"), 0, 1),
              engine_error::kCannotOpenWaveFile);
    EXPECT_EQ(info.channels, 0) << "a failure leaves no stale values";
    writeFile(folder.file("float.wav"),
              riff(chunk("fmt ", fmtBody(3, 1, 8000, 32)) + chunk("data", "abcd")));
    EXPECT_EQ(engine.AudioGetFileInfo(&info, folder.file("float.wav"), 0, 1),
              engine_error::kNotPcm);
    EXPECT_EQ(engine.AudioGetFileInfo(&info, "", 0, 1), engine_error::kNoPlaybackFileName);
}

TEST_F(AudioIOTest, PlaybackAndRecordingRefuseBadRequests) {
    writeFile(folder.file("float.wav"),
              riff(chunk("fmt ", fmtBody(3, 1, 8000, 32)) + chunk("data", "abcd")));
    writeFile(folder.file("24bit.wav"),
              riff(chunk("fmt ", fmtBody(1, 1, 8000, 24)) + chunk("data", "abcdef")));
    writeFile(folder.file("text.wav"), "just some text, no wave at all");
    writeFile(folder.file("empty-data.wav"),
              riff(chunk("fmt ", fmtBody(1, 1, 8000, 16)) + chunk("data", "")));
    const std::string tone = toneFile("tone.wav", 8000, 16, 1, 0.5);
    EXPECT_EQ(engine.AudioPlayWave("", 0, 1, 0, 0, 0), engine_error::kNoPlaybackFileName);
    EXPECT_EQ(engine.AudioPlayWave(folder.file("none.wav"), 0, 1, 0, 0, 0),
              engine_error::kCannotOpenWaveFile);
    EXPECT_EQ(engine.AudioPlayWave(folder.file("float.wav"), 0, 1, 0, 0, 0), engine_error::kNotPcm);
    EXPECT_EQ(engine.AudioPlayWave(folder.file("24bit.wav"), 0, 1, 0, 0, 0),
              engine_error::kFormatNotSupported);
    EXPECT_EQ(engine.AudioPlayWave(folder.file("text.wav"), 0, 1, 0, 0, 0),
              engine_error::kNotWaveFile);
    EXPECT_EQ(engine.AudioPlayWave(folder.file("empty-data.wav"), 0, 1, 0, 0, 0),
              engine_error::kNoDataToPlay);
    EXPECT_EQ(engine.AudioPlayWave(tone, 4000, 1, 0, 0, 0), engine_error::kNoDataToPlay);
    EXPECT_EQ(engine.AudioPlayWave(tone, 300, 1, 0, 0, 200), engine_error::kNoDataToPlay);
    EXPECT_FALSE(engine.isPlaying());

    EXPECT_EQ(engine.AudioStartRecord("", 44100, 16, 2, 0), engine_error::kNoRecordFileName);
    EXPECT_EQ(engine.AudioStartRecord(folder.file("r.wav"), 44100, 12, 2, 0),
              engine_error::kRecordFormatNotSupported);
    EXPECT_EQ(engine.AudioStartRecord(folder.file("r.wav"), 0, 16, 2, 0),
              engine_error::kRecordFormatNotSupported);
    EXPECT_EQ(engine.AudioStartRecord(folder.file("no/such/folder/r.wav"), 44100, 16, 2, 0),
              engine_error::kCannotOpenRecordFile);
    EXPECT_FALSE(engine.isRecording());
    EXPECT_EQ(engine.AudioStartRecordLevelTest(44100, 24, 2),
              engine_error::kRecordFormatNotSupported);
    EXPECT_FALSE(engine.isLevelTesting());
    EXPECT_EQ(engine.SetTempPath(folder.file("missing")), engine_error::kInvalidTempPath);
    EXPECT_EQ(engine.SetTempPath(tone), engine_error::kInvalidTempPath);
    EXPECT_EQ(engine.SetTempPath(folder.path()), 0);
    EXPECT_EQ(engine.tempPath(), folder.path());
}

TEST_F(AudioIOTest, OneActivityAtATime) {
    const std::string tone = toneFile("tone.wav", 22050, 16, 2, 3);
    ASSERT_EQ(engine.AudioStartRecordLevelTest(44100, 16, 2), 0);
    EXPECT_TRUE(engine.isLevelTesting());
    // Playback takes over from the level test.
    ASSERT_EQ(engine.AudioPlayWave(tone, 0, 1, 0, 0, 0), 0);
    EXPECT_FALSE(engine.isLevelTesting());
    EXPECT_EQ(engine.AudioPlayWave(tone, 0, 1, 0, 0, 0), engine_error::kPlaybackRunning);
    EXPECT_EQ(engine.AudioStartRecord(folder.file("r.wav"), 44100, 16, 2, 0),
              engine_error::kPlaybackRunning);
    EXPECT_EQ(engine.AudioStartRecordLevelTest(44100, 16, 2), engine_error::kPlaybackRunning);
    EXPECT_FALSE(std::ifstream(folder.file("r.wav")).good()) << "a refused recording makes no file";
    ASSERT_EQ(engine.AudioStop(), 0);
    EXPECT_FALSE(engine.isPlaying());

    ASSERT_EQ(engine.AudioStartRecord(folder.file("r.wav"), 44100, 16, 2, 0), 0);
    EXPECT_EQ(engine.AudioStartRecord(folder.file("r2.wav"), 44100, 16, 2, 0),
              engine_error::kRecordingRunning);
    EXPECT_EQ(engine.AudioPlayWave(tone, 0, 1, 0, 0, 0), engine_error::kRecordingRunning);
    EXPECT_EQ(engine.AudioStartRecordLevelTest(44100, 16, 2), engine_error::kRecordingRunning);
    EXPECT_EQ(engine.AudioStopRecord(), 0);
    EXPECT_EQ(engine.AudioStopRecord(), 0) << "a second stop is harmless";
    EXPECT_TRUE(received().empty()) << "a stopped playback posts no end message";
}

// The engine plays a tone; the server's own recorder hears it at the right frequency and for
// the right length. Runs for a 16-bit stereo file and an 8-bit mono file at another rate.
TEST_F(AudioIOTest, PlayedToneReachesTheSinkAndEndOfPlaybackIsPosted) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits, channels;
    } cases[] = {{44100, 16, 2}, {22050, 8, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bit, " + std::to_string(c.channels) + " ch");
        messages.clear();
        const double seconds = 2.0;
        const std::string file =
            toneFile("tone" + std::to_string(c.bits) + ".wav", c.rate, c.bits, c.channels, 3.0);
        // Plays frames 0.5 s to 2.5 s of the 3 s file.
        const std::uint32_t first = c.rate / 2;
        const std::uint32_t last = first + static_cast<std::uint32_t>(seconds * c.rate);
        auto judge = startJudgeRecording();
        ASSERT_TRUE(judge->started());

        ASSERT_EQ(engine.AudioPlayWave(file, first, 1, 0, 0, last), 0);
        // About a second is already read ahead; what is heard has barely begun.
        const std::uint32_t atStart = engine.AudioGetPosition(1);
        EXPECT_GE(atStart, first);
        EXPECT_LT(atStart, first + c.rate / 2);

        std::uint32_t previous = atStart;
        int loudest = 0;
        bool monotonic = true;
        while (!waitForEndOfPlayback(50ms)) {
            const std::uint32_t now = engine.AudioGetPosition(1);
            monotonic = monotonic && now >= previous && now <= last;
            previous = now;
            int left = -1, right = -1;
            EXPECT_EQ(engine.AudioGetPlaybackLevel(&left, &right), 0);
            EXPECT_EQ(left, right) << "a mono or equal-channel tone shows equal levels";
            loudest = std::max(loudest, left);
            ASSERT_TRUE(engine.isPlaying());
        }
        EXPECT_TRUE(monotonic);
        EXPECT_GT(previous, first + c.rate) << "the position moved through the range";
        EXPECT_GE(loudest, 60) << "a tone at 70 % of full scale";
        EXPECT_LE(loudest, 80);
        EXPECT_GE(engine.AudioGetPosition(1), last - c.rate / 20) << "heard to the end";
        EXPECT_EQ(received(), std::vector<unsigned>{kEndOfPlaybackMessage});
        EXPECT_EQ(engine.playbackUnderruns(), 0u) << "the reader kept the device fed";
        EXPECT_EQ(engine.AudioStop(), 0);

        std::this_thread::sleep_for(200ms);
        judge->terminate();
        const std::vector<std::int16_t> heard = toSamples(judge->output());
        const std::vector<double> left = firstChannel(heard, 2);
        const double expectedFrames = seconds * kJudgeRate;
        EXPECT_NEAR(static_cast<double>(loudFrames(left, kJudgeRate)), expectedFrames,
                    0.05 * kJudgeRate);
        const std::vector<double> tone = loudPart(left);
        EXPECT_GT(tonePower(tone, 1000, kJudgeRate), 0.4);
        EXPECT_LT(tonePower(tone, 1300, kJudgeRate), 0.05);
    }
}

TEST_F(AudioIOTest, PauseHoldsThePositionAndMoveJumps) {
    const std::uint32_t rate = 16000;
    const std::string file = toneFile("long.wav", rate, 16, 1, 8.0);
    ASSERT_EQ(engine.AudioPlayWave(file, 0, 1, 0, 0, 0), 0);
    ASSERT_TRUE(waitFor([&] { return engine.AudioGetPosition(1) > rate / 4; }));

    ASSERT_EQ(engine.AudioPause(), 0);
    // What was already on its way to the speaker still plays; then the position stands still.
    std::this_thread::sleep_for(400ms);
    const std::uint32_t paused = engine.AudioGetPosition(1);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(engine.AudioGetPosition(1), paused);
    int left = -1, right = -1;
    engine.AudioGetPlaybackLevel(&left, &right);
    EXPECT_EQ(left, 0);

    ASSERT_EQ(engine.AudioResume(), 0);
    EXPECT_TRUE(waitFor([&] { return engine.AudioGetPosition(1) > paused + rate / 10; }));

    // A jump shows at once and playback goes on from there.
    const std::uint32_t target = 6 * rate;
    ASSERT_EQ(engine.AudioMoveTo(target, 1), 0);
    EXPECT_EQ(engine.AudioGetPosition(1), target);
    EXPECT_TRUE(waitFor([&] { return engine.AudioGetPosition(1) > target + rate / 10; }));
    EXPECT_LT(engine.AudioGetPosition(1), target + 2 * rate);

    // Backwards, while paused.
    ASSERT_EQ(engine.AudioPause(), 0);
    ASSERT_EQ(engine.AudioMoveTo(rate, 1), 0);
    EXPECT_EQ(engine.AudioGetPosition(1), rate);
    ASSERT_EQ(engine.AudioResume(), 0);
    EXPECT_TRUE(waitFor([&] { return engine.AudioGetPosition(1) > rate + rate / 10; }));
    EXPECT_LT(engine.AudioGetPosition(1), 3 * rate);

    // Past the end: playback ends by itself.
    ASSERT_EQ(engine.AudioMoveTo(9 * rate, 1), 0);
    EXPECT_TRUE(waitForEndOfPlayback(5s));
    EXPECT_EQ(engine.AudioStop(), 0);
}

// A document's audio with a cut and a mute, played from its snapshot while the document goes
// on being edited: the sink hears the snapshot's frames exactly, in order, with the silence.
TEST_F(AudioIOTest, SequencePlaysItsSnapshotFrameForFrame) {
    const std::uint32_t frames = kJudgeRate;
    // Every frame differs from its neighbours and none is silent, so the heard stream can be
    // lined up with the model and any frame out of place shows.
    std::vector<std::int16_t> samples(2 * frames);
    for (std::uint32_t f = 0; f < frames; ++f) {
        samples[2 * f] = static_cast<std::int16_t>(1000 + (f * 7919u) % 20000);
        samples[2 * f + 1] = static_cast<std::int16_t>(-samples[2 * f]);
    }
    const std::string workspace = folder.file("doc");
    ASSERT_EQ(::mkdir(workspace.c_str(), 0700), 0);
    writeFile(workspace + "/work.wav", pcmWave(kJudgeRate, 16, 2, samples));
    std::unique_ptr<SequenceDocument> doc;
    ASSERT_EQ(SequenceDocument::open(workspace, "work.wav", &doc), 0);
    ASSERT_EQ(doc->cut(10000, 15000), 0);
    ASSERT_EQ(doc->mute(20000, 22050), 0);
    std::vector<std::int16_t> model(samples.begin(), samples.begin() + 2 * 10000);
    model.insert(model.end(), samples.begin() + 2 * 15000, samples.end());
    std::fill(model.begin() + 2 * 20000, model.begin() + 2 * 22050, 0);

    auto judge = startJudgeRecording();
    ASSERT_TRUE(judge->started());
    ASSERT_EQ(engine.AudioPlaySequence(doc->snapshot(), 0, 0), 0);
    // Edits made while it plays belong to the next playback.
    ASSERT_EQ(doc->clear(0, 30000), 0);
    ASSERT_TRUE(waitForEndOfPlayback());
    EXPECT_EQ(engine.AudioStop(), 0);
    std::this_thread::sleep_for(200ms);
    judge->terminate();

    const std::vector<std::int16_t> heard = toSamples(judge->output());
    const std::size_t window = 2 * 64;
    const auto start =
        std::search(heard.begin(), heard.end(), model.begin(), model.begin() + window);
    ASSERT_NE(start, heard.end()) << "the start of the audio was never heard as it is";
    ASSERT_GE(static_cast<std::size_t>(heard.end() - start), model.size());
    const std::vector<std::int16_t> played(start,
                                           start + static_cast<std::ptrdiff_t>(model.size()));
    std::size_t firstDifference = 0;
    while (firstDifference < model.size() && played[firstDifference] == model[firstDifference])
        ++firstDifference;
    EXPECT_EQ(firstDifference, model.size()) << "frame " << firstDifference / 2 << " differs";
}

TEST_F(AudioIOTest, EndedPlaybackMakesWayForTheNext) {
    const std::string file = toneFile("short.wav", 44100, 16, 2, 0.3);
    ASSERT_EQ(engine.AudioPlayWave(file, 0, 1, 0, 0, 0), 0);
    ASSERT_TRUE(waitForEndOfPlayback());
    // The caller has not stopped it yet; a new playback is still accepted.
    ASSERT_EQ(engine.AudioPlayWave(file, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(engine.AudioStop(), 0);
}

// The other direction: the server's player plays a tone into the sink and the engine records
// the sink's monitor (the default source).
TEST_F(AudioIOTest, RecordingHoldsThePlayedToneAndItsHeaderIsValidWhileRecording) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t bits, channels;
    } cases[] = {{44100, 16, 2}, {22050, 8, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bit, " + std::to_string(c.channels) + " ch");
        const std::string tone = toneFile("played.wav", 44100, 16, 2, 1.5);
        const std::string path = folder.file("rec" + std::to_string(c.bits) + ".wav");
        ASSERT_EQ(engine.AudioStartRecord(path, c.rate, c.bits, c.channels, 0), 0);
        ASSERT_TRUE(engine.isRecording());
        ASSERT_TRUE(waitFor([&] { return engine.AudioGetRecordPosition(1) > c.rate / 4; }));

        ChildProcess player({"paplay", "--device=sonthra_null", tone});
        ASSERT_TRUE(player.started());
        int loudest = 0;
        // While the tone plays, the file on disk already is a valid WAV file holding what has
        // been recorded up to about a second ago.
        ASSERT_TRUE(waitFor([&] {
            int left = 0, right = 0;
            engine.AudioGetRecordLevel(&left, &right);
            loudest = std::max(loudest, left);
            return engine.AudioGetRecordPosition(1) > 3 * c.rate / 2;
        }));
        WaveLayout during;
        ASSERT_EQ(readWaveLayout(path, during), 0);
        EXPECT_EQ(during.sampleRate, c.rate);
        EXPECT_EQ(during.bitsPerSample, c.bits);
        EXPECT_EQ(during.channels, c.channels);
        EXPECT_GT(during.frames(), c.rate / 4);
        EXPECT_EQ(readFile(path).size() >= 46 + during.dataBytes, true);

        EXPECT_EQ(player.wait(), 0);
        std::this_thread::sleep_for(300ms);
        const std::uint32_t recorded = engine.AudioGetRecordPosition(1);
        ASSERT_EQ(engine.AudioStopRecord(), 0);
        EXPECT_FALSE(engine.isRecording());
        EXPECT_EQ(engine.recordFramesLost(), 0u) << "the writer kept up with the device";
        EXPECT_EQ(engine.AudioGetRecordPosition(1), 0u);
        EXPECT_GE(loudest, 60);

        WaveLayout layout;
        ASSERT_EQ(readWaveLayout(path, layout), 0);
        EXPECT_GE(layout.frames(), recorded) << "every frame counted reached the file";
        const std::string bytes = readFile(path);
        std::vector<double> signal;
        if (c.bits == 16) {
            signal = firstChannel(toSamples(bytes.substr(layout.dataOffset, layout.dataBytes)),
                                  c.channels);
        } else {
            for (std::uint64_t i = 0; i < layout.dataBytes; i += c.channels)
                signal.push_back((static_cast<unsigned char>(bytes[layout.dataOffset + i]) - 128) *
                                 256.0);
        }
        EXPECT_NEAR(static_cast<double>(loudFrames(signal, c.rate)), 1.5 * c.rate, 0.05 * c.rate);
        const std::vector<double> heard = loudPart(signal);
        EXPECT_GT(tonePower(heard, 1000, c.rate), 0.4);
        EXPECT_LT(tonePower(heard, 1300, c.rate), 0.05);
    }
}

TEST_F(AudioIOTest, RecordingStopsStoringAtItsFrameLimit) {
    const std::string path = folder.file("limited.wav");
    engine.setRecordFrameLimit(4410);
    ASSERT_EQ(engine.AudioStartRecord(path, 44100, 16, 1, 0), 0);
    ASSERT_TRUE(waitFor([&] { return engine.AudioGetRecordPosition(1) >= 4410; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(engine.AudioGetRecordPosition(1), 4410u);
    ASSERT_EQ(engine.AudioStopRecord(), 0);
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    EXPECT_EQ(layout.frames(), 4410u);
}

TEST_F(AudioIOTest, LevelTestMetersTheInputWithoutWritingAnything) {
    const std::string tone = toneFile("played.wav", 44100, 16, 2, 1.0);
    ASSERT_EQ(engine.AudioStartRecordLevelTest(44100, 16, 2), 0);
    ChildProcess player({"paplay", "--device=sonthra_null", tone});
    int loudest = 0;
    EXPECT_TRUE(waitFor([&] {
        int left = 0, right = 0;
        engine.AudioGetRecordLevel(&left, &right);
        loudest = std::max(loudest, std::min(left, right));
        return loudest >= 60;
    }));
    EXPECT_EQ(player.wait(), 0);
    EXPECT_EQ(engine.AudioGetRecordPosition(1), 0u);
    // A second start (another format) replaces the running test.
    EXPECT_EQ(engine.AudioStartRecordLevelTest(8000, 8, 1), 0);
    EXPECT_EQ(engine.AudioStopRecordLevelTest(), 0);
    EXPECT_FALSE(engine.isLevelTesting());
    int left = -1, right = -1;
    engine.AudioGetRecordLevel(&left, &right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
}

// Two engines in one program: one plays, the other records what the sink heard.
TEST_F(AudioIOTest, OneEnginePlaysWhileAnotherRecords) {
    AudioIO recorder;
    const std::string path = folder.file("both.wav");
    const std::string tone = toneFile("tone.wav", 48000, 16, 2, 1.0, 1000);
    ASSERT_EQ(recorder.AudioStartRecord(path, 48000, 16, 1, 0), 0);
    ASSERT_EQ(engine.AudioPlayWave(tone, 0, 1, 0, 0, 0), 0);
    ASSERT_TRUE(waitForEndOfPlayback());
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(recorder.AudioStopRecord(), 0);
    EXPECT_EQ(engine.AudioStop(), 0);

    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    const std::string bytes = readFile(path);
    const std::vector<double> signal =
        firstChannel(toSamples(bytes.substr(layout.dataOffset, layout.dataBytes)), 1);
    EXPECT_NEAR(static_cast<double>(loudFrames(signal, 48000)), 48000.0, 0.05 * 48000);
    EXPECT_GT(tonePower(loudPart(signal), 1000, 48000), 0.4);
}

}  // namespace
}  // namespace sonthra
