// What a file handed to the program is, told from its content: files made by sox, ffmpeg and
// lame under names that lie, the properties ffprobe reads from them, and the one refusal text.
#include <gtest/gtest.h>

#include "wave/wave_inspect.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

constexpr const char* kWaveRule =
    "; Sonthra opens 8-bit and 16-bit PCM WAV files in mono or stereo.";

class WaveInspectTest : public ::testing::Test {
protected:
    // Runs command with {} standing for the new file's path; the path, or empty on failure.
    std::string made(const std::string& name, std::string command) {
        const std::string path = dir.file(name);
        command.replace(command.find("{}"), 2, "'" + path + "'");
        return run(command).ok && exists(path) ? path : std::string();
    }
    // One stream field as ffprobe reads it.
    static std::string probed(const std::string& path, const std::string& field) {
        std::string out = run("ffprobe -v error -select_streams a:0 -show_entries stream=" + field +
                              " -of csv=p=0 '" + path + "'")
                              .output;
        while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
        return out;
    }
    // The text a refusal of path shows, or "taken" when the file opens.
    static std::string verdict(const std::string& path, AudioFileFacts* facts = nullptr) {
        AudioFileFacts found;
        const int result = inspectAudioFile(path, &found);
        if (facts) *facts = found;
        return result == 0 ? "taken" : refusalText(path, found, result);
    }

    TempDir dir;
};

TEST_F(WaveInspectTest, WavFilesOfOtherFormatsAreRefusedNamingWhatIsNotTaken) {
    struct Case {
        const char* name;
        const char* command;
        const char* what;
    } cases[] = {
        {"take.wav", "sox -n -b 24 {} synth 0.1 sine 440", "a WAV file with 24-bit samples"},
        {"float.wav", "sox -n -e floating-point -b 32 {} synth 0.1 sine 440",
         "a WAV file with 32-bit floating-point samples"},
        {"alaw.wav", "sox -n -e a-law {} synth 0.1 sine 440", "a WAV file with A-law samples"},
        {"six.wav", "sox -n -b 16 -c 6 {} synth 0.1 sine 440", "a WAV file with 6 channels"},
        {"wide.wav", "sox -n -b 24 -c 6 {} synth 0.1 sine 440",
         "a WAV file with 24-bit samples in 6 channels"},
        {"surround.wav", "sox -n -e floating-point -b 32 -c 6 {} synth 0.1 sine 440",
         "a WAV file with 32-bit floating-point samples in 6 channels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = made(c.name, c.command);
        ASSERT_FALSE(path.empty());
        AudioFileFacts facts;
        EXPECT_EQ(verdict(path, &facts),
                  "\"" + std::string(c.name) + "\" is " + c.what + kWaveRule);
        EXPECT_EQ(facts.opensAs, OpensAs::Nothing);
        // The format the text is built from is the one an outside reader sees.
        EXPECT_EQ(std::to_string(facts.layout.format.channels), probed(path, "channels"));
        EXPECT_EQ(std::to_string(facts.layout.format.sampleRate), probed(path, "sample_rate"));
    }

    const std::string rf64 =
        made("long.wav", "ffmpeg -v error -f lavfi -i sine=duration=0.1 -rf64 always {}");
    ASSERT_FALSE(rf64.empty());
    EXPECT_EQ(verdict(rf64), std::string("\"long.wav\" is an RF64 WAV file") + kWaveRule);

    // What the program does take: 8 and 16 bits, one or two channels.
    for (const char* options : {"-b 8 -c 1", "-b 16 -c 2", "-b 8 -c 2"}) {
        SCOPED_TRACE(options);
        const std::string path =
            made("ok.wav", std::string("sox -n ") + options + " {} synth 0.1 sine 440");
        ASSERT_FALSE(path.empty());
        AudioFileFacts facts;
        EXPECT_EQ(verdict(path, &facts), "taken");
        EXPECT_EQ(facts.opensAs, OpensAs::Wave);
        std::filesystem::remove(path);
    }
}

TEST_F(WaveInspectTest, TheContentDecidesWhateverTheNameSays) {
    AudioFileFacts facts;
    const std::string wav = made("speech.mp3", "sox -n -b 16 -t wav {} synth 0.2 sine 440");
    ASSERT_FALSE(wav.empty());
    EXPECT_EQ(verdict(wav, &facts), "taken");
    EXPECT_EQ(facts.opensAs, OpensAs::Wave);

    const std::string mp3 =
        made("song.wav", "sox -n -t wav - synth 0.5 sine 440 2>/dev/null | lame --quiet - {}");
    ASSERT_FALSE(mp3.empty());
    ASSERT_EQ(probed(mp3, "codec_name"), "mp3");
    EXPECT_EQ(verdict(mp3, &facts), "taken");
    EXPECT_EQ(facts.opensAs, OpensAs::Mpeg);

    const std::string m4a =
        made("tune.mp3", "ffmpeg -v error -f lavfi -i sine=duration=0.3 -c:a aac -f mp4 {}");
    ASSERT_FALSE(m4a.empty());
    EXPECT_EQ(verdict(m4a), "\"tune.mp3\" is an MP4/M4A file; Sonthra opens WAV and MP3 files.");
    const std::string flac = made("disc.wav", "sox -n -t flac {} synth 0.2 sine 440");
    ASSERT_FALSE(flac.empty());
    EXPECT_EQ(verdict(flac), "\"disc.wav\" is a FLAC file; Sonthra opens WAV and MP3 files.");

    writeBytes(dir.file("notes.mp3"), std::string(3000, 'n'));
    EXPECT_EQ(verdict(dir.file("notes.mp3")),
              "\"notes.mp3\" is not an audio file Sonthra recognises; Sonthra opens WAV and MP3 "
              "files.");
    EXPECT_EQ(inspectAudioFile(dir.file("missing.wav"), &facts), 103);
    EXPECT_EQ(inspectAudioFile(dir.path(), &facts), 103);
}

}  // namespace
}  // namespace sonthra
