// Tag writes by what a file really is, judged by outside readers: the kinds we do not tag are
// refused byte for byte, a WAV named ".mp3" takes its chunk, what a write does not change stays
// (track totals, full dates, described comments, unknown frames, the version 1 record and the
// INFO list follow), and hostile headers either work or are refused unchanged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "cli/cli_report.h"
#include "tag_test_support.h"
#include "tag_verbs.h"
#include "tags/id3v2.h"

namespace sonthra {
namespace {

using namespace tagtest;

// key=value lines of what mutagen reads: the ID3 frames of an MP3 or of a WAV's chunk.
const char* kMutagenFrames = R"(
import sys, mutagen.mp3, mutagen.wave
path = sys.argv[1]
with open(path, 'rb') as f:
    riff = f.read(4) == b'RIFF'
t = (mutagen.wave.WAVE if riff else mutagen.mp3.MP3)(path).tags
for key in sorted(t.keys()):
    print('%s=%s' % (key, t[key]))
)";

class TagKinds : public ::testing::Test {
protected:
    void SetUp() override {
        if (run("ffmpeg -version >/dev/null 2>&1").status != 0) GTEST_SKIP() << "no ffmpeg";
        if (run("/usr/bin/python3 -c 'import mutagen'").status != 0) GTEST_SKIP() << "no mutagen";
    }
    // A one-second tone made by ffmpeg with the given output options, named name.
    std::string make(const std::string& name, const std::string& options) {
        const std::string path = dir.file(name);
        const auto made = run("ffmpeg -v error -y -f lavfi -i sine=d=1 " + options + " " +
                              shellQuoted(path) + " 2>&1");
        EXPECT_EQ(made.status, 0) << made.out;
        return path;
    }
    std::string frames(const std::string& path) { return python(dir, kMutagenFrames, path).out; }
    TempDir dir;
};

TEST_F(TagKinds, KindsWithoutATagOfOursAreRefusedByNameAndLeftByteForByte) {
    const std::pair<std::string, std::string> kinds[] = {
        {"a.flac", "-c:a flac"},
        {"b.ogg", "-c:a libvorbis"},
        {"c.opus", "-c:a libopus"},
        {"d.m4a", "-c:a aac -f ipod"},
        {"e.aiff", "-f aiff"},
        {"f.wma", "-c:a wmav2"},
        {"g.wav", "-rf64 always -f wav"},
        // An M4A named like an MP3 is still an M4A.
        {"h.mp3", "-c:a aac -f ipod"},
    };
    const char* names[] = {"a FLAC",  "an Ogg Vorbis", "an Opus",     "an MP4/M4A",
                           "an AIFF", "a WMA/ASF",     "an RF64 WAV", "an MP4/M4A"};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        const std::string path = make(kinds[i].first, kinds[i].second);
        const std::string before = readBytes(path);
        ASSERT_FALSE(before.empty()) << kinds[i].first;
        const VerbRun r = tag({path, "--title", "Lost", "--artist", "Nobody"});
        EXPECT_EQ(r.code, 1) << kinds[i].first;
        EXPECT_EQ(r.err, path + " is " + names[i] +
                             " file; Sonthra writes song information into MP3 and WAV files "
                             "only.\n");
        EXPECT_EQ(readBytes(path), before) << kinds[i].first;
    }
    // Nor is anything written into text or noise.
    const std::string text = dir.file("notes.mp3");
    writeBytes(text, "not audio at all, just words\n");
    const VerbRun r = tag({text, "--title", "x"});
    EXPECT_EQ(r.err, text +
                         " is an unrecognised file; Sonthra writes song information into MP3 "
                         "and WAV files only.\n");
    EXPECT_EQ(readBytes(text), "not audio at all, just words\n");
}

