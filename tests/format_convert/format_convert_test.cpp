// The format converter on real files: rate, channel and sample-size changes keep the sound,
// cancel and failures leave nothing behind, and every code reaches the right message.
#include <gtest/gtest.h>

#include <cmath>

#include "convert/format_convert.h"
#include "format_convert/convert_test_support.h"

namespace sonthra::testing {
namespace {

double rms(const Samples& s, int channel, std::size_t first, std::size_t last) {
    double sum = 0;
    for (std::size_t f = first; f < last; ++f) sum += s.at(f, channel) * s.at(f, channel);
    return std::sqrt(sum / static_cast<double>(last - first));
}

// The tone's frequency from its rising zero crossings, placed between samples by linear
// interpolation.
double frequency(const Samples& s, int channel, std::size_t first, std::size_t last) {
    double firstCross = -1, lastCross = -1;
    int crossings = 0;
    for (std::size_t f = first; f + 1 < last; ++f) {
        const double a = s.at(f, channel), b = s.at(f + 1, channel);
        if (a < 0 && b >= 0) {
            const double at = f + a / (a - b);
            if (firstCross < 0) firstCross = at;
            lastCross = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * s.format.sampleRate / (lastCross - firstCross);
}

TEST(FormatConvert, ResamplingASineKeepsItsFrequencyLevelAndLength) {
    TempDir dir;
    const std::uint32_t frames = 44100 * 2 + 17;
    writeBytes(dir.file("tone.wav"),
               wavBytes(2, 44100, 16, sine16(44100, frames, {1000, 1000}, {0.5, 0.25})));
    const Samples source = readSamples(dir.file("tone.wav"));
    for (std::uint32_t rate : {22050u, 48000u}) {
        SCOPED_TRACE(rate);
        const std::string out = dir.file("out.wav");
        ASSERT_EQ(convertFile(dir.file("tone.wav"), out, rate, 16, 2), 0);
        const Samples result = readSamples(out);
        EXPECT_EQ(result.format, makePcmFormat(rate, 16, 2));
        const double exact = static_cast<double>(frames) * rate / 44100;
        EXPECT_LE(std::abs(static_cast<double>(result.frames()) - exact), 1.0);
        // Away from the ends, where the resampler's filter starts and stops.
        const std::size_t first = rate / 10, last = result.frames() - rate / 10;
        for (int channel = 0; channel < 2; ++channel) {
            const double before = rms(source, channel, 4410, frames - 4410);
            const double after = rms(result, channel, first, last);
            EXPECT_NEAR(20 * std::log10(after / before), 0.0, 0.1) << "channel " << channel;
            EXPECT_NEAR(frequency(result, channel, first, last), 1000.0, 0.1);
        }
    }
}

TEST(FormatConvert, ChannelChangesMixByTheMeanAndCopy) {
    TempDir dir;
    const std::string stereo = sine16(8000, 3000, {440, 1234}, {0.7, 0.6});
    writeBytes(dir.file("stereo.wav"), wavBytes(2, 8000, 16, stereo));
    ASSERT_EQ(convertFile(dir.file("stereo.wav"), dir.file("mono.wav"), 8000, 16, 1), 0);
    const Samples in = readSamples(dir.file("stereo.wav"));
    const Samples mono = readSamples(dir.file("mono.wav"));
    ASSERT_EQ(mono.format, makePcmFormat(8000, 16, 1));
    ASSERT_EQ(mono.frames(), 3000u);
    for (std::size_t f = 0; f < 3000; ++f) {
        ASSERT_LE(std::abs(mono.at(f, 0) - (in.at(f, 0) + in.at(f, 1)) / 2), 0.5) << f;
    }

    ASSERT_EQ(convertFile(dir.file("mono.wav"), dir.file("back.wav"), 8000, 16, 2), 0);
    const Samples back = readSamples(dir.file("back.wav"));
    ASSERT_EQ(back.frames(), 3000u);
    for (std::size_t f = 0; f < 3000; ++f) {
        ASSERT_EQ(back.at(f, 0), mono.at(f, 0));
        ASSERT_EQ(back.at(f, 1), mono.at(f, 0));
    }
}

TEST(FormatConvert, SampleSizeChangesKeepTheLevelAndNeverWrapAround) {
    TempDir dir;
    // 16 to 8 bits: a quiet tone keeps its level under the dither, and full scale clips.
    writeBytes(dir.file("quiet.wav"), wavBytes(1, 8000, 16, sine16(8000, 16000, {500}, {0.1})));
    ASSERT_EQ(convertFile(dir.file("quiet.wav"), dir.file("quiet8.wav"), 8000, 8, 1), 0);
    const Samples quiet8 = readSamples(dir.file("quiet8.wav"));
    ASSERT_EQ(quiet8.format, makePcmFormat(8000, 8, 1));
    const double expected = 0.1 * 128 / std::sqrt(2.0);
    EXPECT_NEAR(rms(quiet8, 0, 0, 16000), expected, 0.1 * expected);

    // A full-scale square resampled overshoots at every edge: the overshoot is clipped, so no
    // sample lands on the other side of zero from the square around it.
    std::string square;
    for (int f = 0; f < 8000; ++f) put16(square, (f / 40) % 2 ? 0x8000 : 0x7FFF);
    writeBytes(dir.file("square.wav"), wavBytes(1, 8000, 16, square));
    for (std::uint16_t bits : {16, 8}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(convertFile(dir.file("square.wav"), dir.file("sq.wav"), 44100, bits, 1), 0);
        const Samples sq = readSamples(dir.file("sq.wav"));
        const double full = bits == 16 ? 32767 : 127;
        int extremes = 0;
        for (std::size_t f = 0; f < sq.frames(); ++f) {
            const double where = std::fmod(f * 8000.0 / 44100 / 40, 2.0);
            // Only the middle of each half period, clear of the edges' ringing.
            if (where > 0.3 && where < 0.7) {
                ASSERT_GT(sq.at(f, 0), full / 2) << f;
            }
            if (where > 1.3 && where < 1.7) {
                ASSERT_LT(sq.at(f, 0), -full / 2) << f;
            }
            extremes += sq.at(f, 0) >= full || sq.at(f, 0) <= -full - 1;
        }
        EXPECT_GT(extremes, 0) << "the overshoot should reach full scale and stop there";
    }

    // 8 to 16 bits is exact.
    std::string eight;
    for (int v = 0; v < 256; ++v) eight.push_back(static_cast<char>(v));
    writeBytes(dir.file("eight.wav"), wavBytes(1, 11025, 8, eight));
    ASSERT_EQ(convertFile(dir.file("eight.wav"), dir.file("sixteen.wav"), 11025, 16, 1), 0);
    const Samples sixteen = readSamples(dir.file("sixteen.wav"));
    ASSERT_EQ(sixteen.frames(), 256u);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(sixteen.at(v, 0), (v - 128) * 256);
}

TEST(FormatConvert, SoxReadsTheResultAsTheChosenFormat) {
    if (!haveSox()) GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    writeBytes(dir.file("in.wav"),
               wavBytes(2, 44100, 16, sine16(44100, 44100, {300, 300}, {.3, .3})));
    ASSERT_EQ(convertFile(dir.file("in.wav"), dir.file("out.wav"), 11025, 8, 1), 0);
    std::string info;
    for (const char* what : {"-r", "-c", "-b", "-s"}) {
        const auto answer = run(std::string("soxi ") + what + " '" + dir.file("out.wav") + "'");
        ASSERT_TRUE(answer.ok) << what;
        info += answer.output;
    }
    EXPECT_EQ(info, "11025\n1\n8\n11025\n");
}

TEST(FormatConvert, TheSourcesOtherChunksFollowAndAFactChunkIsDropped) {
    TempDir dir;
    const std::string tag = chunk("id3 ", "ID3 tag bytes");
    writeBytes(dir.file("in.wav"),
               riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 16)), chunk("fact", "\x10\0\0\0"),
                             chunk("data", sine16(8000, 800, {200}, {.5})), tag}));
    ASSERT_EQ(convertFile(dir.file("in.wav"), dir.file("out.wav"), 16000, 16, 2), 0);
    const std::string out = readBytes(dir.file("out.wav"));
    EXPECT_EQ(out.substr(out.size() - tag.size()), tag);
    EXPECT_EQ(out.find("fact"), std::string::npos);
    EXPECT_EQ(readSamples(dir.file("out.wav")).frames(), 1600u);
}

