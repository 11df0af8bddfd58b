// sonthra-cli convert and info on MP3 files, run as the user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "convert_test_support.h"
#include "tags/document_tag.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

std::string binDir() {
    const char* dir = std::getenv("SONTHRA_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/bin";
}

class ConvertCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        wav = dir.file("tone.wav");
        ASSERT_TRUE(makeToneWav(wav, 44100, 16, 2, 2.0));
    }
    // Exit status; standard error in errText.
    int cli(const std::string& words, const std::string& program = binDir() + "/sonthra-cli") {
        const std::string errFile = dir.file("stderr.txt");
        const int raw = std::system(
            (shellQuoted(program) + " " + words + " >/dev/null 2>" + shellQuoted(errFile)).c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(errFile);
        errText.assign(std::istreambuf_iterator<char>(in), {});
        std::filesystem::remove(errFile);
        return status;
    }

    TempDir dir;
    std::string wav;
    std::string errText;
};

TEST_F(ConvertCliTest, RoundTripKeepsLengthAndSongInformationAndNeverOverwrites) {
    DocumentTag tag;
    tag.attachV2().setTitle("Round trip");
    ASSERT_EQ(tag.writeWave(wav), 0);
    const std::string mp3 = dir.file("tone.mp3"), back = dir.file("back.wav");
    ASSERT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(mp3)), 0) << errText;
    EXPECT_EQ(outputOf("ffprobe -v error -show_entries stream=codec_name,bit_rate -of csv=p=0 " +
                       shellQuoted(mp3)),
              "mp3,128000\n");
    const std::string info =
        outputOf(shellQuoted(binDir() + "/sonthra-cli") + " info " + shellQuoted(mp3));
    EXPECT_EQ(info, "rate: 44100\nchannels: 2\nframes: 88200\nlength: 000:02:000\nbitrate: 128\n");

    ASSERT_EQ(cli("convert " + shellQuoted(mp3) + " " + shellQuoted(back)), 0) << errText;
    EXPECT_EQ(readPcm(back).frames(), 88200u);
    DocumentTag carried;
    ASSERT_EQ(carried.readWave(back), 0);
    ASSERT_TRUE(carried.v2());
    EXPECT_EQ(carried.v2()->title(), "Round trip");

    const std::uint64_t size = fileSize(mp3);
    EXPECT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(mp3) + " --bitrate 64"), 1);
    EXPECT_NE(errText.find("already exists"), std::string::npos);
    EXPECT_EQ(fileSize(mp3), size);
}

TEST_F(ConvertCliTest, FailuresPrintTheProductsMessageAndLeaveNoFile) {
    const std::string out = dir.file("out.mp3");
    EXPECT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(out) + " --bitrate 24"), 1);
    EXPECT_NE(errText.find("cannot produce MP3 files at 24kbit Bitrate"), std::string::npos);
    EXPECT_EQ(cli("convert " + shellQuoted(dir.file("none.wav")) + " " + shellQuoted(out)), 1);
    EXPECT_NE(errText.find("does not exist"), std::string::npos);
    const std::string junk = dir.file("junk.mp3");
    std::ofstream(junk) << std::string(5000, 'j');
    EXPECT_EQ(cli("convert " + shellQuoted(junk) + " " + shellQuoted(dir.file("junk.wav"))), 1);
    const std::string notAudio =
        "\"junk.mp3\" is not an audio file Sonthra recognises; Sonthra opens WAV and MP3 files.\n";
    EXPECT_EQ(errText, notAudio);
    EXPECT_EQ(cli("info " + shellQuoted(junk)), 1);
    EXPECT_EQ(errText, notAudio);
    EXPECT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(dir.file("x.ogg"))), 2);
    EXPECT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(out) + " --encoder other"), 2);
    EXPECT_FALSE(fileExists(out));
    EXPECT_FALSE(fileExists(dir.file("junk.wav")));
}

TEST_F(ConvertCliTest, WithoutTheEncoderLibraryBesideTheProgramTheSystemEncoderStillWorks) {
    // A copy of the program in a folder of its own has no lame_enc.so beside it.
    const std::string program = dir.file("sonthra-cli");
    std::filesystem::copy_file(binDir() + "/sonthra-cli", program);
    const std::string out = dir.file("out.mp3");
    EXPECT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(out), program), 1);
    EXPECT_EQ(errText, "Cannot load LAME encoder.\n");
    EXPECT_FALSE(fileExists(out));
    EXPECT_EQ(
        cli("convert " + shellQuoted(wav) + " " + shellQuoted(out) + " --encoder=system", program),
        0)
        << errText;
    EXPECT_EQ(outputOf("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                       shellQuoted(out)),
              "mp3\n");
}

