// Batch export over three documents: names in the folder already there are reported and kept
// when the overwrite box is off, the rest are exported for real (WMA through the WMA library,
// MP3 through the MP3 export job), the first MP3 asks and the later ones do not, the current
// document comes back, and the space estimate and names follow their rules.
#include <gtest/gtest.h>

#include "convert/batch_export.h"
#include "convert/lame_library.h"
#include "convert/mp3_export.h"
#include "convert/wma_export.h"
#include "wave/wave_probe.h"
#include "wma/wma_test_support.h"

namespace sonthra {
namespace {

using testing::TempDir;

class RecordingHost : public BatchExportHost {
public:
    std::vector<std::string> names;  // the documents' file names
    std::vector<std::string> works;  // their working files
    std::size_t current = 1;
    std::vector<std::size_t> madeCurrent;
    std::vector<bool> firstFlags;
    std::vector<std::pair<std::string, bool>> shown;
    std::size_t failAt = SIZE_MAX;
    std::size_t cancelAt = SIZE_MAX;
    const WmaEncoderLibrary* wma = nullptr;

    std::size_t documentCount() const override { return names.size(); }
    std::string documentFileName(std::size_t i) const override { return names[i]; }
    std::size_t currentDocument() const override { return current; }
    void makeCurrent(std::size_t i) override {
        current = i;
        madeCurrent.push_back(i);
    }
    BatchStep exportMp3(std::size_t i, const std::string& target, bool first, bool) override {
        firstFlags.push_back(first);
        if (i == cancelAt) return BatchStep::Cancelled;
        Mp3ExportJob job(testing::binaryDir() + "/bin/" + kLameLibraryName);
        if (!job.start(works[i], target, kLameEncoderName, 128)) return BatchStep::Failed;
        job.wait();
        return job.result() == 0 ? BatchStep::Exported : BatchStep::Failed;
    }
    BatchStep exportWma(std::size_t i, const std::string& target) override {
        if (i == cancelAt) return BatchStep::Cancelled;
        if (i == failAt) return BatchStep::Failed;
        WaveFormat format;
        std::vector<std::string> encoders, formats;
        if (probeWave(works[i], nullptr, &format) != 0 ||
            listWmaEncoders(*wma, format, encoders) != 0 || encoders.empty() ||
            listWmaFormats(*wma, encoders[0], format, formats) != 0)
            return BatchStep::Failed;
        const int index = static_cast<int>(formats.size()) - 1;
        return exportWmaFile(*wma, works[i], target, index, encoders[0]) == 0 ? BatchStep::Exported
                                                                              : BatchStep::Failed;
    }
    void showText(const std::string& text, bool failureList) override {
        shown.emplace_back(text, failureList);
    }
};

class BatchExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        int code = 0;
        wma = WmaEncoderLibrary::load(testing::encoderLibraryPath(), code);
        ASSERT_TRUE(wma);
        host.wma = wma.get();
        for (const char* name : {"one.wav", "two.wav", "three.wav"}) {
            host.names.push_back(std::string("/home/user/takes/") + name);
            host.works.push_back(work.file(name));
            ASSERT_TRUE(testing::makeToneWav(host.works.back(), 44100, 16, 2, 1.0));
        }
    }

    TempDir work, out;
    std::unique_ptr<WmaEncoderLibrary> wma;
    RecordingHost host;
};

TEST_F(BatchExportTest, WmaBatchSkipsExistingNameAndExportsTheRest) {
    testing::writeAll(out.file("two.wma"), "already here");
    const BatchOutcome outcome = runBatchExport(host, {out.path(), BatchFormat::Wma, false, false});
    EXPECT_EQ(outcome.exported, 2u);
    EXPECT_TRUE(outcome.skipped);
    EXPECT_EQ(testing::readAll(out.file("two.wma")), "already here");
    EXPECT_EQ(testing::probeField(out.file("one.wma"), "codec_name"), "wmav2");
    EXPECT_EQ(testing::probeField(out.file("three.wma"), "codec_name"), "wmav2");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].first, kBatchSkippedText);
    // Documents 0 and 2 were made current, then the remembered one (1) again.
    EXPECT_EQ(host.madeCurrent, (std::vector<std::size_t>{0, 2, 1}));

    // With the overwrite box on, the old file is replaced and nothing is reported.
    host.shown.clear();
    const BatchOutcome again = runBatchExport(host, {out.path(), BatchFormat::Wma, false, true});
    EXPECT_EQ(again.exported, 3u);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(testing::probeField(out.file("two.wma"), "codec_name"), "wmav2");
}

TEST_F(BatchExportTest, WmaFailuresAreListedAndCancelEndsWithoutSummaries) {
    host.failAt = 1;
    runBatchExport(host, {out.path(), BatchFormat::Wma, false, false});
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_TRUE(host.shown[0].second);
    EXPECT_EQ(host.shown[0].first, "The following files couldnot be converted:\r(1) two.wav");

    host.shown.clear();
    host.madeCurrent.clear();
    host.failAt = SIZE_MAX;
    host.cancelAt = 0;
    testing::writeAll(out.file("three.wma"), "x");
    const BatchOutcome cancelled =
        runBatchExport(host, {out.path(), BatchFormat::Wma, false, true});
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(host.shown.empty());
    EXPECT_EQ(host.madeCurrent.back(), 1u);
}

TEST_F(BatchExportTest, Mp3BatchAsksOnlyForTheFirstAndReportsSkips) {
    testing::writeAll(out.file("one.mp3"), "already here");
    const BatchOutcome outcome = runBatchExport(host, {out.path(), BatchFormat::Mp3, false, false});
    EXPECT_EQ(outcome.exported, 2u);
    EXPECT_EQ(host.firstFlags, (std::vector<bool>{true, false}));
    EXPECT_EQ(testing::probeField(out.file("two.mp3"), "codec_name"), "mp3");
    EXPECT_EQ(testing::readAll(out.file("one.mp3")), "already here");
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].first, kBatchSkippedText);

    // A cancel ends the batch: no skip summary after an early end.
    host.shown.clear();
    host.firstFlags.clear();
    host.cancelAt = 2;
    std::remove(out.file("three.mp3").c_str());
    const BatchOutcome cancelled =
        runBatchExport(host, {out.path(), BatchFormat::Mp3, false, false});
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_TRUE(host.shown.empty());
}

TEST(BatchExportRules, NamesAndSpaceEstimate) {
    EXPECT_EQ(batchDestinationName("/out", "/a/take.wav", BatchFormat::Mp3), "/out/take.mp3");
    EXPECT_EQ(batchDestinationName("/out/", "take.WAV", BatchFormat::Wma), "/out/take.wma");
    // A two-letter extension loses its dot's neighbour, as the rule says.
    EXPECT_EQ(batchDestinationName("/out", "x.au", BatchFormat::Mp3), "/out/xmp3");
    // 10 s of 44.1 kHz 16-bit stereo: 1,764,000 bytes × 320 ÷ 1,411,200 = 400, plus 40.
    EXPECT_EQ(batchSpaceEstimate({{1764000, 2, 44100, 16}}), 440u);
    EXPECT_EQ(batchSpaceEstimate({{1764000, 2, 44100, 16}, {882000, 1, 44100, 16}, {0, 0, 0, 0}}),
              880u);
    EXPECT_FALSE(batchHasSpace("/no/such/folder", 1));
    EXPECT_TRUE(batchHasSpace("/tmp", 1));
}

}  // namespace
}  // namespace sonthra
