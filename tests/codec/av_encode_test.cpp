#include <sys/stat.h>

#include <gtest/gtest.h>

#include "codec/av_codec.h"
#include "codec/codec_test_support.h"

namespace sonthra {
namespace {

using namespace testing;

const AudioTags kTags{"Night Walk", "Ana Ruiz", "Field Notes", "7",
                      "2024-05-01", "Ambient",  "second take"};

// The tags as mutagen reads them, one "key=value" a line in a fixed order: Vorbis comments
// (where the comment is DESCRIPTION, as FFmpeg and most players read it) or MP4 atoms.
std::string mutagenTags(const std::string& path) {
    const std::string script =
        "import sys, mutagen\n"
        "f = mutagen.File(sys.argv[1])\n"
        "mp4 = {'title': '\\xa9nam', 'artist': '\\xa9ART', 'album': '\\xa9alb', 'date': '\\xa9day',"
        " 'genre': '\\xa9gen', 'description': '\\xa9cmt', 'tracknumber': 'trkn'}\n"
        "for k in ['title', 'artist', 'album', 'tracknumber', 'date', 'genre', 'description']:\n"
        "    v = f.tags.get(mp4[k] if 'trkn' in f.tags else k)\n"
        "    v = v[0][0] if k == 'tracknumber' and 'trkn' in f.tags else v[0]\n"
        "    print(k + '=' + str(v))\n";
    const std::string file = path + ".py";
    writeAll(file, script);
    return outputOf("/usr/bin/python3 " + shellQuoted(file) + " " + shellQuoted(path));
}

const std::string kTagLines =
    "title=Night Walk\nartist=Ana Ruiz\nalbum=Field Notes\ntracknumber=7\ndate=2024-05-01\n"
    "genre=Ambient\ndescription=second take\n";

class Encode : public ::testing::Test {
protected:
    std::string wav(const std::string& name, const std::string& format, double seconds = 2) {
        const std::string path = dir / name;
        EXPECT_EQ(runQuiet("sox -n " + format + " " + shellQuoted(path) + " synth " +
                           std::to_string(seconds) + " sine 200:5000 vol 0.7"),
                  0);
        return path;
    }
    ScratchFolder dir;
};

TEST_F(Encode, FlacKeepsEverySampleAtEachLevelWithItsTags) {
    for (const char* format :
         {"-r 44100 -c 2 -b 16", "-r 96000 -c 1 -b 24", "-r 8000 -c 1 -b 8 -e unsigned"}) {
        const std::string in = wav("in.wav", format);
        for (int level : {0, 5, 8}) {
            SCOPED_TRACE(std::string(format) + " level " + std::to_string(level));
            const std::string out = dir / "out.flac";
            std::string reason;
            ASSERT_EQ(encodeFromWave(in, out, EncodeKind::Flac, {level}, kTags, &reason), kSuccess)
                << reason;
            EXPECT_EQ(runQuiet("flac -t -s " + shellQuoted(out)), 0);
            ASSERT_EQ(runQuiet("flac -d -f -s -o " + shellQuoted(dir / "back.wav") + " " +
                               shellQuoted(out)),
                      0);
            const std::string source = waveData(in);
            if (std::string(format).find("-b 8") == std::string::npos) {
                EXPECT_TRUE(waveData(dir / "back.wav") == source);
            } else {
                // 8-bit samples are stored in 16 bits, each the same value.
                EXPECT_TRUE(ffmpegSamples(out, "u8") == source);
            }
            EXPECT_EQ(mutagenTags(out), kTagLines);
        }
    }
    // A better level makes a file no larger.
    const std::string in = wav("music.wav", "-r 44100 -c 2 -b 16", 5);
    ASSERT_EQ(encodeFromWave(in, dir / "0.flac", EncodeKind::Flac, {0}, {}), kSuccess);
    ASSERT_EQ(encodeFromWave(in, dir / "8.flac", EncodeKind::Flac, {8}, {}), kSuccess);
    EXPECT_LE(fileSize(dir / "8.flac"), fileSize(dir / "0.flac"));
}

TEST_F(Encode, FloatSourcesGoToTwentyFourBitFlac) {
    const std::string in = wav("f.wav", "-r 48000 -c 2 -b 32 -e float");
    const std::string out = dir / "f.flac";
    ASSERT_EQ(encodeFromWave(in, out, EncodeKind::Flac, {}, {}), kSuccess);
    EXPECT_EQ(probeField(out, "bits_per_raw_sample"), "24");
    // Within one step of 24 bits (the dither) of the float source.
    const std::string a = ffmpegSamples(in, "f32le");
    const std::string b = ffmpegSamples(out, "f32le");
    ASSERT_EQ(a.size(), b.size());
    const auto* fa = reinterpret_cast<const float*>(a.data());
    const auto* fb = reinterpret_cast<const float*>(b.data());
    double worst = 0;
    for (std::size_t i = 0; i < a.size() / 4; ++i)
        worst = std::max(worst, double(std::abs(fa[i] - fb[i])));
    EXPECT_LE(worst, 2.5 / 8388608);
}

TEST_F(Encode, LossyExportsKeepTheLengthWithinTheCodecDelayAndTheirTags) {
    struct Case {
        EncodeKind kind;
        const char* file;
        const char* codec;
        EncodeSettings settings;
    };
    const Case cases[] = {
        {EncodeKind::OggVorbis, "x.ogg", "vorbis", {5, 4.0, 0}},
        {EncodeKind::OggVorbis, "b.ogg", "vorbis", {5, -100, 96}},
        {EncodeKind::Opus, "x.opus", "opus", {5, 8.0, 0}},
        {EncodeKind::Opus, "b.opus", "opus", {5, -100, 64}},
        {EncodeKind::M4aAac, "x.m4a", "aac", {5, -100, 128}},
    };
    for (const char* format : {"-r 44100 -c 2 -b 16", "-r 48000 -c 1 -b 24"}) {
        const std::string in = wav("in.wav", format, 3);
        const double seconds = 3.0;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.file) + " from " + format);
            const std::string out = dir / c.file;
            std::string reason;
            ASSERT_EQ(encodeFromWave(in, out, c.kind, c.settings, kTags, &reason), kSuccess)
                << reason;
            EXPECT_EQ(probeField(out, "codec_name"), c.codec);
            EXPECT_EQ(probeField(out, "sample_rate"),
                      c.kind == EncodeKind::Opus ? "48000" : std::string(format).substr(3, 5));
            // The decoded length: the source's, give or take one codec frame and its delay.
            const std::size_t frames = ffmpegSamples(out, "f32le", "-ac 1").size() / 4;
            const double rate =
                c.kind == EncodeKind::Opus ? 48000 : std::stod(std::string(format).substr(3, 5));
            EXPECT_NEAR(frames / rate, seconds, 0.05);
            EXPECT_EQ(mutagenTags(out), kTagLines);
            EXPECT_EQ(
                outputOf("ffprobe -v error -show_entries format_tags=title:stream_tags=title -of "
                         "default=nw=1:nk=1 " +
                         shellQuoted(out))
                    .substr(0, 11),
                "Night Walk\n");
        }
    }
}

