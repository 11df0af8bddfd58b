#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "effects/effect_host.h"
#include "effects/effect_processing.h"
#include "effects_test_support.h"
#include "test_params.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using test::TempFolder;

class EffectProcessingTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.folder = std::string(EFFECTS_TEST_PLUGINS) + "/Good/";
        ASSERT_EQ(RegisterEffectPlugin(list, list.folder + "CVTestGoodUI.so"), 0);
        plugin = list.at(0);
        params = static_cast<TestParams*>(plugin->params);
        // 100,000 stereo frames: several chunks in every phase.
        samples.resize(200000);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>((i * 7919) % 60000 - 30000);
        }
        test::writeWave(source(), samples, 2);
    }
    std::string source() const { return folder.file("work.wav"); }
    std::string output() const { return folder.file("out.wav"); }
    EffectRequest request(std::uint32_t from, std::uint32_t to) const {
        EffectRequest r;
        r.sourcePath = source();
        r.outputPath = output();
        r.selectionStart = from;
        r.selectionEnd = to;
        return r;
    }
    int apply(const EffectRequest& r) {
        EffectJob job(plugin);
        job.run(r);
        lastState = job.state();
        lastProgress = job.progress();
        return job.result();
    }
    std::vector<unsigned char> sourceBytes() const { return test::waveData(source()); }

    TempFolder folder;
    EffectPluginList list;
    EffectPlugin* plugin = nullptr;
    TestParams* params = nullptr;
    std::vector<std::int16_t> samples;
    int lastState = 0;
    int lastProgress = 0;
};

TEST_F(EffectProcessingTest, WholeFileGoesThroughThePlugInAndItsTailIsDrained) {
    params->tailBytes = 150000;  // more than two chunks of tail
    EXPECT_EQ(apply(request(0, 0)), 0);
    EXPECT_EQ(lastState, kJobFinished);
    EXPECT_EQ(lastProgress, 100);
    auto expected = sourceBytes();
    expected.insert(expected.end(), 150000, kTailByte);
    EXPECT_EQ(test::waveData(output()), expected);
    EXPECT_EQ(params->selStart, 0u);
    EXPECT_EQ(params->selEnd, 0u);
    EXPECT_EQ(params->maxChunk, kEffectChunkBytes);
    EXPECT_EQ(params->blockAlign, 4u);
    EXPECT_EQ(params->zeroInputCalls, 4);  // three with tail, one that ends it
    EXPECT_EQ(params->freeCalls, 1);
    EXPECT_EQ(std::string(params->sourceSeen), "");  // interface value 0: no source path
}

TEST_F(EffectProcessingTest, SelectionIsProcessedBetweenCopiesAndTheRestFollowsTheTail) {
    params->tailBytes = 1000;
    params->interfaceValue = 1;
    // Anchor after the moving end: the host orders the pair.
    auto r = request(70000, 20000);
    r.caret = 99;
    EXPECT_EQ(apply(r), 0);
    const auto in = sourceBytes();
    std::vector<unsigned char> expected(in.begin(), in.begin() + 70000 * 4);
    expected.insert(expected.end(), 1000, kTailByte);
    expected.insert(expected.end(), in.begin() + 70000 * 4, in.end());
    EXPECT_EQ(test::waveData(output()), expected);
    EXPECT_EQ(params->selStart, 20000u * 4);
    EXPECT_EQ(params->selEnd, 70000u * 4);
    EXPECT_EQ(params->caret, 99u * 4);
    EXPECT_EQ(std::string(params->sourceSeen), source());
    EXPECT_EQ(plugin->sourcePath, source());
}

TEST_F(EffectProcessingTest, NoSelectionAtTheCaretMeansTheWholeFile) {
    params->tailBytes = 8;
    EXPECT_EQ(apply(request(5000, 5000)), 0);
    auto expected = sourceBytes();
    expected.insert(expected.end(), 8, kTailByte);
    EXPECT_EQ(test::waveData(output()), expected);
    EXPECT_EQ(params->selStart, 0u);
    EXPECT_EQ(params->selEnd, 0u);
}

