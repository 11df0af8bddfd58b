// The spectrogram puts a tone's and a sweep's energy in the right rows on both scales, where
// the ruler says those frequencies are; the colour maps read on both skins; the cache computes
// again only what an edit reaches, and workers sharing a level compute each column once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "analysis/spectrogram_model.h"
#include "analysis/spectrogram_picture.h"
#include "analysis_test_support.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kRate = 44100;

// A mono sine of amplitude 0.5 whose frequency goes from f0 to f1 exponentially in seconds
// (f0 == f1: a steady tone).
std::vector<std::int16_t> sweep(double f0, double f1, double seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate));
    const double k = std::log(f1 / f0) / seconds;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double phase = k == 0 ? f0 * t : f0 * (std::exp(k * t) - 1) / k;
        samples[i] = static_cast<std::int16_t>(std::lround(16384 * std::sin(2 * M_PI * phase)));
    }
    return samples;
}

std::vector<std::uint8_t> columnOf(SpectrogramLevel& level, std::uint64_t column) {
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(level.rows()));
    EXPECT_TRUE(level.readColumn(column, levels.data())) << column;
    return levels;
}

int loudestRow(const std::vector<std::uint8_t>& column) {
    return static_cast<int>(std::max_element(column.begin(), column.end()) - column.begin());
}

TEST(Spectrogram, ToneAndSweepEnergyInTheRightRowsOnBothScales) {
    for (FrequencyScale scale : {FrequencyScale::Linear, FrequencyScale::Logarithmic}) {
        for (int window : {256, 1024, 8192}) {
            SCOPED_TRACE(::testing::Message()
                         << "scale " << static_cast<int>(scale) << " window " << window);
            const SpectrogramSettings settings{window, scale, 300};
            const FrequencyAxis axis(settings, kRate);
            const double binHz = static_cast<double>(kRate) / window;

            test::MemorySource tone(sweep(1000, 1000, 2), 1, kRate);
            SpectrogramLevel toneLevel({1024, 1, settings}, tone.frames(), kRate);
            ASSERT_EQ(toneLevel.compute(0, toneLevel.columns(), tone), 0);
            const auto column = columnOf(toneLevel, toneLevel.columns() / 2);
            const int row = loudestRow(column);
            const double rowHz = axis.frequencyOfY(row) - axis.frequencyOfY(row + 1);
            EXPECT_LE(std::abs(axis.frequencyOfY(row + 0.5) - 1000), binHz + rowHz / 2) << row;
            // A sine of half full scale is 6 dB down; far from it the picture is dark.
            EXPECT_NEAR(column[row], (-6.02 - kSpectrogramFloorDb) / -kSpectrogramFloorDb * 255, 3);
            EXPECT_LT(column[axis.rowOfFrequency(8000)], column[row] - 100);
            // The ruler's 1k tick lies on the tone's row.
            const auto ticks = frequencyTicks(axis, 12);
            const auto k1 = std::find_if(ticks.begin(), ticks.end(),
                                         [](const FrequencyTick& t) { return t.label == "1k"; });
            ASSERT_NE(k1, ticks.end());
            const double binRows = axis.yOfFrequency(1000) - axis.yOfFrequency(1000 + binHz);
            EXPECT_LE(std::abs(k1->y - (row + 0.5)), 1 + binRows);
            for (std::size_t i = 1; i < ticks.size(); ++i)
                EXPECT_GE(ticks[i - 1].y - ticks[i].y, 12 - 1e-9);

            // An exponential sweep, 200 Hz to 15 kHz in 4 s: each column's loudest row is the
            // frequency at its middle.
            test::MemorySource rising(sweep(200, 15000, 4), 1, kRate);
            constexpr std::uint64_t kZoom = 4410;
            SpectrogramLevel level({kZoom, 1, settings}, rising.frames(), kRate);
            ASSERT_EQ(level.compute(0, level.columns(), rising), 0);
            for (std::uint64_t c = 2; c + 2 < level.columns(); c += 3) {
                // Wide windows see the sweep move; a column covers its middle's frequency.
                const double t = (c + 0.5) * kZoom / kRate;
                const double hz = 200 * std::pow(15000.0 / 200, t / 4);
                const double slope = hz * std::log(15000.0 / 200) / 4;
                const double spread = binHz + slope * std::max<double>(window, kZoom) / kRate / 2;
                const int found = loudestRow(columnOf(level, c));
                EXPECT_LE(std::abs(axis.frequencyOfY(found + 0.5) - hz),
                          spread + (axis.frequencyOfY(found) - axis.frequencyOfY(found + 1)))
                    << "column " << c << " at " << hz << " Hz, row " << found;
            }
        }
    }
}

