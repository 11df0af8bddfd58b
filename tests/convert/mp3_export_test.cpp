// WAV to MP3 through both encoders, judged by ffprobe and mpg123: the stream they see, the
// tone they hear, the length they decode; and the encoder choices, cancel and the old file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "convert/convert_codes.h"
#include "convert/cv_mp3_wav.h"
#include "convert/lame_library.h"
#include "convert/mp3_export.h"
#include "convert/pcm_source.h"
#include "convert_test_support.h"
#include "settings/settings.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

struct Source {
    std::uint32_t rate;
    std::uint16_t bits;
    std::uint16_t channels;
    std::uint32_t kbps;
};

class Mp3ExportTest : public ::testing::Test {
protected:
    std::string tone(const Source& s, double seconds = 2.5) {
        const std::string path =
            dir.file("src-" + std::to_string(s.rate) + "-" + std::to_string(s.bits) + "-" +
                     std::to_string(s.channels) + ".wav");
        return makeToneWav(path, s.rate, s.bits, s.channels, seconds) ? path : std::string();
    }

    // Runs one export to its end: the job's result.
    int exportTo(const std::string& source, const std::string& target, const std::string& encoder,
                 std::uint32_t kbps) {
        Mp3ExportJob job(defaultLameLibraryPath());
        if (!job.start(source, target, encoder, kbps)) return -1;
        job.wait();
        return job.result();
    }

    std::string probe(const std::string& mp3, const std::string& entries) {
        return outputOf("ffprobe -v error -show_entries " + entries + " -of csv=p=0 " +
                        shellQuoted(mp3));
    }

    // The rate the lame command encodes source at for kbps: the rate our encoder must choose.
    std::uint32_t lameCommandRate(const std::string& source, std::uint32_t kbps) {
        const std::string mp3 = dir.file("command.mp3");
        if (runQuiet("lame --quiet -b " + std::to_string(kbps) + " " + shellQuoted(source) + " " +
                     shellQuoted(mp3)) != 0)
            return 0;
        return static_cast<std::uint32_t>(std::atoi(probe(mp3, "stream=sample_rate").c_str()));
    }

    // What ffprobe and mpg123 make of an MP3 made from a tone; rate is the MP3's when the
    // encoder resamples (0: the source's).
    void judge(const std::string& mp3, Source s, double seconds, std::uint32_t rate = 0) {
        if (rate != 0) s.rate = rate;
        EXPECT_EQ(probe(mp3, "stream=codec_name,sample_rate,channels"),
                  "mp3," + std::to_string(s.rate) + "," + std::to_string(s.channels) + "\n");
        const double bitrate = std::atof(probe(mp3, "stream=bit_rate").c_str()) / 1000;
        EXPECT_NEAR(bitrate, s.kbps, 1.0);
        const std::string decoded = mp3 + ".wav";
        ASSERT_EQ(runQuiet("mpg123 -q -w " + shellQuoted(decoded) + " " + shellQuoted(mp3)), 0);
        const Pcm pcm = readPcm(decoded);
        EXPECT_EQ(pcm.frames(), static_cast<std::uint64_t>(seconds * s.rate));
        EXPECT_NEAR(measuredFrequency(pcm), 1000.0, 2.0);
        EXPECT_NEAR(measuredLevel(pcm), 0.5 / std::sqrt(2.0), 0.03);
    }

    TempDir dir;
};

