#include <gtest/gtest.h>

#include <set>

#include "engine/edit_errors.h"
#include "engine/engine_errors.h"
#include "engine/mixer.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

// The numbers callers and the plug-ins see must not move when the codes are renamed.
static_assert(edit_error::kEditCancelled == 311);
static_assert(engine_error::kFormatNotSupported == 104 && kMixerOutputDeviceGone == 104);

constexpr EngineCode kEveryEngineCode[] = {
    EngineCode::NoPlaybackFileName, EngineCode::PlaybackRunning, EngineCode::CannotOpenWaveFile,
    EngineCode::OutOfMemory, EngineCode::FormatNotSupported, EngineCode::CannotOpenOutputDevice,
    EngineCode::CannotPreparePlayBuffers, EngineCode::NotWaveFile, EngineCode::BadFmtChunk,
    EngineCode::NotPcm, EngineCode::NoDataChunk, EngineCode::CannotSeek, EngineCode::NoDataToPlay,
    EngineCode::PreferredOutputDevice, EngineCode::OutputDeviceDescription,
    EngineCode::InvalidOutputDevice, EngineCode::PreferredInputDevice,
    EngineCode::InputDeviceDescription, EngineCode::InvalidInputDevice,
    EngineCode::RecordFormatNotSupported, EngineCode::CannotOpenRecordFile,
    EngineCode::RecordDeviceUnusable, EngineCode::CannotStartRecording,
    EngineCode::RecordingRunning, EngineCode::NoRecordFileName, EngineCode::CannotWriteData,
    EngineCode::NoCutSelection, EngineCode::NoTempSpace, EngineCode::CannotMakeUndoFile,
    EngineCode::NoCopySelection, EngineCode::CannotOpenClip, EngineCode::ClipFormatDiffers,
    EngineCode::Cancelled, EngineCode::NothingToPaste, EngineCode::PositionBeyondEnd,
    EngineCode::UndoRedoDisabled, EngineCode::CannotMakeRedoFile, EngineCode::NothingToUndoRedo,
    EngineCode::FileInUse, EngineCode::NoClearSelection, EngineCode::NoCropSelection,
    EngineCode::InvalidTempPath,
};

TEST(EngineCodes, EveryNamedCodeShowsATextOfItsOwnAndNoneFallsToTheUnknownError) {
    std::set<int> messages;
    for (EngineCode code : kEveryEngineCode) {
        const int message = EngineErrorToMessage(code);
        const int number = engineCodeNumber(code);
        EXPECT_NE(MessageText(message), nullptr) << number << " -> " << message;
        // Engine 100 is the one code whose own message is not the unknown error's 100.
        EXPECT_NE(message, 100) << number;
        EXPECT_TRUE(messages.insert(message).second)
            << number << " shares message " << message << " with another engine code";
    }
    EXPECT_EQ(EngineErrorToMessage(EngineCode::None), kSuccess);
    EXPECT_EQ(EngineErrorToMessage(EngineCode::BadArgument), 100) << "shown as the unknown error";
}

TEST(EngineCodes, TheEnginesCancelIsReportedAsTheProgramsCancel) {
    EXPECT_EQ(EngineErrorToMessage(EngineCode::Cancelled), kCancelled);
    EXPECT_EQ(engineCodeOf(edit_error::kEditCancelled), EngineCode::Cancelled);
    // A number the engine does not name still reads through to the unknown error.
    EXPECT_EQ(EngineErrorToMessage(engineCodeOf(kCancelled)), 100);
}

TEST(EngineCodes, EngineAndMixerCodesOfTheSameNumberShowDifferentMessages) {
    // 104: the engine cannot play the format, the mixer lost its sink, message 104 is no memory.
    const int format = EngineErrorToMessage(EngineCode::FormatNotSupported);
    const int sinkGone = MixerErrorToMessage(MixerCode::OutputDeviceGone);
    EXPECT_EQ(format, 105);
    EXPECT_EQ(sinkGone, 374);
    EXPECT_NE(format, 104);
    EXPECT_EQ(MixerErrorToMessage(MixerCode::NoMemory), 104);
    EXPECT_EQ(mixerCodeOf(kMixerInputDeviceGone), MixerCode::InputDeviceGone);
}

TEST(MixerCodes, EveryNamedCodeShowsATextAndNoneFallsToTheUnknownMixerError) {
    std::set<int> messages;
    for (int number = mixerCodeNumber(MixerCode::NoMemory);
         number <= mixerCodeNumber(MixerCode::InputBoundsFailed); ++number) {
        const int message = MixerErrorToMessage(mixerCodeOf(number));
        EXPECT_NE(message, 385) << number;
        EXPECT_NE(MessageText(message), nullptr) << number << " -> " << message;
        EXPECT_TRUE(messages.insert(message).second) << number;
    }
    EXPECT_EQ(MixerErrorToMessage(MixerCode::None), kSuccess);
}

}  // namespace
}  // namespace sonthra
