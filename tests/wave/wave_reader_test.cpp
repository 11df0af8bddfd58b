#include "wave/wave_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::chunk;
using testing::chunkWithSize;
using testing::fmtBody;
using testing::haveSox;
using testing::rampSamples;
using testing::readBytes;
using testing::riff;
using testing::run;
using testing::TempDir;
using testing::wavBytes;
using testing::writeBytes;

class RecordingSink : public WaveMessageSink {
public:
    void show(int code, const char* text) override { shown.emplace_back(code, text); }
    std::vector<std::pair<int, std::string>> shown;
};

class WaveReaderTest : public ::testing::Test {
protected:
    void SetUp() override { setWaveMessageSink(&sink); }
    void TearDown() override { setWaveMessageSink(nullptr); }

    int openBytes(const std::string& bytes) {
        writeBytes(dir.file("in.wav"), bytes);
        return reader.open(dir.file("in.wav"));
    }

    TempDir dir;
    RecordingSink sink;
    WaveReader reader;
};

TEST_F(WaveReaderTest, ReadsFormatAndSamplesOfEighteenAndSixteenByteFmtChunks) {
    const std::string samples = rampSamples(2, 16, 1000);
    for (bool eighteen : {true, false}) {
        ASSERT_EQ(openBytes(riff("WAVE", {chunk("fmt ", fmtBody(2, 44100, 16, eighteen)),
                                          chunk("data", samples)})),
                  kWaveReadOk);
        EXPECT_EQ(reader.format, makePcmFormat(44100, 16, 2));
        EXPECT_EQ(reader.dataSize, samples.size());
        EXPECT_EQ(reader.fileName, dir.file("in.wav"));
        std::string block(1500, '\0');
        std::uint32_t got = 0;
        ASSERT_EQ(reader.readBlock(2000, 1500, got, block.data()), kWaveReadOk);
        EXPECT_EQ(got, 1500u);
        EXPECT_EQ(block, samples.substr(2000, 1500));
        reader.close();
    }
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(WaveReaderTest, BlockReadsStopAtTheEndOfTheDataChunk) {
    const std::string samples = rampSamples(1, 8, 101);  // odd size: a pad byte follows
    ASSERT_EQ(openBytes(riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8)), chunk("data", samples),
                                      chunk("id3 ", "TAGDATA!")})),
              kWaveReadOk);
    std::string block(64, '\0');
    std::uint32_t got = 99;
    // A read across the end returns the rest, never the pad byte or the tag after it.
    ASSERT_EQ(reader.readBlock(90, 64, got, block.data()), kWaveReadOk);
    EXPECT_EQ(got, 11u);
    EXPECT_EQ(block.substr(0, 11), samples.substr(90));
    // At or past the end there is nothing to read.
    EXPECT_EQ(reader.readBlock(101, 1, got, block.data()), kWaveReadShort);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(reader.readBlock(5000, 1, got, block.data()), kWaveReadShort);
    ASSERT_EQ(reader.readBlock(0, 1, got, block.data()), kWaveReadOk);
    EXPECT_EQ(block[0], samples[0]);
    reader.close();
    EXPECT_EQ(reader.readBlock(0, 1, got, block.data()), kWaveReadShort);
}

TEST_F(WaveReaderTest, RefusesBrokenFilesWithItsCodesAndMessagesAndClearsTheRecord) {
    const std::string fmt = chunk("fmt ", fmtBody(1, 8000, 8));
    const std::string data = chunk("data", "abcd");
    struct Case {
        const char* what;
        std::string bytes;
        int code;
    };
    const std::vector<Case> cases = {
        {"data before fmt", riff("WAVE", {data, fmt}), kWaveReadCannotRead},
        {"no data chunk", riff("WAVE", {fmt}), kWaveReadCannotRead},
        {"empty data", riff("WAVE", {fmt, chunk("data", "")}), kWaveReadNoData},
        {"not PCM", riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8, true, 3)), data}),
         kWaveReadNotPcm},
        {"fmt cut by the end of file", riff("WAVE", {chunkWithSize("fmt ", 18, "\x01\0\x01")}),
         kWaveReadCannotRead},
        {"fmt of 8 bytes", riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8).substr(0, 8)), data}),
         kWaveReadCannotRead},
        {"no fmt", riff("WAVE", {data}), kRiffErrChunkNotFound},
        {"not RIFF", "JUNK0000 and nothing else", kRiffErrChunkNotFound},
        {"empty file", "", kRiffErrChunkNotFound},
    };
    for (const Case& c : cases) {
        sink.shown.clear();
        EXPECT_EQ(openBytes(c.bytes), c.code) << c.what;
        EXPECT_FALSE(reader.file.isOpen()) << c.what;
        EXPECT_EQ(reader.dataSize, 0u) << c.what;
        EXPECT_EQ(reader.format, WaveFormat{}) << c.what;
        EXPECT_TRUE(reader.fileName.empty()) << c.what;
        ASSERT_EQ(sink.shown.size(), 1u) << c.what;
        EXPECT_EQ(sink.shown[0].first, c.code);
        EXPECT_EQ(sink.shown[0].second, waveReaderMessage(c.code));
    }
    sink.shown.clear();
    EXPECT_EQ(reader.open(""), kWaveReadBadName);
    EXPECT_EQ(reader.open(dir.file("missing.wav")), kWaveReadCannotRead);
    ASSERT_EQ(sink.shown.size(), 2u);
    EXPECT_EQ(sink.shown[0].second, "Error : Invalid file format.");
    EXPECT_EQ(sink.shown[1].second, "Error : Unable to read data from file.");
}