TEST_F(Mp3ExportTest, LameEncodesEverySourceFormatToTheSameLengthAndTone) {
    for (const Source& s : {Source{44100, 16, 2, 128}, Source{22050, 8, 1, 64},
                            Source{48000, 16, 2, 192}, Source{44100, 8, 2, 96}}) {
        SCOPED_TRACE(std::to_string(s.rate) + " Hz " + std::to_string(s.bits) + " bit");
        const std::string wav = tone(s);
        ASSERT_FALSE(wav.empty());
        const std::string mp3 = dir.file("lame.mp3");
        ASSERT_EQ(exportTo(wav, mp3, kLameEncoderName, s.kbps), kConvertOk);
        // The encoder lowers the rate where the lame command does (96 kbit/s in stereo).
        const std::uint32_t rate = lameCommandRate(wav, s.kbps);
        judge(mp3, s, 2.5, rate);
        // Our own decoder gives back the length too: save and reopen keep the frame count.
        CVMP3WAV decoder;
        decoder.armConversion();
        ASSERT_EQ(decoder.ConvertMP3FileIntoWave(mp3, dir.file("back.wav")), kConvertOk);
        EXPECT_EQ(decoder.framesWritten(), static_cast<std::uint64_t>(2.5 * rate));
        EXPECT_EQ(decoder.GetBitRateOfMp3File(mp3), static_cast<int>(s.kbps));
    }
}

TEST_F(Mp3ExportTest, BitratesTooLowForTheRateResampleAndStayGapless) {
    // Frames of these bitrates at the rates lame picks have no room for a constant-bitrate info
    // frame: the stream still needs one, or decoders play the delay and padding as audio.
    for (const Source& s : {Source{44100, 16, 2, 32}, Source{44100, 16, 1, 40},
                            Source{48000, 16, 2, 56}, Source{22050, 16, 1, 24}}) {
        SCOPED_TRACE(std::to_string(s.channels) + " channels at " + std::to_string(s.kbps));
        const std::string wav = tone(s, 3.0);
        ASSERT_FALSE(wav.empty());
        const std::string mp3 = dir.file("low.mp3");
        ASSERT_EQ(exportTo(wav, mp3, kLameEncoderName, s.kbps), kConvertOk);
        const std::uint32_t rate = lameCommandRate(wav, s.kbps);
        ASSERT_LT(rate, s.rate);
        judge(mp3, s, 3.0, rate);
        const std::string bytes = readBytes(mp3);
        EXPECT_TRUE(bytes.find("Xing") < 200 || bytes.find("Info") < 200);
        // ffmpeg honours the info frame's delay and padding too.
        const std::string samples =
            outputOf("ffmpeg -v error -i " + shellQuoted(mp3) + " -f s16le - | wc -c");
        EXPECT_EQ(std::stoull("0" + samples), 3ull * rate * 2 * s.channels);
    }
}

TEST_F(Mp3ExportTest, SystemEncoderWritesPlainMp3WithoutATag) {
    for (const Source& s :
         {Source{44100, 16, 2, 128}, Source{22050, 8, 1, 64}, Source{48000, 16, 1, 160}}) {
        SCOPED_TRACE(s.rate);
        const std::string wav = tone(s);
        ASSERT_FALSE(wav.empty());
        const std::string mp3 = dir.file("system.mp3");
        ASSERT_EQ(exportTo(wav, mp3, kSystemEncoderName, s.kbps), kConvertOk);
        judge(mp3, s, 2.5);
        std::ifstream in(mp3, std::ios::binary);
        char head[3] = {};
        in.read(head, 3);
        EXPECT_NE(std::string(head, 3), "ID3");  // the caller writes the tags
    }
}

