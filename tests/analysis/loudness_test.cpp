// Loudness measured by the meter against ffmpeg's ebur128 filter on tones at the EBU test
// levels, noise and speech-like bursts made with sox; the meter fed every sample format and in
// any block sizes; the file analysis's range, cancel, worker operation and bad input.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "analysis/loudness_analysis.h"
#include "analysis_test_support.h"
#include "effects_test_support.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

using test::runCommand;

void expectNear(const LoudnessReport& ours, const LoudnessReport& peer, const std::string& what) {
    SCOPED_TRACE(what + "\n" + loudnessReportText(ours) + "ffmpeg:\n" + loudnessReportText(peer));
    EXPECT_NEAR(ours.integratedLufs, peer.integratedLufs, 0.1);
    EXPECT_NEAR(ours.rangeLu, peer.rangeLu, 0.1);
    EXPECT_NEAR(ours.maxMomentaryLufs, peer.maxMomentaryLufs, 0.1);
    EXPECT_NEAR(ours.maxShortTermLufs, peer.maxShortTermLufs, 0.1);
    EXPECT_NEAR(ours.truePeakDbtp, peer.truePeakDbtp, 0.1);
}

void sox(const std::string& arguments) {
    std::string text;
    ASSERT_EQ(runCommand("sox -D " + arguments, &text), 0) << arguments << "\n" << text;
}

class LoudnessFiles : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string file(const std::string& name) { return folder.file(name); }
};

TEST_F(LoudnessFiles, AgreeWithFfmpegOnTonesNoiseAndSpeechLikeBursts) {
    // EBU Tech 3341 levels: a 1 kHz stereo sine at -23 dBFS reads -23 LUFS, at -33 dBFS -33,
    // and -36 / -23 / -36 dBFS in a row still integrates to -23 (the quiet parts are gated).
    sox("-n -r 48000 -b 16 -c 2 " + file("tone23.wav") + " synth 20 sine 1000 vol -23dB");
    sox("-n -r 44100 -b 16 -c 2 " + file("tone33.wav") + " synth 20 sine 1000 vol -33dB");
    sox("-n -r 48000 -b 16 -c 2 " + file("q.wav") + " synth 5 sine 1000 vol -36dB");
    sox(file("q.wav") + " " + file("tone23.wav") + " " + file("q.wav") + " " + file("steps.wav"));
    // Noise: white and pink, mono and stereo, at two rates.
    sox("-R -n -r 44100 -b 16 -c 2 " + file("pink.wav") + " synth 15 pinknoise vol 0.3");
    sox("-R -n -r 48000 -b 16 -c 2 " + file("white48.wav") + " synth 10 whitenoise vol 0.3");
    sox("-R -n -r 22050 -b 16 -c 1 " + file("white.wav") + " synth 12 whitenoise vol 0.2");
    // Speech-like: band-limited noise in syllable-rate bursts, phrases at different levels and
    // pauses between them, which gives a loudness range.
    std::string phrases;
    const char* levels[] = {"-3", "-11", "-6", "-15", "-4"};
    for (int i = 0; i < 5; ++i) {
        const std::string phrase = file("phrase" + std::to_string(i) + ".wav");
        sox("-R -n -r 44100 -b 16 -c 1 " + phrase + " synth 4 pinknoise sinc 150-4000 tremolo " +
            std::to_string(3 + i) + " 90 vol " + levels[i] + "dB pad 0 0.7");
        phrases += phrase + " ";
    }
    sox(phrases + file("speech.wav"));
    // Peaks between samples: a sine at a quarter of the rate, 45 degrees off its samples,
    // peaks 3 dB above every sample (faded in and out, as a sudden start overshoots).
    sox("-n -r 48000 -b 16 -c 1 " + file("between.wav") +
        " synth 10 sine 12000 0 12.5 vol 0.5 fade 0.5 -0 0.5");

    for (const char* name : {"tone23.wav", "tone33.wav", "steps.wav", "pink.wav", "white.wav",
                             "white48.wav", "speech.wav", "between.wav"}) {
        LoudnessReport ours{};
        ASSERT_EQ(analyzeLoudness(file(name), 0, kToEnd, ours), 0) << name;
        expectNear(ours, test::ffmpegLoudness(file(name)), name);
    }

    LoudnessReport report{};
    ASSERT_EQ(analyzeLoudness(file("tone23.wav"), 0, kToEnd, report), 0);
    EXPECT_NEAR(report.integratedLufs, -23.0, 0.1);
    EXPECT_NEAR(report.truePeakDbtp, -23.0, 0.1);
    ASSERT_EQ(analyzeLoudness(file("tone33.wav"), 0, kToEnd, report), 0);
    EXPECT_NEAR(report.integratedLufs, -33.0, 0.1);
    ASSERT_EQ(analyzeLoudness(file("steps.wav"), 0, kToEnd, report), 0);
    EXPECT_NEAR(report.integratedLufs, -23.0, 0.1);
    ASSERT_EQ(analyzeLoudness(file("speech.wav"), 0, kToEnd, report), 0);
    EXPECT_GT(report.rangeLu, 3.0);
    ASSERT_EQ(analyzeLoudness(file("between.wav"), 0, kToEnd, report), 0);
    EXPECT_NEAR(report.truePeakDbtp, 20 * std::log10(0.5), 0.1);

    // A stretch across the first step (4 s to 21 s at 48 kHz) against ffmpeg on the same
    // stretch cut out by sox.
    sox(file("steps.wav") + " " + file("middle.wav") + " trim 4 17");
    ASSERT_EQ(analyzeLoudness(file("steps.wav"), 4 * 48000, 21 * 48000, report), 0);
    expectNear(report, test::ffmpegLoudness(file("middle.wav")), "steps.wav 4 s to 21 s");
}

