#include <gtest/gtest.h>

#include "codec/av_codec.h"
#include "codec/codec_test_support.h"

namespace sonthra {
namespace {

using namespace testing;

class Decode : public ::testing::Test {
protected:
    // A file made by a command whose output is dir/name; the name is returned.
    std::string make(const std::string& name, const std::string& command) {
        const std::string path = dir / name;
        EXPECT_EQ(runQuiet(command + " " + shellQuoted(path)), 0) << command;
        return path;
    }
    // Decodes in, expecting success.
    DecodeResult decode(const std::string& in, const DecodeOptions& options = {}) {
        DecodeResult r;
        EXPECT_EQ(decodeToWave(in, out, options, &r), kSuccess) << decodeMessage(r);
        return r;
    }

    ScratchFolder dir;
    std::string out = dir / "out.wav";
};

std::string soxSynth(const std::string& name) {
    return "synth 1.5 sine 300:3000 vol 0.8 " + name;
}

TEST_F(Decode, LosslessSourcesComeOutAsFfmpegDecodesThem) {
    struct Case {
        const char* name;
        const char* make;  // sox output options
        const char* raw;   // ffmpeg's raw format of the same resolution
        PcmFormat format;
    };
    const Case cases[] = {
        {"a16.flac", "-r 44100 -c 2 -b 16", "s16le", {44100, 2, 16, false, false}},
        {"a24.flac", "-r 96000 -c 2 -b 24", "s24le", {96000, 2, 24, false, true}},
        {"m24.flac", "-r 8000 -c 1 -b 24", "s24le", {8000, 1, 24, false, true}},
        {"a24.aiff", "-r 48000 -c 2 -b 24", "s24le", {48000, 2, 24, false, true}},
        {"a16.caf", "-r 22050 -c 1 -b 16", "s16le", {22050, 1, 16, false, false}},
        {"u8.wav", "-r 11025 -c 1 -b 8 -e unsigned", "u8", {11025, 1, 8, false, false}},
        {"s32.wav", "-r 192000 -c 2 -b 32", "s32le", {192000, 2, 32, false, true}},
        {"f32.wav", "-r 44100 -c 2 -b 32 -e float", "f32le", {44100, 2, 32, true, false}},
        {"f64.wav", "-r 44100 -c 1 -b 64 -e float", "f64le", {44100, 1, 64, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = dir / c.name;
        ASSERT_EQ(
            runQuiet(std::string("sox -n ") + c.make + " " + shellQuoted(in) + " " + soxSynth("")),
            0);
        const DecodeResult r = decode(in);
        EXPECT_EQ(r.format, c.format);
        EXPECT_TRUE(r.lossless);
        const std::string expected = ffmpegSamples(in, c.raw);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(waveData(out) == expected);
        EXPECT_EQ(r.frames, expected.size() / c.format.blockAlign());
    }
}

TEST_F(Decode, Rf64PlainAndExtensibleWavesKeepTheirSamples) {
    const std::string ext24 = dir / "ext24.wav";
    ASSERT_EQ(runQuiet("sox -n -r 48000 -c 2 -b 24 " + shellQuoted(ext24) + " " + soxSynth("")), 0);
    const std::string rf64 = make(
        "rf64.wav", "ffmpeg -nostdin -i " + shellQuoted(ext24) + " -c:a pcm_s24le -rf64 always");
    // 24 bits in a plain (not extensible) header, as some recorders write them.
    const std::string plain24 = dir / "plain24.wav";
    auto writer = PcmWaveWriter::createReplacing(plain24, {48000, 2, 24, false, false});
    const std::string samples = waveData(ext24);
    ASSERT_TRUE(writer->write(samples.data(), samples.size()));
    ASSERT_TRUE(writer->finish());
    const std::string plain16 = dir / "plain16.wav";
    ASSERT_EQ(runQuiet("sox -n -r 32000 -c 1 -b 16 " + shellQuoted(plain16) + " " + soxSynth("")),
              0);
    const std::string ext16 = dir / "ext16.wav";
    writeAll(ext16, asExtensible(plain16));
    for (const auto& [in, source] : {std::pair{rf64, ext24}, {plain24, ext24}, {ext16, plain16}}) {
        SCOPED_TRACE(in);
        decode(in);
        EXPECT_TRUE(waveData(out) == waveData(source));
        EXPECT_FALSE(waveData(out).empty());
    }
}

TEST_F(Decode, LossyOpusVorbisAndAacGiveFloatOfFfmpegsLengthAndTheirTags) {
    const std::string source = dir / "src.wav";
    ASSERT_EQ(runQuiet("sox -n -r 44100 -c 2 -b 16 " + shellQuoted(source) + " " + soxSynth("")),
              0);
    const std::string tags =
        " -metadata title='Night Walk' -metadata artist=Ana -metadata album=Field"
        " -metadata date=2024 -metadata genre=Ambient -metadata comment=take2 -metadata track=3";
    for (const char* file : {"x.opus", "x.ogg", "x.m4a"}) {
        SCOPED_TRACE(file);
        const std::string codec = std::string(file) == "x.opus"  ? "libopus"
                                  : std::string(file) == "x.ogg" ? "libvorbis"
                                                                 : "aac";
        const std::string in =
            make(file, "ffmpeg -nostdin -i " + shellQuoted(source) + " -c:a " + codec + tags);
        const DecodeResult r = decode(in);
        EXPECT_FALSE(r.lossless);
        EXPECT_TRUE(r.format.isFloat);
        EXPECT_EQ(r.format.bits, 32);
        EXPECT_EQ(r.frames * 8, ffmpegSamples(in, "f32le").size());
        EXPECT_EQ(r.tags,
                  (AudioTags{"Night Walk", "Ana", "Field", "3", "2024", "Ambient", "take2"}));
    }
}

TEST_F(Decode, MoreThanTwoChannelsAreMixedDownOrOnePairTaken) {
    const std::string in = dir / "six.flac";
    ASSERT_EQ(runQuiet("sox -n -r 48000 -c 6 -b 16 " + shellQuoted(in) +
                       " synth 1 sine 100 sine 200 sine 300 sine 400 sine 500 sine 600 vol 0.3"),
              0);
    DecodeResult probe;
    ASSERT_EQ(probeAudioFile(in, &probe), kSuccess);
    EXPECT_EQ(probe.sourceChannels, 6);

    DecodeOptions pair{ChannelChoice::TakePair, 2};
    DecodeResult r = decode(in, pair);
    EXPECT_EQ(r.format.channels, 2);
    EXPECT_TRUE(waveData(out) == ffmpegSamples(in, "s16le", "-af 'pan=stereo|c0=c2|c1=c3'"));

    r = decode(in, {ChannelChoice::MixToStereo, 0});
    EXPECT_EQ(r.format.channels, 2);
    EXPECT_EQ(r.frames, 48000u);

    // A four-channel 24-bit WAV goes the same way (FFmpeg reads it, not the plain copy).
    const std::string quad = dir / "quad.wav";
    ASSERT_EQ(runQuiet("sox -n -r 44100 -c 4 -b 24 " + shellQuoted(quad) +
                       " synth 1 sine 100 sine 200 sine 300 sine 400 vol 0.3"),
              0);
    r = decode(quad, pair);
    EXPECT_EQ(r.format, (PcmFormat{44100, 2, 24, false, true}));
    EXPECT_TRUE(waveData(out) == ffmpegSamples(quad, "s24le", "-af 'pan=stereo|c0=c2|c1=c3'"));

    writeAll(out, "kept");
    EXPECT_EQ(decodeToWave(in, out, {ChannelChoice::TakePair, 5}, &r), kCodecOpenFailed);
    EXPECT_EQ(readAll(out), "kept");
}

TEST_F(Decode, DamagedFilesOfEachKindAreRefusedWithTheirFormatNamed) {
    const std::string source = dir / "src.wav";
    ASSERT_EQ(runQuiet("sox -n -r 44100 -c 2 -b 16 " + shellQuoted(source) + " " + soxSynth("")),
              0);
    struct Case {
        const char* file;
        const char* args;
        const char* name;
        bool compressed;  // noise in place of PCM would be audio, not damage
    };
    const Case cases[] = {
        {"a.flac", "", "FLAC", true},
        {"a.ogg", "-c:a libvorbis", "Ogg Vorbis", true},
        {"a.opus", "-c:a libopus", "Opus", true},
        {"a.m4a", "-c:a aac", "MP4/M4A", true},
        {"a.aiff", "", "AIFF", false},
        {"a.caf", "", "CAF", false},
        {"a.wav", "-rf64 always", "RF64 WAV", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string good =
            make(c.file, "ffmpeg -nostdin -i " + shellQuoted(source) + " " + c.args);
        const std::string bytes = readAll(good);
        // Cut inside the header, and the header followed by noise in place of the audio.
        std::string noise = bytes.substr(0, 64);
        for (std::size_t i = 0; noise.size() < bytes.size(); ++i)
            noise.push_back(static_cast<char>(i * 131 + 7));
        std::vector<std::string> hostiles = {bytes.substr(0, 40)};
        if (c.compressed) hostiles.push_back(noise);
        for (const std::string& hostile : hostiles) {
            const std::string in = dir / (std::string("bad-") + c.file);
            writeAll(in, hostile);
            writeAll(out, "kept");
            DecodeResult r;
            EXPECT_EQ(decodeToWave(in, out, {}, &r), kCodecOpenFailed);
            EXPECT_EQ(r.formatName, c.name);
            EXPECT_NE(
                decodeMessage(r).find(std::string("this ") + c.name + " file cannot be opened: "),
                std::string::npos)
                << decodeMessage(r);
            EXPECT_EQ(readAll(out), "kept");
        }
    }
    // A WAV whose LIST chunk claims 2 GB and whose title claims 1.7 GB inside it: refused
    // before any reader believes the sizes.
    std::string wav = readAll(source);
    wav.insert(36, std::string("LIST\x0e\0\0\x80INFOINAMfile\x02\0\0\0T\0", 26));
    const std::string listed = dir / "listed.wav";
    // An AIFF whose name claims 650 MB, the same.
    std::string aiff = readAll(dir / "a.aiff");
    aiff.insert(12, std::string("NAME\x27\0\0\0x", 9));
    const std::string named = dir / "named.aiff";
    writeAll(named, aiff);
    writeAll(listed, wav);
    // And one cut inside a chunk's head, whose size would be half made up.
    const std::string cut = dir / "cut.aiff";
    writeAll(cut, aiff.substr(0, 18));
    for (const std::string& in : {listed, named, cut}) {
        DecodeResult hostile;
        EXPECT_EQ(decodeToWave(in, out, {}, &hostile), kCodecOpenFailed);
        EXPECT_EQ(hostile.reason, "it is damaged (its chunks claim more than the file holds)");
    }

    const std::string text = dir / "notes.flac";
    writeAll(text, "just some words, not audio at all\n");
    DecodeResult r;
    EXPECT_EQ(decodeToWave(text, out, {}, &r), kCodecOpenFailed);
    EXPECT_EQ(
        decodeMessage(r),
        "Sorry, this unknown file cannot be opened: it is not an audio file this program knows.");
}

TEST_F(Decode, ACancelLeavesTheOutputAsItWas) {
    const std::string in = dir / "long.flac";
    ASSERT_EQ(runQuiet("sox -n -r 44100 -c 2 -b 16 " + shellQuoted(in) + " synth 30 sine 440"), 0);
    writeAll(out, "kept");
    DecodeResult r;
    int calls = 0;
    EXPECT_EQ(decodeToWave(in, out, {}, &r, [&](double) { return ++calls < 3; }), kCancelled);
    EXPECT_EQ(readAll(out), "kept");
    // A WAV whose samples are copied as they are stops the same way.
    const std::string wav = dir / "long.wav";
    ASSERT_EQ(runQuiet("sox " + shellQuoted(in) + " -b 24 " + shellQuoted(wav)), 0);
    EXPECT_EQ(decodeToWave(wav, out, {}, &r, [](double) { return false; }), kCancelled);
    EXPECT_EQ(readAll(out), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 3);
}

}  // namespace
}  // namespace sonthra
