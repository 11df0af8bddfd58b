// Independent readers judge our tags, and we read theirs: mutagen and ffprobe read what we
// write into MP3 and WAV files; we read what mutagen (versions 2.3 and 2.4, Latin-1, UTF-16
// and UTF-8, padding) and ffmpeg write, also behind an extended header. The audio bytes never
// change.
#include <gtest/gtest.h>

#include "tag_test_support.h"
#include "tags/document_tag.h"
#include "tags/wave_tag.h"

namespace sonthra {
namespace {

using tagtest::python;
using tagtest::readBytes;
using tagtest::run;
using tagtest::shellQuoted;
using tagtest::TempDir;
using tagtest::writeBytes;

const std::string kGreek = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1";
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";

// Prints "key=value" lines of the frames mutagen finds, and the MP3 length it decodes.
const char* kMutagenDump = R"(
import sys, mutagen, mutagen.id3, mutagen.mp3, mutagen.wave
path = sys.argv[1]
f = mutagen.wave.WAVE(path) if path.endswith('.wav') else mutagen.mp3.MP3(path)
t = f.tags
print('version=%d.%d' % t.version[:2] if hasattr(t, 'version') else 'version=none')
for key in sorted(t.keys()):
    frame = t[key]
    value = frame.url if key.startswith('WXXX') else str(frame)
    print('%s=%s' % (key, value))
print('length_ok=%d' % (f.info.length > 0.1))
)";

std::string audioAfterTag(const std::string& bytes) {
    TID3v2 t;
    t.readTag(bytes);
    return t.exists() ? bytes.substr(static_cast<std::size_t>(t.size())) : bytes;
}

class Judges : public ::testing::Test {
protected:
    void SetUp() override {
        mp3 = tagtest::makeMp3(dir, "tone.mp3");
        if (mp3.empty()) GTEST_SKIP() << "sox or lame is missing";
        if (run("/usr/bin/python3 -c 'import mutagen'").status != 0) GTEST_SKIP() << "no mutagen";
    }
    TID3v2 fullTag() const {
        TID3v2 t;
        t.setTitle(kGreek);
        t.setArtist("Caf\xC3\xA9 Band");
        t.setAlbum(kJapanese);
        t.setTrack(7);
        t.setYear("2021");
        t.setGenre("Synthpop");
        t.setComment("Recorded live, " + kGreek);
        t.setComposer("Composer");
        t.setCopyright("(c) 2021");
        t.setLanguage("ell");
        t.setLink("http://example.org/ep1");
        return t;
    }
    std::string ffprobeTags(const std::string& file) {
        return run("ffprobe -v error -show_entries format_tags -of default=nw=1 " +
                   shellQuoted(file))
            .out;
    }
    TempDir dir;
    std::string mp3;
};

TEST_F(Judges, MutagenAndFfprobeReadTheVersion2TagWeWriteIntoAnMp3) {
    const std::string original = readBytes(mp3);
    ASSERT_TRUE(fullTag().writeToFile(mp3));
    EXPECT_EQ(audioAfterTag(readBytes(mp3)), original);

    const auto dump = python(dir, kMutagenDump, mp3);
    ASSERT_EQ(dump.status, 0) << dump.out;
    for (const std::string line :
         {"TIT2=" + kGreek, std::string("TPE1=Caf\xC3\xA9 Band"), "TALB=" + kJapanese,
          std::string("TRCK=7"), std::string("TCON=Synthpop"), "COMM::eng=Recorded live, " + kGreek,
          std::string("TCOM=Composer"), std::string("TCOP=(c) 2021"), std::string("TLAN=ell"),
          std::string("WXXX:=http://example.org/ep1"), std::string("length_ok=1")}) {
        EXPECT_NE(dump.out.find(line + "\n"), std::string::npos) << line << "\n" << dump.out;
    }
    // mutagen shows a version 2.3 year as its recording time.
    EXPECT_NE(dump.out.find("TDRC=2021\n"), std::string::npos) << dump.out;

    const std::string probed = ffprobeTags(mp3);
    EXPECT_NE(probed.find("TAG:title=" + kGreek), std::string::npos) << probed;
    EXPECT_NE(probed.find("TAG:album=" + kJapanese), std::string::npos) << probed;
    EXPECT_NE(probed.find("TAG:track=7"), std::string::npos) << probed;
}

TEST_F(Judges, MutagenReadsOurVersion1RecordAndFfprobeOurWaveChunk) {
    TID3v1 v1;
    v1.setTitle("Plain title");
    v1.setArtist("Caf\xC3\xA9");
    v1.setTrack(3);
    v1.setGenreIndex(17);
    ASSERT_TRUE(v1.writeToFile(mp3));
    const auto dump = python(dir, kMutagenDump, mp3);
    EXPECT_NE(dump.out.find("TIT2=Plain title\n"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("TPE1=Caf\xC3\xA9\n"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("TRCK=3\n"), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("TCON=Rock\n"), std::string::npos) << dump.out;

    const std::string wav = dir.file("take.wav");
    ASSERT_EQ(run("sox -n -r 8000 -c 2 -b 16 " + shellQuoted(wav) + " synth 0.3 sine 300").status,
              0);
    const std::string data = readBytes(wav).substr(44);
    ASSERT_EQ(WriteId3Chunk(wav, fullTag()), 0);
    EXPECT_EQ(readBytes(wav).substr(44, data.size()), data);
    const std::string probed = ffprobeTags(wav);
    EXPECT_NE(probed.find("TAG:title=" + kGreek), std::string::npos) << probed;
    EXPECT_NE(probed.find("TAG:artist=Caf\xC3\xA9 Band"), std::string::npos) << probed;
    const auto wavDump = python(dir, kMutagenDump, wav);
    EXPECT_NE(wavDump.out.find("TALB=" + kJapanese + "\n"), std::string::npos) << wavDump.out;
    EXPECT_NE(wavDump.out.find("length_ok=1"), std::string::npos) << wavDump.out;
    // sox still reads the audio.
    EXPECT_EQ(
        run("sox " + shellQuoted(wav) + " -n stat 2>&1 | grep -q 'Samples read: *4800'").status, 0);
}

// Frames we have no field for (a cover picture, a user text, a private frame) survive an edit
// of the title, in either version the other program wrote.
TEST_F(Judges, FramesWithoutAFieldSurviveOurEdit) {
    const std::string original = readBytes(mp3);
    for (int version : {3, 4}) {
        writeBytes(mp3, original);
        const std::string script = R"(
import sys, mutagen.id3 as i
t = i.ID3()
t.add(i.TIT2(encoding=1, text='Old title'))
t.add(i.APIC(encoding=0, mime='image/png', type=3, desc='cover', data=bytes(range(256)) * 40))
t.add(i.TXXX(encoding=1, desc='REPLAYGAIN_TRACK_GAIN', text='-6.5 dB'))
t.add(i.PRIV(owner='example.org', data=b'\x00\x01\x02'))
t.save(sys.argv[1], v2_version=)" + std::to_string(version) +
                                   R"()
)";
        ASSERT_EQ(python(dir, script, mp3).status, 0);
        DocumentTag doc;
        doc.readMp3(mp3);
        ASSERT_NE(doc.v2(), nullptr);
        doc.v2()->setTitle("New title");
        ASSERT_TRUE(doc.writeMp3(mp3));
        const auto dump = python(dir, R"(
import sys, mutagen.id3 as i
t = i.ID3(sys.argv[1])
print(t['TIT2'].text[0])
p = t.getall('APIC')[0]
print(p.mime, int(p.type), p.desc, p.data == bytes(range(256)) * 40)
print(t.getall('TXXX')[0].desc, t.getall('TXXX')[0].text[0])
print(t.getall('PRIV')[0].owner, t.getall('PRIV')[0].data == b'\x00\x01\x02')
)",
                                 mp3);
        SCOPED_TRACE(version);
        EXPECT_EQ(dump.status, 0) << dump.out;
        EXPECT_EQ(dump.out,
                  "New title\nimage/png 3 cover True\nREPLAYGAIN_TRACK_GAIN -6.5 dB\n"
                  "example.org True\n");
        EXPECT_EQ(audioAfterTag(readBytes(mp3)), audioAfterTag(original));
    }
}

// Tags that mutagen writes in each version and encoding; padding is mutagen's own.
TEST_F(Judges, WeReadWhatMutagenWritesInEachVersionAndEncoding) {
    const std::string original = readBytes(mp3);
    for (const auto& [version, encoding] :
         std::vector<std::pair<int, int>>{{3, 0}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}) {
        writeBytes(mp3, original);
        const bool latin = encoding == 0;
        const std::string title = latin ? std::string("Caf\xC3\xA9") : kGreek + kJapanese;
        const std::string script = R"(
import sys, mutagen.id3 as i
t = i.ID3()
e = )" + std::to_string(encoding) + R"(
t.add(i.TIT2(encoding=e, text=')" + title +
                                   R"('))
t.add(i.TPE1(encoding=e, text='Artist'))
t.add(i.TRCK(encoding=e, text='5/10'))
t.add(i.TCON(encoding=e, text='(13)Pop'))
t.add(i.COMM(encoding=e, lang='eng', desc='iTunNORM', text='noise'))
t.add(i.COMM(encoding=e, lang='eng', desc='', text='The comment'))
t.add(i.TDRC(encoding=e, text='1999-12-31'))
t.add(i.WXXX(encoding=e, desc='', url='http://a.example/'))
t.add(i.TCOM(encoding=e, text='X' * 300))
t.save(sys.argv[1], v2_version=)" + std::to_string(version) +
                                   R"(, padding=lambda info: 777)
)";
        ASSERT_EQ(python(dir, script, mp3).status, 0);
        DocumentTag doc;
        doc.readMp3(mp3);
        ASSERT_NE(doc.v2(), nullptr) << version << "/" << encoding;
        const TID3v2& t = *doc.v2();
        SCOPED_TRACE(std::to_string(version) + "/" + std::to_string(encoding));
        EXPECT_EQ(t.version(), version);
        EXPECT_EQ(t.title(), title);
        EXPECT_EQ(t.artist(), "Artist");
        EXPECT_EQ(t.track(), 5);
        EXPECT_EQ(t.genre(), "Pop");
        EXPECT_EQ(t.comment(), "The comment");
        EXPECT_EQ(t.year(), "1999");
        EXPECT_EQ(t.link(), "http://a.example/");
        EXPECT_FALSE(t.composer().empty());
        EXPECT_EQ(t.composer().find_first_not_of('X'), std::string::npos);

        // Written back: the audio stays, mutagen reads our version.
        TID3v2 copy = t;
        copy.setAlbum("Ours");
        ASSERT_TRUE(copy.writeToFile(mp3));
        EXPECT_EQ(audioAfterTag(readBytes(mp3)), audioAfterTag(original));
        const auto dump = python(dir, kMutagenDump, mp3);
        EXPECT_NE(dump.out.find("TALB=Ours\n"), std::string::npos) << dump.out;
        EXPECT_NE(dump.out.find("TIT2=" + title + "\n"), std::string::npos) << dump.out;
    }
}

TEST_F(Judges, WeReadMutagenWaveTagsFfmpegMp3TagsAndExtendedHeaders) {
    const std::string wav = dir.file("m.wav");
    ASSERT_EQ(run("sox -n -r 8000 -c 1 -b 16 " + shellQuoted(wav) + " synth 0.2 sine 440").status,
              0);
    const char* addWaveTag = R"(
import sys, mutagen.wave, mutagen.id3 as i
w = mutagen.wave.WAVE(sys.argv[1]); w.add_tags()
w.tags.add(i.TIT2(encoding=1, text=')";
    ASSERT_EQ(python(dir, addWaveTag + kGreek + "'))\nw.save()\n", wav).status, 0);
    DocumentTag doc;
    ASSERT_EQ(doc.readWave(wav), 0);
    EXPECT_EQ(doc.v2()->title(), kGreek);

    // ffmpeg's own version 2.3 tag.
    const std::string tagged = dir.file("ff.mp3");
    ASSERT_EQ(run("ffmpeg -v error -i " + shellQuoted(mp3) +
                  " -c copy -metadata title='From ffmpeg' -metadata track=9 -id3v2_version 3 " +
                  shellQuoted(tagged))
                  .status,
              0);
    doc.readMp3(tagged);
    ASSERT_NE(doc.v2(), nullptr);
    EXPECT_EQ(doc.v2()->title(), "From ffmpeg");
    EXPECT_EQ(doc.v2()->track(), 9);

    // The same tag with a version 2.3 extended header (CRC present) slipped in front of the
    // frames: the frames are still found.
    std::string bytes = readBytes(tagged);
    TID3v2 plain;
    plain.readTag(bytes);
    const std::string ext = std::string("\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78", 14);
    std::string withExt = bytes.substr(0, plain.size()).insert(10, ext);
    withExt[5] = '\x40';
    const std::uint32_t body = static_cast<std::uint32_t>(withExt.size() - 10);
    for (int i = 0; i < 4; ++i) withExt[6 + i] = static_cast<char>((body >> (7 * (3 - i))) & 0x7F);
    writeBytes(tagged, withExt + bytes.substr(plain.size()));
    doc.readMp3(tagged);
    ASSERT_NE(doc.v2(), nullptr);
    EXPECT_EQ(doc.v2()->title(), "From ffmpeg");
    const auto dump = python(dir, kMutagenDump, tagged);
    EXPECT_NE(dump.out.find("TIT2=From ffmpeg\n"), std::string::npos) << dump.out;
}

}  // namespace
}  // namespace sonthra
