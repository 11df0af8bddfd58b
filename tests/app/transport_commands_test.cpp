// The transport controller with the real engine on the test sound server and a recorded surface
// in place of the main window: what plays, what the caret and the busy flag do, the level test
// around a playback, engine refusals, and a recording inserted into the open document.
#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "app/audio_document.h"
#include "app/transport_controller.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "support/file_size_limit.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

using test::TempFolder;

class RecordedSurface : public TransportSurface {
public:
    bool timer = false;
    int busy = 0;
    std::vector<int> errors;
    std::vector<TransportState> commands;
    bool view = true;
    std::uint32_t caret = 0;
    Selection selection;
    bool playButtons = true;
    bool levelTestWanted = false;
    double meters[2] = {0, 0};
    // Recording.
    RecordInto answer = RecordInto::Insert;
    std::string tempFolder;
    std::vector<int> messages;
    bool recordButton = false;
    bool recordingShown = false;
    struct Insert {
        std::string work;
        std::uint32_t position = 0;
        std::string clip;
        std::uint32_t clipFrames = 0;  // read while the clip still existed
    };
    std::vector<Insert> inserts;
    struct Shown {
        bool insert = false;
        std::uint32_t position = 0;
        std::uint32_t recorded = 0;
    };
    std::vector<Shown> recordedAudio;
    int commandsAfterRecording = 0;

    void StartTimer() override { timer = true; }
    void StopTimer() override { timer = false; }
    void StartClippingTimer() override {}
    void StopClippingTimer() override {}
    void DrawMeters(double left, double right) override {
        meters[0] = left;
        meters[1] = right;
    }
    void DrawClippingLight(int, bool) override {}
    void DrawRecordingLabel(bool) override {}
    void ShowPlayButtons() override { playButtons = true; }
    void ShowPauseButton(bool) override { playButtons = false; }
    void SetPauseChecked(bool) override {}
    void EngineError(int error) override { errors.push_back(error); }
    void HoldBusy() override { ++busy; }
    void ReleaseBusy() override { --busy; }
    void HideEntries() override {}
    bool WorkingCopyReady(bool) override { return true; }
    bool HasView() const override { return view; }
    std::uint32_t Caret() const override { return caret; }
    Selection ViewSelection() const override { return selection; }
    void MoveCaret(std::uint32_t frames) override { caret = frames; }
    void ShowRecordedFrames(std::uint32_t) override {}
    void FollowView() override {}
    void ShowPositions() override {}
    void CommandsFor(TransportState state) override { commands.push_back(state); }
    bool LevelTestWanted() const override { return levelTestWanted; }
    void LevelTestFormat(std::uint32_t& rate, int& bits, int& channels) const override {
        rate = 44100;
        bits = 16;
        channels = 2;
    }
    RecordInto AskRecordInto() override { return answer; }
    bool NewRecordingDocument() override { return false; }
    std::string TempPreference() const override { return tempFolder; }
    void ShowNumberedMessage(int message) override { messages.push_back(message); }
    int RecordSource() const override { return 0; }
    void SetRecordButton(bool down) override { recordButton = down; }
    void ShowRecording(bool on) override { recordingShown = on; }
    bool ViewShowsWhole() const override { return true; }
    bool InsertRecording(const std::string& work, std::uint32_t position,
                         const std::string& clip) override {
        Insert insert{work, position, clip, 0};
        probeWave(clip, &insert.clipFrames, nullptr);
        inserts.push_back(insert);
        return true;
    }
    void ShowRecordedAudio(bool insert, bool, std::uint32_t position,
                           std::uint32_t recorded) override {
        recordedAudio.push_back({insert, position, recorded});
    }
    void CommandsAfterRecording(const AudioDocument&) override { ++commandsAfterRecording; }
};

