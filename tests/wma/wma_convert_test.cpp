// The two WMA libraries through the program's loaders: our WMA judged by ffprobe, a WMA from
// the ffmpeg command decoded sample for sample as ffmpeg decodes it, hostile files refused with
// the right message, copy protection recognised only where it is, and targets replaced only by
// complete files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "convert/wma_export.h"
#include "convert/wma_import.h"
#include "wave/wave_probe.h"
#include "wma/wma_test_support.h"

namespace sonthra {
namespace {

using testing::TempDir;

// How many of our samples differ by more than one step from ffmpeg's decoding of the same
// file (raw 16-bit samples, at least as many).
std::size_t samplesApart(const testing::Pcm& ours, const std::string& theirs) {
    std::size_t off = 0;
    for (std::size_t i = 0; i < ours.samples.size() && 2 * i + 1 < theirs.size(); ++i) {
        std::int16_t s;
        std::memcpy(&s, theirs.data() + 2 * i, 2);
        if (std::abs(s - ours.samples[i]) > 1) ++off;
    }
    return off;
}

class WmaConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        playback = WmaPlaybackLibrary::load(testing::playbackLibraryPath());
        int code = -1;
        encoder = WmaEncoderLibrary::load(testing::encoderLibraryPath(), code);
        ASSERT_TRUE(playback);
        ASSERT_TRUE(encoder);
        ASSERT_EQ(code, 0);
    }

    // Exports wav at kbps (at the source's own rate) into wma; the message number.
    int exportAt(const std::string& wav, const std::string& wma, std::uint32_t kbps) {
        WaveFormat format;
        if (probeWave(wav, nullptr, &format) != 0) return -1;
        std::vector<std::string> encoders, formats;
        EXPECT_EQ(listWmaEncoders(*encoder, format, encoders), 0);
        if (encoders.empty()) return -1;
        EXPECT_EQ(listWmaFormats(*encoder, encoders[0], format, formats), 0);
        const int index = wmaFormatForBitrate(formats, kbps);
        if (index < 0) return -1;
        return exportWmaFile(*encoder, wav, wma, index, encoders[0]);
    }

    std::unique_ptr<WmaPlaybackLibrary> playback;
    std::unique_ptr<WmaEncoderLibrary> encoder;
};

TEST_F(WmaConvertTest, OurWmaIsJudgedRightByFfprobe) {
    TempDir dir;
    struct Case {
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint32_t kbps;
    };
    for (const Case c : {Case{44100, 2, 128}, Case{22050, 1, 32}, Case{48000, 2, 192}}) {
        SCOPED_TRACE(c.rate);
        const std::string wav = dir.file("in.wav"), wma = dir.file("out.wma");
        ASSERT_TRUE(testing::makeToneWav(wav, c.rate, 16, c.channels, 3.0, 440.0));
        ASSERT_EQ(exportAt(wav, wma, c.kbps), 0);
        EXPECT_EQ(testing::probeField(wma, "codec_name"), "wmav2");
        EXPECT_EQ(testing::probeField(wma, "sample_rate"), std::to_string(c.rate));
        EXPECT_EQ(testing::probeField(wma, "channels"), std::to_string(c.channels));
        const double duration = std::atof(testing::probeField(wma, "duration").c_str());
        // One packet of the encoder holds 2,048 frames.
        EXPECT_NEAR(duration, 3.0, 2048.0 / c.rate);
        // And it comes back in through our own import at the same rate and length.
        const std::string back = dir.file("back.wav");
        ASSERT_EQ(importWmaFile(*playback, wma, back), 0);
        const auto pcm = testing::readPcm(back);
        EXPECT_EQ(pcm.format.sampleRate, c.rate);
        EXPECT_EQ(pcm.format.channels, c.channels);
        EXPECT_NEAR(static_cast<double>(pcm.frames()), 3.0 * c.rate, 2.0 * 2048);
        EXPECT_NEAR(testing::measuredFrequency(pcm), 440.0, 2.0);
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"back.wav", "in.wav", "out.wma"}));
    }
}