TEST_F(TagKinds, AWavNamedMp3TakesTheChunkAndAnMp3NamedWavTheTagInFront) {
    const std::string wav = make("wave.mp3", "-f wav");
    ASSERT_EQ(tag({wav, "--title", "Chunked"}).code, 0);
    EXPECT_EQ(readBytes(wav).substr(0, 4), "RIFF");
    EXPECT_NE(frames(wav).find("TIT2=Chunked"), std::string::npos) << frames(wav);
    EXPECT_EQ(run("sox " + shellQuoted(wav) + " -t wav -n stat 2>&1").status, 0);

    const std::string mp3 = make("tone.wav", "-f mp3");
    ASSERT_EQ(tag({mp3, "--title", "Fronted"}).code, 0);
    EXPECT_EQ(readBytes(mp3).substr(0, 3), "ID3");
    EXPECT_NE(frames(mp3).find("TIT2=Fronted"), std::string::npos) << frames(mp3);
    EXPECT_EQ(run("ffmpeg -v error -i " + shellQuoted(mp3) + " -f null - 2>&1").out, "");
}

TEST_F(TagKinds, AWriteKeepsTotalsDatesDescribedCommentsAndFramesItDoesNotKnow) {
    // An album longer than the 250 bytes a field is read from.
    const std::string album(300, 'A');
    const std::string mp3 = make("full.mp3",
                                 "-metadata track=3/12 -metadata date=2011-05-03 "
                                 "-metadata title=Old -metadata album=" +
                                     album);
    // Another program adds a described comment, a plain one, a private frame and lyrics.
    const auto added = python(dir, R"(
import sys
from mutagen.id3 import ID3, COMM, PRIV, USLT
t = ID3(sys.argv[1])
t.add(COMM(encoding=3, lang='deu', desc='note', text='described'))
t.add(COMM(encoding=3, lang='eng', desc='', text='plain'))
t.add(PRIV(owner='org.example', data=b'\x00\x01secret'))
t.add(USLT(encoding=3, lang='eng', desc='', text='la \u00e9 la'))
t.save(v2_version=4)
)",
                              mp3);
    ASSERT_EQ(added.status, 0) << added.out;

    ASSERT_EQ(tag({mp3, "--title", "New"}).code, 0);
    std::string seen = frames(mp3);
    for (const char* kept : {"TIT2=New", "TRCK=3/12", "TDRC=2011-05-03", "COMM:note:deu=described",
                             "COMM::eng=plain", "PRIV:org.example", "USLT::eng=la \xC3\xA9 la"}) {
        EXPECT_NE(seen.find(kept), std::string::npos) << kept << "\n" << seen;
    }
    EXPECT_NE(seen.find("TALB=" + album + "\n"), std::string::npos) << seen;
    EXPECT_NE(tags({mp3}).out.find("comment: plain\n"), std::string::npos);

    // A new track number keeps the total; a new year replaces the whole date.
    ASSERT_EQ(tag({mp3, "--track", "4", "--year", "2012"}).code, 0);
    seen = frames(mp3);
    EXPECT_NE(seen.find("TRCK=4/12"), std::string::npos) << seen;
    EXPECT_NE(seen.find("TDRC=2012\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("COMM:note:deu=described"), std::string::npos) << seen;
    EXPECT_EQ(run("ffmpeg -v error -i " + shellQuoted(mp3) + " -f null - 2>&1").out, "");
}

// The version 1 record's title, artist and comment as Python reads them from the last 128 bytes.
const char* kV1Fields = R"(
import sys
with open(sys.argv[1], 'rb') as f:
    f.seek(-128, 2)
    r = f.read(128)
field = lambda a, n: r[a:a + n].split(b'\0')[0].decode('latin-1')
print(r[:3].decode('latin-1'), field(3, 30), field(33, 30), field(97, 28), r[126], sep='|')
)";

