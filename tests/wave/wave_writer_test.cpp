#include "wave/wave_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "support/file_size_limit.h"
#include "wave/wave_probe.h"
#include "wave/wave_reader.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::exists;
using testing::get32;
using testing::haveSox;
using testing::rampSamples;
using testing::readBytes;
using testing::run;
using testing::TempDir;
using testing::writeBytes;

using testing::FileSizeLimit;

TEST(WaveWriter, WritesTheDocumentedLayout) {
    TempDir dir;
    const std::string path = dir.file("out.wav");
    const std::string samples = rampSamples(2, 16, 300);
    auto writer = WaveWriter::create(path, 44100, 16, 2);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->write(samples.data(), 1000));
    ASSERT_TRUE(writer->write(samples.data() + 1000, samples.size() - 1000));
    EXPECT_EQ(writer->dataBytes(), samples.size());
    ASSERT_TRUE(writer->finish());
    EXPECT_FALSE(writer->write("x", 1));

    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 46 + samples.size());
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(get32(bytes, 4), 38 + samples.size());
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(get32(bytes, 16), 18u);
    std::string fmt = testing::fmtBody(2, 44100, 16);
    EXPECT_EQ(bytes.substr(20, 18), fmt);
    EXPECT_EQ(bytes.substr(38, 4), "data");
    EXPECT_EQ(get32(bytes, 42), samples.size());
    EXPECT_EQ(bytes.substr(46), samples);
}

TEST(WaveWriter, OddSampleCountsArePaddedAndCarriedChunksFollowTheSamples) {
    TempDir dir;
    const std::string tagSource = dir.file("tag.bin");
    writeBytes(tagSource, "...TAGBODY...");
    const int fd = ::open(tagSource.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::string path = dir.file("odd.wav");
    auto writer = WaveWriter::create(path, 8000, 8, 1);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->write("abc", 3));
    ASSERT_TRUE(writer->addChunkFrom(fourCC("id3 "), fd, 3, 7));
    ASSERT_TRUE(writer->finish());
    ::close(fd);
    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 46u + 3 + 1 + 8 + 7 + 1);
    EXPECT_EQ(get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(get32(bytes, 42), 3u);
    EXPECT_EQ(bytes.substr(50, 4), "id3 ");
    EXPECT_EQ(get32(bytes, 54), 7u);
    EXPECT_EQ(bytes.substr(58, 7), "TAGBODY");
    // The reader still sees exactly the three samples.
    WaveReader reader;
    ASSERT_EQ(reader.open(path), kWaveReadOk);
    EXPECT_EQ(reader.dataSize, 3u);
}

TEST(WaveWriter, CopiesSampleBytesFromAnotherFile) {
    TempDir dir;
    const std::string source = dir.file("src.bin");
    const std::string samples = rampSamples(2, 16, 400000);  // 1.6 MB: several copy rounds
    writeBytes(source, "HEADER" + samples);
    const int fd = ::open(source.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    auto writer = WaveWriter::create(dir.file("copy.wav"), 44100, 16, 2);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->write(samples.data(), 4));
    ASSERT_TRUE(writer->writeFrom(fd, 6 + 4, samples.size() - 8));
    ASSERT_TRUE(writer->write(samples.data() + samples.size() - 4, 4));
    ASSERT_TRUE(writer->finish());
    ::close(fd);
    EXPECT_EQ(readBytes(dir.file("copy.wav")).substr(46), samples);
}

TEST(WaveWriter, ReplacingLeavesTheTargetUntilFinishedAndNoTraceWhenDropped) {
    TempDir dir;
    const std::string path = dir.file("target.wav");
    writeBytes(path, "old contents");
    {
        auto writer = WaveWriter::createReplacing(path, 8000, 8, 1);
        ASSERT_TRUE(writer);
        ASSERT_TRUE(writer->write("abcd", 4));
        EXPECT_EQ(readBytes(path), "old contents");
        EXPECT_EQ(dir.names().size(), 2u);  // the target and the new file beside it
    }
    EXPECT_EQ(readBytes(path), "old contents");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"target.wav"});

    auto writer = WaveWriter::createReplacing(path, 8000, 8, 1);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->write("abcd", 4));
    ASSERT_TRUE(writer->finish());
    EXPECT_EQ(readBytes(path).substr(46), "abcd");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"target.wav"});
}