TEST_F(WmaConvertTest, ARoundTripKeepsEveryFrameInItsPlace) {
    // WMA codes whole frames of up to 2,048 samples, and a decoder gives nothing for the first.
    TempDir dir;
    struct Case {
        std::uint32_t rate;
        std::uint16_t channels;
        std::uint32_t kbps;
        std::uint32_t frames;
    };
    for (const Case c : {Case{44100, 2, 128, 45000}, Case{22050, 1, 32, 2048 * 7 + 1}}) {
        SCOPED_TRACE(c.frames);
        const std::string tag = std::to_string(c.frames);
        const std::string wav = dir.file(tag + ".wav"), wma = dir.file(tag + ".wma");
        ASSERT_EQ(testing::runQuiet("sox -r " + std::to_string(c.rate) + " -n -b 16 -c " +
                                    std::to_string(c.channels) + " " + wav + " synth " + tag +
                                    "s sine 440 vol 0.5"),
                  0);
        ASSERT_EQ(exportAt(wav, wma, c.kbps), 0);
        const std::string back = dir.file(tag + "-back.wav");
        ASSERT_EQ(importWmaFile(*playback, wma, back), 0);
        const auto source = testing::readPcm(wav);
        const auto pcm = testing::readPcm(back);
        ASSERT_EQ(source.frames(), c.frames);
        EXPECT_EQ(pcm.frames(), c.frames);
        // In place: what comes back follows the tone it was made of, not a frame before or
        // after it.
        double error = 0, power = 0;
        for (std::size_t i = 0; i < std::min(source.samples.size(), pcm.samples.size()); ++i) {
            const double d = source.samples[i] - pcm.samples[i];
            error += d * d;
            power += static_cast<double>(source.samples[i]) * source.samples[i];
        }
        EXPECT_LT(error, power / 100);
        // ffmpeg decodes the same audio from the start; only the padding after it is left on.
        const std::string theirs =
            testing::outputOf("ffmpeg -v error -i " + wma + " -f s16le -acodec pcm_s16le -");
        ASSERT_GE(theirs.size(), pcm.samples.size() * 2);
        EXPECT_LT(theirs.size(), (c.frames + 3 * 2048) * 2 * c.channels);
        EXPECT_EQ(samplesApart(pcm, theirs), 0u);
    }
}

TEST_F(WmaConvertTest, FfmpegWmaDecodesToFfmpegsOwnSamples) {
    TempDir dir;
    const std::string wav = dir.file("in.wav"), wma = dir.file("ff.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 4.0, 1000.0));
    ASSERT_TRUE(testing::ffmpegWma(wav, wma));
    EXPECT_EQ(checkWmaImport(*playback, wma, dir.path()), WmaImportCheck::Ready);
    std::uint32_t bits = 0;
    ASSERT_EQ(playback->fileInfo(wma, bits), 0);
    EXPECT_NEAR(bits, 128000u, 1000u);

    const std::string ours = dir.file("ours.wav");
    ASSERT_EQ(importWmaFile(*playback, wma, ours), 0);
    ASSERT_EQ(testing::runQuiet("ffmpeg -nostdin -y -i " + wma + " -f s16le -acodec pcm_s16le " +
                                dir.file("theirs.raw")),
              0);
    const std::string theirs = testing::readAll(dir.file("theirs.raw"));
    const auto pcm = testing::readPcm(ours);
    ASSERT_EQ(pcm.samples.size() * 2, theirs.size());
    EXPECT_EQ(samplesApart(pcm, theirs), 0u);
}

TEST_F(WmaConvertTest, HostileFilesGetTheFormatMessageNotProtection) {
    TempDir dir;
    const std::string wav = dir.file("in.wav"), wma = dir.file("ff.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 2.0));
    ASSERT_TRUE(testing::ffmpegWma(wav, wma));
    const std::string good = testing::readAll(wma);

    std::string junk(5000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 7919 % 251);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"wave-named.wma", testing::readAll(wav)},
        {"empty.wma", ""},
        {"junk.wma", junk},
        {"header-cut.wma", good.substr(0, 200)},
        {"header-only.wma", good.substr(0, 30) + std::string(4, '\xff')},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        testing::writeAll(dir.file(name), bytes);
        EXPECT_EQ(checkWmaImport(*playback, dir.file(name), dir.path()),
                  WmaImportCheck::NotReadable);
        EXPECT_EQ(importWmaFile(*playback, dir.file(name), dir.file("out.wav")),
                  kWmaFormatNotProper);
        EXPECT_FALSE(testing::fileExists(dir.file("out.wav")));
    }
    // Cut in the audio: what was there decodes, shorter, with no hang.
    testing::writeAll(dir.file("half.wma"), good.substr(0, good.size() / 2));
    ASSERT_EQ(importWmaFile(*playback, dir.file("half.wma"), dir.file("half.wav")), 0);
    const auto half = testing::readPcm(dir.file("half.wav"));
    EXPECT_GT(half.frames(), 20000u);
    EXPECT_LT(half.frames(), 70000u);
    // Damaged audio packets are skipped or decoded as they come, never a crash.
    std::string damaged = good;
    for (std::size_t i = 6000; i < damaged.size(); i += 97)
        damaged[i] = static_cast<char>(~damaged[i]);
    testing::writeAll(dir.file("damaged.wma"), damaged);
    const int code = importWmaFile(*playback, dir.file("damaged.wma"), dir.file("d.wav"));
    EXPECT_TRUE(code == 0 || code == kWmaFormatNotProper) << code;
}

