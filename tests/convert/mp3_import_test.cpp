// MP3 to WAV: judged against mpg123 and lame, the programs everyone trusts with MP3 files.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "convert/convert_codes.h"
#include "convert/cv_mp3_wav.h"
#include "convert/mp3_import.h"
#include "convert_test_support.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

class Mp3ImportTest : public ::testing::Test {
protected:
    // A tone WAV encoded by lame with the given options; empty on failure.
    std::string lameFile(const std::string& name, std::uint32_t rate, std::uint16_t channels,
                         double seconds, const std::string& options) {
        const std::string wav = dir.file(name + ".wav");
        const std::string mp3 = dir.file(name + ".mp3");
        if (!makeToneWav(wav, rate, 16, channels, seconds, 440.0)) return {};
        if (runQuiet("lame --quiet " + options + " " + shellQuoted(wav) + " " + shellQuoted(mp3)) !=
            0)
            return {};
        return mp3;
    }

    TempDir dir;
    CVMP3WAV converter;
};

TEST_F(Mp3ImportTest, DecodesSampleForSampleAsMpg123AndKeepsTheSourceLength) {
    for (const auto& [rate, channels] :
         {std::pair<std::uint32_t, std::uint16_t>{44100, 2}, {22050, 1}, {48000, 2}}) {
        SCOPED_TRACE(rate);
        // Bitrates that lame takes without resampling.
        const std::string mp3 = lameFile("tone" + std::to_string(rate), rate, channels, 3.3,
                                         channels == 1 ? "-b 64" : "-b 128");
        ASSERT_FALSE(mp3.empty());
        const std::string ours = dir.file("ours.wav"), theirs = dir.file("theirs.wav");
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(mp3, ours), kConvertOk);
        EXPECT_FALSE(converter.damaged());
        EXPECT_EQ(converter.GetStatus(), 100);
        ASSERT_EQ(runQuiet("mpg123 -q -w " + shellQuoted(theirs) + " " + shellQuoted(mp3)), 0);
        const Pcm a = readPcm(ours), b = readPcm(theirs);
        EXPECT_EQ(a.format.sampleRate, rate);
        EXPECT_EQ(a.format.channels, channels);
        EXPECT_EQ(a.format.bitsPerSample, 16);
        ASSERT_EQ(a.samples.size(), b.samples.size());
        EXPECT_TRUE(a.samples == b.samples);
        // The encoder's delay and padding are gone: the length of the WAV lame was given.
        EXPECT_EQ(a.frames(), static_cast<std::uint64_t>(3.3 * rate));
        EXPECT_EQ(converter.framesWritten(), a.frames());
    }
}

TEST_F(Mp3ImportTest, BitrateOfConstantAndVariableFilesAndTheProbe) {
    const std::string cbr = lameFile("cbr", 44100, 2, 4, "-b 160");
    ASSERT_FALSE(cbr.empty());
    EXPECT_EQ(converter.GetBitRateOfMp3File(cbr), 160);

    const std::string vbr = lameFile("vbr", 44100, 2, 6, "-V 2");
    ASSERT_FALSE(vbr.empty());
    Mp3FileInfo info;
    ASSERT_EQ(probeMp3File(vbr, info), kConvertOk);
    EXPECT_TRUE(info.variableBitrate);
    EXPECT_EQ(info.frames, 6u * 44100);
    // The average over the playing time, as ffprobe works it out from the same file.
    const double theirs =
        std::atof(outputOf("ffprobe -v error -show_entries format=bit_rate -of csv=p=0 " +
                           shellQuoted(vbr))
                      .c_str()) /
        1000;
    ASSERT_GT(theirs, 0);
    EXPECT_NEAR(converter.GetBitRateOfMp3File(vbr), theirs, theirs * 0.03);

    EXPECT_EQ(converter.GetBitRateOfMp3File(dir.file("missing.mp3")), 0);
    EXPECT_EQ(probeMp3File(dir.file("missing.mp3"), info), kCvOpenMp3Input);
}

