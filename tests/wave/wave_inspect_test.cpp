// What a file handed to the program is, told from its content: files made by sox and ffmpeg,
// the properties ffprobe reads from them, and the one refusal text. (Every verb showing that
// text is tested with sonthra-cli in tests/convert.)
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "wave/wave_inspect.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

TEST(WaveInspect, SaysWhatAFileIsAndWhatOfItIsNotTaken) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* command;  // {} stands for the file
        const char* verdict;  // the refusal after the quoted name, or "taken"
    } cases[] = {
        {"wide.wav", "sox -n -b 24 -c 6 {} synth 0.1 sine 440",
         " is a WAV file with 24-bit samples in 6 channels; Sonthra opens 8-bit and 16-bit PCM "
         "WAV files in mono or stereo."},
        {"surround.wav", "sox -n -e floating-point -b 32 -c 6 {} synth 0.1 sine 440",
         " is a WAV file with 32-bit floating-point samples in 6 channels; Sonthra opens 8-bit "
         "and 16-bit PCM WAV files in mono or stereo."},
        {"long.wav", "ffmpeg -v error -f lavfi -i sine=duration=0.1 -rf64 always {}",
         " is an RF64 WAV file; Sonthra opens 8-bit and 16-bit PCM WAV files in mono or stereo."},
        {"disc.wav", "sox -n -t flac {} synth 0.1 sine 440",
         " is a FLAC file; Sonthra opens WAV and MP3 files."},
        {"low.mp3", "sox -n -t wav -b 8 -c 2 {} synth 0.1 sine 440", "taken"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        std::string command = c.command;
        command.replace(command.find("{}"), 2, "'" + path + "'");
        ASSERT_TRUE(run(command).ok);
        AudioFileFacts facts;
        const int result = inspectAudioFile(path, &facts);
        if (result == 0) {
            EXPECT_EQ(std::string("taken"), c.verdict);
            EXPECT_EQ(facts.opensAs, OpensAs::Wave);
        } else {
            EXPECT_EQ(refusalText(path, facts, result),
                      "\"" + std::string(c.name) + "\"" + c.verdict);
            EXPECT_EQ(facts.opensAs, OpensAs::Nothing);
        }
        if (facts.kind.kind != FileKind::Wave) continue;
        // The format the text is built from is the one an outside reader sees.
        const std::string probed =
            run("ffprobe -v error -show_entries stream=channels,sample_rate -of csv=p=0 '" + path +
                "'")
                .output;
        EXPECT_EQ(probed, std::to_string(facts.layout.format.sampleRate) + "," +
                              std::to_string(facts.layout.format.channels) + "\n");
    }
    EXPECT_EQ(inspectAudioFile(dir.file("missing.wav"), nullptr), 103);
}

}  // namespace
}  // namespace sonthra

namespace sonthra {
namespace {

// A folder, a named pipe or a device given as a file is named as what it is, and the pipe is
// never opened (which would wait for a writer).
TEST(WaveInspect, NamesWhatIsNoFile) {
    testing::TempDir dir;
    const std::string pipe = dir.file("take.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* text;
    } cases[] = {
        {pipe, "\"take.wav\" is a named pipe, not a file; Sonthra opens audio files."},
        {dir.path(), "is a folder, not a file"},
        {"/dev/null", "\"null\" is a device, not a file; Sonthra opens audio files."},
    };
    for (const Case& c : cases) {
        AudioFileFacts facts;
        const int refused = inspectAudioFile(c.path, &facts);
        EXPECT_EQ(refused, kNotAFile) << c.path;
        EXPECT_NE(refusalText(c.path, facts, refused).find(c.text), std::string::npos)
            << refusalText(c.path, facts, refused);
    }
    AudioFileFacts facts;
    EXPECT_EQ(inspectAudioFile(dir.file("missing.wav"), &facts), 103);
}

}  // namespace
}  // namespace sonthra
