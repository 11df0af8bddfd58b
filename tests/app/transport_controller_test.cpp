#include "app/transport_controller.h"

#include <gtest/gtest.h>

namespace sonthra {
namespace {

using State = TransportState;

TEST(TransportController, OnlyTheTransitionsTheEngineCanMakeAreTaken) {
    TransportController t;
    EXPECT_FALSE(t.PlaybackPaused()) << "nothing plays";
    EXPECT_FALSE(t.RecordingStopped());
    ASSERT_TRUE(t.LevelTestStarted());
    // The level test is stopped before playing or recording, never overlapped.
    EXPECT_FALSE(t.PlaybackStarted());
    EXPECT_FALSE(t.RecordingStarted());
    EXPECT_EQ(t.State(), State::LevelTest);
    ASSERT_TRUE(t.LevelTestStopped());

    t.stopRequested = true;
    ASSERT_TRUE(t.PlaybackStarted());
    EXPECT_FALSE(t.stopRequested) << "a new playback has not been asked to stop";
    EXPECT_FALSE(t.LevelTestStarted());
    EXPECT_FALSE(t.RecordingStarted());
    ASSERT_TRUE(t.PlaybackPaused());
    EXPECT_TRUE(t.IsPlaying()) << "a paused playback still holds the engine";
    EXPECT_TRUE(t.IsPaused());
    EXPECT_TRUE(t.BlocksEditing());
    EXPECT_FALSE(t.PlaybackPaused());
    ASSERT_TRUE(t.PlaybackStopped()) << "a paused playback can be stopped";
    EXPECT_FALSE(t.PlaybackStopped());
    EXPECT_FALSE(t.BlocksEditing());

    ASSERT_TRUE(t.RecordingStarted());
    EXPECT_TRUE(t.IsRecording());
    EXPECT_TRUE(t.BlocksEditing());
    EXPECT_FALSE(t.PlaybackStarted());
    ASSERT_TRUE(t.RecordingStopped());
    EXPECT_EQ(t.State(), State::Stopped);
}

TEST(TransportController, EachStateReadsWhatItShowsInATick) {
    TransportController t;
    const auto plan = [&t] {
        const TransportController::TickPlan p = t.Tick();
        return std::vector<bool>{p.recordPosition, p.inputLevels, p.flashLabel, p.followPlayback,
                                 p.outputLevels};
    };
    EXPECT_EQ(plan(), (std::vector<bool>{false, false, false, false, false}));
    t.LevelTestStarted();
    EXPECT_EQ(plan(), (std::vector<bool>{false, true, false, false, false}));
    t.LevelTestStopped();
    t.PlaybackStarted();
    EXPECT_EQ(plan(), (std::vector<bool>{false, false, false, true, true}));
    t.PlaybackStopped();
    t.RecordingStarted();
    EXPECT_EQ(plan(), (std::vector<bool>{true, true, true, false, false}));
}

TEST(TransportController, ClippingLightsOnlyWhileActiveAndTheLabelFlashesEveryFifthTick) {
    TransportController t;
    EXPECT_FALSE(t.LevelsRead(100, 100).any()) << "nothing lights while stopped";
    t.RecordingStarted();
    const ClippingLights left = t.LevelsRead(kClippingLevel + 1, kClippingLevel);
    EXPECT_TRUE(left.left);
    EXPECT_FALSE(left.right);

    std::vector<bool> changes;
    for (int i = 0; i < 10; ++i) changes.push_back(t.FlashTick());
    EXPECT_EQ(changes, (std::vector<bool>{false, false, false, false, true, false, false, false,
                                          false, true}));
    EXPECT_TRUE(t.LabelRed()) << "two changes bring the colour back";
    t.FlashTick();
    t.RecordingStopped();
    t.RecordingStarted();
    EXPECT_TRUE(t.LabelRed()) << "each recording starts red";
    int ticks = 1;
    while (!t.FlashTick()) ++ticks;
    EXPECT_EQ(ticks, kRecordingLabelTicks) << "and counts its ticks afresh";
}

}  // namespace
}  // namespace sonthra
