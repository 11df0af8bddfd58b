#include "edit/position_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace sonthra {
namespace {

const WaveFormat kCd = makePcmFormat(44100, 16, 2);

TEST(PositionText, ConvertsBetweenFramesAndMilliseconds) {
    EXPECT_EQ(MillisecondsToFrames(1000, kCd), 44100u);
    EXPECT_EQ(FramesToMilliseconds(44099, kCd), 999u);
    EXPECT_EQ(FramesToMilliseconds(44100, kCd), 1000u);
    // Whole-number arithmetic: the largest frame number still converts without wrapping.
    EXPECT_EQ(FramesToMilliseconds(std::numeric_limits<std::uint32_t>::max(), kCd), 97391548u);
    EXPECT_EQ(ConvertPosition(1234, PositionMode::Samples, PositionMode::Samples, kCd), 1234u);
    EXPECT_EQ(ConvertPosition(1234, PositionMode::Time, PositionMode::Time, kCd), 1234u);
    EXPECT_EQ(ConvertPosition(2, PositionMode::Time, PositionMode::Samples, kCd), 88u);
    EXPECT_EQ(ConvertPosition(88, PositionMode::Samples, PositionMode::Time, kCd), 1u);
}

TEST(PositionText, RoundsMillisecondsToTheNearestFrameWithTiesToEven) {
    const WaveFormat f = makePcmFormat(11025, 8, 1);
    EXPECT_EQ(MillisecondsToFrames(20, f), 220u);  // 220.5
    EXPECT_EQ(MillisecondsToFrames(60, f), 662u);  // 661.5
    EXPECT_EQ(MillisecondsToFrames(1, f), 11u);    // 11.025
    EXPECT_EQ(MillisecondsToFrames(7, f), 77u);    // 77.175
    const WaveFormat g = makePcmFormat(22050, 16, 1);
    EXPECT_EQ(MillisecondsToFrames(3, g), 66u);    // 66.15
    EXPECT_EQ(MillisecondsToFrames(9, g), 198u);   // 198.45
    EXPECT_EQ(MillisecondsToFrames(11, g), 243u);  // 242.55
    // Far beyond 32 bits: the largest position rather than a wrapped one.
    EXPECT_EQ(MillisecondsToFrames(std::uint64_t{1} << 36, kCd),
              std::numeric_limits<std::uint32_t>::max());
}

TEST(PositionText, AFormatWithoutRateBitsOrChannelsConvertsToZero) {
    WaveFormat noRate = kCd;
    noRate.sampleRate = 0;
    WaveFormat noBits = kCd;
    noBits.bitsPerSample = 0;
    WaveFormat noChannels = kCd;
    noChannels.channels = 0;
    for (const WaveFormat& f : {noRate, noBits, noChannels}) {
        EXPECT_EQ(FramesToMilliseconds(44100, f), 0u);
        EXPECT_EQ(MillisecondsToFrames(1000, f), 0u);
        EXPECT_EQ(FormatPosition(44100, PositionMode::Time, f), "000:00:000");
    }
    EXPECT_EQ(FormatPosition(44100, PositionMode::Samples, noRate), "00044100");
}

TEST(PositionText, FormatsTimeAndSampleReadouts) {
    const WaveFormat kHz = makePcmFormat(1000, 16, 1);  // one frame per millisecond
    EXPECT_EQ(FormatPosition(0, PositionMode::Time, kCd), "000:00:000");
    EXPECT_EQ(FormatPosition(2125120, PositionMode::Time, kHz), "035:25:120");
    EXPECT_EQ(FormatPosition(59999, PositionMode::Time, kHz), "000:59:999");
    // Longer minutes are not cut.
    EXPECT_EQ(FormatPosition(60000000, PositionMode::Time, kHz), "1000:00:000");
    EXPECT_EQ(FormatPosition(0, PositionMode::Samples, kCd), "00000000");
    EXPECT_EQ(FormatPosition(441, PositionMode::Samples, kCd), "00000441");
    EXPECT_EQ(FormatPosition(123456789, PositionMode::Samples, kCd), "123456789");
    // A value in milliseconds shown as time is not sent through frames: 1 ms is 44 frames at
    // 44.1 kHz, which would read back as 0 ms.
    EXPECT_EQ(FormatReadout(1, PositionMode::Time, PositionMode::Time, kCd), "000:00:001");
    EXPECT_EQ(FormatReadout(1, PositionMode::Time, PositionMode::Samples, kCd), "00000044");
    EXPECT_EQ(FormatReadout(44100, PositionMode::Samples, PositionMode::Time, kCd), "000:01:000");
}

TEST(PositionText, ParsesReadoutsBackInEitherMode) {
    EXPECT_EQ(ParsePosition("035:25:120", PositionMode::Time, PositionMode::Time, kCd), 2125120u);
    EXPECT_EQ(ParsePosition("000:01:000", PositionMode::Time, PositionMode::Samples, kCd), 44100u);
    EXPECT_EQ(ParsePosition("00044100", PositionMode::Samples, PositionMode::Samples, kCd), 44100u);
    EXPECT_EQ(ParsePosition("00044100", PositionMode::Samples, PositionMode::Time, kCd), 1000u);
    // Parts need not keep their widths; the blanks an entry field shows are left out.
    EXPECT_EQ(ParsePosition("1:2:3", PositionMode::Time, PositionMode::Time, kCd), 62003u);
    EXPECT_EQ(ParsePosition("1  : 2: 3 ", PositionMode::Time, PositionMode::Time, kCd), 62003u);
    EXPECT_EQ(ParsePosition(" 12 ", PositionMode::Samples, PositionMode::Samples, kCd), 12u);
    // A caret shown in time and read back lands on the millisecond it shows.
    const std::uint32_t caret = 44100 * 3 + 1234;
    const std::string shown = FormatPosition(caret, PositionMode::Time, kCd);
    EXPECT_EQ(shown, "000:03:027");
    EXPECT_EQ(ParsePosition(shown, PositionMode::Time, PositionMode::Samples, kCd),
              MillisecondsToFrames(3027, kCd));
}

TEST(PositionText, TextThatIsNotANumberInEveryPartHasNoPosition) {
    for (const char* text : {"", "   :  :   ", "000:00", "000", "00a:00:000", "000:00:000:000",
                             "-01:00:000", "000:  :000", "0x10:00:000"}) {
        EXPECT_FALSE(ParsePosition(text, PositionMode::Time, PositionMode::Samples, kCd))
            << '"' << text << '"';
    }
    for (const char* text : {"", "        ", "12a", "-5", "1.5", "000:00:000"}) {
        EXPECT_FALSE(ParsePosition(text, PositionMode::Samples, PositionMode::Samples, kCd))
            << '"' << text << '"';
    }
}

TEST(PositionText, HugeNumbersSaturateInsteadOfWrapping) {
    const std::string digits(400, '9');
    EXPECT_EQ(ParsePosition(digits, PositionMode::Samples, PositionMode::Samples, kCd),
              std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(ParsePosition(digits + ":" + digits + ":" + digits, PositionMode::Time,
                            PositionMode::Time, kCd),
              std::numeric_limits<std::uint32_t>::max());
    // 4294967296 frames would wrap to 0 in 32 bits.
    EXPECT_EQ(ParsePosition("4294967296", PositionMode::Samples, PositionMode::Samples, kCd),
              std::numeric_limits<std::uint32_t>::max());
}

TEST(PositionText, TypedPositionsBeyondTheEndAreClampedToTheTotal) {
    const std::uint32_t tenSeconds = 441000;
    EXPECT_EQ(ParseTypedPosition("999:59:999", PositionMode::Time, kCd, tenSeconds), tenSeconds);
    EXPECT_EQ(ParseTypedPosition("99999999", PositionMode::Samples, kCd, tenSeconds), tenSeconds);
    EXPECT_EQ(ParseTypedPosition("000:09:999", PositionMode::Time, kCd, tenSeconds), 440956u);
    EXPECT_EQ(ParseTypedPosition("00000000", PositionMode::Samples, kCd, tenSeconds), 0u);
    EXPECT_FALSE(ParseTypedPosition("abc", PositionMode::Samples, kCd, tenSeconds));
    EXPECT_EQ(FormatPosition(tenSeconds, PositionMode::Time, kCd), "000:10:000");
}

// Typed times are read as written: "1200.0" is twenty minutes, never a masked 120 minutes, and
// a bare "5" is five seconds.
TEST(PositionText, TypedTimesAreReadInEveryFormAsWritten) {
    EXPECT_EQ(ParseTypedTime("1200.0"), 1200000u);
    EXPECT_EQ(ParseTypedTime("5"), 5000u);
    EXPECT_EQ(ParseTypedTime(" 12,5 "), 12500u);
    EXPECT_EQ(ParseTypedTime("12.5s"), 12500u);
    EXPECT_EQ(ParseTypedTime(".25"), 250u);
    EXPECT_EQ(ParseTypedTime("0.0019"), 1u);  // below a millisecond is dropped
    EXPECT_EQ(ParseTypedTime("20:00.5"), 1200500u);
    EXPECT_EQ(ParseTypedTime("20:00"), 1200000u);
    EXPECT_EQ(ParseTypedTime("1:02:03.250"), 3723250u);
    EXPECT_EQ(ParseTypedTime("1:02:03"), 3723000u);
    // The read-out's own text reads back as the position it shows.
    EXPECT_EQ(ParseTypedTime("035:25:120"), 2125120u);
    EXPECT_EQ(ParseTypedTime("4294967.295"), 4294967295u);
    EXPECT_EQ(ParseTypedTime("99959999"), 4294967295u);  // past any end, clamped there later
    for (const char* bad : {"", ".", "s", "12.5.1", "1:2:3:4", "a.5", "1:", ":5", "-3", "12.x",
                            "1:75", "1:60:00", "035:60:000", "1:.5", "1e3", "99999999999999:00"}) {
        EXPECT_FALSE(ParseTypedTime(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace sonthra
