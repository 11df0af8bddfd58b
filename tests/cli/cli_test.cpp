// The real sonthra-cli executable on files made by the test, against the PulseAudio null sink
// for playing and recording.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

#include "engine/audio_edit.h"
#include "engine/child_process.h"
#include "engine/wav_maker.h"
#include "engine/wave_layout.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

using namespace sonthra::test;
using namespace std::chrono_literals;

std::string cliPath() {
    const char* binary = std::getenv("SONTHRA_BINARY_DIR");
    return std::string(binary ? binary : ".") + "/bin/sonthra-cli";
}

ProgramResult cli(std::vector<std::string> args) {
    args.insert(args.begin(), cliPath());
    return runProgram(std::move(args));
}

// The frames of a 16-bit WAV file as interleaved samples; empty when it is not one.
std::vector<std::int16_t> samplesOf(const std::string& path, WaveLayout* layoutOut = nullptr) {
    WaveLayout layout;
    if (readWaveLayout(path, layout) != 0 || layout.bitsPerSample != 16) return {};
    if (layoutOut) *layoutOut = layout;
    const std::string bytes = readFile(path);
    std::vector<std::int16_t> samples(layout.dataBytes / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto lo = static_cast<unsigned char>(bytes[layout.dataOffset + 2 * i]);
        const auto hi = static_cast<unsigned char>(bytes[layout.dataOffset + 2 * i + 1]);
        samples[i] = static_cast<std::int16_t>(lo | (hi << 8));
    }
    return samples;
}

std::vector<std::int16_t> slice(const std::vector<std::int16_t>& samples, int channels,
                                std::size_t first, std::size_t last) {
    return std::vector<std::int16_t>(samples.begin() + first * channels,
                                     samples.begin() + last * channels);
}

std::vector<std::int16_t> join(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string messageText(int number) {
    return FormatMessage(number) + "\n";
}

// What every path says of a WAV file of float samples.
constexpr const char* kFloatRefused =
    "\"float.wav\" is a WAV file with 32-bit floating-point samples; Sonthra opens 8-bit and "
    "16-bit PCM WAV files in mono or stereo.\n";

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The input: 10,000 stereo frames at 8 kHz whose left and right channels differ, so
        // that any frame moved to the wrong place or channel shows.
        tone = makeTone(440, 8000, 2, 10000, 0.5);
        for (std::size_t f = 0; f < 10000; ++f) tone[2 * f + 1] = static_cast<std::int16_t>(f);
        input = folder.file("in.wav");
        writeFile(input, pcmWave(8000, 16, 2, tone));
        inputBytes = readFile(input);
    }

    void TearDown() override {
        EXPECT_EQ(readFile(input), inputBytes) << "the input is never touched";
    }

    TempFolder folder;
    std::vector<std::int16_t> tone;
    std::string input;
    std::string inputBytes;
};

TEST_F(CliTest, InfoDescribesTheFile) {
    const ProgramResult result = cli({"info", input});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output,
              "rate: 8000\nbits: 16\nchannels: 2\nframes: 10000\nlength: 000:01:250\n");
}

