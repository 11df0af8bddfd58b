// Every path that takes a WAV file (information and play, the display and its peaks, the
// edits, the streaming reader) accepts and refuses the same files.
#include <gtest/gtest.h>

#include "edit_test_support.h"
#include "engine/engine_errors.h"
#include "engine/wave_layout.h"
#include "view/view_errors.h"
#include "view/wave_source.h"
#include "wave/wave_reader.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

const std::string kPcmGuid("\x01\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 16);
const std::string kFloatGuid("\x03\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 16);

std::string extensibleFmt(std::uint16_t channels, std::uint16_t bits, std::uint16_t validBits,
                          const std::string& guid) {
    std::string s = fmtBody(channels, 8000, bits, false, 0xFFFE);
    put16(s, 22);
    put16(s, validBits);
    put32(s, channels == 1 ? 0x4 : 0x3);
    return s + guid;
}

struct Verdicts {
    bool layout, view, samples, edit, reader;
};

Verdicts verdictsFor(const std::string& path, const std::string& folder) {
    Verdicts v{};
    WaveLayout layout;
    v.layout = readWaveLayout(path, layout) == 0;
    v.view = CheckWaveFormat(path) == kViewOk;
    SampleFile file;
    v.samples = file.open(path) == kViewOk;
    AudioEditor editor;
    v.edit = runEdit(editor, [&](auto h) {
                 return editor.AudioCut(path, 0, 1, 1, h, 0, folder + "/edited.wav");
             }) == 0;
    WaveReader reader;
    v.reader = reader.open(path) == kWaveReadOk;
    return v;
}

TEST(FormatAgreement, EveryPathTakesTheSameFiles) {
    TempDir dir;
    const std::string frames(64, '\x40');
    struct Case {
        const char* what;
        std::string fmt;
        bool accepted;
    } cases[] = {
        {"16-bit stereo", fmtBody(2, 8000, 16), true},
        {"8-bit mono", fmtBody(1, 8000, 8), true},
        {"16-byte fmt", fmtBody(1, 8000, 16, false), true},
        {"extensible 16-bit stereo PCM", extensibleFmt(2, 16, 16, kPcmGuid), true},
        {"extensible 8-bit mono PCM", extensibleFmt(1, 8, 8, kPcmGuid), true},
        {"extensible 12 valid bits in 16", extensibleFmt(1, 16, 12, kPcmGuid), true},
        {"A-law", fmtBody(1, 8000, 8, true, 6), false},
        {"rate 0", fmtBody(1, 0, 16), false},
        {"24-bit", fmtBody(1, 8000, 24), false},
        {"9 channels", fmtBody(9, 8000, 16), false},
        {"extensible float", extensibleFmt(2, 32, 32, kFloatGuid), false},
        {"extensible 24-bit PCM", extensibleFmt(2, 24, 24, kPcmGuid), false},
        {"extensible valid bits above the container", extensibleFmt(1, 16, 20, kPcmGuid), false},
        {"extensible 3 channels", extensibleFmt(3, 16, 16, kPcmGuid), false},
        {"extensible cut short", extensibleFmt(2, 16, 16, kPcmGuid).substr(0, 30), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("in.wav");
        writeBytes(path, riff("WAVE", {chunk("fmt ", c.fmt), chunk("data", frames)}));
        const Verdicts v = verdictsFor(path, dir.path());
        EXPECT_EQ(v.layout, c.accepted) << "information and play";
        EXPECT_EQ(v.view, c.accepted) << "display and peaks";
        EXPECT_EQ(v.samples, c.accepted) << "sample reads of the display";
        EXPECT_EQ(v.edit, c.accepted) << "edits";
        EXPECT_EQ(v.reader, c.accepted) << "streaming reader";
    }
}

TEST(FormatAgreement, AnExtensibleFileIsEditedIntoThePlainPcmItAmountsTo) {
    TempDir dir;
    const Wav wav = makeWav(2, 16, 1000);
    const std::string src = dir.file("ext.wav");
    writeBytes(src, riff("WAVE", {chunk("fmt ", extensibleFmt(2, 16, 16, kPcmGuid)),
                                  chunk("data", wav.samples)}));
    WaveLayout layout;
    ASSERT_EQ(readWaveLayout(src, layout), 0);
    EXPECT_EQ(layout.frames(), 1000u);
    AudioEditor editor;
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 0, 100, 1, h, 0, out); }),
              0);
    EXPECT_EQ(samplesOf(out, wav), wav.from(100));
}

TEST(FormatAgreement, PipesDevicesAndFoldersAreRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.path()}) {
        SCOPED_TRACE(path);
        // A blocking open of the pipe would hang here for ever: nothing ever writes to it.
        const Verdicts v = verdictsFor(path, dir.path());
        EXPECT_FALSE(v.layout || v.view || v.samples || v.edit || v.reader);
        WaveLayout layout;
        EXPECT_EQ(readWaveLayout(path, layout), engine_error::kCannotOpenWaveFile);
    }
}

}  // namespace
}  // namespace sonthra