TEST_F(EffectProcessingTest, SelectionFromTheStartCopiesNothingBefore) {
    std::vector<EffectPhase> phases;
    auto r = request(0, 10);
    r.beforeChunk = [&](EffectPhase phase) {
        if (phases.empty() || phases.back() != phase) phases.push_back(phase);
    };
    EXPECT_EQ(apply(r), 0);
    EXPECT_EQ(phases, (std::vector<EffectPhase>{EffectPhase::Selection, EffectPhase::After}));
    EXPECT_EQ(test::waveData(output()), sourceBytes());
}

TEST_F(EffectProcessingTest, PlugInCodesBecomeMessagesAndLeaveNoOutput) {
    struct Case {
        int TestParams::*field;
        int code;
        int message;
    };
    for (const Case& c :
         {Case{&TestParams::queryCode, 266, 396}, Case{&TestParams::setCode, 3, 418},
          Case{&TestParams::setCode, 6, 419}, Case{&TestParams::applyCode, 4107, 448},
          Case{&TestParams::applyCode, 1, 391},  // "no message" is no success here
          Case{&TestParams::applyCode, 99, 399}}) {
        std::memset(static_cast<void*>(params), 0, sizeof *params);
        params->applyCodeAtCall = 3;
        params->*c.field = c.code;
        EXPECT_EQ(apply(request(100, 90000)), c.message) << c.code;
        EXPECT_EQ(lastState, kJobFailed);
        EXPECT_EQ(lastProgress, 100);
        EXPECT_NE(::access(output().c_str(), F_OK), 0) << c.code;
        // FreeEffectBuffers is owed once SetEffectParams has succeeded.
        EXPECT_EQ(params->freeCalls, c.field == &TestParams::applyCode ? 1 : 0) << c.code;
    }
}

TEST_F(EffectProcessingTest, CancelInEachPhaseEndsWith129AndRemovesTheOutput) {
    for (EffectPhase phase : {EffectPhase::Before, EffectPhase::Selection, EffectPhase::After}) {
        std::memset(static_cast<void*>(params), 0, sizeof *params);
        EffectJob job(plugin);
        auto r = request(30000, 60000);
        int chunks = 0;
        r.beforeChunk = [&](EffectPhase now) {
            if (now == phase && ++chunks == 2) job.cancel();
        };
        job.run(r);
        EXPECT_EQ(job.result(), 129);
        EXPECT_EQ(job.state(), kJobAborted);
        EXPECT_EQ(params->abortCalls.load(), 1);
        EXPECT_EQ(params->freeCalls, 1);
        EXPECT_NE(::access(output().c_str(), F_OK), 0);
    }
    EffectJob early(plugin);
    early.cancel();
    early.run(request(0, 0));
    EXPECT_EQ(early.state(), kJobAborted);
    EffectJob none(nullptr);
    none.run(request(0, 0));
    EXPECT_EQ(none.result(), 129);
}

TEST_F(EffectProcessingTest, BrokenSourceAndOutputAreReported) {
    auto r = request(0, 0);
    r.sourcePath = folder.file("missing.wav");
    EXPECT_EQ(apply(r), 103);
    r = request(0, 0);
    r.outputPath = folder.file("no/such/folder/out.wav");
    EXPECT_EQ(apply(r), 398);
    EXPECT_EQ(params->freeCalls, 1);
}