TEST_F(TagKinds, TheVersion1RecordAndTheInfoListFollowTheNewValues) {
    const std::string mp3 = make("both.mp3", "-metadata title=Old -metadata artist=Band");
    const auto saved = python(dir, R"(
import sys
from mutagen.id3 import ID3
ID3(sys.argv[1]).save(v1=2)
# Another program's comment, in the record alone.
with open(sys.argv[1], 'r+b') as f:
    f.seek(-128 + 97, 2)
    f.write(b'v1 note')
)",
                              mp3);
    ASSERT_EQ(saved.status, 0) << saved.out;
    ASSERT_EQ(python(dir, kV1Fields, mp3).out, "TAG|Old|Band|v1 note|0\n");
    ASSERT_EQ(tag({mp3, "--title", "New"}).code, 0);
    EXPECT_EQ(python(dir, kV1Fields, mp3).out, "TAG|New|Band|v1 note|0\n");

    // --v1 changes the record alone, keeping its other fields.
    ASSERT_EQ(tag({mp3, "--v1", "--artist", "Other", "--track", "9"}).code, 0);
    EXPECT_EQ(python(dir, kV1Fields, mp3).out, "TAG|New|Other|v1 note|9\n");
    EXPECT_NE(frames(mp3).find("TPE1=Band"), std::string::npos);

    // The INFO list of a WAV file shows the new title; its other entries stay.
    const std::string wav = make("info.wav", "-metadata title=Old -metadata artist=Band");
    ASSERT_NE(readBytes(wav).find("INAM"), std::string::npos);
    ASSERT_EQ(tag({wav, "--title", "New"}).code, 0);
    const std::string probed =
        run("ffprobe -v error -show_entries format_tags -of default=nw=1 " + shellQuoted(wav)).out;
    // ffprobe reads the INFO list (the artist is only there) besides the chunk.
    EXPECT_EQ(probed.find("Old"), std::string::npos) << probed;
    EXPECT_NE(probed.find("title=New\n"), std::string::npos) << probed;
    EXPECT_NE(probed.find("artist=Band\n"), std::string::npos) << probed;
    EXPECT_NE(frames(wav).find("TIT2=New"), std::string::npos);
    EXPECT_EQ(run("sox " + shellQuoted(wav) + " -n stat 2>&1").status, 0);
}

// The tag verb as a user without rights beyond a file's owner: root writes into any file, so
// a test run as root hands the folder and the files to "nobody" and runs the verb as it.
VerbRun tagAsOwner(const TempDir& dir, const std::vector<std::string>& args) {
    if (::geteuid() != 0) return tag(args);
    constexpr uid_t kNobody = 65534;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path(), ec))
        (void)::chown(entry.path().c_str(), kNobody, kNobody);
    (void)::chown(dir.path().c_str(), kNobody, kNobody);
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {-1, "", "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(99);
        const VerbRun r = tag(args);
        (void)!::write(pipeFds[1], r.err.data(), r.err.size());
        ::_exit(r.code);
    }
    ::close(pipeFds[1]);
    std::string err;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) err.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", err};
}

TEST_F(TagKinds, AReadOnlyFileIsWrittenAsASaveWritesItOrSaysWhyNot) {
    const std::string mp3 = make("locked.mp3", "-metadata title=Old");
    const std::string wav = make("locked.wav", "-f wav");
    for (const std::string& path : {mp3, wav}) {
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        const VerbRun r = tagAsOwner(dir, {path, "--title", "Written"});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_NE(frames(path).find("TIT2=Written"), std::string::npos) << path;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0444u) << path;
    }
    // A folder that forbids a new file too: the message says why, the file stays.
    const std::string before = readBytes(mp3);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const VerbRun r = tagAsOwner(dir, {mp3, "--title", "Refused"});
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, mp3 +
                         " is read-only and its folder does not allow replacing it; the song "
                         "information was not saved.\n");
    EXPECT_EQ(readBytes(mp3), before);
}

// The first audio frame's offset and the number of frames ffprobe decodes.
std::string decodedPackets(const std::string& path) {
    return run("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " +
               shellQuoted(path))
        .out;
}

