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
    EXPECT_EQ(errText, "Error: Could not complete the Conversion process.\n");
    EXPECT_EQ(cli("info " + shellQuoted(junk)), 1);
    EXPECT_EQ(errText, "Error : Invalid MP3 file.\n");
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

}  // namespace
}  // namespace sonthra