TEST(WaveWriter, AFailedWriteClosesTheFileAndLeavesTheTargetIntact) {
    TempDir dir;
    const std::string path = dir.file("full.wav");
    writeBytes(path, "the good file");
    const std::string samples(200000, 'x');
    auto writer = WaveWriter::createReplacing(path, 8000, 8, 1);
    ASSERT_TRUE(writer);
    {
        FileSizeLimit limit(100000);
        EXPECT_FALSE(writer->write(samples.data(), samples.size()));
    }
    EXPECT_EQ(writer->error(), EFBIG);
    EXPECT_FALSE(writer->write("a", 1));
    EXPECT_FALSE(writer->finish());
    EXPECT_EQ(readBytes(path), "the good file");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"full.wav"});

    // Writing straight into a file: it fails the same way, closed.
    auto direct = WaveWriter::create(dir.file("direct.wav"), 8000, 8, 1);
    ASSERT_TRUE(direct);
    {
        FileSizeLimit limit(100000);
        EXPECT_FALSE(direct->write(samples.data(), samples.size()));
    }
    EXPECT_FALSE(direct->finish());
}

TEST(WaveWriter, CannotCreateInAMissingFolder) {
    TempDir dir;
    EXPECT_FALSE(WaveWriter::create(dir.file("no/such.wav"), 8000, 8, 1));
    EXPECT_FALSE(WaveWriter::createReplacing(dir.file("no/such.wav"), 8000, 8, 1));
}

TEST(WaveWriter, SoxReadsWhatItWrites) {
    if (!haveSox()) GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    for (int bits : {8, 16}) {
        for (int channels : {1, 2}) {
            const std::string path = dir.file("judge.wav");
            const std::string samples = rampSamples(static_cast<std::uint16_t>(channels),
                                                    static_cast<std::uint16_t>(bits), 1234);
            auto writer = WaveWriter::create(path, 22050, static_cast<std::uint16_t>(bits),
                                             static_cast<std::uint16_t>(channels));
            ASSERT_TRUE(writer);
            ASSERT_TRUE(writer->write(samples.data(), samples.size()));
            ASSERT_TRUE(writer->finish());
            EXPECT_EQ(run("soxi -s " + path).output, "1234\n");
            EXPECT_EQ(run("soxi -c " + path).output, std::to_string(channels) + "\n");
            EXPECT_EQ(run("soxi -r " + path).output, "22050\n");
            EXPECT_EQ(run("soxi -b " + path).output, std::to_string(bits) + "\n");
            ASSERT_TRUE(run("sox " + path + " -t raw " + dir.file("judge.raw")).ok);
            EXPECT_EQ(readBytes(dir.file("judge.raw")), samples) << bits << " " << channels;
        }
    }
}

TEST(CreateEmptyWave, MakesA46ByteFileTheProbeCallsEmpty) {
    TempDir dir;
    const std::string path = dir.file("empty.wav");
    ASSERT_EQ(createEmptyWave(path, 44100, 16, 2), 0);
    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(get32(bytes, 4), 38u);
    EXPECT_EQ(get32(bytes, 42), 0u);
    EXPECT_EQ(bytes.substr(20, 18), testing::fmtBody(2, 44100, 16));
    EXPECT_EQ(probeWave(path, nullptr, nullptr), 164);
    if (haveSox()) {
        EXPECT_EQ(run("soxi -s " + path).output, "0\n");
    }

    EXPECT_EQ(createEmptyWave(dir.file("no/such.wav"), 44100, 16, 2), 160);
    EXPECT_FALSE(exists(dir.file("no")));
}

}  // namespace
}  // namespace sonthra
