// The converter's sample work without files: lengths, streaming in blocks of any size, and the
// rounding and dither of the quantizer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "convert/format_samples.h"
#include "format_convert/convert_test_support.h"

namespace sonthra::testing {
namespace {

TEST(FormatSamples, ConvertedLengthIsTheExactRatioRounded) {
    EXPECT_EQ(convertedFrames(44100, 44100, 48000), 48000u);
    EXPECT_EQ(convertedFrames(3, 44100, 22050), 2u);  // 1.5 rounds up
    EXPECT_EQ(convertedFrames(1, 48000, 11025), 0u);
    EXPECT_EQ(convertedFrames(0, 44100, 48000), 0u);
    // No overflow at the largest frame counts and rates.
    EXPECT_EQ(convertedFrames(0xFFFFFFFFull, 1000, 384000), 0xFFFFFFFFull * 384);
}

// Converts the bytes in blocks of the given sizes, cycling through them.
std::vector<unsigned char> convertInBlocks(const std::string& bytes, const WaveFormat& from,
                                           const WaveFormat& to, std::vector<std::size_t> sizes) {
    FormatPipeline pipeline;
    const std::size_t frames = bytes.size() / from.blockAlign;
    EXPECT_TRUE(pipeline.open(from, to, frames));
    std::vector<unsigned char> out;
    std::size_t done = 0;
    for (std::size_t i = 0; done < frames; ++i) {
        const std::size_t n = std::min(sizes[i % sizes.size()], frames - done);
        EXPECT_TRUE(pipeline.push(
            reinterpret_cast<const unsigned char*>(bytes.data()) + done * from.blockAlign, n, out));
        done += n;
    }
    EXPECT_TRUE(pipeline.finish(out));
    EXPECT_EQ(out.size(), pipeline.expectedFrames() * to.blockAlign);
    return out;
}

TEST(FormatSamples, BlockSizesDoNotChangeTheResult) {
    const std::string tone = sine16(44100, 20011, {1000, 3000}, {.5, .4});
    const WaveFormat from = makePcmFormat(44100, 16, 2);
    for (const WaveFormat& to :
         {makePcmFormat(48000, 16, 2), makePcmFormat(11025, 16, 1), makePcmFormat(22050, 16, 2)}) {
        SCOPED_TRACE(to.sampleRate);
        const auto whole = convertInBlocks(tone, from, to, {1 << 20});
        EXPECT_EQ(convertInBlocks(tone, from, to, {1, 7, 4096, 333}), whole);
        EXPECT_EQ(whole.size() / to.blockAlign, convertedFrames(20011, 44100, to.sampleRate));
    }
}

TEST(FormatSamples, AHighRatioComesOutWholeThroughABoundedBuffer) {
    // 48 and 384 times the frames: the resampler is emptied piece by piece.
    const std::string tone = sine16(8000, 3001, {440}, {.5});
    const WaveFormat from = makePcmFormat(8000, 16, 1);
    for (const WaveFormat& to : {makePcmFormat(384000, 16, 2), makePcmFormat(384000, 8, 1)}) {
        SCOPED_TRACE(to.bitsPerSample);
        const auto whole = convertInBlocks(tone, from, to, {1 << 20});
        EXPECT_EQ(convertInBlocks(tone, from, to, {5, 4096, 1}), whole);
        ASSERT_EQ(whole.size() / to.blockAlign, convertedFrames(3001, 8000, 384000));
        // The middle carries the tone, not silence made up at the end.
        const std::size_t middle = whole.size() / 2 / to.blockAlign * to.blockAlign;
        int loudest = 0;
        for (std::size_t at = middle; at < middle + 384000 / 440 * to.blockAlign;
             at += to.blockAlign) {
            const int v = to.bitsPerSample == 8
                              ? (whole[at] - 128) * 256
                              : static_cast<std::int16_t>(whole[at] | whole[at + 1] << 8);
            loudest = std::max(loudest, std::abs(v));
        }
        EXPECT_NEAR(loudest, 16384, 700);
    }
}

TEST(FormatSamples, QuantizerRoundsClipsAndDithersWithoutBias) {
    const std::vector<float> in = {0.0f, 0.5f / 32768, 1.4f / 32768, -1.6f / 32768,
                                   1.0f, 5.0f,         -1.0f,        -7.0f};
    std::vector<unsigned char> out(in.size() * 2);
    PcmQuantizer(16, false).encode(in.data(), in.size(), out.data());
    std::vector<int> values;
    for (std::size_t i = 0; i < in.size(); ++i) {
        values.push_back(static_cast<std::int16_t>(out[2 * i] | out[2 * i + 1] << 8));
    }
    EXPECT_EQ(values, (std::vector<int>{0, 0, 1, -2, 32767, 32767, -32768, -32768}));

    std::vector<unsigned char> eight(in.size());
    PcmQuantizer(8, false).encode(in.data(), in.size(), eight.data());
    EXPECT_EQ(eight, (std::vector<unsigned char>{128, 128, 128, 128, 255, 255, 0, 0}));

    // A constant a third of a step above zero: dithered, the mean keeps the third and the
    // noise stays within one step either side; undithered, it would vanish.
    const std::vector<float> third(100000, 1.0f / 3 / 128);
    std::vector<unsigned char> dithered(third.size());
    PcmQuantizer(8, true).encode(third.data(), third.size(), dithered.data());
    double sum = 0;
    for (unsigned char v : dithered) {
        ASSERT_GE(v, 127);
        ASSERT_LE(v, 130);
        sum += v - 128;
    }
    EXPECT_NEAR(sum / third.size(), 1.0 / 3, 0.01);
}

TEST(FormatSamples, EightBitsAreDitheredOnlyWhenTheValuesAreNotWholeSteps) {
    // 8-bit mono at the same rate is copied exactly; the same samples made stereo too.
    std::string eight;
    for (int i = 0; i < 5000; ++i) eight.push_back(static_cast<char>((i * 7) % 256));
    const WaveFormat mono8 = makePcmFormat(8000, 8, 1);
    const auto same = convertInBlocks(eight, mono8, mono8, {999});
    EXPECT_EQ(std::string(same.begin(), same.end()), eight);
    const auto stereo = convertInBlocks(eight, mono8, makePcmFormat(8000, 8, 2), {999});
    for (std::size_t i = 0; i < eight.size(); ++i) {
        ASSERT_EQ(stereo[2 * i], static_cast<unsigned char>(eight[i]));
        ASSERT_EQ(stereo[2 * i + 1], static_cast<unsigned char>(eight[i]));
    }
    // Silence in 16 bits becomes 8-bit dither noise of at most one step.
    const std::string quiet(20000, '\0');
    const auto noise = convertInBlocks(quiet, makePcmFormat(8000, 16, 1), mono8, {4096});
    int moved = 0;
    for (unsigned char v : noise) {
        ASSERT_GE(v, 127);
        ASSERT_LE(v, 129);
        moved += v != 128;
    }
    EXPECT_GT(moved, 1000);
}

}  // namespace
}  // namespace sonthra::testing
