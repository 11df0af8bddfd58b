// Refused edits, cancelled edits and edits that fail half-way: each must leave every file as it
// was, with no half-written file beside it, and report the engine's number for what happened.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "edit_test_support.h"
#include "engine/audio_edit.h"
#include "engine/edit_errors.h"
#include "support/file_size_limit.h"
#include "wave/wave_writer.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

class EditFailures : public ::testing::Test {
protected:
    void SetUp() override {
        wav = makeWav(2, 16, 20000);
        src = dir.file("src.wav");
        writeWav(src, wav);
        original = readBytes(src);
    }

    // The folder holds exactly these names, so no temporary file was left behind.
    void expectOnly(std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        EXPECT_EQ(dir.names(), names);
    }

    TempDir dir;
    Wav wav;
    std::string src;
    std::string original;
};

TEST_F(EditFailures, RefusedCallsReturnTheirNumbersAtOnce) {
    AudioEditor editor;
    const std::string out = dir.file("out.wav");
    auto call = [&](auto f) { return runEdit(editor, f); };
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut(src, 5, 5, 1, h, 0, out); }), 302);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCopy(src, 5, 5, 1, h, 0); }), 306);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCopyInFile(src, 9, 9, 1, h, 0, out); }), 306);
    EXPECT_EQ(call([&](auto h) { return editor.AudioClear(src, 0, 0, 1, h, 0, out); }), 320);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCrop(src, 3, 3, 1, h, 0, out); }), 321);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut(src, 0, 20001, 1, h, 0, out); }), 313);
    EXPECT_EQ(call([&](auto h) { return editor.AudioEditMute(src, 20001, 0, 1, h, 0, 3, out); }),
              313);
    EXPECT_EQ(call([&](auto h) { return editor.AudioInsertSilence(src, 20001, 1, h, 0, 5, out); }),
              313);
    EXPECT_EQ(call([&](auto h) { return editor.AudioPasteEx(src, 0, 1, h, 0, "", out); }), 312);

    // Sources that cannot be edited.
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut("", 0, 1, 1, h, 0, out); }), 100);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut(dir.file("gone"), 0, 1, 1, h, 0, out); }),
              102);
    writeBytes(dir.file("text.wav"), "not a wave file at all");
    EXPECT_EQ(
        call([&](auto h) { return editor.AudioClear(dir.file("text.wav"), 0, 1, 1, h, 0, out); }),
        107);
    writeBytes(dir.file("float.wav"),
               riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 32, true, 3)), chunk("data", "abcd")}));
    EXPECT_EQ(
        call([&](auto h) { return editor.AudioClear(dir.file("float.wav"), 0, 1, 1, h, 0, out); }),
        109);
    writeBytes(dir.file("24.wav"),
               riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 24)), chunk("data", "abcdef")}));
    EXPECT_EQ(
        call([&](auto h) { return editor.AudioClear(dir.file("24.wav"), 0, 1, 1, h, 0, out); }),
        104);
    writeBytes(dir.file("nodata.wav"), riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 8))}));
    EXPECT_EQ(
        call([&](auto h) { return editor.AudioClear(dir.file("nodata.wav"), 0, 1, 1, h, 0, out); }),
        110);

    // Arguments no caller passes.
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut(src, 0, 1, 0, h, 0, out); }),
              edit_error::kBadArgument);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCut(src, 0, 1, 1, h, 1, out); }),
              edit_error::kBadArgument);
    EXPECT_EQ(call([&](auto h) { return editor.AudioEditMute(src, 0, 1, 1, h, 0, 4, out); }),
              edit_error::kBadArgument);
    EXPECT_EQ(editor.AudioCut(src, 0, 1, 1, nullptr, 0, out), edit_error::kBadArgument);
    EXPECT_EQ(editor.AudioEditProcessIsOver(777), 1);
    EXPECT_EQ(editor.AudioEditGetReasonForProcessExit(777), edit_error::kBadArgument);
    std::uint32_t unknown = 777;
    EXPECT_EQ(editor.AudioEditCloseHandle(&unknown), edit_error::kBadArgument);

    // A range file may not be the file being edited.
    EXPECT_EQ(call([&](auto h) { return editor.AudioCutInFile(src, 0, 9, 1, h, 0, src, out); }),
              edit_error::kFileInUse);
    EXPECT_EQ(call([&](auto h) { return editor.AudioCopyInFile(src, 0, 9, 1, h, 0, ""); }), 100);

    EXPECT_EQ(readBytes(src), original);
    expectOnly({"24.wav", "float.wav", "nodata.wav", "src.wav", "text.wav"});
}