TEST_F(WaveReaderTest, AcceptsAnyRiffFormType) {
    EXPECT_EQ(openBytes(riff("XXXX", {chunk("fmt ", fmtBody(1, 8000, 8)), chunk("data", "ab")})),
              kWaveReadOk);
}

TEST_F(WaveReaderTest, RecoversTheSamplesOfARecorderThatStoppedBeforeWritingSizes) {
    const std::string samples = rampSamples(2, 16, 500);
    // Both sizes 0, as left by a crash right after the header was written.
    std::string bytes = riff("WAVE", {chunk("fmt ", fmtBody(2, 22050, 16))}, 0);
    bytes += chunkWithSize("data", 0, samples);
    ASSERT_EQ(openBytes(bytes), kWaveReadOk);
    EXPECT_EQ(reader.dataSize, samples.size());
    // And sizes of 0xFFFFFFFF, as some streaming writers leave them.
    bytes = riff("WAVE", {chunk("fmt ", fmtBody(2, 22050, 16))}, 0xFFFFFFFFll);
    bytes += chunkWithSize("data", 0xFFFFFFFFu, samples);
    ASSERT_EQ(openBytes(bytes), kWaveReadOk);
    EXPECT_EQ(reader.dataSize, samples.size());
    std::string block(samples.size(), '\0');
    std::uint32_t got = 0;
    ASSERT_EQ(reader.readBlock(0, 100000, got, block.data()), kWaveReadOk);
    EXPECT_EQ(block.substr(0, got), samples);
}

TEST_F(WaveReaderTest, AnEmptyDataChunkFollowedByATagStaysEmpty) {
    // A size of 0 with well-formed chunks after it is a file that really has no samples.
    EXPECT_EQ(openBytes(riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8)), chunk("data", ""),
                                      chunk("id3 ", std::string(33, 'x'))})),
              kWaveReadNoData);
}

TEST_F(WaveReaderTest, ReadsWhatSoxWrites) {
    if (!haveSox()) GTEST_SKIP() << "sox is not installed";
    const std::string wav = dir.file("sox.wav");
    const std::string raw = dir.file("sox.raw");
    ASSERT_TRUE(run("sox -n -r 11025 -c 2 -b 16 " + wav + " synth 0.5 sine 440 sine 660").ok);
    ASSERT_TRUE(run("sox " + wav + " -t raw " + raw).ok);
    const std::string expected = readBytes(raw);
    ASSERT_EQ(reader.open(wav), kWaveReadOk);
    EXPECT_EQ(reader.format.channels, 2);
    EXPECT_EQ(reader.format.sampleRate, 11025u);
    ASSERT_EQ(reader.dataSize, expected.size());
    std::string all;
    std::string block(4096, '\0');
    std::uint32_t got = 0;
    for (std::uint32_t at = 0; reader.readBlock(at, 4096, got, block.data()) == kWaveReadOk;
         at += got) {
        all.append(block.data(), got);
    }
    EXPECT_EQ(all, expected);
}

TEST(WaveReaderMessages, KeepTheirTexts) {
    EXPECT_STREQ(waveReaderMessage(kWaveReadNoMemory), "Error: Unable to allocate memory.");
    EXPECT_STREQ(waveReaderMessage(kWaveReadShort), "Error : Unable to read whole data from file.");
    EXPECT_STREQ(waveReaderMessage(kRiffErrSharingViolation),
                 "Error : The file is being used by another application and is unavailable.");
    EXPECT_STREQ(waveReaderMessage(kRiffErrCannotRead), "Unknown Error");
    EXPECT_STREQ(waveReaderMessage(0), "Unknown Error");
}

}  // namespace
}  // namespace sonthra
