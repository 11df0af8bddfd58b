// A file's kind comes from its content, judged against files that the real encoders made: a
// WAV or an M4A named ".mp3" is what it is, and noise with the odd sync word is no MP3.
#include "wave/file_kind.h"

#include <gtest/gtest.h>

#include <random>

#include "wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

bool haveFfmpeg() {
    return run("command -v ffmpeg").ok;
}

FileKindInfo kindOf(const std::string& path) {
    FileKindInfo info;
    EXPECT_TRUE(inspectFileKind(path, &info)) << path;
    return info;
}

TEST(FileKind, RealEncodersOutputsAreToldApartWhateverTheirNames) {
    if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
    TempDir dir;
    struct Case {
        const char* args;  // ffmpeg output options
        const char* name;  // deliberately misleading names
        FileKind kind;
    };
    const Case cases[] = {
        {"-c:a pcm_s16le -f wav", "wave.mp3", FileKind::Wave},
        {"-c:a pcm_s24le -f w64", "w64.wav", FileKind::Unknown},
        {"-c:a pcm_s16le -rf64 always -f wav", "rf64.mp3", FileKind::Rf64},
        {"-c:a pcm_s16be -f aiff", "aiff.mp3", FileKind::Aiff},
        {"-c:a flac -f flac", "flac.mp3", FileKind::Flac},
        {"-c:a libvorbis -f ogg", "vorbis.mp3", FileKind::OggVorbis},
        {"-c:a libopus -f ogg", "opus.mp3", FileKind::OggOpus},
        {"-c:a aac -f ipod", "m4a.mp3", FileKind::Mp4},
        {"-c:a wmav2 -f asf", "wma.mp3", FileKind::Asf},
        {"-c:a pcm_s16le -f caf", "caf.mp3", FileKind::Caf},
        {"-c:a libmp3lame -f mp3", "tagged.wav", FileKind::Mpeg},
        {"-c:a libmp3lame -write_xing 0 -id3v2_version 0 -f mp3", "bare.mp3", FileKind::Mpeg},
        {"-c:a mp2 -f mp2", "layer2.mp3", FileKind::Mpeg},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(run(std::string("ffmpeg -loglevel error -y -f lavfi -i sine=f=440:d=1:r=44100 "
                                    "-ac 2 -metadata title=T ") +
                        c.args + " '" + path + "'")
                        .ok)
            << c.args;
        EXPECT_EQ(kindOf(path).kind, c.kind) << c.name;
    }
    EXPECT_EQ(fileKindName(kindOf(dir.file("layer2.mp3"))), "MP2");
    EXPECT_EQ(fileKindName(kindOf(dir.file("bare.mp3"))), "MP3");
}

TEST(FileKind, AnMp3BehindALongTagIsStillFound) {
    if (!haveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
    TempDir dir;
    // A 300 KB picture in the tag pushes the first frame far past the first read.
    const std::string picture = dir.file("cover.png");
    const std::string path = dir.file("covered.mp3");
    ASSERT_TRUE(
        run("ffmpeg -loglevel error -y -f lavfi -i 'nullsrc=s=400x250,geq=random(1)*255:128:128' "
            "-frames:v 1 '" +
            picture + "'")
            .ok);
    ASSERT_TRUE(run("ffmpeg -loglevel error -y -f lavfi -i sine=d=1 -i '" + picture +
                    "' -map 0 -map 1 -c:a libmp3lame -c:v copy -id3v2_version 3 '" + path + "'")
                    .ok);
    const FileKindInfo info = kindOf(path);
    EXPECT_EQ(info.kind, FileKind::Mpeg);
    EXPECT_GT(info.id3v2Bytes, 64u * 1024);
}

TEST(FileKind, NoiseTextAndStrayTagsAreNoAudio) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(256 * 1024);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    // Sprinkle lone sync words: each looks like a frame header but none is followed by another.
    for (std::size_t at = 1000; at + 4 < noise.size(); at += 5003) {
        noise[at] = 0xFF;
        noise[at + 1] = 0xFB;
        noise[at + 2] = 0x90;
    }
    EXPECT_EQ(sniffFileKind(noise.data(), noise.size()).kind, FileKind::Unknown);

    const std::string text = "<html><body>not audio</body></html>";
    EXPECT_EQ(sniffFileKind(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()).kind,
              FileKind::Unknown);
    EXPECT_EQ(sniffFileKind(nullptr, 0).kind, FileKind::Unknown);

    // An ID3v2 header whose size runs past the data, and one with a footer flag.
    std::uint8_t tag[20] = {'I', 'D', '3', 4, 0, 0x10, 0, 0, 0, 2};
    EXPECT_EQ(id3v2TagBytes(tag, sizeof tag), 10u + 2u + 10u);
    tag[3] = 3;  // no footer before version 4
    EXPECT_EQ(id3v2TagBytes(tag, sizeof tag), 12u);
    tag[7] = 0x80;  // not synchsafe: no tag
    EXPECT_EQ(id3v2TagBytes(tag, sizeof tag), 0u);

    TempDir dir;
    writeBytes(dir.file("tag-only.mp3"), std::string("ID3\x03\0\0\0\0\0\x04"
                                                     "abcd",
                                                     14));
    EXPECT_EQ(kindOf(dir.file("tag-only.mp3")).kind, FileKind::Unknown);
    FileKindInfo info;
    EXPECT_FALSE(inspectFileKind(dir.path(), &info));
    EXPECT_FALSE(inspectFileKind(dir.file("missing.wav"), &info));
}

}  // namespace
}  // namespace sonthra