TEST_F(EditFailures, PasteRefusesClipsOfAnotherFormatOrNone) {
    AudioEditor editor;
    const std::string out = dir.file("out.wav");
    writeWav(dir.file("mono.wav"), makeWav(1, 16, 100));
    writeWav(dir.file("eight.wav"), makeWav(2, 8, 100));
    Wav otherRate = makeWav(2, 16, 100);
    otherRate.rate = 44100;
    writeWav(dir.file("rate.wav"), otherRate);
    for (const char* clip : {"mono.wav", "eight.wav", "rate.wav"}) {
        EXPECT_EQ(runEdit(editor,
                          [&](auto h) {
                              return editor.AudioPasteEx(src, 0, 1, h, 0, dir.file(clip), out);
                          }),
                  308)
            << clip;
    }
    EXPECT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioPasteEx(src, 0, 1, h, 0, dir.file("none.wav"), out);
                      }),
              307);
    // A clipboard that holds another format refuses too; an empty clip has nothing to give.
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioCopy(dir.file("mono.wav"), 0, 50, 1, h, 0); }),
        0);
    EXPECT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 0, 1, h, 0, "", out); }),
        308);
    ASSERT_EQ(createEmptyWave(dir.file("empty.wav"), 8000, 16, 2), 0);
    EXPECT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioPasteEx(src, 0, 1, h, 0, dir.file("empty.wav"), out);
                      }),
              312);
    // But pasting into an empty file works: a new document holding only the paste.
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioPasteEx(dir.file("empty.wav"), 0, 1, h, 0, src, out);
                      }),
              0);
    EXPECT_EQ(samplesOf(out, wav), wav.samples);
    EXPECT_EQ(readBytes(src), original);
}

TEST_F(EditFailures, CancelLeavesSourceClipboardAndFolderAsTheyWere) {
    // While armed, the worker waits after each block until the cancel has been asked for, so
    // the cancel lands in the middle of the edit every time.
    std::atomic<bool> armed{false};
    EditOptions options = smallBlocks();
    options.afterBlock = [&](const EditState& state) {
        while (armed.load() && !state.cancel.load()) std::this_thread::yield();
    };
    AudioEditor editor(options);
    editor.AudioEditSetUndoRedo(0);
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCopy(src, 0, 10, 1, h, 0); }), 0);
    for (bool inPlace : {true, false}) {
        armed = true;
        std::uint32_t handle = 0;
        ASSERT_EQ(editor.AudioCut(src, 100, 15000, 1, &handle, 0, inPlace ? "" : dir.file("o.wav")),
                  0);
        ASSERT_NE(handle, 0u);
        EXPECT_EQ(editor.AudioEditCancelPressed(handle), 0);
        EXPECT_EQ(finish(editor, handle), edit_error::kEditCancelled);
        armed = false;
        EXPECT_EQ(readBytes(src), original);
        expectOnly({"src.wav"});
    }
    // The clipboard still holds what was copied before.
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioPasteEx(src, 0, 1, h, 0, "", dir.file("p.wav"));
                      }),
              0);
    EXPECT_EQ(samplesOf(dir.file("p.wav"), wav), wav.bytes(0, 10) + wav.samples);
}

TEST_F(EditFailures, ClosingARunningEditCancelsIt) {
    EditOptions options = smallBlocks();
    options.afterBlock = [](const EditState& state) {
        while (!state.cancel.load()) std::this_thread::yield();
    };
    AudioEditor editor(options);
    std::uint32_t handle = 0;
    ASSERT_EQ(editor.AudioEditMute(src, 0, 20000, 1, &handle, 0, 3, ""), 0);
    EXPECT_EQ(editor.AudioEditProcessIsOver(handle), 0);
    EXPECT_EQ(editor.AudioEditGetReasonForProcessExit(handle), 0);
    EXPECT_EQ(editor.AudioEditCloseHandle(&handle), 0);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(readBytes(src), original);
    expectOnly({"src.wav"});
}

using testing::FileSizeLimit;