TEST(Spectrogram, ColourMapsFadeIntoTheirSkinsAndRiseSteadily) {
    auto luminance = [](Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    EXPECT_EQ(spectrogramColor(SpectrogramPalette::Dark, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(spectrogramColor(SpectrogramPalette::Light, 0), (Rgb{255, 255, 255}));
    for (int level = 1; level < 256; ++level) {
        const auto l = static_cast<std::uint8_t>(level);
        const auto before = static_cast<std::uint8_t>(level - 1);
        EXPECT_GT(luminance(spectrogramColor(SpectrogramPalette::Dark, l)),
                  luminance(spectrogramColor(SpectrogramPalette::Dark, before)))
            << level;
        EXPECT_LT(luminance(spectrogramColor(SpectrogramPalette::Light, l)),
                  luminance(spectrogramColor(SpectrogramPalette::Light, before)))
            << level;
    }
}

TEST(SpectrogramModel, AnEditRecomputesOnlyTheColumnsItReaches) {
    const SpectrogramSettings settings{1024, FrequencyScale::Linear, 128};
    test::MemorySource source(std::vector<std::int16_t>(kRate * 10, 0), 1, kRate);
    for (std::size_t i = 0; i < source.samples().size(); ++i)
        source.samples()[i] = static_cast<std::int16_t>(8000 * std::sin(i * 0.05));
    SpectrogramModel model(source.frames(), kRate);
    const SpectrogramKey key{512, 1, settings};
    auto level = model.level(key);
    std::uint64_t computed = 0;
    ASSERT_EQ(level->compute(0, level->columns(), source, nullptr, &computed), 0);
    EXPECT_EQ(computed, level->columns());
    std::vector<std::vector<std::uint8_t>> before;
    for (std::uint64_t c = 0; c < level->columns(); ++c) before.push_back(columnOf(*level, c));

    // A click-like burst into 4.0 s .. 4.1 s, the length unchanged.
    const std::uint64_t from = 4 * kRate, to = from + kRate / 10;
    for (std::uint64_t i = from; i < to; ++i)
        source.samples()[i] = static_cast<std::int16_t>(static_cast<int>(i % 7) * 4000 - 12000);
    model.invalidateRange(from, to);
    const auto [first, end] = level->columnsReaching(from, to);
    EXPECT_LE(end - first, (to - from) / 512 + 2 * 1024 / 512 + 4);
    for (std::uint64_t c = 0; c < level->columns(); ++c)
        EXPECT_EQ(level->columnReady(c), c < first || c >= end) << c;
    ASSERT_EQ(level->compute(0, level->columns(), source, nullptr, &computed), 0);
    EXPECT_EQ(computed, end - first);
    for (std::uint64_t c = 0; c < level->columns(); ++c) {
        const bool changed = columnOf(*level, c) != before[c];
        // Columns whose windows lie inside the burst change; none outside the reach does.
        if (level->columnStart(c) >= from + 512 && level->columnStart(c + 1) + 512 <= to) {
            EXPECT_TRUE(changed) << c;
        }
        if (c < first || c >= end) {
            EXPECT_FALSE(changed) << c;
        }
    }

    // A cut of the last 6 s: the columns before the cut stay ready, the level is shorter.
    source.samples().resize(4 * kRate);
    model.replaceFrom(4 * kRate, source.frames());
    auto shorter = model.level(key);
    EXPECT_NE(shorter, level);
    EXPECT_EQ(shorter->columns(), (4 * kRate + 511) / 512);
    const std::uint64_t kept = shorter->columnsReaching(4 * kRate, 4 * kRate).first;
    for (std::uint64_t c = 0; c < shorter->columns(); ++c)
        EXPECT_EQ(shorter->columnReady(c), c < kept) << c;
    ASSERT_EQ(shorter->compute(0, shorter->columns(), source, nullptr, &computed), 0);
    EXPECT_EQ(computed, shorter->columns() - kept);
    EXPECT_EQ(level->compute(0, level->columns(), source), kCancelled);
}

TEST(SpectrogramModel, WorkersSharingALevelComputeEachColumnOnce) {
    const SpectrogramSettings settings{512, FrequencyScale::Logarithmic, 64};
    test::MemorySource source(sweep(100, 10000, 3), 1, kRate);
    SpectrogramLevel single({64, 1, settings}, source.frames(), kRate);
    ASSERT_EQ(single.compute(0, single.columns(), source), 0);

    SpectrogramLevel shared({64, 1, settings}, source.frames(), kRate);
    std::vector<std::uint64_t> counts(4);
    std::vector<std::thread> workers;
    std::atomic<bool> stop{false};
    // A reader that keeps copying columns while they are written.
    std::thread reader([&] {
        std::vector<std::uint8_t> levels(64);
        while (!stop.load())
            for (std::uint64_t c = 0; c < shared.columns(); c += 97)
                shared.readColumn(c, levels.data());
    });
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            test::MemorySource own(source.samples(), 1, kRate);
            EXPECT_EQ(shared.compute(0, shared.columns(), own, nullptr, &counts[w]), 0);
        });
    }
    for (auto& worker : workers) worker.join();
    stop.store(true);
    reader.join();
    std::uint64_t total = 0;
    for (auto count : counts) total += count;
    EXPECT_EQ(total, shared.columns());
    for (std::uint64_t c = 0; c < shared.columns(); ++c)
        ASSERT_EQ(columnOf(shared, c), columnOf(single, c)) << c;

    // The same through computeColumns, in a picture of a width the frames do not divide.
    SpectrogramPicture picture;
    const FrameSourceOpener open = [&](std::unique_ptr<FrameSource>& out) {
        out = std::make_unique<test::MemorySource>(source.samples(), 1, kRate);
        return 0;
    };
    ASSERT_EQ(drawSpectrogram(open, 333, settings, 3, picture), 0);
    EXPECT_EQ(picture.width, 333);
    EXPECT_EQ(picture.height, 64);
    EXPECT_EQ(drawSpectrogram(open, 0, settings, 3, picture), 105);
    EXPECT_EQ(drawSpectrogram(open, 10, {1000, FrequencyScale::Linear, 64}, 3, picture), 105);
}

}  // namespace
}  // namespace sonthra