TEST_F(Mp3ExportTest, BitrateListsFollowTheRatesAndTheStoredEncoderIsSelected) {
    CVWAVMP3 system;
    Mp3ExportChoices choices;
    const std::string low = tone({22050, 16, 1, 0}, 0.2);
    ASSERT_EQ(prepareMp3Export(low, defaultLameLibraryPath(), system, nullptr, choices), 0);
    EXPECT_EQ(choices.encoders, (std::vector<std::string>{kLameEncoderName, kSystemEncoderName}));
    EXPECT_EQ(choices.lameBitrates,
              (std::vector<std::uint32_t>{24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160}));
    EXPECT_EQ(choices.systemBitrates, choices.lameBitrates);

    const std::string high = tone({44100, 16, 2, 0}, 0.2);
    Settings settings(dir.file("settings.reg"));
    ASSERT_EQ(settings.writeMp3ExportChoice(kSystemEncoderName, 128), 0);
    ASSERT_EQ(prepareMp3Export(high, defaultLameLibraryPath(), system, &settings, choices), 0);
    EXPECT_EQ(choices.lameBitrates, (std::vector<std::uint32_t>{32, 40, 48, 56, 64, 80, 96, 112,
                                                                128, 160, 192, 224, 256, 320}));
    EXPECT_EQ(choices.selectedEncoder(), kSystemEncoderName);
    EXPECT_EQ(&choices.bitratesFor(kSystemEncoderName), &choices.systemBitrates);

    // Save mode: a preset the last encoder cannot use makes the window wait.
    EXPECT_TRUE(mp3PresetUsable(high, defaultLameLibraryPath(), system, "LAME ENCODER", 320));
    EXPECT_FALSE(mp3PresetUsable(low, defaultLameLibraryPath(), system, kLameEncoderName, 192));
    EXPECT_FALSE(mp3PresetUsable(low, defaultLameLibraryPath(), system, kSystemEncoderName, 20));
}

// The system encoder as a machine without any MP3 codec sees it.
class NoCodecSystem : public CVWAVMP3 {
public:
    int IsValidMP3CodecFound(const std::string&) override { return kCvNoMp3Codec; }
};

TEST_F(Mp3ExportTest, WithoutTheEncoderLibraryOnlyTheSystemEncoderIsOffered) {
    const std::string wav = tone({44100, 16, 2, 0}, 0.2);
    const std::string missing = dir.file("lame_enc.so");
    EXPECT_FALSE(isLameAvailable(missing));
    CVWAVMP3 system;
    Mp3ExportChoices choices;
    ASSERT_EQ(prepareMp3Export(wav, missing, system, nullptr, choices), 0);
    EXPECT_EQ(choices.encoders, std::vector<std::string>{kSystemEncoderName});
    EXPECT_TRUE(choices.lameBitrates.empty());

    NoCodecSystem none;
    EXPECT_EQ(prepareMp3Export(wav, missing, none, nullptr, choices), kMp3NoComponent);
    // A library that is not ours does not count as the encoder.
    std::ofstream(missing) << "not a library";
    EXPECT_FALSE(isLameAvailable(missing));
    // Something that is not a WAV file: no encoder takes it.
    EXPECT_EQ(prepareMp3Export(missing, missing, system, nullptr, choices), kMp3SourceRefused);
    ASSERT_EQ(prepareMp3Export(missing, defaultLameLibraryPath(), system, nullptr, choices),
              kMp3SourceRefused);
}

TEST_F(Mp3ExportTest, CancelAndRefusalLeaveTheOldFileAndNoPartialTarget) {
    const std::string wav = tone({44100, 16, 2, 0}, 90);
    ASSERT_FALSE(wav.empty());
    const std::string target = dir.file("song.mp3");
    for (const char* encoder : {kLameEncoderName, kSystemEncoderName}) {
        SCOPED_TRACE(encoder);
        std::ofstream(target) << "old song";
        Mp3ExportJob job(defaultLameLibraryPath());
        ASSERT_TRUE(job.start(wav, target, encoder, 128));
        while (job.percent() < 2 && !job.finished())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        job.cancel();
        job.wait();
        EXPECT_EQ(job.result(), job.lameMode() ? kLameAborted : kCvAborted);
        EXPECT_EQ(mp3ExportText(job.result()), "Warning: User has aborted the process.");
        std::ifstream in(target);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "old song");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"song.mp3", "src-44100-16-2.wav"}));
    }
    // A bitrate that a 22,050 Hz source cannot take is refused before anything is written.
    const std::string low = tone({22050, 16, 1, 0}, 0.2);
    EXPECT_EQ(exportTo(low, target, kLameEncoderName, 192), kCvBitrateRefused);
    EXPECT_EQ(exportTo(low, target, kSystemEncoderName, 192), kCvBitrateRefused);
    EXPECT_EQ(fileSize(target), 8u);
    EXPECT_EQ(bitrateRefusedText(192),
              "The selected Codec cannot produce MP3 files at 192kbit Bitrate. Please select "
              "another bit-rate or a different codec and try again.");
}

