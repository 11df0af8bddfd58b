#include "codec/pcm_formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace sonthra {
namespace {

std::vector<PcmFormat> everyFormat() {
    std::vector<PcmFormat> formats;
    for (bool extensible : {false, true}) {
        for (std::uint16_t channels : {1, 2}) {
            for (std::uint16_t bits : {8, 16, 24, 32}) {
                formats.push_back({44100, channels, bits, false, extensible});
            }
            formats.push_back({192000, channels, 32, true, extensible});
            formats.push_back({8000, channels, 64, true, extensible});
        }
    }
    return formats;
}

TEST(PcmFormats, FmtChunksReadBackAsWrittenAndBrokenOnesAreRefused) {
    for (const PcmFormat& f : everyFormat()) {
        SCOPED_TRACE(sampleFormatName(f));
        const std::string chunk = makeFmtChunk(f);
        EXPECT_EQ(chunk.size(), f.extensible ? 40u : (f.isFloat ? 18u : 16u));
        PcmFormat back;
        ASSERT_TRUE(parseFmtChunk(reinterpret_cast<const unsigned char*>(chunk.data()),
                                  chunk.size(), &back));
        EXPECT_EQ(back, f);

        auto broken = [&](std::size_t at, unsigned char value, std::size_t size) {
            std::string bad = chunk;
            if (at < bad.size()) bad[at] = static_cast<char>(value);
            PcmFormat out;
            return !parseFmtChunk(reinterpret_cast<const unsigned char*>(bad.data()),
                                  std::min(size, bad.size()), &out);
        };
        EXPECT_TRUE(broken(12, 7, 40));   // block align that does not match
        EXPECT_TRUE(broken(14, 12, 40));  // a 12-bit container
        EXPECT_TRUE(broken(0, 0, 15));    // cut short
        if (f.extensible) {
            EXPECT_TRUE(broken(30, 0x11, 40));  // a sub-format GUID of another family
            EXPECT_TRUE(broken(18, 65, 40));    // more valid bits than the container
            EXPECT_TRUE(broken(0, 0, 39));
        } else {
            EXPECT_TRUE(broken(0, 2, 40));  // ADPCM
        }
    }
}

TEST(PcmFormats, IntegerSamplesGoThroughFloatBitForBit) {
    std::mt19937 random(7);
    for (std::uint16_t bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        const PcmFormat f{48000, 2, bits, false, false};
        std::vector<unsigned char> in(3000 * f.bytesPerSample());
        for (auto& b : in) b = static_cast<unsigned char>(random());
        // The extremes of the range too.
        std::memset(in.data(), 0xFF, f.bytesPerSample());
        std::vector<float> samples(3000);
        pcmToFloat(in.data(), f, samples.size(), samples.data());
        std::vector<unsigned char> out(in.size());
        Dither dither;
        floatToPcm(samples.data(), samples.size(), f, out.data(), &dither);
        EXPECT_EQ(in, out);
    }
}

TEST(PcmFormats, ReducingTheWordLengthDithersAndClips) {
    const PcmFormat f16{44100, 1, 16, false, false};
    // A level 0.3 of a step between two 16-bit values: dither spreads it over both, on average
    // at 0.3; plain rounding would give 0 every time.
    std::vector<float> in(20000, 0.3f / 32768);
    std::vector<unsigned char> out(in.size() * 2);
    Dither dither;
    floatToPcm(in.data(), in.size(), f16, out.data(), &dither);
    double sum = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto v = static_cast<std::int16_t>(out[2 * i] | (out[2 * i + 1] << 8));
        EXPECT_LE(std::abs(v), 2);
        sum += v;
    }
    EXPECT_NEAR(sum / static_cast<double>(in.size()), 0.3, 0.05);

    const float extremes[] = {1.5f, -1.5f, NAN, 1.0f};
    const PcmFormat f24{44100, 1, 24, false, false};
    unsigned char b24[12];
    floatToPcm(extremes, 4, f24, b24, nullptr);
    EXPECT_EQ(0, std::memcmp(b24, "\xFF\xFF\x7F\x00\x00\x80\x00\x00\x00\xFF\xFF\x7F", 12));
    const PcmFormat f32{44100, 1, 32, false, false};
    unsigned char b32[16];
    floatToPcm(extremes, 4, f32, b32, nullptr);
    EXPECT_EQ(0, std::memcmp(b32 + 8, "\x00\x00\x00\x00\xFF\xFF\xFF\x7F", 8));
}

}  // namespace
}  // namespace sonthra