TEST_F(WmaConvertTest, APipeOrAFolderIsRefusedAtOnce) {
    TempDir dir;
    const auto [check, checkSeconds] = testing::onFifo(dir.file("pipe.wma"), [&](const auto& f) {
        return checkWmaImport(*playback, f, dir.path());
    });
    EXPECT_EQ(check, WmaImportCheck::NotReadable);
    EXPECT_LT(checkSeconds, 1.0);
    const auto [imported, importSeconds] = testing::onFifo(
        dir.file("pipe2.wma"),
        [&](const auto& f) { return importWmaFile(*playback, f, dir.file("out.wav")); });
    EXPECT_EQ(imported, kWmaFormatNotProper);
    EXPECT_LT(importSeconds, 1.0);
    EXPECT_EQ(importWmaFile(*playback, dir.path(), dir.file("out.wav")), kWmaFormatNotProper);
    // The encoder reads its source through FFmpeg too.
    std::vector<std::string> encoders;
    ASSERT_EQ(listWmaEncoders(*encoder, makePcmFormat(44100, 16, 2), encoders), 0);
    const auto [exported, exportSeconds] =
        testing::onFifo(dir.file("pipe.wav"), [&](const auto& f) {
            return exportWmaFile(*encoder, f, dir.file("out.wma"), 0, encoders.at(0));
        });
    EXPECT_NE(exported, 0);
    EXPECT_LT(exportSeconds, 1.0);
    EXPECT_FALSE(testing::fileExists(dir.file("out.wav")));
    EXPECT_FALSE(testing::fileExists(dir.file("out.wma")));
}