TEST_F(EditFailures, AWriteFailureHalfWayLeavesTheSourceWholeAndNoHalfFile) {
    AudioEditor editor(smallBlocks());
    {
        FileSizeLimit limit(50000);  // the source is 80 KB
        EXPECT_EQ(
            runEdit(editor, [&](auto h) { return editor.AudioClear(src, 0, 10, 1, h, 0, ""); }),
            301);
        EXPECT_EQ(runEdit(editor,
                          [&](auto h) {
                              return editor.AudioInsertSilence(src, 0, 1, h, 0, 100,
                                                               dir.file("o.wav"));
                          }),
                  301);
    }
    EXPECT_EQ(readBytes(src), original);
    expectOnly({"src.wav"});
}

TEST_F(EditFailures, ResultsPastTheFourGigabyteLimitAreRefused) {
    AudioEditor editor;
    // 4294967 seconds of silence would need far more than a WAV file can hold.
    EXPECT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioInsertSilence(src, 0, 1, h, 0, 4294967295u,
                                                           dir.file("o.wav"));
                      }),
              301);
    expectOnly({"src.wav"});
}

// A small RAM disk, where there is one.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& path) : m_path(path) {
        ::mkdir(path.c_str(), 0755);
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount(m_path.c_str());
    }
    bool mounted() const { return m_mounted; }

private:
    std::string m_path;
    bool m_mounted = false;
};

TEST_F(EditFailures, AnEditThatCannotFitOnItsDiskIsRefusedBeforeItWrites) {
    SmallDisk disk(dir.file("small"));
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a RAM disk here";
    AudioEditor editor;
    EXPECT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioCrop(src, 0, 19000, 1, h, 0, dir.file("small/o.wav"));
                      }),
              edit_error::kNoTempSpace);
    ASSERT_EQ(editor.SetTempPath(dir.file("small")), 0);
    EXPECT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCopy(src, 0, 19000, 1, h, 0); }),
              edit_error::kNoTempSpace);
    EXPECT_EQ(editor.AudioEditCanPaste(), 0);
    EXPECT_EQ(readBytes(src), original);
}

TEST_F(EditFailures, TheEngineUndoSwapsAnInPlaceEditBackAndForth) {
    AudioEditor editor;
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCrop(src, 0, 100, 1, h, 0, ""); }),
              0);
    const std::string cropped = readBytes(src);
    EXPECT_EQ(samplesOf(src, wav), wav.bytes(0, 100));
    ASSERT_EQ(editor.AudioEditRedo(), edit_error::kNothingToUndoRedo);
    ASSERT_EQ(editor.AudioEditUndo(), 0);
    EXPECT_EQ(readBytes(src), original);
    ASSERT_EQ(editor.AudioEditUndo(), edit_error::kNothingToUndoRedo);
    ASSERT_EQ(editor.AudioEditRedo(), 0);
    EXPECT_EQ(readBytes(src), cropped);
    // An edit with a result name leaves the source, and the engine's undo, as they were.
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioCrop(src, 0, 50, 1, h, 0, dir.file("o.wav")); }),
        0);
    ASSERT_EQ(editor.AudioEditUndo(), 0);
    EXPECT_EQ(readBytes(src), original);

    // Turning undo off drops the kept file; the program runs this way.
    ASSERT_EQ(editor.AudioEditSetUndoRedo(0), 0);
    EXPECT_EQ(editor.AudioEditUndo(), edit_error::kUndoRedoDisabled);
    EXPECT_EQ(editor.AudioEditRedo(), edit_error::kUndoRedoDisabled);
    expectOnly({"o.wav", "src.wav"});
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCrop(src, 0, 10, 1, h, 0, ""); }),
              0);
    expectOnly({"o.wav", "src.wav"});
}

TEST(AudioEditTempPath, MustBeAWritableFolder) {
    TempDir dir;
    AudioEditor editor;
    EXPECT_EQ(editor.SetTempPath(dir.file("missing")), 322);
    EXPECT_EQ(editor.SetTempPath(""), 322);
    writeBytes(dir.file("file"), "x");
    EXPECT_EQ(editor.SetTempPath(dir.file("file")), 322);
    EXPECT_EQ(editor.SetTempPath(dir.path()), 0);
    // The clipboard lives there, and goes when the editor goes.
    writeWav(dir.file("a.wav"), makeWav(1, 8, 100));
    {
        AudioEditor scoped;
        ASSERT_EQ(scoped.SetTempPath(dir.path()), 0);
        ASSERT_EQ(
            runEdit(scoped,
                    [&](auto h) { return scoped.AudioCopy(dir.file("a.wav"), 0, 5, 1, h, 0); }),
            0);
        EXPECT_EQ(dir.names().size(), 3u);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.wav", "file"}));
}

}  // namespace
}  // namespace sonthra
