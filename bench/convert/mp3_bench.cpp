// MP3 in and out against the peer tools, in one run on the same files:
//  - encoding a 10-minute 16-bit stereo WAV at 128 kbit/s through lame_enc.so against
//    "lame -b 128" (the peer's default quality) and "lame -b 128 -q 2" (the quality our
//    encoder is asked for: the encoding window's record asks for the high-quality preset,
//    which is lame's -h, the same as -q 2). The three take turns, twice, and the fastest of
//    each counts, so that a busy machine weighs on all of them alike; the processor time each
//    took is printed too, which the load of other programs does not change;
//  - decoding that MP3 to WAV against "mpg123 -w";
//  - opening a one-hour MP3 (six copies of it end to end) to a complete WAV: bitrate query
//    and conversion, against "mpg123 -w".
// Ratios first (peer time over ours for throughput; ours over the peer's for the hour), then
// one "name: value" line per figure.
//
// Usage: mp3_bench [WAV]   (without one, a 10-minute file is made in $TMPDIR; everything the
// run makes is removed at the end)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../view/bench_support.h"
#include "convert/cv_mp3_wav.h"
#include "convert/lame_encode_job.h"
#include "convert/lame_library.h"

using namespace sonthra;

namespace {

constexpr std::uint64_t kTenMinutes = 600ull * 44100;
constexpr int kDecodeRounds = 3;
constexpr int kHourCopies = 6;
constexpr int kEncodeRounds = 2;

double processorSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The wall time of work and the processor time it took (of this process, or of the programs
// it ran when who is RUSAGE_CHILDREN).
struct Timing {
    double wall = 1e30;
    double processor = 1e30;
};
void timeInto(Timing& best, int who, const std::function<void()>& work) {
    const double before = processorSeconds(who);
    const double wall = bench::bestSeconds(1, work);
    best.wall = std::min(best.wall, wall);
    best.processor = std::min(best.processor, processorSeconds(who) - before);
}

bool shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string q(const std::string& path) {
    return "'" + path + "'";
}

bool concatenate(const std::string& part, int copies, const std::string& whole) {
    std::ifstream in(part, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream out(whole, std::ios::binary);
    for (int i = 0; i < copies; ++i)
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    const bool made = argc <= 1;
    const std::string wav = made ? bench::tempFile("sonthra-mp3-bench.wav") : argv[1];
    const std::string ours = bench::tempFile("sonthra-mp3-bench-ours.mp3");
    const std::string theirs = bench::tempFile("sonthra-mp3-bench-lame.mp3");
    const std::string theirsQ2 = bench::tempFile("sonthra-mp3-bench-lame-q2.mp3");
    const std::string decodedOurs = bench::tempFile("sonthra-mp3-bench-ours.wav");
    const std::string decodedTheirs = bench::tempFile("sonthra-mp3-bench-mpg123.wav");
    const std::string hour = bench::tempFile("sonthra-mp3-bench-hour.mp3");
    auto cleanUp = [&] {
        for (const std::string& f : {ours, theirs, theirsQ2, decodedOurs, decodedTheirs, hour})
            ::unlink(f.c_str());
        if (made) ::unlink(wav.c_str());
    };
    if (made) {
        std::printf("making %s (10 minutes, 16-bit stereo, 44.1 kHz)...\n", wav.c_str());
        if (!bench::makeStereoWav(wav, kTenMinutes)) {
            std::fprintf(stderr, "cannot write %s\n", wav.c_str());
            return 1;
        }
    }
    shell("cat " + q(wav) + " > /dev/null");

    LameEncodeJob job(defaultLameLibraryPath());
    int code = 0;
    Timing oursTime, lame, lameQ2;
    for (int round = 0; round < kEncodeRounds && code == 0; ++round) {
        timeInto(oursTime, RUSAGE_SELF, [&] {
            job.arm();
            code = job.run(wav, ours, 128);
        });
        timeInto(lame, RUSAGE_CHILDREN,
                 [&] { shell("lame --quiet -b 128 " + q(wav) + " " + q(theirs)); });
        timeInto(lameQ2, RUSAGE_CHILDREN,
                 [&] { shell("lame --quiet -b 128 -q 2 " + q(wav) + " " + q(theirsQ2)); });
    }
    if (code != 0) {
        std::fprintf(stderr, "our encoding failed with %d\n", code);
        cleanUp();
        return 1;
    }
    const double encodeOurs = oursTime.wall, encodeLame = lame.wall, encodeLameQ2 = lameQ2.wall;

    CVMP3WAV decoder;
    std::vector<double> decodeOursRuns, decodeMpg123Runs;
    for (int round = 0; round < kDecodeRounds && code == 0; ++round) {
        decodeMpg123Runs.push_back(bench::bestSeconds(
            1, [&] { shell("mpg123 -q -w " + q(decodedTheirs) + " " + q(theirs)); }));
        decodeOursRuns.push_back(bench::bestSeconds(1, [&] {
            decoder.armConversion();
            code = decoder.ConvertMP3FileIntoWave(theirs, decodedOurs);
        }));
    }

    std::vector<double> hourOursRuns, hourMpg123Runs;
    if (code == 0 && concatenate(ours, kHourCopies, hour)) {
        shell("cat " + q(hour) + " > /dev/null");
        for (int round = 0; round < kDecodeRounds && code == 0; ++round) {
            hourMpg123Runs.push_back(bench::bestSeconds(
                1, [&] { shell("mpg123 -q -w " + q(decodedTheirs) + " " + q(hour)); }));
            hourOursRuns.push_back(bench::bestSeconds(1, [&] {
                if (decoder.GetBitRateOfMp3File(hour) <= 0) code = -1;
                decoder.armConversion();
                if (code == 0) code = decoder.ConvertMP3FileIntoWave(hour, decodedOurs);
            }));
        }
    }
    cleanUp();
    if (code != 0) {
        std::fprintf(stderr, "decoding failed with %d\n", code);
        return 1;
    }
    const double decodeOurs = bench::median(decodeOursRuns);
    const double decodeMpg123 = bench::median(decodeMpg123Runs);
    const double hourOurs = bench::median(hourOursRuns);
    const double hourMpg123 = bench::median(hourMpg123Runs);

    std::printf("encode 10 min at 128 kbit/s: ours %.2f s, lame %.2f s, lame -q 2 %.2f s\n",
                encodeOurs, encodeLame, encodeLameQ2);
    std::printf("ratio (lame time / ours): %.2f  (aim: 0.95 or better)\n", encodeLame / encodeOurs);
    std::printf("ratio (lame -q 2 time / ours, same quality): %.2f\n", encodeLameQ2 / encodeOurs);
    std::printf("processor time: ours %.2f s, lame %.2f s, lame -q 2 %.2f s\n", oursTime.processor,
                lame.processor, lameQ2.processor);
    std::printf("decode 10 min: ours %.3f s, mpg123 -w %.3f s (medians of %d)\n", decodeOurs,
                decodeMpg123, kDecodeRounds);
    std::printf("ratio (mpg123 time / ours): %.2f  (aim: 1.0 or better)\n",
                decodeMpg123 / decodeOurs);
    std::printf("open 1 hour MP3 to WAV: ours %.3f s, mpg123 -w %.3f s\n", hourOurs, hourMpg123);
    std::printf("ratio (ours / mpg123): %.2f  (aim: 1.3 or less)\n\n", hourOurs / hourMpg123);

    std::printf("encode_ours_seconds: %.3f\n", encodeOurs);
    std::printf("encode_lame_seconds: %.3f\n", encodeLame);
    std::printf("encode_lame_q2_seconds: %.3f\n", encodeLameQ2);
    std::printf("encode_lame_vs_ours: %.2f\n", encodeLame / encodeOurs);
    std::printf("encode_lame_q2_vs_ours: %.2f\n", encodeLameQ2 / encodeOurs);
    std::printf("encode_ours_cpu_seconds: %.3f\n", oursTime.processor);
    std::printf("encode_lame_cpu_seconds: %.3f\n", lame.processor);
    std::printf("encode_lame_q2_cpu_seconds: %.3f\n", lameQ2.processor);
    std::printf("encode_lame_vs_ours_cpu: %.2f\n", lame.processor / oursTime.processor);
    std::printf("encode_lame_q2_vs_ours_cpu: %.2f\n", lameQ2.processor / oursTime.processor);
    std::printf("decode_ours_seconds: %.3f\n", decodeOurs);
    std::printf("decode_mpg123_seconds: %.3f\n", decodeMpg123);
    std::printf("decode_mpg123_vs_ours: %.2f\n", decodeMpg123 / decodeOurs);
    std::printf("open_hour_ours_seconds: %.3f\n", hourOurs);
    std::printf("open_hour_mpg123_seconds: %.3f\n", hourMpg123);
    std::printf("open_hour_ours_vs_mpg123: %.2f\n", hourOurs / hourMpg123);
    return 0;
}