TEST_F(Mp3ImportTest, TruncatedFileDecodesWhatItHoldsAndSaysSo) {
    const std::string mp3 = lameFile("cut", 44100, 2, 4, "-b 128");
    ASSERT_FALSE(mp3.empty());
    const std::uint64_t size = fileSize(mp3);
    std::filesystem::resize_file(mp3, size / 2 + 77);  // mid-frame
    const std::string out = dir.file("cut-out.wav");
    converter.armConversion();
    ASSERT_EQ(converter.ConvertMP3FileIntoWave(mp3, out), kConvertOk);
    EXPECT_TRUE(converter.damaged());
    const Pcm pcm = readPcm(out);
    EXPECT_NEAR(static_cast<double>(pcm.frames()), 2.0 * 44100, 0.1 * 44100);
    EXPECT_NEAR(measuredFrequency(pcm), 440.0, 2.0);

    // The same cut without the info frame that states the length: the cut frame still shows.
    const std::string plain = lameFile("plain", 44100, 2, 4, "-b 128 -t");
    ASSERT_FALSE(plain.empty());
    std::filesystem::resize_file(plain, fileSize(plain) / 2 + 77);
    converter.armConversion();
    ASSERT_EQ(converter.ConvertMP3FileIntoWave(plain, out), kConvertOk);
    EXPECT_TRUE(converter.damaged());
}

TEST_F(Mp3ImportTest, CorruptMiddleDecodesAroundTheDamage) {
    const std::string mp3 = lameFile("noise", 44100, 2, 4, "-b 128");
    ASSERT_FALSE(mp3.empty());
    {
        std::fstream f(mp3, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(fileSize(mp3) / 3));
        const std::string junk(4000, '\xA5');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    const std::string out = dir.file("noise-out.wav");
    converter.armConversion();
    ASSERT_EQ(converter.ConvertMP3FileIntoWave(mp3, out), kConvertOk);
    EXPECT_TRUE(converter.damaged());
    EXPECT_GT(readPcm(out).frames(), 3u * 44100 / 2);
}

// An APEv2 tag of one item as it is appended after the audio: items, then the footer.
std::string apeTag() {
    std::string item;
    put32(item, 5);  // value length
    put32(item, 0);  // flags
    item += std::string("Title") + '\0' + "Tuned";
    std::string footer = "APETAGEX";
    put32(footer, 2000);
    put32(footer, static_cast<std::uint32_t>(item.size() + 32));
    put32(footer, 1);
    put32(footer, 0);
    footer += std::string(8, '\0');
    return item + footer;
}

// Without an info frame a file states no length: the decoder's figure for it is an estimate
// from the file's size, so only the frames themselves tell a whole file from a cut or damaged
// one.
TEST_F(Mp3ImportTest, FilesWithoutAnInfoFrameAreWholeUnlessCutOrDamaged) {
    const std::string wav = dir.file("source.wav");
    ASSERT_TRUE(makeToneWav(wav, 44100, 16, 2, 3.0, 440.0));
    const std::string in = shellQuoted(wav);
    struct Made {
        const char* name;
        std::string command;
    } made[] = {
        {"plain.mp3", "lame --quiet --nohist -t -b 128 " + in},
        {"vbr.mp3", "lame --quiet --nohist -t -V 4 " + in},
        {"v1only.mp3", "lame --quiet -t --id3v1-only --tt Tuned " + in},
        {"ffmpeg.mp3", "ffmpeg -v error -i " + in + " -c:a libmp3lame -b:a 96k -write_xing 0"},
        {"layer2.mp2", "ffmpeg -v error -i " + in + " -c:a mp2 -b:a 192k -f mp2"},
    };
    for (const Made& m : made) {
        SCOPED_TRACE(m.name);
        const std::string mp3 = dir.file(m.name);
        ASSERT_EQ(runQuiet(m.command + " " + shellQuoted(mp3)), 0);
        const std::string ours = dir.file("ours.wav"), theirs = dir.file("theirs.wav");
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(mp3, ours), kConvertOk);
        EXPECT_FALSE(converter.damaged()) << "a whole file is not called corrupt";
        ASSERT_EQ(runQuiet("mpg123 -q -w " + shellQuoted(theirs) + " " + shellQuoted(mp3)), 0);
        EXPECT_EQ(readPcm(ours).frames(), readPcm(theirs).frames());

        // The same file with an APE tag after the audio is still whole.
        const std::string tagged = dir.file(std::string("ape-") + m.name);
        writeBytes(tagged, readBytes(mp3) + apeTag());
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(tagged, ours), kConvertOk);
        EXPECT_FALSE(converter.damaged());

        // Cut in the middle of a frame, and bytes overwritten in the middle: both said.
        const std::string bytes = readBytes(mp3);
        const std::string cut = dir.file(std::string("cut-") + m.name);
        writeBytes(cut, bytes.substr(0, bytes.size() / 2 + 77));
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(cut, ours), kConvertOk);
        EXPECT_TRUE(converter.damaged()) << "cut short";
        std::string broken = bytes;
        broken.replace(bytes.size() / 3, 3000, std::string(3000, '\xA5'));
        const std::string damaged = dir.file(std::string("damaged-") + m.name);
        writeBytes(damaged, broken);
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(damaged, ours), kConvertOk);
        EXPECT_TRUE(converter.damaged()) << "overwritten";
    }
}