// The test sound server ended as a crash would, for the life of the object; it comes back (by
// the fixture's own script) when the object goes, so the tests after it find it again.
class SoundServerCrash {
public:
    SoundServerCrash() {
        const char* folder = std::getenv("SONTHRA_PULSE_DIR");
        std::ifstream pidFile(std::string(folder ? folder : "") + "/pid");
        pid_t pid = 0;
        crashed = folder != nullptr && (pidFile >> pid) && pid > 0 && ::kill(pid, SIGKILL) == 0;
    }
    ~SoundServerCrash() {
        const char* source = std::getenv("SONTHRA_SOURCE_DIR");
        if (source) std::system((std::string(source) + "/tests/fixtures/pulse-start.sh").c_str());
    }
    bool crashed = false;
};

class TransportCommandsTest : public ::testing::Test {
protected:
    TransportCommandsTest() {
        auto document = std::make_unique<AudioDocument>();
        document->fileName = folder.file("take.wav");
        document->workFile = folder.file("work.wav");
        document->frames = kFrames;
        document->sampleRate = 44100;
        document->bitsPerSample = 16;
        document->channels = 2;
        document->state = DocumentState::Clean;
        test::writeFile(document->workFile,
                        test::pcmWave(44100, 16, 2, test::makeTone(440, 44100, 2, kFrames, 0.5)));
        documents.append(std::move(document));
        documents.setCurrent(0);
        transport.Attach(&engine, &surface, &documents);
    }
    ~TransportCommandsTest() override {
        if (transport.IsPlaying()) transport.StopPlayback();
        if (transport.IsRecording()) transport.StopRecording();
        transport.StopLevelTest();
    }
    // The engine tells the end of playback from its own thread (the window would post it to the
    // GUI thread): noted from the moment this is made, while the 50 ms timer ticks.
    class EndNotice {
    public:
        explicit EndNotice(NXWavePlayer& engine) : m_engine(engine) {
            m_engine.SetCallbackWindow([this](unsigned message, std::intptr_t, std::intptr_t) {
                if (message == kEndOfPlaybackMessage) m_ended = true;
            });
        }
        ~EndNotice() { m_engine.SetCallbackWindow({}); }
        bool tickUntilItCame(TransportController& transport) {
            for (int i = 0; i < 400 && !m_ended; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                transport.PlayRecTimerTimer();
            }
            return m_ended;
        }

    private:
        NXWavePlayer& m_engine;
        std::atomic<bool> m_ended{false};
    };

    // Ticks the 50 ms timer until the caret passed frames.
    bool tickUntil(std::uint32_t frames) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            transport.PlayRecTimerTimer();
            if (surface.caret >= frames) return true;
        }
        return false;
    }

    static constexpr std::uint32_t kFrames = 88200;
    TempFolder folder;
    RecordedSurface surface;
    DocumentList documents;
    NXWavePlayer engine;
    TransportController transport;
};

TEST_F(TransportCommandsTest, PlayFollowsTheCaretAndStopLeavesItAtTheSelectionsEnd) {
    surface.selection = {30000, 10000};  // dragged from right to left
    transport.PlayButtonClick();
    ASSERT_TRUE(transport.IsPlaying());
    EXPECT_FALSE(surface.playButtons);
    EXPECT_EQ(surface.busy, 1);
    EXPECT_TRUE(surface.timer);
    EXPECT_EQ(surface.commands, std::vector<TransportState>{TransportState::Playing});
    ASSERT_TRUE(tickUntil(12000));
    EXPECT_LE(surface.caret, 30000u) << "only the selection plays";

    transport.PauseButtonClick();
    EXPECT_TRUE(transport.IsPaused());
    EXPECT_FALSE(surface.timer);
    transport.PlayButtonClick();  // Play while paused resumes
    EXPECT_FALSE(transport.IsPaused());
    EXPECT_EQ(surface.busy, 1) << "a resumed playback takes the busy flag only once";

    transport.StopButtonClick();
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_EQ(surface.caret, 30000u);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_TRUE(surface.playButtons);
    EXPECT_EQ(surface.commands.back(), TransportState::Stopped);
    EXPECT_EQ(transport.MeterPosition(0), 0.0);
    EXPECT_TRUE(surface.errors.empty());
}