TEST_F(CliTest, FailuresPrintTheProductsMessage) {
    ProgramResult result = cli({"info", folder.file("missing.wav")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, messageText(103));
    EXPECT_EQ(result.output, "");

    writeFile(folder.file("float.wav"),
              riff(chunk("fmt ", fmtBody(3, 1, 8000, 32)) + chunk("data", "abcd")));
    result = cli({"info", folder.file("float.wav")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, kFloatRefused);

    result = cli({"play", input, "--from", "20000"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, "sonthra-cli: --from 20000 is past the end of " + input +
                                 " (10000 frames, 000:01:250)\n");

    result = cli({"cut", input, folder.file("out.wav"), "--from", "5", "--to", "5"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find(messageText(122)), std::string::npos) << result.errors;
    EXPECT_FALSE(std::ifstream(folder.file("out.wav")).good());
}

TEST_F(CliTest, PeaksWritesThePeakFileBesideTheWaveOrWhereAsked) {
    ProgramResult result = cli({"peaks", input});
    EXPECT_EQ(result.status, 0) << result.errors;
    // 10,000 frames make 313 blocks of 32 frames; each block holds a minimum and a maximum of
    // 16 bits per channel, so the file is larger than the peaks of both channels.
    const std::string beside = readFile(folder.file("in.cvp"));
    EXPECT_GT(beside.size(), 313u * 2 * 2 * 2);
    result = cli({"peaks", input, folder.file("elsewhere.cvp")});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(readFile(folder.file("elsewhere.cvp")), beside);

    result = cli({"peaks", folder.file("missing.wav")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(cli({"peaks"}).status, 2);
}

TEST_F(CliTest, BadCommandLinesShowTheUsage) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"transmogrify", "a.wav"},
             {"info"},
             {"cut", "in.wav", "out.wav", "--from", "x", "--to", "1"},
             {"record", folder.file("r.wav")},
             {"record", folder.file("r.wav"), "--seconds", "1", "--bits", "12"},
             {"mute", "in.wav", "out.wav", "--from", "1", "--to", "2", "--channels", "4"}}) {
        const ProgramResult result = cli(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.errors.find("usage: sonthra-cli"), std::string::npos);
    }
    EXPECT_FALSE(std::ifstream(folder.file("r.wav")).good());
    const ProgramResult help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("insert-silence IN OUT --at POS --ms N"), std::string::npos);
    const ProgramResult verbHelp = cli({"cut", "--help"});
    EXPECT_EQ(verbHelp.status, 0);
    EXPECT_EQ(verbHelp.output, help.output);
    const ProgramResult version = cli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("sonthra-cli ", 0), 0u) << version.output;
    EXPECT_NE(version.output.find_first_of("0123456789"), std::string::npos);
}