TEST_F(Encode, AFailedOrCancelledSaveLeavesTheTargetAsItWas) {
    const std::string in = wav("in.wav", "-r 44100 -c 2 -b 16", 10);
    const std::string out = dir / "keep.flac";
    writeAll(out, "precious");
    std::string reason;
    EXPECT_EQ(encodeFromWave(in, out, EncodeKind::Flac, {9}, {}, &reason), kCodecSaveFailed);
    EXPECT_EQ(encodeMessage(EncodeKind::Flac, reason),
              "Sorry, the file could not be saved as FLAC: the level must be 0 to 8.");
    int calls = 0;
    EXPECT_EQ(encodeFromWave(in, out, EncodeKind::M4aAac, {}, {}, nullptr,
                             [&](double) { return ++calls < 2; }),
              kCancelled);
    const std::string notWav = dir / "notes.wav";
    writeAll(notWav, "RIFF\x04\0\0\0WAVE");
    EXPECT_EQ(encodeFromWave(notWav, out, EncodeKind::Opus, {}, {}, &reason), kCodecSaveFailed);
    EXPECT_EQ(reason, "the working copy is not a WAV file");
    EXPECT_EQ(readAll(out), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 3);

    // A folder that cannot be written in.
    const std::string locked = dir / "locked";
    ::mkdir(locked.c_str(), 0500);
    if (::access(locked.c_str(), W_OK) != 0) {
        EXPECT_EQ(encodeFromWave(in, locked + "/x.flac", EncodeKind::Flac, {}, {}, &reason),
                  kCodecSaveFailed);
        EXPECT_NE(reason.find("folder cannot be written"), std::string::npos) << reason;
    }
}

}  // namespace
}  // namespace sonthra