TEST(FormatConvert, SourceAndDestinationMayBeTheSameFile) {
    TempDir dir;
    writeBytes(dir.file("a.wav"),
               wavBytes(2, 22050, 16, sine16(22050, 5000, {100, 200}, {.4, .4})));
    ASSERT_EQ(convertFile(dir.file("a.wav"), dir.file("a.wav"), 44100, 16, 1), 0);
    const Samples s = readSamples(dir.file("a.wav"));
    EXPECT_EQ(s.format, makePcmFormat(44100, 16, 1));
    EXPECT_EQ(s.frames(), 10000u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.wav"});
}

TEST(FormatConvert, CancelLeavesTheDestinationAsItWasAndNoOtherFile) {
    TempDir dir;
    // Long enough that the worker is still busy when the cancel comes.
    writeBytes(dir.file("long.wav"),
               wavBytes(2, 44100, 16, sine16(44100, 44100 * 60, {440, 440}, {.5, .5})));
    for (bool existed : {false, true}) {
        SCOPED_TRACE(existed);
        if (existed) writeBytes(dir.file("out.wav"), "what was there");
        const auto buffer = formatBuffer(48000, 16, 2);
        ConvertHandle handle = nullptr;
        ASSERT_EQ(AudioConvert(dir.file("long.wav"), dir.file("out.wav"), buffer, &handle, 0), 0);
        EXPECT_EQ(AudioConvertGetReasonForProcessExit(handle), 0) << "0 while it runs";
        AudioConvertCancelPressed(handle);
        while (!AudioConvertProcessIsOver(handle)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(AudioConvertGetReasonForProcessExit(handle), kFmtCancelled);
        EXPECT_LT(AudioConvertGetProcessProgress(handle), 100);
        AudioConvertCloseHandle(&handle);
        if (existed) {
            EXPECT_EQ(readBytes(dir.file("out.wav")), "what was there");
            EXPECT_EQ(dir.names(), (std::vector<std::string>{"long.wav", "out.wav"}));
        } else {
            EXPECT_EQ(dir.names(), std::vector<std::string>{"long.wav"});
        }
    }
    // Closing a handle whose conversion still runs stops it the same way.
    const auto buffer = formatBuffer(8000, 8, 1);
    ConvertHandle handle = nullptr;
    ASSERT_EQ(AudioConvert(dir.file("long.wav"), dir.file("other.wav"), buffer, &handle, 0), 0);
    AudioConvertCloseHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(exists(dir.file("other.wav")));
}

TEST(FormatConvert, RefusesBadFilesAndFormatsWithTheirCodes) {
    TempDir dir;
    writeBytes(dir.file("ok.wav"), wavBytes(1, 8000, 16, sine16(8000, 100, {100}, {.5})));
    writeBytes(dir.file("text.wav"), "not a wave file at all");
    writeBytes(dir.file("adpcm.wav"),
               riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 16, true, 2)), chunk("data", "abcd")}));
    writeBytes(dir.file("24bit.wav"), wavBytes(1, 8000, 24, std::string(30, '\1')));
    const std::string out = dir.file("out.wav");
    EXPECT_EQ(convertFile(dir.file("missing.wav"), out, 8000, 16, 1), kFmtCannotOpenInput);
    EXPECT_EQ(convertFile(dir.file("text.wav"), out, 8000, 16, 1), kFmtCannotOpenInput);
    EXPECT_EQ(convertFile(dir.file("adpcm.wav"), out, 8000, 16, 1), kFmtBadInput);
    EXPECT_EQ(convertFile(dir.file("24bit.wav"), out, 8000, 16, 1), kFmtBadInput);
    EXPECT_EQ(convertFile(dir.file("ok.wav"), dir.file("no/such/folder.wav"), 8000, 16, 1),
              kFmtCannotCreateOutput);
    EXPECT_EQ(convertFile(dir.file("ok.wav"), out, 8000, 24, 1), kFmtBadTarget);
    EXPECT_EQ(convertFile(dir.file("ok.wav"), out, 8000, 16, 3), kFmtBadTarget);
    EXPECT_EQ(convertFile(dir.file("ok.wav"), out, 0, 16, 1), kFmtBadTarget);
    EXPECT_EQ(convertFile(dir.file("ok.wav"), out, 1000000, 16, 1), kFmtBadTarget);

    // A buffer shorter than a format record, and a result past the 4 GB limit (a header that
    // claims 2 GB of 8 kHz audio, taken to 384 kHz).
    ConvertHandle handle = nullptr;
    const auto buffer = formatBuffer(8000, 16, 1);
    EXPECT_EQ(AudioConvert(dir.file("ok.wav"), out,
                           std::span<const unsigned char>(buffer.data(), 16), &handle, 0),
              kFmtBufferTooSmall);
    std::string huge = riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 16)),
                                     chunkWithSize("data", 0x7FFFFFF0, std::string(64, '\0'))});
    writeBytes(dir.file("huge.wav"), huge);
    ::truncate(dir.file("huge.wav").c_str(), 0x7FFFFFF0LL + 46);  // sparse
    EXPECT_EQ(convertFile(dir.file("huge.wav"), out, 384000, 16, 2), kFmtBadTarget);
    EXPECT_EQ(handle, nullptr);
    EXPECT_FALSE(exists(out));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"24bit.wav", "adpcm.wav", "huge.wav", "ok.wav",
                                                     "text.wav"}));
}

