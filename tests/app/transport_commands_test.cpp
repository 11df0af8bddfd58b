// The transport controller with the real engine on the test sound server and a recorded surface
// in place of the main window: what plays, what the caret and the busy flag do, the level test
// around a playback, and an engine refusal.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

#include "app/audio_document.h"
#include "app/transport_controller.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"

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
};

class TransportCommandsTest : public ::testing::Test {
protected:
    TransportCommandsTest() {
        auto document = std::make_unique<AudioDocument>();
        document->fileName = folder.file("take.wav");
        document->workFile = folder.file("work.wav");
        document->frames = kFrames;
        document->state = DocumentState::Clean;
        test::writeFile(document->workFile,
                        test::pcmWave(44100, 16, 2, test::makeTone(440, 44100, 2, kFrames, 0.5)));
        documents.append(std::move(document));
        documents.setCurrent(0);
        transport.Attach(&engine, &surface, &documents);
    }
    ~TransportCommandsTest() override {
        if (transport.IsPlaying()) transport.StopPlayback();
        transport.StopLevelTest();
    }
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
    // The engine tells its end from its own thread; the window would post it to the GUI thread.
    std::atomic<bool> ended{false};
    engine.SetCallbackWindow([&ended](unsigned message, std::intptr_t, std::intptr_t) {
        if (message == kEndOfPlaybackMessage) ended = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        transport.PlayRecTimerTimer();
    }
    engine.SetCallbackWindow({});
    ASSERT_TRUE(ended);
    transport.EngineNotice(kEndOfPlaybackMessage);
    EXPECT_FALSE(transport.IsPlaying());
    EXPECT_EQ(surface.caret, kFrames - 1);
    EXPECT_EQ(surface.busy, 0);
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

}  // namespace
}  // namespace sonthra
