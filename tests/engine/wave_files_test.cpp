// The engine's own WAV handling: finding the audio in hostile files, and the file a recording
// grows into.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>

#include "engine/engine_errors.h"
#include "engine/record_file.h"
#include "engine/wav_maker.h"
#include "engine/wave_layout.h"

namespace sonthra {
namespace {

using namespace sonthra::test;
using namespace std::string_literals;

int layoutOf(const std::string& bytes, WaveLayout& layout) {
    TempFolder folder;
    writeFile(folder.file("f.wav"), bytes);
    return readWaveLayout(folder.file("f.wav"), layout);
}

TEST(WaveLayout, FindsFormatAndAudioWhateverComesBetween) {
    const std::string audio = samplesBytes(makeTone(440, 22050, 2, 100, 0.5));
    struct Case {
        const char* name;
        std::string file;
    } cases[] = {
        {"plain 16-byte fmt", riff(chunk("fmt ", fmtBody(1, 2, 22050, 16)) + chunk("data", audio))},
        {"18-byte fmt", riff(chunk("fmt ", fmtBody(1, 2, 22050, 16, true)) + chunk("data", audio))},
        {"odd-sized chunk before data", riff(chunk("fmt ", fmtBody(1, 2, 22050, 16)) +
                                             chunk("LIST", "abc") + chunk("data", audio))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveLayout layout;
        ASSERT_EQ(layoutOf(c.file, layout), 0);
        EXPECT_EQ(layout.channels, 2);
        EXPECT_EQ(layout.sampleRate, 22050u);
        EXPECT_EQ(layout.bitsPerSample, 16);
        EXPECT_EQ(layout.blockAlign, 4);
        EXPECT_EQ(layout.frames(), 100u);
        EXPECT_EQ(c.file.compare(layout.dataOffset, audio.size(), audio), 0);
    }
}

TEST(WaveLayout, DataSizeIsCutToTheWholeFramesTheFileHolds) {
    // A recording stopped by a crash: the header claims far more than was written, and the
    // last frame is incomplete.
    const std::string audio = samplesBytes(makeTone(440, 8000, 2, 50, 0.5));
    std::string file = riff(chunk("fmt ", fmtBody(1, 2, 8000, 16)) + "data" + le32(0xFFFFFFFF) +
                            audio + "\x01\x02\x03");
    WaveLayout layout;
    ASSERT_EQ(layoutOf(file, layout), 0);
    EXPECT_EQ(layout.dataBytes, audio.size());
    EXPECT_EQ(layout.frames(), 50u);
}

TEST(WaveLayout, RecordingCutOffBeforeItsFirstHeaderUpdateKeepsAllItsAudio) {
    TempFolder folder;
    const std::string path = folder.file("crashed.wav");
    {
        RecordFile file;
        ASSERT_EQ(file.create(path, 8000, 16, 1), 0);
        const std::string audio = samplesBytes(makeTone(440, 8000, 1, 70, 0.5));
        ASSERT_TRUE(file.append(audio.data(), audio.size()));
        // Gone without updateHeader() or finish(), as in a crash.
    }
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    EXPECT_EQ(layout.frames(), 70u);
}

TEST(WaveLayout, BrokenFilesGetTheirErrorNumbers) {
    const std::string fmt = chunk("fmt ", fmtBody(1, 1, 8000, 8));
    const std::string data = chunk("data", "abcd");
    struct Case {
        const char* name;
        std::string file;
        int error;
    } cases[] = {
        {"empty", "", engine_error::kNotWaveFile},
        {"shorter than a RIFF header", "RIFF\x04\0\0\0WAV"s, engine_error::kNotWaveFile},
        {"not RIFF", "RIFX" + le32(4) + "WAVE" + fmt + data, engine_error::kNotWaveFile},
        {"RIFF of another form", riff(fmt + data, "AVI "), engine_error::kNotWaveFile},
        {"no fmt", riff(data), engine_error::kBadFmtChunk},
        {"fmt too short", riff(chunk("fmt ", fmtBody(1, 1, 8000, 8).substr(0, 14)) + data),
         engine_error::kBadFmtChunk},
        {"fmt cut off by the end of the file", riff("fmt " + le32(16) + "\x01\0\x01\0"s),
         engine_error::kBadFmtChunk},
        {"compressed", riff(chunk("fmt ", fmtBody(3, 1, 8000, 32)) + data), engine_error::kNotPcm},
        {"no channels", riff(chunk("fmt ", fmtBody(1, 0, 8000, 8)) + data),
         engine_error::kBadFmtChunk},
        {"no rate", riff(chunk("fmt ", fmtBody(1, 1, 0, 8)) + data), engine_error::kBadFmtChunk},
        {"block align disagrees",
         riff(chunk("fmt ", le16(1) + le16(2) + le32(8000) + le32(8000) + le16(1) + le16(16)) +
              data),
         engine_error::kBadFmtChunk},
        {"no data", riff(fmt), engine_error::kNoDataChunk},
        {"data only before fmt", riff(data + fmt), engine_error::kNoDataChunk},
        {"chunk size points past the end", riff(fmt + "JUNK" + le32(0x7FFFFFF0) + "xx" + data),
         engine_error::kNoDataChunk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WaveLayout layout;
        layout.channels = 9;
        EXPECT_EQ(layoutOf(c.file, layout), c.error);
        EXPECT_EQ(layout.channels, 0) << "a failed parse leaves an empty layout";
    }
}

TEST(WaveLayout, FilesThatCannotBeReadAreNotWaveFiles) {
    TempFolder folder;
    WaveLayout layout;
    EXPECT_EQ(readWaveLayout(folder.file("missing.wav"), layout),
              engine_error::kCannotOpenWaveFile);
    EXPECT_EQ(readWaveLayout(folder.path(), layout), engine_error::kCannotOpenWaveFile);
    writeFile(folder.file("tone.wav"), pcmWave(11025, 8, 1, makeTone(440, 11025, 1, 300, 0.5)));
    ASSERT_EQ(readWaveLayout(folder.file("tone.wav"), layout), 0);
    EXPECT_EQ(layout.frames(), 300u);
    EXPECT_EQ(layout.bitsPerSample, 8);
}

TEST(RecordFile, HeaderDescribesTheDataOnDiskWhileTheFileGrows) {
    TempFolder folder;
    const std::string path = folder.file("rec.wav");
    RecordFile file;
    ASSERT_EQ(file.create(path, 44100, 16, 2), 0);
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0) << "valid from the first moment";
    EXPECT_EQ(layout.frames(), 0u);

    const std::string audio = samplesBytes(makeTone(1000, 44100, 2, 4410, 0.5));
    ASSERT_TRUE(file.append(audio.data(), audio.size()));
    ASSERT_TRUE(file.updateHeader());
    const std::string onDisk = readFile(path);
    ASSERT_EQ(onDisk.size(), RecordFile::kHeaderBytes + audio.size());
    EXPECT_EQ(onDisk.substr(0, 4), "RIFF");
    EXPECT_EQ(onDisk.substr(4, 4), le32(static_cast<std::uint32_t>(38 + audio.size())));
    EXPECT_EQ(onDisk.substr(12, 8), "fmt " + le32(18));
    EXPECT_EQ(onDisk.substr(38, 8), "data" + le32(static_cast<std::uint32_t>(audio.size())));
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    EXPECT_EQ(layout.frames(), 4410u);
    EXPECT_EQ(layout.sampleRate, 44100u);
    ASSERT_TRUE(file.finish());
    EXPECT_EQ(readFile(path), onDisk);
}

TEST(RecordFile, OddDataIsPaddedAndTheFileNamesOnlyItsData) {
    TempFolder folder;
    const std::string path = folder.file("odd.wav");
    RecordFile file;
    ASSERT_EQ(file.create(path, 8000, 8, 1), 0);
    ASSERT_TRUE(file.append("\x80\x90\xA0", 3));
    ASSERT_TRUE(file.finish());
    const std::string onDisk = readFile(path);
    ASSERT_EQ(onDisk.size(), RecordFile::kHeaderBytes + 4);
    EXPECT_EQ(onDisk.substr(4, 4), le32(38 + 4));
    EXPECT_EQ(onDisk.substr(42, 4), le32(3));
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    EXPECT_EQ(layout.frames(), 3u);
}

TEST(RecordFile, FolderThatDoesNotExistIsReported) {
    RecordFile file;
    EXPECT_EQ(file.create("/nonexistent-folder/rec.wav", 8000, 16, 1),
              engine_error::kCannotOpenRecordFile);
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.append("ab", 2));
}

TEST(RecordFile, FullDiskKeepsWholeFramesAndAValidHeader) {
    TempFolder folder;
    const std::string path = folder.file("full.wav");
    // A file size limit stands in for a full disk: writes past it fail like ENOSPC does.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    RecordFile file;
    const bool created = file.create(path, 8000, 16, 2) == 0;
    // 46 + 952 = 998 bytes fit; the next 4-byte frame only partly.
    const std::string audio(952 + 400, '\x11');
    const bool appended = created && file.append(audio.data(), audio.size());
    const bool laterAppend = created && file.append(audio.data(), 4);
    const bool finished = created && file.finish();

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(created);
    EXPECT_FALSE(appended);
    EXPECT_FALSE(laterAppend) << "nothing is appended after a failure";
    EXPECT_FALSE(finished) << "the failure is not reported as success";
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(path, layout), 0);
    EXPECT_EQ(layout.frames(), 952u / 4);
    EXPECT_EQ(readFile(path).size(), RecordFile::kHeaderBytes + 952);
}

TEST(RecordFile, LargestDataFitsTheHeaderInWholeFrames) {
    EXPECT_EQ(RecordFile::maxDataBytes(4) % 4, 0u);
    EXPECT_LE(38 + RecordFile::maxDataBytes(4) + 1, 0xFFFFFFFFull);
    EXPECT_GT(RecordFile::maxDataBytes(4) + 4 + 38 + 1, 0xFFFFFFFFull);
    EXPECT_EQ(RecordFile::maxDataBytes(3) % 3, 0u);
}

}  // namespace
}  // namespace sonthra