// The ASF header with a content encryption object added after its first object.
std::string withEncryptionObject(const std::string& asf) {
    static const unsigned char guid[16] = {0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11,
                                           0xB4, 0xB7, 0x00, 0xAA, 0x00, 0xD8, 0xB9, 0xD6};
    std::string object(reinterpret_cast<const char*>(guid), 16);
    const std::uint64_t size = 24 + 16;
    for (int i = 0; i < 8; ++i) object.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    object += std::string(16, '\0');  // four empty length-prefixed fields
    std::string out = asf;
    auto le = [&](std::size_t at, int n) {
        std::uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(out[at + i]);
        return v;
    };
    auto put = [&](std::size_t at, int n, std::uint64_t v) {
        for (int i = 0; i < n; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const std::uint64_t headerSize = le(16, 8);
    const std::uint64_t firstSize = le(30 + 16, 8);
    put(16, 8, headerSize + object.size());
    put(24, 4, le(24, 4) + 1);
    out.insert(30 + firstSize, object);
    return out;
}

TEST_F(WmaConvertTest, CopyProtectionOnlyForProtectedFiles) {
    TempDir dir;
    const std::string wav = dir.file("in.wav"), wma = dir.file("ff.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 1.0));
    ASSERT_TRUE(testing::ffmpegWma(wav, wma));
    testing::writeAll(dir.file("drm.wma"), withEncryptionObject(testing::readAll(wma)));
    EXPECT_EQ(checkWmaImport(*playback, dir.file("drm.wma"), dir.path()),
              WmaImportCheck::Protected);
    EXPECT_EQ(importWmaFile(*playback, dir.file("drm.wma"), dir.file("out.wav")),
              kWmaFormatNotProper);
    EXPECT_FALSE(testing::fileExists(dir.file("out.wav")));
    EXPECT_EQ(checkWmaImport(*playback, wma, dir.path()), WmaImportCheck::Ready);
    EXPECT_EQ(checkWmaImport(*playback, dir.file("missing.wma"), dir.path()),
              WmaImportCheck::NotReadable);
}

TEST_F(WmaConvertTest, TooLittleWorkspaceSpaceRefusesBeforeConverting) {
    TempDir dir;
    const std::string wav = dir.file("in.wav"), wma = dir.file("ff.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 1.0));
    ASSERT_TRUE(testing::ffmpegWma(wav, wma));
    // A folder that cannot be asked has no free space.
    EXPECT_EQ(checkWmaImport(*playback, wma, dir.file("no-such-folder")), WmaImportCheck::NoSpace);
    // file size × 1,411,200 ÷ bitrate; a bitrate of 0 or below 16 kbit/s counts as 16 kbit/s.
    EXPECT_EQ(estimateWmaWaveBytes(16000, 128000), 176400u);
    EXPECT_EQ(estimateWmaWaveBytes(16000, 0), 1411200u);
    EXPECT_EQ(estimateWmaWaveBytes(4'000'000'000ull, 16000), 352'800'000'000ull);
}

TEST_F(WmaConvertTest, FailedOrCancelledExportLeavesTheOldFile) {
    TempDir dir;
    const std::string wav = dir.file("in.wav"), target = dir.file("old.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 2.0));
    testing::writeAll(target, "the user's old file");
    std::vector<std::string> encoders;
    WaveFormat format;
    ASSERT_EQ(probeWave(wav, nullptr, &format), 0);
    ASSERT_EQ(listWmaEncoders(*encoder, format, encoders), 0);
    ASSERT_EQ(encoders.size(), 1u);
    // A format the encoder does not offer: 482.
    EXPECT_EQ(exportWmaFile(*encoder, wav, target, 9999, encoders[0]), 482);
    // An encoder it does not know: 485.
    EXPECT_EQ(exportWmaFile(*encoder, wav, target, 0, "no such encoder"), 485);
    // A source that is not audio: 483.
    testing::writeAll(dir.file("text.wav"), "not a wave file at all");
    EXPECT_EQ(exportWmaFile(*encoder, dir.file("text.wav"), target, 0, encoders[0]), 483);
    // Cancelled before it could start.
    std::atomic<bool> stop{true};
    EXPECT_EQ(exportWmaFile(*encoder, wav, target, 0, encoders[0], &stop), 129);
    EXPECT_EQ(testing::readAll(target), "the user's old file");
    // A folder that cannot be written: 484.
    EXPECT_EQ(exportWmaFile(*encoder, wav, dir.file("none/x.wma"), 0, encoders[0]), 484);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "old.wma", "text.wav"}));
    // The same for an import over an existing WAV.
    testing::writeAll(dir.file("bad.wma"), "junk");
    testing::writeAll(dir.file("keep.wav"), "old wave");
    EXPECT_EQ(importWmaFile(*playback, dir.file("bad.wma"), dir.file("keep.wav")),
              kWmaFormatNotProper);
    EXPECT_EQ(testing::readAll(dir.file("keep.wav")), "old wave");
}

TEST(WmaLibraryLoad, MissingOrIncompleteLibrariesAreReported) {
    int code = 0;
    EXPECT_FALSE(WmaEncoderLibrary::load("/nonexistent/PCMtoWMA.so", code));
    EXPECT_EQ(code, kWmaLibraryNotLoaded);
    // A library that loads but lacks the entry points.
    EXPECT_FALSE(WmaEncoderLibrary::load("libm.so.6", code));
    EXPECT_EQ(code, kWmaCodecMissing);
    EXPECT_FALSE(WmaPlaybackLibrary::load("/nonexistent/PlayBackEngine.so"));
    EXPECT_FALSE(WmaPlaybackLibrary::load("libm.so.6"));
    // Each library is complete only with its own entry points.
    EXPECT_FALSE(WmaPlaybackLibrary::load(testing::encoderLibraryPath()));
    EXPECT_FALSE(WmaEncoderLibrary::load(testing::playbackLibraryPath(), code));
    EXPECT_EQ(code, kWmaCodecMissing);
}

TEST(WmaExportRules, FormatChoiceAndResultTable) {
    std::int32_t remembered = 0;
    // No stored values: the last format.
    EXPECT_EQ(pickWmaFormat(10, std::nullopt, 44100, remembered), 9);
    // Stored for this rate: the stored index (-1 as 0, too large as the last).
    EXPECT_EQ(pickWmaFormat(10, WmaFormatChoice{44100, 3}, 44100, remembered), 3);
    EXPECT_EQ(pickWmaFormat(10, WmaFormatChoice{44100, -1}, 44100, remembered), 0);
    EXPECT_EQ(pickWmaFormat(10, WmaFormatChoice{44100, 40}, 44100, remembered), 9);
    // Stored for another rate: the last format, and the source's rate is remembered.
    EXPECT_EQ(pickWmaFormat(10, WmaFormatChoice{22050, 3}, 44100, remembered), 9);
    EXPECT_EQ(remembered, 44100);
    EXPECT_EQ(pickWmaFormat(0, std::nullopt, 44100, remembered), -1);

    const std::vector<std::pair<int, int>> table = {{0, 0},   {2, 482}, {3, 485}, {4, 486},
                                                    {6, 483}, {7, 484}, {8, 487}, {11, 495},
                                                    {5, 0},   {99, 0}};
    for (const auto& [code, message] : table) EXPECT_EQ(wmaExportMessage(code, false), message);
    EXPECT_EQ(wmaExportMessage(11, true), 0);

    const std::vector<std::string> formats = {
        "32 kbps, 22.05 kHz, stereo CBR", "128 kbps, 22.05 kHz, stereo CBR",
        "128 kbps, 44.1 kHz, stereo CBR", "1280 kbps, 44.1 kHz, stereo CBR"};
    EXPECT_EQ(wmaFormatForBitrate(formats, 128), 2);
    EXPECT_EQ(wmaFormatForBitrate(formats, 32), 0);
    EXPECT_EQ(wmaFormatForBitrate(formats, 64), -1);
}

}  // namespace
}  // namespace sonthra