// The same audio in every sample format the meter takes, and cut into blocks of any size,
// gives the same report.
TEST(LoudnessMeter, SameReportForEverySampleFormatAndBlockSize) {
    constexpr std::uint32_t kRate = 44100;
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.1);
    std::vector<double> signal(kRate * 12 * 2);
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kRate;
        // Loud and quiet stretches, so that gating and the range have something to do.
        const double level = (static_cast<int>(t / 3) % 2) ? 0.05 : 0.6;
        signal[i] = std::clamp(level * (std::sin(2 * M_PI * 997 * t) + noise(random)), -0.99, 0.99);
    }
    auto encode = [&](SampleEncoding encoding) {
        std::vector<unsigned char> bytes(signal.size() * sampleBytes(encoding));
        for (std::size_t i = 0; i < signal.size(); ++i) {
            unsigned char* p = bytes.data() + i * sampleBytes(encoding);
            const double v = signal[i];
            switch (encoding) {
                case SampleEncoding::UInt8:
                    p[0] = static_cast<unsigned char>(std::lround(v * 127) + 128);
                    break;
                case SampleEncoding::Int16: {
                    const auto s = static_cast<std::int16_t>(std::lround(v * 32767));
                    std::memcpy(p, &s, 2);
                    break;
                }
                case SampleEncoding::Int24: {
                    const auto s = static_cast<std::int32_t>(std::lround(v * 8388607));
                    p[0] = s & 0xFF;
                    p[1] = (s >> 8) & 0xFF;
                    p[2] = (s >> 16) & 0xFF;
                    break;
                }
                case SampleEncoding::Int32: {
                    const auto s = static_cast<std::int32_t>(std::lround(v * 2147483647.0));
                    std::memcpy(p, &s, 4);
                    break;
                }
                case SampleEncoding::Float32: {
                    const auto s = static_cast<float>(v);
                    std::memcpy(p, &s, 4);
                    break;
                }
                case SampleEncoding::Float64:
                    std::memcpy(p, &v, 8);
                    break;
            }
        }
        return bytes;
    };

    auto measure = [&](SampleEncoding encoding, bool randomBlocks) {
        const std::vector<unsigned char> bytes = encode(encoding);
        LoudnessMeter meter;
        EXPECT_EQ(meter.start({encoding, 2, kRate}), 0);
        const std::size_t frameBytes = 2 * sampleBytes(encoding);
        const std::size_t frames = bytes.size() / frameBytes;
        std::uniform_int_distribution<std::size_t> block(1, 9000);
        for (std::size_t at = 0; at < frames;) {
            const std::size_t n = std::min(frames - at, randomBlocks ? block(random) : frames);
            EXPECT_EQ(meter.add(bytes.data() + at * frameBytes, n), 0);
            at += n;
        }
        return meter.report();
    };

    const LoudnessReport whole = measure(SampleEncoding::Float64, false);
    EXPECT_GT(whole.rangeLu, 5);
    for (SampleEncoding encoding :
         {SampleEncoding::Float64, SampleEncoding::Float32, SampleEncoding::Int32,
          SampleEncoding::Int24, SampleEncoding::Int16, SampleEncoding::UInt8}) {
        SCOPED_TRACE(static_cast<int>(encoding));
        const LoudnessReport blocks = measure(encoding, true);
        // 8 bits carries only about 48 dB, enough for loudness but not for an exact peak.
        const double tolerance = encoding == SampleEncoding::UInt8 ? 0.1 : 0.001;
        EXPECT_NEAR(blocks.integratedLufs, whole.integratedLufs, tolerance);
        EXPECT_NEAR(blocks.rangeLu, whole.rangeLu, tolerance);
        EXPECT_NEAR(blocks.maxMomentaryLufs, whole.maxMomentaryLufs, tolerance);
        EXPECT_NEAR(blocks.maxShortTermLufs, whole.maxShortTermLufs, tolerance);
        EXPECT_NEAR(blocks.truePeakDbtp, whole.truePeakDbtp, tolerance);
    }

    // Infinities and NaNs in a float file read as silence instead of poisoning the filters.
    std::vector<float> hostile(kRate * 4, 0.25f);
    hostile[100] = std::numeric_limits<float>::quiet_NaN();
    hostile[2000] = std::numeric_limits<float>::infinity();
    LoudnessMeter meter;
    ASSERT_EQ(meter.start({SampleEncoding::Float32, 1, kRate}), 0);
    ASSERT_EQ(meter.add(reinterpret_cast<const unsigned char*>(hostile.data()), hostile.size()), 0);
    EXPECT_TRUE(std::isfinite(meter.integratedLufs()));
    EXPECT_TRUE(std::isfinite(meter.maxShortTermLufs()));
    EXPECT_LT(meter.truePeakDbtp(), 0);

    EXPECT_EQ(meter.start({SampleEncoding::Int16, 0, kRate}), 105);
    EXPECT_EQ(meter.start({SampleEncoding::Int16, 2, 0}), 105);
    // Shorter than a momentary window: nothing to report but silence's minus infinity.
    ASSERT_EQ(meter.start({SampleEncoding::Float32, 1, kRate}), 0);
    std::vector<float> tone(kRate / 5);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * 1000 * i / kRate));
    ASSERT_EQ(meter.addFloats(tone.data(), tone.size()), 0);
    EXPECT_TRUE(std::isinf(meter.maxMomentaryLufs()));
    EXPECT_TRUE(std::isinf(meter.integratedLufs()));
    EXPECT_NEAR(meter.truePeakDbtp(), 20 * std::log10(0.5), 0.05);
}