TEST_F(Mp3ExportTest, ReadOnlyTargetIsReplacedAndBadSourcesGetTheirCodes) {
    const std::string wav = tone({44100, 16, 2, 0}, 0.3);
    const std::string target = dir.file("locked.mp3");
    std::ofstream(target) << "x";
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(exportTo(wav, target, kLameEncoderName, 128), kConvertOk);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    EXPECT_GT(st.st_size, 1000);

    EXPECT_EQ(exportTo(dir.file("none.wav"), target, kLameEncoderName, 128), kLameNoSource);
    const std::string text = dir.file("text.wav");
    std::ofstream(text) << std::string(300, 'x');
    EXPECT_EQ(exportTo(text, target, kLameEncoderName, 128), kLameNotWave);
    EXPECT_EQ(exportTo(text, target, kSystemEncoderName, 128), kCvOpenWaveInput);
    EXPECT_EQ(exportTo(wav, dir.file("no/such/folder.mp3"), kLameEncoderName, 128),
              kLameCannotCreate);
    EXPECT_EQ(mp3ExportText(kLameNotWave),
              "Error : Not a valid wave file. Please choose a valid wave file.");
    EXPECT_EQ(mp3ExportText(kLameNoMemory), mp3ExportText(402));
    EXPECT_EQ(mp3ExportText(kCvInvalidMp3), "Error : Invalid MP3 file.");
    EXPECT_EQ(mp3ExportText(999), "");
}

TEST_F(Mp3ExportTest, ExtensiblePcmEncodesAsThePlainFileItAmountsTo) {
    for (const Source& s : {Source{44100, 16, 2, 128}, Source{22050, 8, 1, 64}}) {
        SCOPED_TRACE(s.bits);
        const std::string plain = tone(s, 1.5);
        ASSERT_FALSE(plain.empty());
        const std::string extensible = dir.file("extensible.wav");
        writeBytes(extensible, asExtensible(plain));
        PcmSource source;
        ASSERT_EQ(source.open(extensible), kConvertOk);
        EXPECT_EQ(source.format(), makePcmFormat(s.rate, s.bits, s.channels));
        EXPECT_EQ(source.dataBytes(), 1.5 * s.rate * s.channels * s.bits / 8);

        // The encoder is deterministic: the same audio gives the same file, byte for byte.
        ASSERT_EQ(exportTo(plain, dir.file("plain.mp3"), kLameEncoderName, s.kbps), kConvertOk);
        ASSERT_EQ(exportTo(extensible, dir.file("ext.mp3"), kLameEncoderName, s.kbps), kConvertOk);
        EXPECT_EQ(readBytes(dir.file("ext.mp3")), readBytes(dir.file("plain.mp3")));
        ASSERT_EQ(exportTo(extensible, dir.file("ext-system.mp3"), kSystemEncoderName, s.kbps),
                  kConvertOk);
        judge(dir.file("ext-system.mp3"), s, 1.5);

        // Other extensible audio (float, 24-bit) is still not taken.
        std::string floating = readBytes(extensible);
        floating[44] = 0x03;
        writeBytes(extensible, floating);
        EXPECT_EQ(source.open(extensible), kLameNotWave);
    }
}