TEST_F(CliTest, PositionsAreFramesOrTimes) {
    // 8000 frames a second: 0.125s is frame 1000, 0:00.375 is frame 3000.
    const std::string out = folder.file("timed.wav");
    const ProgramResult result = cli({"crop", input, out, "--from", "0.125s", "--to", "0:00.375"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(samplesOf(out), slice(tone, 2, 1000, 3000));

    // Past the end, in any form, is told plainly: no usage text, no file.
    for (const char* late : {"10001", "1.3s", "0:02"}) {
        SCOPED_TRACE(late);
        const ProgramResult past =
            cli({"cut", input, folder.file("late.wav"), "--from", "0", "--to", late});
        EXPECT_EQ(past.status, 1);
        EXPECT_NE(past.errors.find("is past the end of"), std::string::npos) << past.errors;
        EXPECT_EQ(past.errors.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(std::ifstream(folder.file("late.wav")).good());
    const ProgramResult garbled =
        cli({"cut", input, folder.file("g.wav"), "--from", "1:5", "--to", "2"});
    EXPECT_EQ(garbled.status, 2);
    EXPECT_NE(garbled.errors.find("1:05.250"), std::string::npos) << "the forms are shown";
}

TEST_F(CliTest, InfoTellsWhatItCanOfFilesItCannotEdit) {
    writeFile(folder.file("float.wav"),
              riff(chunk("fmt ", fmtBody(3, 2, 48000, 32)) + chunk("data", std::string(800, 'a'))));
    ProgramResult result = cli({"info", folder.file("float.wav")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, kFloatRefused);
    EXPECT_EQ(result.output,
              "kind: WAV\nformat: IEEE float\nrate: 48000\nbits: 32\nchannels: 2\nframes: 100\n"
              "length: 000:00:002\nsize: 844 bytes\neditable: no\n");

    writeFile(folder.file("song.flac"), std::string("fLaC") + std::string(60, '\0'));
    result = cli({"info", folder.file("song.flac")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.output, "kind: FLAC\nsize: 64 bytes\neditable: no\n");
    EXPECT_FALSE(result.errors.empty());

    writeFile(folder.file("notes.txt"), "hello");
    result = cli({"info", folder.file("notes.txt")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("kind: not an audio file"), std::string::npos);
}

TEST_F(CliTest, ExistingOutputIsNeverOverwritten) {
    const std::string out = folder.file("taken.wav");
    writeFile(out, "precious");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"record", out, "--seconds", "1"},
             {"crop", input, out, "--from", "0", "--to", "10"},
             {"copy-to", input, out, "--from", "0", "--to", "10"}}) {
        const ProgramResult result = cli(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.errors.find("already exists"), std::string::npos);
    }
    EXPECT_EQ(readFile(out), "precious");
}

TEST_F(CliTest, RangeEditsWriteTheExpectedFrames) {
    const std::vector<std::int16_t> before = slice(tone, 2, 0, 1000);
    const std::vector<std::int16_t> range = slice(tone, 2, 1000, 3000);
    const std::vector<std::int16_t> after = slice(tone, 2, 3000, 10000);
    struct Case {
        const char* verb;
        std::vector<std::int16_t> expected;
    } cases[] = {
        {"cut", join(before, after)},
        {"clear", join(before, after)},
        {"crop", range},
        {"copy-to", range},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.verb);
        const std::string out = folder.file(std::string(c.verb) + ".wav");
        const ProgramResult result = cli({c.verb, input, out, "--from", "1000", "--to", "3000"});
        ASSERT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(samplesOf(out), c.expected);
    }
}

TEST_F(CliTest, PasteMuteTrimAndInsertSilence) {
    const std::string clip = folder.file("clip.wav");
    const std::vector<std::int16_t> clipSamples = makeTone(1000, 8000, 2, 300, 0.25);
    writeFile(clip, pcmWave(8000, 16, 2, clipSamples));
    ProgramResult result = cli({"paste", input, clip, folder.file("pasted.wav"), "--at", "500"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(samplesOf(folder.file("pasted.wav")),
              join(join(slice(tone, 2, 0, 500), clipSamples), slice(tone, 2, 500, 10000)));

    // The left channel only.
    result = cli({"mute", input, folder.file("muted.wav"), "--from", "100", "--to", "200",
                  "--channels", "1"});
    ASSERT_EQ(result.status, 0) << result.errors;
    std::vector<std::int16_t> muted = tone;
    for (std::size_t f = 100; f < 200; ++f) muted[2 * f] = 0;
    EXPECT_EQ(samplesOf(folder.file("muted.wav")), muted);

    // 800 frames of silence at 8 kHz.
    result =
        cli({"insert-silence", input, folder.file("longer.wav"), "--at", "100", "--ms", "100"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(samplesOf(folder.file("longer.wav")),
              join(join(slice(tone, 2, 0, 100), std::vector<std::int16_t>(1600, 0)),
                   slice(tone, 2, 100, 10000)));

    // Silence around a tone: only the tone stays.
    std::vector<std::int16_t> padded(2 * 2000, 0);
    const std::vector<std::int16_t> middle = makeTone(440, 8000, 2, 3000, 0.5);
    padded = join(join(padded, middle), std::vector<std::int16_t>(2 * 1500, 0));
    writeFile(folder.file("padded.wav"), pcmWave(8000, 16, 2, padded));
    result = cli({"trim", folder.file("padded.wav"), folder.file("trimmed.wav"), "--from", "0",
                  "--to", "6500", "--threshold", "3"});
    ASSERT_EQ(result.status, 0) << result.errors;
    WaveLayout layout;
    const std::vector<std::int16_t> trimmed = samplesOf(folder.file("trimmed.wav"), &layout);
    // The tone starts and ends at a zero crossing: those frames count as silence too.
    EXPECT_NEAR(static_cast<double>(layout.frames()), 3000.0, 2.0);
    EXPECT_NE(trimmed.at(0), 0);
}

// A trim without a threshold measures the recording's own noise floor and keeps 0.2 s at each
// cut; the length is read back by sox, not by our reader.
TEST_F(CliTest, TrimWithoutAThresholdUsesTheNoiseFloorAndSaysWhenNothingIsLeftToTrim) {
    const std::string hiss = folder.file("hiss.wav"), tone = folder.file("tone.wav");
    const std::string rec = folder.file("rec.wav");
    ASSERT_EQ(std::system(("sox -D -n -r 8000 -c 1 -b 16 " + hiss +
                           " synth 4 whitenoise vol 0.004 && sox -D -n -r 8000 -c 1 -b 16 " + tone +
                           " synth 2 sine 300 vol 0.3 pad 1 1 && sox -D -m " + hiss + " " + tone +
                           " " + rec)
                              .c_str()),
              0);
    ProgramResult result = cli({"trim", rec, folder.file("trimmed.wav")});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.errors.find("noise floor"), std::string::npos) << result.errors;
    const auto seconds = [](const std::string& file) {
        FILE* soxi = ::popen(("soxi -D " + file).c_str(), "r");
        char out[64] = {};
        if (soxi == nullptr) return -1.0;
        const bool read = std::fgets(out, sizeof out, soxi) != nullptr;
        ::pclose(soxi);
        return read ? std::atof(out) : -1.0;
    };
    EXPECT_NEAR(seconds(folder.file("trimmed.wav")), 2.4, 0.02);

    // Trimmed once, there is nothing more: said, and the file written as it is.
    result = cli({"trim", folder.file("trimmed.wav"), folder.file("again.wav"), "--threshold-db",
                  "-40", "--pad", "0.2"});
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.errors.find("nothing to trim"), std::string::npos) << result.errors;
    EXPECT_NEAR(seconds(folder.file("again.wav")), 2.4, 0.02);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--threshold-db", "12"},
                                                {"--threshold-db", "-x"},
                                                {"--pad", "-1"},
                                                {"--threshold", "3", "--threshold-db", "-40"}}) {
        std::vector<std::string> args = {"trim", rec, folder.file("bad.wav")};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_NE(cli(args).status, 0) << bad[0];
    }
    EXPECT_FALSE(std::ifstream(folder.file("bad.wav")).good());
}

// What the engine's own file edit writes for the same command.
std::string engineResult(const std::vector<std::string>& args, const std::string& out) {
    AudioEditor editor;
    editor.AudioEditSetUndoRedo(0);
    const auto number = [&](std::size_t i) {
        return static_cast<std::uint32_t>(std::stoul(args[i]));
    };
    const std::string& verb = args[0];
    std::uint32_t handle = 0;
    int r = 0;
    if (verb == "cut") r = editor.AudioCut(args[1], number(3), number(4), 1, &handle, 0, args[2]);
    if (verb == "clear")
        r = editor.AudioClear(args[1], number(3), number(4), 1, &handle, 0, args[2]);
    if (verb == "crop") r = editor.AudioCrop(args[1], number(3), number(4), 1, &handle, 0, args[2]);
    if (verb == "copy-to")
        r = editor.AudioCopyInFile(args[1], number(3), number(4), 1, &handle, 0, args[2]);
    if (verb == "paste")
        r = editor.AudioPasteEx(args[1], number(4), 1, &handle, 0, args[2], args[3]);
    if (verb == "mute")
        r = editor.AudioEditMute(args[1], number(3), number(4), 1, &handle, 0,
                                 static_cast<int>(number(5)), args[2]);
    if (verb == "trim")
        r = editor.AudioEditTrimSilence(args[1], number(3), number(4), 1, &handle, 0,
                                        static_cast<std::uint16_t>(number(5)), args[2]);
    if (verb == "insert-silence")
        r = editor.AudioInsertSilence(args[1], number(3), 1, &handle, 0, number(4), args[2]);
    if (r != 0) return "engine error " + std::to_string(r);
    while (!editor.AudioEditProcessIsOver(handle)) std::this_thread::sleep_for(5ms);
    r = editor.AudioEditGetReasonForProcessExit(handle);
    editor.AudioEditCloseHandle(&handle);
    return r != 0 ? "engine error " + std::to_string(r) : readFile(out);
}

TEST_F(CliTest, EditsWriteTheEnginesFilesByteForByteAndLeaveNoWorkingFiles) {
    // Chunks before and after the samples, one of odd size, which the edits carry along; an
    // 8-bit mono file shows the unsigned silent value, and a quiet start and end give the trim
    // something to find.
    std::vector<std::int16_t> quiet(2 * 700, 0);
    const std::vector<std::int16_t> stereo = join(join(quiet, tone), quiet);
    const std::string extra = chunk("LIST", std::string("INFOINAM\x06\0\0\0title\0", 18));
    const std::string note = chunk("note", "odd");
    struct Input {
        std::string name;
        std::string bytes;
    } inputs[] = {
        {"stereo16.wav", riff(chunk("fmt ", fmtBody(1, 2, 8000, 16)) + extra +
                              chunk("data", samplesBytes(stereo)) + note)},
        {"mono8.wav",
         riff(chunk("fmt ", fmtBody(1, 1, 8000, 8)) +
              chunk("data", samplesBytes8(join(quiet, slice(tone, 2, 0, 3000)))) + note)},
    };
    const std::string temporary = folder.file("tmp");
    ASSERT_EQ(::mkdir(temporary.c_str(), 0700), 0);
    ::setenv("TMPDIR", temporary.c_str(), 1);
    int n = 0;
    for (const Input& in : inputs) {
        const std::string path = folder.file(in.name);
        writeFile(path, in.bytes);
        const std::string clip = folder.file("clip-" + in.name);
        writeFile(clip, in.bytes);
        const std::vector<std::vector<std::string>> commands = {
            {"cut", path, "", "500", "2500"},
            {"clear", path, "", "0", "1000"},
            {"crop", path, "", "1000", "3100"},
            {"copy-to", path, "", "10", "2000"},
            {"paste", path, clip, "", "1234"},
            {"mute", path, "", "200", "2900", "1"},
            {"mute", path, "", "200", "2900", "2"},
            {"mute", path, "", "0", "3000", "3"},
            {"trim", path, "", "300", "3500", "3"},
            {"trim", path, "", "0", "600", "3"},
            {"insert-silence", path, "", "3000", "125"},
        };
        for (std::vector<std::string> c : commands) {
            SCOPED_TRACE(in.name + " " + c[0] + " " + (c.size() > 5 ? c[5] : ""));
            const std::size_t outIndex = c[0] == "paste" ? 3 : 2;
            const std::string mine = folder.file("cli" + std::to_string(n) + ".wav");
            c[outIndex] = folder.file("engine" + std::to_string(n++) + ".wav");
            const std::string expected = engineResult(c, c[outIndex]);
            std::vector<std::string> args = {c[0], c[1]};
            if (c[0] == "paste") args.push_back(clip);
            args.push_back(mine);
            if (c[0] == "paste" || c[0] == "insert-silence") {
                args.insert(args.end(), {"--at", c[outIndex == 3 ? 4 : 3]});
                if (c[0] == "insert-silence") args.insert(args.end(), {"--ms", c[4]});
            } else {
                args.insert(args.end(), {"--from", c[3], "--to", c[4]});
                if (c[0] == "mute") args.insert(args.end(), {"--channels", c[5]});
                if (c[0] == "trim") args.insert(args.end(), {"--threshold", c[5]});
            }
            const ProgramResult result = cli(args);
            ASSERT_EQ(result.status, 0) << result.errors;
            EXPECT_TRUE(readFile(mine) == expected) << "differs from the engine's file";
        }
        EXPECT_EQ(readFile(path), in.bytes);
    }
    ::unsetenv("TMPDIR");
    EXPECT_EQ(::rmdir(temporary.c_str()), 0) << "a working folder was left behind";
}

TEST_F(CliTest, DevicesAreListed) {
    const ProgramResult result = cli({"devices"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.output.rfind("Recording devices:\n", 0), 0u);
    EXPECT_NE(result.output.find("  -1  Default Recording Device\n"), std::string::npos);
    EXPECT_NE(result.output.find("Playback devices:\n"), std::string::npos);
    EXPECT_NE(result.output.find("  -1  Default Playback Device\n"), std::string::npos);
    EXPECT_NE(result.output.find("(preferred)"), std::string::npos);
}

TEST_F(CliTest, PlaysARangeToItsEnd) {
    const ProgramResult result = cli({"play", input, "--from", "2000", "--to", "4000"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(result.errors.find("of 000:00:500"), std::string::npos) << "progress on stderr";
    EXPECT_EQ(result.output, "");
}

TEST_F(CliTest, RecordsTheLengthAskedFor) {
    const std::string out = folder.file("rec.wav");
    const ProgramResult result = cli(
        {"record", out, "--seconds", "0.5", "--rate", "22050", "--bits", "8", "--channels", "1"});
    ASSERT_EQ(result.status, 0) << result.errors;
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(out, layout), 0);
    EXPECT_EQ(layout.frames(), 11025u);
    EXPECT_EQ(layout.sampleRate, 22050u);
    EXPECT_EQ(layout.bitsPerSample, 8);
    EXPECT_EQ(layout.channels, 1);
}

TEST_F(CliTest, InterruptedRecordingIsStillAWholeFile) {
    const std::string out = folder.file("cut-short.wav");
    ChildProcess child({cliPath(), "record", out, "--seconds", "60"});
    // Waits until it has recorded a third of a second or more (the progress moves in steps of
    // about a tenth, so no one position is sure to be shown), then presses Ctrl+C.
    const std::regex recorded("recording 000:(00:[3-9]|0[1-9]:|[1-5][0-9]:)");
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!std::regex_search(child.errors(), recorded) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    child.signal(SIGINT);
    EXPECT_EQ(child.wait(), 0) << child.errors();
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(out, layout), 0);
    EXPECT_GT(layout.frames(), 44100u / 4);
    EXPECT_LT(layout.frames(), 44100u * 50);
    EXPECT_EQ(readFile(out).size(), 46 + layout.dataBytes);
}

// A recording onto a disk that fills up ends at once, keeps what was written and says so,
// instead of waiting for audio it can no longer store.
TEST_F(CliTest, ARecordingThatFillsTheDiskEndsAtOnceAndKeepsWhatWasWritten) {
    const std::string disk = folder.file("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0700), 0);
    if (std::system(("mount -t tmpfs -o size=256k tmpfs " + disk + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    const std::string out = disk + "/full.wav";
    ChildProcess child({cliPath(), "record", out, "--seconds", "30"});
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!child.exited() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    const bool ended = child.exited();
    if (!ended) child.signal(SIGINT);
    EXPECT_TRUE(ended) << "still recording onto a full disk: " << child.errors();
    EXPECT_EQ(child.wait(), 1);
    const std::string errors = child.errors();
    EXPECT_NE(errors.find(messageText(121)), std::string::npos) << errors;
    EXPECT_NE(errors.find("what was recorded until then is kept in " + out), std::string::npos)
        << errors;
    // Off a terminal the progress is whole lines, one per second at most.
    EXPECT_EQ(errors.find("\r"), std::string::npos);
    WaveLayout layout;
    EXPECT_EQ(readWaveLayout(out, layout), 0);
    EXPECT_GT(layout.frames(), 0u);
    EXPECT_LE(46 + layout.dataBytes, 256u * 1024);
    std::system(("umount " + disk).c_str());
}

// A run killed while it wrote left a partial file beside its target; the next run that names
// a file in that folder removes it, and leaves what is not such a leftover.
TEST_F(CliTest, TheNextRunRemovesThePartialFilesOfAKilledOne) {
    ChildProcess killed({"/bin/sh", "-c", "exec sleep 60"});
    ASSERT_TRUE(killed.started());
    const pid_t maker = killed.pid();
    killed.signal(SIGKILL);
    killed.wait();
    // What a safe replacement names its partial: the target's name and the maker's process.
    char partial[64];
    std::snprintf(partial, sizeof partial, ".in.wav.%06xbeef", static_cast<unsigned>(maker));
    const std::string leftover = folder.file(partial);
    writeFile(leftover, "half a file");
    writeFile(folder.file(".in.wav.notours"), "kept");
    const struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};
    for (const std::string& path : {leftover, folder.file(".in.wav.notours")})
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    EXPECT_EQ(cli({"info", input}).status, 0);
    EXPECT_FALSE(std::ifstream(leftover).good());
    EXPECT_EQ(readFile(folder.file(".in.wav.notours")), "kept");
}

TEST_F(CliTest, AKilledRecordingKeepsAllButItsLastMoments) {
    const std::string out = folder.file("killed.wav");
    ChildProcess child({cliPath(), "record", out, "--seconds", "60"});
    // The device takes a moment to start: count from the first whole second it delivered.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (child.errors().find("recording 000:01:") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(4s);
    child.signal(SIGKILL);
    EXPECT_EQ(child.wait(), 128 + SIGKILL);
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(out, layout), 0);
    EXPECT_GE(layout.frames(), 44100u * 45 / 10)
        << "at least 4.5 of the 5 seconds; the file holds " << readFile(out).size() << " bytes";
    EXPECT_LE(layout.frames(), 44100u * 7);
    EXPECT_GE(readFile(out).size(), 46 + layout.dataBytes);
}

TEST_F(CliTest, PipesFoldersAndDevicesAreRefusedAtOnce) {
    const std::string pipe = folder.file("pipe.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, folder.path(), std::string("/dev/zero")}) {
        for (const char* verb : {"info", "play", "peaks"}) {
            SCOPED_TRACE(path + " " + verb);
            const auto start = std::chrono::steady_clock::now();
            // Nothing ever writes into the pipe: a blocking open would hang the program.
            ChildProcess child({cliPath(), verb, path});
            while (!child.exited() && std::chrono::steady_clock::now() - start < 1s)
                std::this_thread::sleep_for(5ms);
            EXPECT_TRUE(child.exited()) << "still running after a second";
            EXPECT_EQ(child.wait(), 1);
        }
    }
}

TEST_F(CliTest, InterruptedPlaybackStops) {
    const std::string longFile = folder.file("long.wav");
    writeFile(longFile, pcmWave(8000, 16, 1, makeTone(440, 8000, 1, 8000 * 60, 0.3)));
    ChildProcess child({cliPath(), "play", longFile});
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (child.errors().find("playing") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    child.signal(SIGINT);
    EXPECT_EQ(child.wait(), 130);
}

}  // namespace
}  // namespace sonthra