TEST_F(LoudnessFiles, CancelWorkerOperationAndBadFiles) {
    sox("-n -r 44100 -b 16 -c 2 " + file("noise.wav") + " synth 30 pinknoise vol 0.3");
    LoudnessReport report{};
    int calls = 0;
    EXPECT_EQ(
        analyzeLoudness(file("noise.wav"), 0, kToEnd, report, [&](int) { return ++calls < 3; }),
        kCancelled);
    EXPECT_EQ(calls, 3);

    auto shared = std::make_shared<LoudnessReport>();
    auto operation = startLoudnessAnalysis(file("noise.wav"), 44100, 20 * 44100, shared);
    while (operation->active()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(operation->result(), 0);
    ASSERT_EQ(analyzeLoudness(file("noise.wav"), 44100, 20 * 44100, report), 0);
    EXPECT_EQ(loudnessReportText(*shared), loudnessReportText(report));
    EXPECT_EQ(operation->progress(), 100);

    // The product's messages: missing, not a WAV file, not PCM, a size it does not read.
    EXPECT_EQ(analyzeLoudness(file("none.wav"), 0, kToEnd, report), 103);
    ASSERT_EQ(runCommand("echo not audio > " + file("text.wav")), 0);
    EXPECT_EQ(analyzeLoudness(file("text.wav"), 0, kToEnd, report), 108);
    sox("-n -r 44100 -e floating-point -b 32 -c 1 " + file("float.wav") + " synth 1 sine 440");
    EXPECT_EQ(analyzeLoudness(file("float.wav"), 0, kToEnd, report), 110);
    sox("-n -r 44100 -b 24 -c 1 " + file("24.wav") + " synth 1 sine 440");
    EXPECT_EQ(analyzeLoudness(file("24.wav"), 0, kToEnd, report), 105);
    EXPECT_NE(MessageText(105), nullptr);
}

}  // namespace
}  // namespace sonthra