// A file converts as what it holds: a WAV named ".mp3" as a WAV, an MP3 named ".wav" as an MP3;
// other audio is refused by what it is and leaves nothing behind.
TEST_F(ConvertCliTest, TheContentDecidesWhichWayAFileConverts) {
    const std::string disguisedWav = dir.file("speech.mp3");
    std::filesystem::copy_file(wav, disguisedWav);
    const std::string mp3 = dir.file("out.mp3");
    ASSERT_EQ(cli("convert " + shellQuoted(disguisedWav) + " " + shellQuoted(mp3)), 0) << errText;
    EXPECT_EQ(outputOf("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                       shellQuoted(mp3)),
              "mp3\n");
    EXPECT_EQ(
        outputOf(shellQuoted(binDir() + "/sonthra-cli") + " info " + shellQuoted(disguisedWav)),
        "rate: 44100\nbits: 16\nchannels: 2\nframes: 88200\nlength: 000:02:000\n");

    const std::string disguisedMp3 = dir.file("song.wav");
    std::filesystem::copy_file(mp3, disguisedMp3);
    const std::string back = dir.file("back.wav");
    ASSERT_EQ(cli("convert " + shellQuoted(disguisedMp3) + " " + shellQuoted(back)), 0) << errText;
    // Noise would come out at full scale; the tone comes back as mpg123 decodes it.
    const std::string theirs = dir.file("theirs.wav");
    ASSERT_EQ(runQuiet("mpg123 -q -w " + shellQuoted(theirs) + " " + shellQuoted(mp3)), 0);
    EXPECT_EQ(readPcm(back).frames(), 88200u);
    EXPECT_NEAR(measuredLevel(readPcm(back)), measuredLevel(readPcm(theirs)), 0.01);

    const std::string m4a = dir.file("tune.mp3");
    ASSERT_EQ(
        runQuiet("ffmpeg -v error -i " + shellQuoted(wav) + " -c:a aac -f mp4 " + shellQuoted(m4a)),
        0);
    EXPECT_EQ(cli("convert " + shellQuoted(m4a) + " " + shellQuoted(dir.file("tune.wav"))), 1);
    EXPECT_EQ(errText, "\"tune.mp3\" is an MP4/M4A file; Sonthra opens WAV and MP3 files.\n");
    EXPECT_FALSE(fileExists(dir.file("tune.wav")));
}

// The same WAV file the program does not take gets the same text from every verb, and no verb
// writes anything.
TEST_F(ConvertCliTest, EveryVerbSaysTheSameOfAWavItDoesNotTake) {
    struct Case {
        const char* options;
        const char* what;
    } cases[] = {
        {"-b 24", "a WAV file with 24-bit samples"},
        {"-e floating-point -b 32", "a WAV file with 32-bit floating-point samples"},
        {"-e a-law", "a WAV file with A-law samples"},
        {"-b 16 -c 6", "a WAV file with 6 channels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::string take = dir.file("take.wav");
        std::filesystem::remove(take);
        ASSERT_EQ(runQuiet(std::string("sox -n ") + c.options + " " + shellQuoted(take) +
                           " synth 0.2 sine 440"),
                  0);
        const std::string text = std::string("\"take.wav\" is ") + c.what +
                                 "; Sonthra opens 8-bit and 16-bit PCM WAV files in mono or "
                                 "stereo.\n";
        const std::string in = shellQuoted(take), out = shellQuoted(dir.file("out.wav"));
        const std::string mp3 = shellQuoted(dir.file("out.mp3"));
        for (const std::string& words :
             {"convert " + in + " " + mp3, "convert " + in + " " + mp3 + " --encoder system",
              "format " + in + " " + out + " --bits 16", "effect Amplify " + in + " " + out,
              "cut " + in + " " + out + " --from 0 --to 10", "info " + in}) {
            SCOPED_TRACE(words);
            EXPECT_EQ(cli(words), 1);
            EXPECT_EQ(errText, text);
        }
        EXPECT_FALSE(fileExists(dir.file("out.wav")));
        EXPECT_FALSE(fileExists(dir.file("out.mp3")));
    }
    // MPEG audio where a WAV file is needed says what it is too.
    const std::string mp3 = dir.file("tone.mp3");
    ASSERT_EQ(cli("convert " + shellQuoted(wav) + " " + shellQuoted(mp3)), 0) << errText;
    EXPECT_EQ(cli("format " + shellQuoted(mp3) + " " + shellQuoted(dir.file("x.wav"))), 1);
    EXPECT_EQ(errText, "\"tone.mp3\" is an MP3 file; convert it to WAV first.\n");
}

}  // namespace
}  // namespace sonthra
