#include "wave/wave_probe.h"

#include <gtest/gtest.h>

#include "wave/wave_layout.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::chunk;
using testing::chunkWithSize;
using testing::fmtBody;
using testing::riff;
using testing::TempDir;
using testing::writeBytes;

class WaveProbeTest : public ::testing::Test {
protected:
    int probeBytes(const std::string& bytes) {
        writeBytes(dir.file("p.wav"), bytes);
        frames = 77;
        format.channels = 9;
        return probeWave(dir.file("p.wav"), &frames, &format);
    }

    TempDir dir;
    std::uint32_t frames = 0;
    WaveFormat format;
};

TEST_F(WaveProbeTest, CountsFramesAndFillsTheFormat) {
    ASSERT_EQ(probeBytes(riff("WAVE", {chunk("fmt ", fmtBody(2, 44100, 16)),
                                       chunk("data", std::string(441000, '\0'))})),
              0);
    EXPECT_EQ(frames, 110250u);
    EXPECT_EQ(format, makePcmFormat(44100, 16, 2));
    // A last partial frame does not count.
    ASSERT_EQ(probeBytes(riff("WAVE", {chunk("fmt ", fmtBody(2, 8000, 16, false)),
                                       chunk("data", std::string(4 * 9 + 3, '\0'))})),
              0);
    EXPECT_EQ(frames, 9u);
    EXPECT_EQ(format.extraSize, 0);
    // Outputs may be left out.
    EXPECT_EQ(probeWave(dir.file("p.wav"), nullptr, nullptr), 0);
}

TEST_F(WaveProbeTest, ReportsEachMissingPartWithItsMessageAndZeroedOutputs) {
    const std::string fmt = chunk("fmt ", fmtBody(1, 8000, 8));
    const std::string data = chunk("data", "abcd");
    struct Case {
        const char* what;
        std::string bytes;
        int message;
    };
    const std::vector<Case> cases = {
        {"data before fmt", riff("WAVE", {data, fmt}), 111},
        {"no data", riff("WAVE", {fmt}), 111},
        {"no fmt", riff("WAVE", {data}), 161},
        {"other form type", riff("AVI ", {fmt, data}), 108},
        {"not RIFF", "plain text, not a wave file", 108},
        {"fmt cut short", riff("WAVE", {chunkWithSize("fmt ", 18, "\x01\0\x01\0")}), 109},
        {"block align 0", riff("WAVE", {chunk("fmt ", std::string(16, '\0')), data}), 109},
        {"no whole frame", riff("WAVE", {chunk("fmt ", fmtBody(2, 8000, 16)), chunk("data", "ab")}),
         164},
        {"empty data", riff("WAVE", {fmt, chunk("data", "")}), 164},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(probeBytes(c.bytes), c.message) << c.what;
        EXPECT_EQ(frames, 0u) << c.what;
        EXPECT_EQ(format, WaveFormat{}) << c.what;
    }
    EXPECT_EQ(probeWave(dir.file("missing.wav"), &frames, &format), 103);
    // The format tag is not the probe's business.
    EXPECT_EQ(probeBytes(riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8, true, 3)), data})), 0);
    EXPECT_EQ(format.formatTag, 3);
}

TEST_F(WaveProbeTest, ChunksOfOddSizeWithoutTheirPadByteDoNotShiftTheNextOne) {
    // An odd "JUNK" before the samples and odd samples before a title, each without its pad
    // byte; a pad byte that is there (even one that is not 0) is still stepped over.
    const std::string samples(999, '\x11');
    const std::string info = "INFOINAM\x04\0\0\0Kept";
    for (const bool padded : {false, true}) {
        SCOPED_TRACE(padded ? "padded" : "pad left out");
        const std::string bytes =
            riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8)), chunk("JUNK", "abc", padded),
                          chunk("data", samples, padded), chunk("LIST", info), chunk("Sxtr", "x")});
        writeBytes(dir.file("odd.wav"), bytes);
        WaveFileLayout layout;
        ASSERT_EQ(inspectWave(dir.file("odd.wav"), layout), WaveInspect::Ok);
        EXPECT_EQ(layout.frames(), 999u);
        EXPECT_EQ(layout.dataOffset, bytes.find("data") + 8);
        ASSERT_EQ(layout.otherChunks.size(), 3u);
        EXPECT_EQ(layout.otherChunks[1].id, fourCC("LIST"));
        EXPECT_EQ(layout.otherChunks[1].dataOffset, bytes.find("LIST") + 8);
        EXPECT_EQ(layout.otherChunks[1].size, info.size());
        EXPECT_EQ(layout.otherChunks[2].id, fourCC("Sxtr"));
    }
    const std::string odd = chunk("JUNK", "abc");
    std::string bytes = riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8)),
                                      odd.substr(0, odd.size() - 1) + "L", chunk("data", samples)});
    writeBytes(dir.file("odd.wav"), bytes);
    WaveFileLayout layout;
    ASSERT_EQ(inspectWave(dir.file("odd.wav"), layout), WaveInspect::Ok);
    EXPECT_EQ(layout.dataOffset, bytes.find("data") + 8);
}

TEST_F(WaveProbeTest, InspectionListsTheOtherChunksAndSkipsRepairedData) {
    const std::string samples(1000, '\x11');
    std::string bytes = riff("WAVE", {chunk("LIST", "INFOxxxx"), chunk("fmt ", fmtBody(1, 8000, 8)),
                                      chunk("data", samples), chunk("id3 ", "tag")});
    writeBytes(dir.file("c.wav"), bytes);
    WaveFileLayout layout;
    ASSERT_EQ(inspectWave(dir.file("c.wav"), layout), WaveInspect::Ok);
    EXPECT_EQ(layout.frames(), 1000u);
    ASSERT_EQ(layout.otherChunks.size(), 2u);
    EXPECT_EQ(layout.otherChunks[0].id, fourCC("LIST"));
    EXPECT_EQ(layout.otherChunks[1].id, fourCC("id3 "));
    EXPECT_EQ(layout.otherChunks[1].size, 3u);

    // A crashed recorder's file: the samples run to the end, so no chunk is read out of them.
    bytes = riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8))}, 0) +
            chunkWithSize("data", 0, std::string("id3 \x02\0\0\0ab", 10) + samples);
    writeBytes(dir.file("c.wav"), bytes);
    ASSERT_EQ(inspectWave(dir.file("c.wav"), layout), WaveInspect::Ok);
    EXPECT_EQ(layout.dataBytes, 10 + samples.size());
    EXPECT_TRUE(layout.otherChunks.empty());
}

}  // namespace
}  // namespace sonthra
