// The shipped plug-ins loaded once from the build's program folder, with the helpers their
// tests share: files made by sox, an effect applied as the program applies it, and the
// figures sox and ffmpeg read from the results.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "effects/effect_file_run.h"
#include "effects_test_support.h"

namespace sonthra {

using test::runCommand;

class ShippedEffects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* bin = std::getenv("SONTHRA_BINARY_DIR");
        ASSERT_NE(bin, nullptr);
        plugins = new EffectPluginList;
        LoadEffectPlugins(*plugins, std::string(bin) + "/bin");
    }
    static void TearDownTestSuite() {
        delete plugins;
        plugins = nullptr;
    }

    // A 16-bit 44.1 kHz file from "-c N" and sox's synth effects.
    std::string make(const std::string& name, const std::string& soxArgs) {
        const std::string path = folder.file(name);
        const std::string channels = soxArgs.substr(0, 4);
        EXPECT_EQ(
            runCommand("sox -D -n -r 44100 -b 16 " + channels + " " + path + soxArgs.substr(4)), 0);
        return path;
    }
    int apply(const std::string& effect, const std::string& in, const std::string& out,
              std::vector<std::string> settings = {}, std::uint32_t from = 0,
              std::uint32_t to = 0) {
        EffectFileJob job{effect, in, out, from, to, std::move(settings)};
        std::string detail;
        return applyEffectToFile(*plugins, job, &detail);
    }
    // sox's "stat" figure with the given label.
    double soxStat(const std::string& path, const std::string& label) {
        std::string text;
        runCommand("sox " + path + " -n stat", &text);
        std::smatch m;
        const std::regex re(label + R"(:\s+(-?[0-9.]+))");
        return std::regex_search(text, m, re) ? std::stod(m[1]) : NAN;
    }
    // The integrated loudness (LUFS) and true peak (dBTP) ffmpeg's EBU R128 meter gives.
    struct Loudness {
        double integrated = NAN;
        double truePeak = NAN;
    };
    Loudness ebur128(const std::string& path) {
        std::string text;
        runCommand("ffmpeg -nostats -hide_banner -i " + path + " -af ebur128=peak=true -f null -",
                   &text);
        Loudness result;
        // The summary comes last.
        const auto summary = text.rfind("Summary:");
        if (summary == std::string::npos) return result;
        const std::string tail = text.substr(summary);
        std::smatch m;
        if (std::regex_search(tail, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)"))) {
            result.integrated = std::stod(m[1]);
        }
        if (std::regex_search(tail, m, std::regex(R"(Peak:\s+(-?[0-9.]+) dBFS)"))) {
            result.truePeak = std::stod(m[1]);
        }
        return result;
    }
    // The RMS level in dBFS of seconds [from, from + length) of a file, by sox.
    double rmsDb(const std::string& path, double from, double length) {
        std::string text;
        runCommand("sox " + path + " -n trim " + std::to_string(from) + " " +
                       std::to_string(length) + " stat",
                   &text);
        std::smatch m;
        if (!std::regex_search(text, m, std::regex(R"(RMS\s+amplitude:\s+([0-9.]+))"))) return NAN;
        return 20 * std::log10(std::stod(m[1]));
    }
    double rms(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
        double sum = 0;
        for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
        return std::sqrt(sum / double(to - from));
    }

    static inline EffectPluginList* plugins = nullptr;
    test::TempFolder folder;
};

}  // namespace sonthra