TEST_F(TransportCommandsTest, TheEndOfPlaybackPutsTheCaretOnTheLastFrame) {
    surface.caret = kFrames - 4410;
    transport.PlayButtonClick();
    ASSERT_TRUE(transport.IsPlaying());
    ASSERT_TRUE(EndNotice(engine).tickUntilItCame(transport));
    transport.EngineNotice(kEndOfPlaybackMessage);
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_EQ(surface.caret, kFrames - 1);
    EXPECT_EQ(surface.busy, 0);
}

TEST_F(TransportCommandsTest, APlaybackWhoseDeviceGoesAwayStopsWhereItWasAndTheEngineSaysWhy) {
    transport.PlayButtonClick();
    ASSERT_TRUE(transport.IsPlaying());
    ASSERT_TRUE(tickUntil(4410));
    {
        EndNotice end(engine);
        SoundServerCrash crash;
        ASSERT_TRUE(crash.crashed);
        ASSERT_TRUE(end.tickUntilItCame(transport));
    }
    transport.EngineNotice(kEndOfPlaybackMessage);
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_EQ(surface.errors, std::vector<int>{105});
    EXPECT_LT(surface.caret, kFrames - 1) << "not the end of the audio";
    EXPECT_EQ(surface.busy, 0);
    EXPECT_TRUE(surface.playButtons);
}

TEST_F(TransportCommandsTest, ALevelTestGivesWayToPlaybackAndComesBackAfterIt) {
    surface.levelTestWanted = true;
    transport.StartLevelTestIfWanted();
    ASSERT_TRUE(transport.IsLevelTesting());
    transport.PlayFromStartButtonClick();
    ASSERT_TRUE(transport.IsPlaying());
    transport.StartLevelTest();
    EXPECT_FALSE(transport.IsLevelTesting()) << "no level test while audio plays";
    transport.StopPlayback();
    EXPECT_TRUE(transport.IsLevelTesting());
    transport.StopLevelTest();
    EXPECT_FALSE(transport.IsLevelTesting());
    EXPECT_FALSE(surface.timer);
}

TEST_F(TransportCommandsTest, AFileTheEngineCannotPlayIsShownAndChangesNothing) {
    test::writeFile(documents.current()->workFile, "not a wave file at all");
    transport.PlayButtonClick();
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_EQ(surface.errors.size(), 1u);
    EXPECT_TRUE(surface.playButtons);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_FALSE(surface.timer);
    EXPECT_TRUE(surface.commands.empty());
}