TEST_F(Mp3ImportTest, FilesWithoutAudioAndUnreadableOnesLeaveNoDestination) {
    const std::string out = dir.file("out.wav");
    const std::string text = dir.file("text.mp3");
    std::ofstream(text) << std::string(20000, 'x');
    converter.armConversion();
    EXPECT_EQ(converter.ConvertMP3FileIntoWave(text, out), kCvInvalidMp3);
    EXPECT_EQ(converter.ConvertMP3FileIntoWave(dir.file("none.mp3"), out), kCvOpenMp3Input);
    const std::string empty = dir.file("empty.mp3");
    std::ofstream(empty).close();
    EXPECT_EQ(converter.ConvertMP3FileIntoWave(empty, out), kCvInvalidMp3);
    EXPECT_EQ(converter.ConvertMP3FileIntoWave(dir.path(), out), kCvOpenMp3Input);
    EXPECT_FALSE(fileExists(out));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"empty.mp3", "text.mp3"}));
    EXPECT_TRUE(converter.IsConversionPossible(text));
}

TEST_F(Mp3ImportTest, AFileAfterADamagedOneDecodesExactly) {
    // Decoders are kept from one file to the next: nothing of a broken stream may carry over.
    const std::string good = lameFile("good", 22050, 1, 2, "-b 64");
    const std::string cut = lameFile("cut", 48000, 2, 2, "-b 128");
    ASSERT_FALSE(good.empty());
    ASSERT_FALSE(cut.empty());
    std::filesystem::resize_file(cut, fileSize(cut) / 2 + 33);
    const std::string theirs = dir.file("theirs.wav");
    ASSERT_EQ(runQuiet("mpg123 -q -w " + shellQuoted(theirs) + " " + shellQuoted(good)), 0);
    const Pcm expected = readPcm(theirs);
    for (int round = 0; round < 3; ++round) {
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(cut, dir.file("cut.wav")), kConvertOk);
        EXPECT_TRUE(converter.damaged());
        converter.armConversion();
        ASSERT_EQ(converter.ConvertMP3FileIntoWave(good, dir.file("good.wav")), kConvertOk);
        EXPECT_FALSE(converter.damaged());
        const Pcm ours = readPcm(dir.file("good.wav"));
        EXPECT_EQ(ours.format.sampleRate, 22050u);
        EXPECT_EQ(ours.format.channels, 1);
        EXPECT_TRUE(ours.samples == expected.samples);
        EXPECT_EQ(converter.GetBitRateOfMp3File(good), 64);
    }
}