TEST(FormatConvert, EmptyAudioGivesAnEmptyFile) {
    TempDir dir;
    writeBytes(dir.file("empty.wav"), wavBytes(2, 44100, 16, ""));
    ASSERT_EQ(convertFile(dir.file("empty.wav"), dir.file("out.wav"), 22050, 8, 1), 0);
    const Samples s = readSamples(dir.file("out.wav"));
    EXPECT_EQ(s.format, makePcmFormat(22050, 8, 1));
    EXPECT_EQ(s.frames(), 0u);
}

TEST(FormatConvert, CodesTurnIntoTheirMessages) {
    const std::vector<std::pair<int, int>> pairs = {
        {0, 0},     {101, 129}, {102, 450}, {103, 451}, {115, 452}, {116, 453},
        {117, 454}, {118, 455}, {124, 459}, {137, 472}, {119, 104}, {121, 104},
        {133, 104}, {135, 104}, {120, 456}, {122, 457}, {123, 458}, {125, 460},
        {126, 461}, {127, 462}, {132, 467}, {139, 474}, {141, 476}, {134, 469},
        {136, 471}, {138, 473}, {100, 449}, {142, 449}, {104, 449}, {-1, 449}};
    for (const auto& [code, message] : pairs) EXPECT_EQ(FormatCodeToMessage(code), message) << code;
}

}  // namespace
}  // namespace sonthra::testing