TEST_F(TransportCommandsTest, StopHandsAnInsertedRecordingToTheEditThatPastesItAtTheCaret) {
    surface.tempFolder = folder.path();
    surface.caret = 12345;
    engine.setRecordFrameLimit(4410);
    transport.StartStopRecordingButtonClick();
    ASSERT_TRUE(transport.IsRecording()) << (surface.errors.empty() ? 0 : surface.errors[0]);
    EXPECT_TRUE(surface.recordButton);
    EXPECT_TRUE(surface.recordingShown);
    EXPECT_EQ(surface.busy, 1) << "the recording holds the busy flag until it is taken in";
    EXPECT_EQ(surface.commands.back(), TransportState::Recording);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (engine.AudioGetRecordPosition(1) < 4410 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    transport.StartStopRecordingButtonClick();

    EXPECT_FALSE(transport.IsRecording());
    ASSERT_EQ(surface.inserts.size(), 1u);
    const auto& insert = surface.inserts[0];
    EXPECT_EQ(insert.work, documents.current()->workFile) << "the open document's audio";
    EXPECT_EQ(insert.position, 12345u);
    EXPECT_NE(insert.clip, insert.work) << "recorded into a file of its own";
    EXPECT_EQ(insert.clipFrames, 4410u);
    EXPECT_FALSE(std::filesystem::exists(insert.clip)) << "the clip goes once pasted";
    ASSERT_EQ(surface.recordedAudio.size(), 1u);
    EXPECT_TRUE(surface.recordedAudio[0].insert);
    EXPECT_EQ(surface.recordedAudio[0].position, 12345u);
    EXPECT_EQ(surface.recordedAudio[0].recorded, 4410u);
    EXPECT_EQ(documents.current()->state, DocumentState::Modified);
    EXPECT_EQ(surface.commandsAfterRecording, 1);
    EXPECT_FALSE(surface.recordButton);
    EXPECT_FALSE(surface.recordingShown);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_FALSE(surface.timer);
    EXPECT_TRUE(surface.errors.empty());
}

TEST_F(TransportCommandsTest, ARecordingWhoseDeviceGoesAwayIsTakenInAndTheEngineSaysWhy) {
    surface.tempFolder = folder.path();
    transport.StartStopRecordingButtonClick();
    ASSERT_TRUE(transport.IsRecording()) << (surface.errors.empty() ? 0 : surface.errors[0]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (engine.AudioGetRecordPosition(1) < 4410 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        SoundServerCrash crash;
        ASSERT_TRUE(crash.crashed);
        // The window's timer goes on ticking: the tick after the loss ends the recording.
        for (int i = 0; i < 400 && transport.IsRecording(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            transport.PlayRecTimerTimer();
        }
    }
    EXPECT_FALSE(transport.IsRecording()) << "nothing more would have come";
    EXPECT_EQ(surface.errors, std::vector<int>{204});
    ASSERT_EQ(surface.inserts.size(), 1u) << "what came is kept";
    EXPECT_GE(surface.inserts[0].clipFrames, 4410u);
    EXPECT_EQ(documents.current()->state, DocumentState::Modified);
    EXPECT_FALSE(surface.recordButton);
    EXPECT_FALSE(surface.recordingShown);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_FALSE(surface.timer);
}

// A full disk stores nothing more: the recording ends at the next tick, as Stop ends it, with
// what was written taken in and the engine's words for the failure, instead of a frozen
// counter under "Recording" until the user presses Stop.
TEST_F(TransportCommandsTest, ARecordingThatFillsTheDiskEndsAtOnceAndKeepsWhatWasWritten) {
    surface.tempFolder = folder.path();
    constexpr std::uint32_t kRoom = 44100 / 2;  // frames the disk takes
    {
        sonthra::testing::FileSizeLimit disk(46 + kRoom * 4);
        transport.StartStopRecordingButtonClick();
        ASSERT_TRUE(transport.IsRecording()) << (surface.errors.empty() ? 0 : surface.errors[0]);
        for (int i = 0; i < 400 && transport.IsRecording(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            transport.PlayRecTimerTimer();
        }
    }
    EXPECT_FALSE(transport.IsRecording()) << "nothing more would have been stored";
    EXPECT_EQ(surface.errors, std::vector<int>{301});
    ASSERT_EQ(surface.inserts.size(), 1u) << "what was written is kept";
    EXPECT_GT(surface.inserts[0].clipFrames, 0u);
    EXPECT_LE(surface.inserts[0].clipFrames, kRoom);
    EXPECT_EQ(documents.current()->state, DocumentState::Modified);
    EXPECT_FALSE(surface.recordButton);
    EXPECT_FALSE(surface.recordingShown);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_FALSE(surface.timer);
}

TEST_F(TransportCommandsTest, AStartTheEngineRefusesLeavesTheButtonsAndTheDocumentAsTheyWere) {
    AudioDocument& document = *documents.current();
    document.frames = 0;  // empty: recorded into its working copy, which cannot be made here
    document.workFile = folder.file("no such folder/work.wav");
    transport.StartStopRecordingButtonClick();
    EXPECT_FALSE(transport.IsRecording());
    EXPECT_EQ(surface.errors.size(), 1u);
    EXPECT_FALSE(surface.recordButton);
    EXPECT_FALSE(surface.recordingShown);
    EXPECT_TRUE(surface.commands.empty());
    EXPECT_EQ(surface.busy, 0);
    EXPECT_FALSE(surface.timer);
    EXPECT_EQ(document.state, DocumentState::Clean);

    // Cancelling the question about a document that holds audio changes nothing either.
    document.frames = kFrames;
    surface.answer = RecordInto::Cancel;
    transport.StartStopRecordingButtonClick();
    EXPECT_FALSE(transport.IsRecording());
    EXPECT_FALSE(surface.recordButton);
    EXPECT_EQ(surface.busy, 0);
    EXPECT_TRUE(surface.inserts.empty());
}

}  // namespace
}  // namespace sonthra
