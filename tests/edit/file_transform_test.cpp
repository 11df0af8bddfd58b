// The one path every change to the working copy takes: a transform of any kind, run by the
// caller's runner, with the undo file, the result's move and the redo file around it.
#include "edit/file_transform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "engine_edit/edit_test_support.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

using testing::makeWav;
using testing::samplesOf;
using testing::TempDir;
using testing::Wav;
using testing::writeBytes;
using testing::writeWav;

// Reverses the bytes of the whole file: not audio sense, but every byte moves, so a result that
// was not installed, or installed twice, shows.
int reverseFile(const std::string& source, const std::string& result, std::atomic<int>& progress,
                const std::atomic<bool>& cancelled) {
    std::ifstream in(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (cancelled) return kCancelled;
    std::reverse(bytes.begin(), bytes.end());
    std::ofstream(result, std::ios::binary | std::ios::trunc) << bytes;
    progress = 100;
    return 0;
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Files {
    TempDir dir;
    Wav wav = makeWav(2, 16, 500);
    EditFiles files{dir.file("work.tmp"), dir.file("undo.tmp"), dir.file("redo.tmp")};
    std::string result = dir.file("result.tmp");
    std::vector<std::string> captions;
    std::vector<int> shown;

    Files() {
        writeWav(files.workFile, wav);
        writeBytes(files.redoFile, "redo");
        writeBytes(result, "");
    }
    OperationRunner runner() {
        return [this](const std::string& caption, LongOperation& operation) {
            captions.push_back(caption);
            return WaitForOperation(operation);
        };
    }
    MessageSink sink() {
        return [this](int message) { shown.push_back(message); };
    }
};

TEST(FileTransform, AWorkerTransformTakesTheSamePathAsAnEngineEdit) {
    Files f;
    const std::string before = contents(f.files.workFile);
    WorkerTransform reverse("Reverse...", reverseFile);
    const EditOutcome out = ApplyTransform(f.files, reverse, f.result, f.runner(), f.sink());
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(out.undoSaved);
    EXPECT_EQ(contents(f.files.workFile), std::string(before.rbegin(), before.rend()));
    EXPECT_EQ(contents(f.files.undoFile), before);
    EXPECT_FALSE(std::filesystem::exists(f.files.redoFile)) << "a new edit drops the redo file";
    EXPECT_FALSE(std::filesystem::exists(f.result));
    EXPECT_EQ(f.captions, (std::vector<std::string>{"Reverse..."}));
    EXPECT_TRUE(f.shown.empty());
}

TEST(FileTransform, AFailedOrCancelledTransformChangesNothing) {
    for (const int failure : {kCancelled, 160}) {
        SCOPED_TRACE(failure);
        Files f;
        const std::string before = contents(f.files.workFile);
        WorkerTransform failing(
            "Effect...", [failure](const std::string&, const std::string& r, std::atomic<int>&,
                                   const std::atomic<bool>&) {
                writeBytes(r, "half a file");
                return failure;
            });
        const EditOutcome out = ApplyTransform(f.files, failing, f.result, f.runner(), f.sink());
        EXPECT_EQ(out.result, failure);
        EXPECT_FALSE(out.undoSaved);
        EXPECT_EQ(contents(f.files.workFile), before);
        EXPECT_FALSE(std::filesystem::exists(f.files.undoFile));
        EXPECT_TRUE(std::filesystem::exists(f.files.redoFile)) << "redo stays after a failure";
        EXPECT_FALSE(std::filesystem::exists(f.result)) << "the half result is deleted";
        EXPECT_TRUE(f.shown.empty()) << "the runner shows the operation's result";
    }
}

TEST(FileTransform, CancelWhileTheWorkerRunsWaitsForItAndReadsAsCancelled) {
    Files f;
    const std::string before = contents(f.files.workFile);
    std::atomic<bool> entered{false};
    WorkerTransform slow(
        "Slow...", [&entered](const std::string& s, const std::string& r,
                              std::atomic<int>& progress, const std::atomic<bool>& cancelled) {
            entered = true;
            while (!cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // Finishes its file anyway: a cancel that comes late still drops the output.
            return reverseFile(s, r, progress, std::atomic<bool>{false});
        });
    const OperationRunner pressCancel = [&](const std::string&, LongOperation& operation) {
        while (!entered) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        operation.cancel();
        return WaitForOperation(operation);
    };
    const EditOutcome out = ApplyTransform(f.files, slow, f.result, pressCancel, f.sink());
    EXPECT_EQ(out.result, kCancelled);
    EXPECT_EQ(contents(f.files.workFile), before);
    EXPECT_FALSE(std::filesystem::exists(f.result));
}

// A transform that starts nothing, as a plug-in refusing its input would.
class Refusing : public FileTransform {
public:
    std::string caption() const override { return "Refused..."; }
    std::unique_ptr<LongOperation> start(const std::string&, const std::string&,
                                         int& refused) override {
        refused = reason;
        return nullptr;
    }
    int reason = 0;
};

TEST(FileTransform, ARefusalIsShownOnceAndNothingRuns) {
    Files f;
    Refusing refusing;
    refusing.reason = 138;
    EXPECT_EQ(ApplyTransform(f.files, refusing, f.result, f.runner(), f.sink()).result, 138);
    // Refusing without a reason is still a failure, never a silent success.
    refusing.reason = 0;
    EXPECT_NE(ApplyTransform(f.files, refusing, f.result, f.runner(), f.sink()).result, 0);
    EXPECT_EQ(f.shown.size(), 2u);
    EXPECT_EQ(f.shown[0], 138);
    EXPECT_TRUE(f.captions.empty());
    EXPECT_EQ(samplesOf(f.files.workFile, f.wav), f.wav.samples);
}

// A transform that must keep the way back: without an undo file its result never goes in.
class UndoRequired final : public FileTransform {
public:
    std::string caption() const override { return "Applying effect..."; }
    bool undoRequired() const override { return true; }
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override {
        return m_inner.start(source, result, refused);
    }

private:
    WorkerTransform m_inner{"Reverse...", reverseFile};
};

TEST(FileTransform, WithoutItsUndoFileATransformThatRequiresUndoChangesNothing) {
    Files f;
    const std::string before = contents(f.files.workFile);
    EditFiles files = f.files;
    files.undoFile = f.dir.file("vanished/undo.tmp");
    UndoRequired effect;
    const EditOutcome out = ApplyTransform(files, effect, f.result, f.runner(), f.sink());
    EXPECT_EQ(out.result, 177);
    EXPECT_FALSE(out.undoSaved);
    EXPECT_EQ(contents(f.files.workFile), before);
    EXPECT_FALSE(std::filesystem::exists(f.result));
    EXPECT_TRUE(std::filesystem::exists(f.files.redoFile)) << "nothing changed: redo stays";
    EXPECT_EQ(f.shown, (std::vector<int>{177}));
}

}  // namespace
}  // namespace sonthra