TEST_F(Mp3ImportTest, APipeOrAFolderIsRefusedAtOnce) {
    const std::string out = dir.file("out.wav");
    const auto [converted, convertSeconds] =
        onFifo(dir.file("pipe.mp3"), [&](const std::string& f) {
            converter.armConversion();
            return converter.ConvertMP3FileIntoWave(f, out);
        });
    EXPECT_EQ(converted, kCvOpenMp3Input);
    EXPECT_LT(convertSeconds, 1.0);
    EXPECT_EQ(mp3ImportText(converted),
              "Error: Could not Open MP3 Input. Please close other applications and try again.");
    const auto [bitrate, bitrateSeconds] = onFifo(dir.file("pipe2.mp3"), [&](const std::string& f) {
        return converter.GetBitRateOfMp3File(f);
    });
    EXPECT_EQ(bitrate, 0);
    EXPECT_LT(bitrateSeconds, 1.0);
    Mp3FileInfo info;
    EXPECT_EQ(probeMp3File(dir.path(), info), kCvOpenMp3Input);
    EXPECT_FALSE(fileExists(out));
}

TEST_F(Mp3ImportTest, StopLeavesTheOldDestinationAndNoTemporaryFile) {
    const std::string mp3 = lameFile("long", 44100, 2, 20, "-b 128");
    ASSERT_FALSE(mp3.empty());
    const std::string out = dir.file("kept.wav");
    std::ofstream(out) << "old contents";

    // A stop that comes before the worker runs is honoured.
    converter.armConversion();
    converter.StopConversion();
    EXPECT_EQ(converter.ConvertMP3FileIntoWave(mp3, out), kCvAborted);

    // And one that comes while it runs.
    converter.armConversion();
    int result = -1;
    std::thread worker([&] { result = converter.ConvertMP3FileIntoWave(mp3, out); });
    while (converter.GetStatus() == 0 && result == -1) std::this_thread::yield();
    converter.StopConversion();
    worker.join();
    if (result == kConvertOk) GTEST_SKIP() << "the machine decoded 20 s before the stop";
    EXPECT_EQ(result, kCvAborted);
    std::ifstream in(out);
    std::string contents;
    std::getline(in, contents);
    EXPECT_EQ(contents, "old contents");
    EXPECT_EQ(dir.names().size(), 3u);  // long.wav, long.mp3, kept.wav
}

TEST(Mp3ImportSpace, WorkingCopyEstimate) {
    EXPECT_EQ(mp3WorkingCopyBytes(1000000, 128), 11025000u);
    EXPECT_EQ(mp3WorkingCopyBytes(1000000, 0), 0u);
    EXPECT_EQ(mp3WorkingCopyBytes(UINT64_MAX, 8), UINT64_MAX);
}

TEST(Mp3ImportCodes, MessagesOfTheConversionWindow) {
    EXPECT_EQ(mp3ImportMessage(kConvertOk), 0);
    EXPECT_EQ(mp3ImportMessage(kCvOpenMp3Input), 327);
    EXPECT_EQ(mp3ImportMessage(kCvCorruptInput), 349);
    EXPECT_EQ(mp3ImportMessage(kCvAborted), 242);
    EXPECT_EQ(mp3ImportMessage(kCvNoTempSpace), 352);
    EXPECT_EQ(mp3ImportMessage(kCvInvalidMp3), 360);
    EXPECT_EQ(mp3ImportMessage(12345), 364);
    EXPECT_EQ(mp3ImportText(kCvAborted), "Warning: User has aborted the process.");
}

}  // namespace
}  // namespace sonthra
