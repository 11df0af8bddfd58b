#include "codec/pcm_wave.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "codec/codec_test_support.h"

namespace sonthra {
namespace {

using namespace testing;

TEST(PcmWave, EveryFormatIsWrittenAsFfmpegAndSoxReadIt) {
    ScratchFolder dir;
    struct Case {
        PcmFormat format;
        const char* codec;  // ffprobe's name, which is also ffmpeg's raw format
        const char* raw;
    };
    const Case cases[] = {
        {{8000, 1, 8, false, false}, "pcm_u8", "u8"},
        {{44100, 2, 16, false, false}, "pcm_s16le", "s16le"},
        {{96000, 2, 24, false, true}, "pcm_s24le", "s24le"},
        {{48000, 1, 32, false, true}, "pcm_s32le", "s32le"},
        {{192000, 2, 32, true, false}, "pcm_f32le", "f32le"},
        {{22050, 1, 64, true, true}, "pcm_f64le", "f64le"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codec);
        const std::string path = dir / (std::string(c.codec) + ".wav");
        auto writer = PcmWaveWriter::createReplacing(path, c.format);
        ASSERT_NE(writer, nullptr);
        // An odd count of bytes for the mono 8-bit file: the pad byte must follow.
        std::string samples;
        for (int i = 0; i < 1001 * c.format.blockAlign(); ++i)
            samples.push_back(static_cast<char>(i * 37));
        ASSERT_TRUE(writer->write(samples.data(), samples.size()));
        ASSERT_TRUE(writer->finish());
        EXPECT_EQ(probeField(path, "codec_name"), c.codec);
        EXPECT_EQ(probeField(path, "sample_rate"), std::to_string(c.format.sampleRate));
        EXPECT_EQ(ffmpegSamples(path, c.raw), samples);
        EXPECT_EQ(outputOf("sox --i -s " + shellQuoted(path)), "1001\n");
        EXPECT_EQ(waveData(path), samples);
        EXPECT_FALSE(waveInfo(path).rf64);
    }
}

TEST(PcmWave, AFilePastFourGigabytesIsFinishedAsRf64) {
    ScratchFolder dir;
    const std::string path = dir / "long.wav";
    const PcmFormat format{48000, 2, 24, false, true};
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    // 4.5 GB of samples without writing them: the file is sparse.
    const std::uint64_t dataBytes = 4'500'000'000ull / format.blockAlign() * format.blockAlign();
    const std::uint64_t header = pcmWaveHeaderBytes(format);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(header + dataBytes)), 0);
    ASSERT_TRUE(finishPcmWave(fd, format, dataBytes));
    ::close(fd);

    char magic[4];
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_EQ(std::fread(magic, 1, 4, f), 4u);
    std::fclose(f);
    EXPECT_EQ(std::string(magic, 4), "RF64");
    const PcmWaveInfo info = waveInfo(path);
    EXPECT_TRUE(info.rf64);
    EXPECT_EQ(info.dataBytes, dataBytes);
    EXPECT_EQ(info.dataOffset, header);
    EXPECT_EQ(probeField(path, "codec_name"), "pcm_s24le");
    const double seconds = std::stod(probeField(path, "duration"));
    EXPECT_NEAR(seconds, static_cast<double>(dataBytes / format.blockAlign()) / 48000, 0.01);

    // The same file under 4 GB keeps the plain RIFF header.
    EXPECT_EQ(makePcmWaveHeader(format, 0xFFFFFFFFull - header + 7).substr(0, 4), "RIFF");
    EXPECT_EQ(makePcmWaveHeader(format, 0xFFFFFFFFull - header + 9).substr(0, 4), "RF64");
}

TEST(PcmWave, HostileHeadersAreRefusedAndShortDataIsCut) {
    ScratchFolder dir;
    const std::string path = dir / "x.wav";
    const PcmFormat format{44100, 2, 16, false, false};
    std::string good = makePcmWaveHeader(format, 400) + std::string(100, 'a');
    writeAll(path, good);
    // The data size says 400 but the file holds 100: what is there is read.
    EXPECT_EQ(waveInfo(path).dataBytes, 100u);

    const auto refused = [&](std::string bytes) {
        writeAll(path, bytes);
        return waveInfo(path).dataOffset == 0;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("RIFF\x10\0\0\0WAVEfmt "));
    EXPECT_TRUE(refused(std::string("RIFX") + good.substr(4)));
    std::string noFmt = good;
    noFmt.replace(noFmt.find("fmt "), 4, "fmx ");
    EXPECT_TRUE(refused(noFmt));
    std::string huge = good;
    // A chunk whose size runs past the end of the file ends the search.
    huge.replace(16, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_TRUE(refused(huge));
}

TEST(PcmWave, AWriterDroppedUnfinishedLeavesTheTargetAsItWas) {
    ScratchFolder dir;
    const std::string path = dir / "keep.wav";
    writeAll(path, "precious");
    {
        auto writer = PcmWaveWriter::createReplacing(path, {44100, 2, 24, false, true});
        ASSERT_NE(writer, nullptr);
        ASSERT_TRUE(writer->write("abcdef", 6));
    }
    EXPECT_EQ(readAll(path), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

}  // namespace
}  // namespace sonthra
