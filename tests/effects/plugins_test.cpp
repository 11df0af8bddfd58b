// The shipped plug-ins, run through the host and the processing as the program runs them, and
// judged by sox and ffmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>

#include "shipped_effects.h"

namespace sonthra {
namespace {

TEST_F(ShippedEffects, AllElevenAreFoundWithTheirSettingsEntry) {
    for (const char* name : {"Amplify", "Normalize", "Reverse", "FadeIn", "FadeOut", "Echo",
                             "Chorus", "Flange", "EQualize", "Mix", "Scrubline"}) {
        const EffectPlugin* p = plugins->findByName(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_NE(p->SetEffectSettingsText, nullptr) << name;
    }
}

TEST_F(ShippedEffects, ReverseEqualsSoxReverseSampleForSample) {
    const auto in = make("in.wav", "-c 2 synth 2.7 whitenoise vol 0.5");
    ASSERT_EQ(apply("reverse", in, folder.file("ours.wav")), 0);
    ASSERT_EQ(runCommand("sox -D " + in + " " + folder.file("sox.wav") + " reverse"), 0);
    const auto ours = test::waveData(folder.file("ours.wav"));
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(ours, test::waveData(folder.file("sox.wav")));
}

TEST_F(ShippedEffects, AmplifyMatchesSoxVolWithTheSameClipping) {
    const auto in = make("in.wav", "-c 2 synth 1.5 sine 440 sine 330 vol 0.7");
    ASSERT_EQ(apply("AMPLIFY", in, folder.file("ours.wav"), {"gain-db=6.0206"}), 0);
    runCommand("sox -D " + in + " " + folder.file("sox.wav") + " vol 2");
    const auto ours = test::waveSamples16(folder.file("ours.wav"));
    const auto sox = test::waveSamples16(folder.file("sox.wav"));
    ASSERT_EQ(ours.size(), sox.size());
    int clipped = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        ASSERT_LE(std::abs(ours[i] - sox[i]), 1) << i;
        clipped += ours[i] == 32767 || ours[i] == -32768;
    }
    EXPECT_GT(clipped, 1000);  // the peaks clip, never wrap
    // 8-bit files go through the same way.
    const auto in8 = folder.file("in8.wav");
    runCommand("sox -D -n -r 8000 -b 8 -c 1 " + in8 + " synth 0.5 sine 300 vol 0.4");
    ASSERT_EQ(apply("Amplify", in8, folder.file("ours8.wav"), {"gain-db=-6.0206"}), 0);
    EXPECT_NEAR(soxStat(folder.file("ours8.wav"), "Maximum amplitude"), 0.2, 0.01);
}

TEST_F(ShippedEffects, NormalizePeakAndLoudness) {
    const auto in = make("in.wav", "-c 2 synth 4 pinknoise vol 0.1");
    ASSERT_EQ(apply("Normalize", in, folder.file("peak.wav"), {"peak-db=-1"}), 0);
    const double peak = std::max(std::fabs(soxStat(folder.file("peak.wav"), "Maximum amplitude")),
                                 std::fabs(soxStat(folder.file("peak.wav"), "Minimum amplitude")));
    EXPECT_NEAR(20 * std::log10(peak), -1.0, 0.01);

    ASSERT_EQ(apply("Normalize", in, folder.file("loud.wav"), {"lufs=-16"}), 0);
    std::string text;
    runCommand("ffmpeg -nostats -hide_banner -i " + folder.file("loud.wav") +
                   " -af ebur128=peak=true -f null -",
               &text);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS\s+Threshold)")))
        << text;
    // The last "I:" is the summary.
    std::string::const_iterator from = text.begin();
    double integrated = NAN;
    while (std::regex_search(from, text.cend(), m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)"))) {
        integrated = std::stod(m[1]);
        from = m.suffix().first;
    }
    EXPECT_NEAR(integrated, -16.0, 0.5);
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(True peak:\s+Peak:\s+(-?[0-9.]+))")));
    EXPECT_LE(std::stod(m[1]), -0.8);  // the ceiling, within the meters' difference
}

TEST_F(ShippedEffects, EchoOnASelectionKeepsTheRestShiftedByTheTail) {
    const auto in = make("in.wav", "-c 2 synth 3 sine 500 vol 0.3");
    // One second selected, a tail of half a second.
    ASSERT_EQ(apply("echo", in, folder.file("out.wav"),
                    {"delay-ms=100", "decay=0.5", "tail-ms=500"}, 44100, 88200),
              0);
    const auto src = test::waveSamples16(in);
    const auto out = test::waveSamples16(folder.file("out.wav"));
    ASSERT_EQ(out.size(), src.size() + 22050 * 2);
    EXPECT_TRUE(std::equal(src.begin(), src.begin() + 44100 * 2, out.begin()));
    EXPECT_TRUE(std::equal(src.begin() + 88200 * 2, src.end(), out.begin() + (88200 + 22050) * 2));
    // The echo is there: the tail is not silent and starts with the decayed repeats.
    EXPECT_GT(rms(out, 88200 * 2, (88200 + 4410) * 2), 500);
    // Automatic tail: until the repeats fall 60 dB (decay 0.5: ten repeats of 100 ms).
    ASSERT_EQ(apply("echo", in, folder.file("auto.wav"), {"tail-ms=0"}, 0, 44100), 0);
    EXPECT_EQ(test::waveSamples16(folder.file("auto.wav")).size(), src.size() + 44100 * 2);
}

TEST_F(ShippedEffects, FadesStartOrEndInSilenceWithTheirShape) {
    const auto in = make("in.wav", "-c 1 synth 1 square 200 vol 0.5");
    const auto src = test::waveSamples16(in);
    ASSERT_EQ(apply("FadeIn", in, folder.file("lin.wav"), {"shape=linear"}), 0);
    ASSERT_EQ(apply("FadeIn", in, folder.file("log.wav"), {"shape=log"}), 0);
    ASSERT_EQ(apply("FadeOut", in, folder.file("out.wav")), 0);
    const auto lin = test::waveSamples16(folder.file("lin.wav"));
    const auto log = test::waveSamples16(folder.file("log.wav"));
    const auto out = test::waveSamples16(folder.file("out.wav"));
    EXPECT_EQ(lin.front(), 0);
    EXPECT_EQ(lin.back(), src.back());
    EXPECT_EQ(out.front(), src.front());
    EXPECT_EQ(out.back(), 0);
    const std::size_t half = src.size() / 2;
    EXPECT_NEAR(rms(lin, half - 500, half + 500) / rms(src, half - 500, half + 500), 0.5, 0.02);
    // Even in decibels: half way is 30 dB down.
    EXPECT_NEAR(20 * std::log10(rms(log, half - 50, half + 50) / rms(src, half - 50, half + 50)),
                -30, 1.0);
    EXPECT_EQ(apply("FadeIn", in, folder.file("x.wav"), {"shape=cubic"}), kEffectSettingRefused);
}

TEST_F(ShippedEffects, EqualizeLiftsItsBandAndLeavesOthers) {
    const auto low = make("low.wav", "-c 1 synth 2 sine 62.5 vol 0.1");
    const auto mid = make("mid.wav", "-c 1 synth 2 sine 1000 vol 0.1");
    for (const auto& path : {low, mid}) {
        ASSERT_EQ(apply("EQualize", path, path + ".eq.wav", {"band-1k=12"}), 0);
    }
    auto gainDb = [&](const std::string& path) {
        const auto a = test::waveSamples16(path);
        const auto b = test::waveSamples16(path + ".eq.wav");
        return 20 * std::log10(rms(b, 44100, 88200) / rms(a, 44100, 88200));
    };
    EXPECT_NEAR(gainDb(mid), 12, 0.3);
    EXPECT_NEAR(gainDb(low), 0, 0.3);
}

TEST_F(ShippedEffects, ChorusAndFlangeChangeTheSoundNotItsLengthOrLevel) {
    const auto in = make("in.wav", "-c 2 synth 2 sawtooth 220 vol 0.3");
    const auto src = test::waveSamples16(in);
    for (const char* name : {"Chorus", "Flange"}) {
        ASSERT_EQ(apply(name, in, folder.file("out.wav")), 0) << name;
        const auto out = test::waveSamples16(folder.file("out.wav"));
        ASSERT_EQ(out.size(), src.size()) << name;
        EXPECT_NE(out, src) << name;
        const double ratio = rms(out, 0, out.size()) / rms(src, 0, src.size());
        EXPECT_GT(ratio, 0.4) << name;
        EXPECT_LT(ratio, 1.6) << name;
    }
}

TEST_F(ShippedEffects, MixAddsTheFileOrRefusesAnotherFormat) {
    const auto in = make("in.wav", "-c 1 synth 1 sine 300 vol 0.2");
    const auto other = make("other.wav", "-c 1 synth 0.5 sine 700 vol 0.2");
    const auto stereo = make("stereo.wav", "-c 2 synth 0.5 sine 700 vol 0.2");
    ASSERT_EQ(apply("Mix", in, folder.file("out.wav"), {"file=" + other}, 4410, 40000), 0);
    const auto a = test::waveSamples16(in);
    const auto b = test::waveSamples16(other);
    const auto out = test::waveSamples16(folder.file("out.wav"));
    ASSERT_EQ(out.size(), a.size());
    for (std::size_t i : {0u, 4409u, 4410u, 20000u, 39999u, 40000u, 44099u}) {
        const int expected = a[i] + (i >= 4410 && i - 4410 < b.size() ? b[i - 4410] : 0);
        EXPECT_NEAR(out[i], expected, 1) << i;
    }
    EXPECT_EQ(apply("Mix", in, folder.file("x.wav"), {"file=" + stereo}), 419);
    EXPECT_EQ(apply("Mix", in, folder.file("x.wav"), {"file=" + folder.file("none.wav")}), 388);
}

TEST_F(ShippedEffects, ScrublineLowersTheNoiseAndKeepsTheTone) {
    // One second of noise alone, then noise under a tone.
    make("noise.wav", "-c 1 synth 3 whitenoise vol 0.02");
    make("tone.wav", "-c 1 synth 2 sine 440 vol 0.3 pad 1");
    const auto in = folder.file("in.wav");
    ASSERT_EQ(runCommand("sox -D -m " + folder.file("noise.wav") + " " + folder.file("tone.wav") +
                         " " + in),
              0);
    for (const std::vector<std::string>& settings :
         {std::vector<std::string>{"noise-from-ms=0", "noise-to-ms=900"},
          std::vector<std::string>{"noise-to-ms=0"}}) {
        ASSERT_EQ(apply("Scrubline", in, folder.file("out.wav"), settings), 0);
        const auto a = test::waveSamples16(in);
        const auto b = test::waveSamples16(folder.file("out.wav"));
        ASSERT_EQ(a.size(), b.size());
        EXPECT_LT(20 * std::log10(rms(b, 4410, 39690) / rms(a, 4410, 39690)), -9);
        EXPECT_NEAR(20 * std::log10(rms(b, 66150, 110250) / rms(a, 66150, 110250)), 0, 1);
    }
}

TEST_F(ShippedEffects, UnknownNamesAndSettingsAreRefused) {
    const auto in = make("in.wav", "-c 1 synth 0.1 sine 300");
    EXPECT_EQ(apply("Wah", in, folder.file("x.wav")), kEffectUnknownName);
    EXPECT_EQ(apply("Amplify", in, folder.file("x.wav"), {"gain-db=100"}), kEffectSettingRefused);
    EXPECT_EQ(apply("Amplify", folder.file("none.wav"), folder.file("x.wav")), 103);
}

}  // namespace
}  // namespace sonthra