TEST_F(EffectProcessingTest, ProgressSharesFollowThePhaseLengths) {
    // A quarter before, half selected, a quarter after.
    std::vector<std::pair<EffectPhase, int>> seen;
    EffectJob job(plugin);
    auto r = request(25000, 75000);
    r.beforeChunk = [&](EffectPhase phase) { seen.emplace_back(phase, job.progress()); };
    job.run(r);
    ASSERT_EQ(job.result(), 0);
    int firstSelected = 100, firstAfter = 100;
    for (const auto& [phase, progress] : seen) {
        if (phase == EffectPhase::Selection) firstSelected = std::min(firstSelected, progress);
        if (phase == EffectPhase::After) firstAfter = std::min(firstAfter, progress);
    }
    EXPECT_EQ(firstSelected, 25);
    EXPECT_EQ(firstAfter, 75);
}

TEST_F(EffectProcessingTest, TheFilesOtherChunksComeThroughAsTheyWere) {
    // A title, a broadcast description, a marker and a chunk of an unknown kind, after audio
    // of an odd byte count: once with its pad byte, once without, as some writers leave it.
    for (const bool padless : {false, true}) {
        SCOPED_TRACE(padless ? "no pad byte" : "pad byte");
        const std::string tagged = folder.file("tagged.wav");
        const std::vector<std::string> chunks = testing::writeChunkyWave(tagged, 7999, padless);
        ASSERT_EQ(chunks.size(), 4u) << "ffmpeg could not make the file";
        for (const std::uint32_t from : {0u, 1000u}) {
            auto r = request(from, from * 4);
            r.sourcePath = tagged;
            ASSERT_EQ(apply(r), 0);
            EXPECT_EQ(testing::otherChunksOf(testing::readBytes(output())), chunks);
            // Outside readers find the audio and the title where they were.
            EXPECT_EQ(testing::run("soxi -s " + output()).output, "7999\n");
            EXPECT_EQ(testing::run("ffprobe -v error -show_entries format_tags=title -of "
                                   "default=nw=1:nk=1 " +
                                   output())
                          .output,
                      "Kept\n");
        }
    }
}

TEST_F(EffectProcessingTest, RunOnAWorkerCanBeCancelledFromAnotherThread) {
    params->tailBytes = 0xFFFFFFFFu;  // a tail that would never end
    EffectRun run(plugin, request(0, 0));
    ASSERT_EQ(run.start(), 0);
    while (run.job().progress() < 100 && params->zeroInputCalls < 3) std::this_thread::yield();
    run.job().cancel();
    EXPECT_EQ(run.wait(), 129);
    EXPECT_FALSE(run.running());
}

TEST(EffectInstall, MovesOrLeavesTheWorkingCopyAsItWas) {
    TempFolder folder;
    EditFiles files{folder.file("work.wav"), folder.file("undo.wav"), folder.file("redo.wav")};
    auto put = [](const std::string& path, const char* text) {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fputs(text, f);
        std::fclose(f);
    };
    auto read = [](const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "r");
        if (!f) return std::string("<none>");
        char buffer[64] = {};
        std::fgets(buffer, sizeof buffer, f);
        std::fclose(f);
        return std::string(buffer);
    };
    put(files.workFile, "old");
    put(folder.file("out.wav"), "new");
    EXPECT_EQ(InstallEffectOutput(files, folder.file("out.wav")), 0);
    EXPECT_EQ(read(files.workFile), "new");
    EXPECT_EQ(read(files.undoFile), "old");

    // The undo file cannot be made: the output must not replace the working copy.
    put(folder.file("out2.wav"), "newer");
    EditFiles noUndo{files.workFile, folder.file("gone/undo.wav"), files.redoFile};
    EXPECT_EQ(InstallEffectOutput(noUndo, folder.file("out2.wav")), 177);
    EXPECT_EQ(read(files.workFile), "new");
    EXPECT_EQ(read(folder.file("out2.wav")), "<none>");

    // The output vanished: the working copy comes back from the undo file.
    EXPECT_EQ(InstallEffectOutput(files, folder.file("vanished.wav")), 137);
    EXPECT_EQ(read(files.workFile), "new");
}

}  // namespace
}  // namespace sonthra
