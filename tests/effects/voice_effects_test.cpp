// The voice tools (high-pass, gate, compressor, de-esser, limiter), Normalize's limiter and the
// result texts, judged by sox and ffmpeg against what each effect promises.
#include <cstdio>

#include "shipped_effects.h"

namespace sonthra {
namespace {

std::string said(const EffectPluginList& plugins, const std::string& effect) {
    return EffectResultText(*plugins.findByName(effect));
}

TEST_F(ShippedEffects, VoiceToolsAreFoundWithTheirSettingsAndResultEntries) {
    for (const char* name : {"High-Pass Filter", "Noise Gate", "Compressor", "De-Esser", "Limiter",
                             "Normalize", "Amplify"}) {
        const EffectPlugin* p = plugins->findByName(name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_NE(p->SetEffectSettingsText, nullptr) << name;
        EXPECT_NE(p->GetEffectResultText, nullptr) << name;
    }
}

TEST_F(ShippedEffects, HighPassIsDown3DbAtTheCutoffAndItsSlopeAnOctaveBelow) {
    // Tones at the cutoff, an octave below and well above; the level after the filter settles.
    struct Case {
        const char* slope;
        double octaveBelowDb;  // Butterworth: 10 log10(1 + 2^(2n))
    };
    for (const Case& c : {Case{"12", -12.30}, Case{"24", -24.10}}) {
        for (const auto& [hz, expected] : std::vector<std::pair<int, double>>{
                 {120, -3.01}, {60, c.octaveBelowDb}, {1000, 0.0}}) {
            const auto in = make("t.wav", "-c 2 synth 2 sine " + std::to_string(hz) + " vol 0.5");
            ASSERT_EQ(apply("High-Pass Filter", in, folder.file("hp.wav"),
                            {"cutoff-hz=120", std::string("slope-db=") + c.slope}),
                      0);
            const double gain = rmsDb(folder.file("hp.wav"), 1, 1) - rmsDb(in, 1, 1);
            EXPECT_NEAR(gain, expected, 0.25) << c.slope << " dB/octave at " << hz << " Hz";
        }
    }
    EXPECT_EQ(
        apply("High-Pass Filter", folder.file("t.wav"), folder.file("x.wav"), {"cutoff-hz=10"}),
        kEffectSettingRefused);
    EXPECT_EQ(
        apply("High-Pass Filter", folder.file("t.wav"), folder.file("x.wav"), {"slope-db=18"}),
        kEffectSettingRefused);
}

TEST_F(ShippedEffects, GateLeavesSpeechAndHoldsTheRoomAtItsFloor) {
    // Room tone at -40 dBFS, a second of "speech" at -10 dBFS, room tone again.
    make("room.wav", "-c 1 synth 3 sine 200 vol 0.01");
    make("voice.wav", "-c 1 synth 1 sine 500 vol 0.3162 pad 1 1");
    const auto in = folder.file("in.wav");
    ASSERT_EQ(runCommand("sox -D -m " + folder.file("room.wav") + " " + folder.file("voice.wav") +
                         " " + in),
              0);
    ASSERT_EQ(
        apply("Noise Gate", in, folder.file("g.wav"),
              {"threshold-db=-30", "floor-db=-20", "hold-ms=100", "release-ms=50", "attack-ms=1"}),
        0);
    const std::string out = folder.file("g.wav");
    // Closed: the room 20 dB down, before the speech and once the hold and release are over.
    EXPECT_NEAR(rmsDb(out, 0.3, 0.6) - rmsDb(in, 0.3, 0.6), -20, 0.3);
    EXPECT_NEAR(rmsDb(out, 2.6, 0.4) - rmsDb(in, 2.6, 0.4), -20, 0.3);
    // Open: the speech as it was.
    EXPECT_NEAR(rmsDb(out, 1.2, 0.6) - rmsDb(in, 1.2, 0.6), 0, 0.1);
}

TEST_F(ShippedEffects, CompressorFollowsItsStaticCurveOnSteppedTones) {
    // One second each at -40, -30, -20, -10 and -4 dBFS (peak), 1 kHz.
    const std::vector<double> levels = {-40, -30, -20, -10, -4};
    std::string parts;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const std::string part = folder.file("step" + std::to_string(i) + ".wav");
        make("step" + std::to_string(i) + ".wav",
             "-c 2 synth 1 sine 1000 vol " + std::to_string(std::pow(10, levels[i] / 20)));
        parts += " " + part;
    }
    const auto in = folder.file("steps.wav");
    ASSERT_EQ(runCommand("sox -D" + parts + " " + in), 0);
    const double threshold = -25, ratio = 4, makeup = 2;
    for (const double knee : {0.0, 10.0}) {
        ASSERT_EQ(apply("Compressor", in, folder.file("c.wav"),
                        {"threshold-db=-25", "ratio=4", "knee-db=" + std::to_string(knee),
                         "attack-ms=2", "release-ms=50", "makeup-db=2"}),
                  0);
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const double over = levels[i] - threshold;
            double reduction = over > 0 ? over * (1 - 1 / ratio) : 0;
            if (knee > 0 && std::fabs(over) < knee / 2) {
                reduction = (1 - 1 / ratio) * std::pow(over + knee / 2, 2) / (2 * knee);
            }
            const double gain = rmsDb(folder.file("c.wav"), i + 0.5, 0.4) - rmsDb(in, i + 0.5, 0.4);
            EXPECT_NEAR(gain, makeup - reduction, 0.3) << levels[i] << " dBFS, knee " << knee;
        }
        EXPECT_NE(said(*plugins, "Compressor").find("at most 15."), std::string::npos)
            << said(*plugins, "Compressor");
    }
}

TEST_F(ShippedEffects, DeEsserTurnsDownTheLoudHissOnly) {
    const auto hiss = make("hiss.wav", "-c 1 synth 1 sine 9000 vol 0.5");
    const auto low = make("low.wav", "-c 1 synth 1 sine 300 vol 0.5");
    for (const auto& path : {hiss, low}) {
        ASSERT_EQ(apply("De-Esser", path, path + ".d.wav",
                        {"frequency-hz=5000", "threshold-db=-20", "ratio=4"}),
                  0);
    }
    EXPECT_LT(rmsDb(hiss + ".d.wav", 0.5, 0.4) - rmsDb(hiss, 0.5, 0.4), -7);
    EXPECT_NEAR(rmsDb(low + ".d.wav", 0.5, 0.4) - rmsDb(low, 0.5, 0.4), 0, 0.1);
}

TEST_F(ShippedEffects, LimiterKeepsTheTruePeakUnderItsCeilingOnHotMaterial) {
    // Pink noise at full scale, then a quarter-rate sine whose samples miss its crests by 3 dB
    // (so its true peak is over full scale while no sample is), then a full-scale square.
    make("noise.wav", "-c 2 synth 3 pinknoise gain -n 0");
    make("sine.wav", "-c 2 synth 2 sine 11025 0 12.5 vol 0.999");
    make("square.wav", "-c 2 synth 1 square 1000 vol 0.999");
    const auto in = folder.file("hot.wav");
    ASSERT_EQ(runCommand("sox -D " + folder.file("noise.wav") + " " + folder.file("sine.wav") +
                         " " + folder.file("square.wav") + " " + in),
              0);
    ASSERT_GT(ebur128(in).truePeak, 0.5);
    for (const double ceiling : {-1.0, -3.0, -0.1}) {
        ASSERT_EQ(apply("Limiter", in, folder.file("l.wav"),
                        {"ceiling-db=" + std::to_string(ceiling), "release-ms=50"}),
                  0);
        const auto result = ebur128(folder.file("l.wav"));
        EXPECT_LE(result.truePeak, ceiling) << ceiling;
        // Limited, not crushed: the loudness falls by little more than the peaks had to.
        const auto hot = ebur128(in);
        EXPECT_GT(result.integrated, hot.integrated - (hot.truePeak - ceiling) - 1.5) << ceiling;
        EXPECT_EQ(test::waveSamples16(folder.file("l.wav")).size(), test::waveSamples16(in).size());
    }
    EXPECT_NE(said(*plugins, "Limiter").find("to stay under -0.1 dBTP"), std::string::npos);

    // High tones that start and stop at full scale: the edges ring over the ceiling unless
    // they are met too.
    for (const char* tone : {"sine 15000 vol 0.999", "sine 11025 0 12.5 vol 0.999"}) {
        const auto edges = make("edges.wav", std::string("-c 2 synth 1 ") + tone);
        ASSERT_EQ(apply("Limiter", edges, folder.file("e.wav"), {"ceiling-db=-1"}), 0);
        EXPECT_LE(ebur128(folder.file("e.wav")).truePeak, -1.0) << tone;
    }
}

TEST_F(ShippedEffects, NormalizeReachesItsLoudnessOnSpeechThroughTheLimiter) {
    // Speech-like: band-limited noise in syllables with pauses, peaks far above its loudness.
    const auto in = make("speech.wav",
                         "-c 1 synth 8 pinknoise band 800 1500 tremolo 3 100 tremolo 0.4 80 "
                         "gain -n -3");
    const auto before = ebur128(in);
    ASSERT_GT(before.truePeak - before.integrated, 16);  // -16 LUFS does not fit under -1 dBTP
    ASSERT_EQ(apply("Normalize", in, folder.file("n.wav"), {"lufs=-16", "true-peak-db=-1"}), 0);
    const auto after = ebur128(folder.file("n.wav"));
    EXPECT_NEAR(after.integrated, -16, 0.2);
    EXPECT_LE(after.truePeak, -1.0);
    EXPECT_EQ(said(*plugins, "Normalize"), "");

    // Without the limiter the ceiling stops it, and it says where and why.
    ASSERT_EQ(apply("Normalize", in, folder.file("s.wav"), {"lufs=-16", "limiter=stop"}), 0);
    const auto stopped = ebur128(folder.file("s.wav"));
    EXPECT_LT(stopped.integrated, -16.5);
    char expected[64];
    std::snprintf(expected, sizeof expected, "reached %.1f LUFS instead of -16.0 LUFS",
                  stopped.integrated);
    const std::string text = said(*plugins, "Normalize");
    // The meters may part in the last digit.
    EXPECT_NE(text.find(std::string(expected).substr(0, 10)), std::string::npos) << text;
    EXPECT_NE(text.find("-1.0 dBTP"), std::string::npos) << text;
}

TEST_F(ShippedEffects, AmplifySaysHowManySamplesClippedAndByHowMuch) {
    const auto in = make("in.wav", "-c 1 synth 1 sine 440 vol 0.7");
    ASSERT_EQ(apply("Amplify", in, folder.file("quiet.wav"), {"gain-db=1"}), 0);
    EXPECT_EQ(said(*plugins, "Amplify"), "");
    ASSERT_EQ(apply("Amplify", in, folder.file("loud.wav"), {"gain-db=6"}), 0);
    long clipped = 0;
    double worst = 0;
    for (const std::int16_t s : test::waveSamples16(in)) {
        const double y = s * std::pow(10, 6 / 20.0);
        if (y >= 32767.5 || y < -32768.5) ++clipped;
        worst = std::max(worst, std::fabs(y) / 32768);
    }
    ASSERT_GT(clipped, 1000);
    char expected[96];
    std::snprintf(expected, sizeof expected, "Amplify: %ld samples clipped, up to %.1f dB over",
                  clipped, 20 * std::log10(worst));
    EXPECT_EQ(said(*plugins, "Amplify").rfind(expected, 0), 0u) << said(*plugins, "Amplify");
}

}  // namespace
}  // namespace sonthra