TEST_F(Mp3ExportTest, LowRatesAreRaisedWithRoomForWhatTheyBecome) {
    // lame takes these up to 8,000 Hz: each chunk and the flush give several times the bytes
    // the source's samples would. (A fuzzed 14 Hz file overflowed the flush buffer.)
    for (const Source& s : {Source{4000, 16, 2, 64}, Source{1000, 8, 1, 32}}) {
        SCOPED_TRACE(s.rate);
        const std::string wav = tone(s, 3.0);
        ASSERT_FALSE(wav.empty());
        const std::string mp3 = dir.file("low.mp3");
        ASSERT_EQ(exportTo(wav, mp3, kLameEncoderName, s.kbps), kConvertOk);
        EXPECT_EQ(probe(mp3, "stream=sample_rate"), "8000\n");
        // The stream's duration counts the encoder's delay and padding: a few frames.
        EXPECT_NEAR(std::atof(probe(mp3, "format=duration").c_str()), 3.0, 0.25);
    }
    // Below 1,000 Hz nothing is offered and nothing is written.
    const std::string crawl = tone({14, 16, 2, 0}, 100);
    ASSERT_FALSE(crawl.empty());
    const auto library = LameLibrary::load(defaultLameLibraryPath());
    ASSERT_TRUE(library);
    for (std::uint32_t kbps : kMp3BitrateCandidates)
        EXPECT_FALSE(lameBitrateSupported(*library, crawl, kbps));
    EXPECT_EQ(exportTo(crawl, dir.file("crawl.mp3"), kLameEncoderName, 32), kLameInitFailed);
    EXPECT_FALSE(fileExists(dir.file("crawl.mp3")));
}

TEST_F(Mp3ExportTest, APipeAsTheSourceIsRefusedAtOnce) {
    const std::string target = dir.file("out.mp3");
    for (const char* encoder : {kLameEncoderName, kSystemEncoderName}) {
        SCOPED_TRACE(encoder);
        const auto [code, seconds] =
            onFifo(dir.file(std::string("pipe-") + encoder + ".wav"),
                   [&](const std::string& f) { return exportTo(f, target, encoder, 128); });
        EXPECT_LT(seconds, 1.0);
        EXPECT_NE(code, kConvertOk);
        EXPECT_NE(mp3ExportText(code), "");
    }
    const auto library = LameLibrary::load(defaultLameLibraryPath());
    ASSERT_TRUE(library);
    std::string notice;
    const auto [supported, seconds] = onFifo(dir.file("pipe.wav"), [&](const std::string& f) {
        return lameBitrateSupported(*library, f, 128, &notice);
    });
    EXPECT_FALSE(supported);
    EXPECT_EQ(notice, "Not Opened");
    EXPECT_LT(seconds, 1.0);
    CVWAVMP3 system;
    Mp3ExportChoices choices;
    const auto [prepared, prepareSeconds] =
        onFifo(dir.file("pipe3.wav"), [&](const std::string& f) {
            return prepareMp3Export(f, defaultLameLibraryPath(), system, nullptr, choices);
        });
    EXPECT_EQ(prepared, kMp3SourceRefused);
    EXPECT_LT(prepareSeconds, 1.0);
    EXPECT_FALSE(fileExists(target));
}

TEST(LameLibraryCalls, RecordAndChunkLimitsAreChecked) {
    const auto library = LameLibrary::load(defaultLameLibraryPath());
    ASSERT_TRUE(library);
    std::uint32_t samples = 0, size = 0;
    void* stream = nullptr;
    LameConfig config = makeLameConfig(44100, 2, 128);
    ASSERT_EQ(library->initStream(config, samples, size, stream), 0);
    EXPECT_EQ(samples, 2304u);
    // A call carries up to that many frames (the chunk of samples x block align bytes).
    std::vector<std::int16_t> pcm(2 * samples + 2);
    std::vector<unsigned char> out(size);
    std::uint32_t produced = 0;
    EXPECT_NE(library->encodeChunk(stream, 2 * samples + 2, pcm.data(), out.data(), produced), 0);
    EXPECT_EQ(library->encodeChunk(stream, 2 * samples, pcm.data(), out.data(), produced), 0);
    library->closeStream(stream);
    config[1] = 0;  // not the LAME layout
    EXPECT_NE(library->initStream(config, samples, size, stream), 0);
    // A bitrate MPEG-1 has no frame for is refused, not bent to another.
    EXPECT_NE(library->initStream(makeLameConfig(44100, 2, 144), samples, size, stream), 0);
}

}  // namespace
}  // namespace sonthra