TEST_F(TagKinds, HostileHeadersEitherWorkOrAreRefusedUnchanged) {
    // A WAV whose RIFF and data sizes are 0, as a recorder that stopped early leaves it.
    const std::string early = make("early.wav", "-f wav -bitexact");
    std::string bytes = readBytes(early);
    const std::size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    bytes.replace(4, 4, std::string(4, '\0'));
    bytes.replace(data + 4, 4, std::string(4, '\0'));
    writeBytes(early, bytes);
    VerbRun r = tag({early, "--title", "x"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("The sizes in the header of " + early + " do not match the file"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readBytes(early), bytes);

    // A version 2.4 header with the footer flag and no footer: the first frame keeps its bytes.
    const std::string footless = make("footless.mp3", "-metadata title=Old");
    bytes = readBytes(footless);
    ASSERT_EQ(bytes.substr(0, 4), "ID3\x04");
    bytes[5] = 0x10;
    writeBytes(footless, bytes);
    TID3v2 old;
    old.readTag(bytes);
    const std::string audio = bytes.substr(static_cast<std::size_t>(old.size()) - 10);
    const std::string packets = decodedPackets(footless);
    ASSERT_EQ(tag({footless, "--title", "New"}).code, 0);
    const std::string after = readBytes(footless);
    ASSERT_GE(after.size(), audio.size());
    EXPECT_EQ(after.substr(after.size() - audio.size()), audio);
    EXPECT_EQ(decodedPackets(footless), packets);
    EXPECT_NE(frames(footless).find("TIT2=New"), std::string::npos);

    // Trailing bytes after the form, with an old tag too small for the new one, and a WAV with
    // a second tag chunk: readers see the new title.
    TID3v2 small;
    small.setTitle("Old");
    const std::string samples = tagtest::audioBytes(4000);
    const std::string trailing = dir.file("trailing.wav");
    writeBytes(trailing, tagtest::wavBytes(
                             samples, chunk("id3 ", small.buildTag(30)) + chunk("cue ", "1234")) +
                             "trailing garbage");
    const std::string twice = dir.file("twice.wav");
    writeBytes(twice, tagtest::wavBytes(samples, chunk("id3 ", small.buildTag(0)) +
                                                     chunk("id3 ", small.buildTag(0))));
    for (const std::string& path : {trailing, twice}) {
        ASSERT_EQ(tag({path, "--title", std::string(60, 'N')}).code, 0) << path;
        const std::string seen = frames(path);
        EXPECT_NE(seen.find("TIT2=" + std::string(60, 'N')), std::string::npos) << seen;
        EXPECT_EQ(seen.find("Old"), std::string::npos) << seen;
        EXPECT_NE(readBytes(path).find(samples), std::string::npos);
    }
    EXPECT_NE(readBytes(trailing).find("trailing garbage"), std::string::npos);

    // A track number a tag cannot hold is refused, not cut to 44.
    bytes = readBytes(footless);
    r = tag({footless, "--track", "300"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--track must be a whole number from 0 to 255"), std::string::npos);
    EXPECT_EQ(readBytes(footless), bytes);
}

TEST(PrintableText, ControlsAndBrokenUtf8AreShownEscapedAndTextStays) {
    EXPECT_EQ(cli::printableText("Caf\xC3\xA9 \xE6\x97\xA5"), "Caf\xC3\xA9 \xE6\x97\xA5");
    EXPECT_EQ(cli::printableText("\x1B[2J\r\nversion: 9\t\x7F"),
              "\\x1B[2J\\x0D\\x0Aversion: 9\\x09\\x7F");
    EXPECT_EQ(cli::printableText("a\\b"), "a\\\\b");
    // C1 controls (an 8-bit CSI), direction overrides, lone and overlong bytes.
    EXPECT_EQ(cli::printableText("\xC2\x9B"
                                 "31m"),
              "\\u{009B}31m");
    EXPECT_EQ(cli::printableText("x\xE2\x80\xAEy"), "x\\u{202E}y");
    EXPECT_EQ(cli::printableText("\xFF\xC0\xAF\xE2\x82"), "\\xFF\\xC0\\xAF\\xE2\\x82");
}

TEST_F(TagKinds, TagsPrintsATitleOfEscapeSequencesEscaped) {
    const std::string mp3 = make("evil.mp3", "-f mp3");
    TID3v2 evil;
    evil.setTitle("Song\x1B]0;owned\x07\nartist: Forged");
    ASSERT_TRUE(evil.writeToFile(mp3));
    const VerbRun r = tags({mp3});
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
    EXPECT_EQ(r.out, "version: 2.3\ntitle: Song\\x1B]0;owned\\x07\\x0Aartist: Forged\n");
}

}  // namespace
}  // namespace sonthra
