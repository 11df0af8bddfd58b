// Times FLAC encoding (level 5) and decoding through the codec library against the flac tool
// doing the same, and the decode of a 24-bit WAV into a working copy against cp, each in the
// same run, and prints a table, then `name: value` lines.
//
//   codec_bench [--wav24-mb N] [WAV]   WAV: a 16-bit stereo file (made when not given: ten
//                                      minutes of noise-like music); N: the 24-bit file's size
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../view/bench_support.h"
#include "codec/av_codec.h"
#include "codec/pcm_wave.h"

namespace {

constexpr int kRounds = 3;

std::string q(const std::string& s) {
    return "'" + s + "'";
}

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::string outputOf(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        ::pclose(p);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

double medianOf(const std::function<bool()>& work, bool* ok) {
    std::vector<double> runs;
    for (int i = 0; i < kRounds; ++i) {
        runs.push_back(sonthra::bench::bestSeconds(1, [&] { *ok = work() && *ok; }));
    }
    return sonthra::bench::median(runs);
}

// A 24-bit stereo WAV of about mb MiB from the 16-bit samples of source, repeated.
bool make24(const std::string& source, const std::string& path, std::uint64_t mb) {
    const std::string samples = [&] {
        FILE* f = std::fopen(source.c_str(), "rb");
        std::string bytes(32u << 20, '\0');
        const std::size_t got = f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
        if (f) std::fclose(f);
        bytes.resize(got & ~std::size_t{3});
        return bytes;
    }();
    if (samples.size() < 4096) return false;
    auto writer = sonthra::PcmWaveWriter::createReplacing(path, {44100, 2, 24, false, true});
    if (!writer) return false;
    std::vector<unsigned char> out(samples.size() / 2 * 3);
    for (std::size_t i = 0, o = 0; i + 1 < samples.size(); i += 2, o += 3) {
        out[o] = static_cast<unsigned char>(i * 7);  // low bits of noise, as a real 24-bit file has
        out[o + 1] = static_cast<unsigned char>(samples[i]);
        out[o + 2] = static_cast<unsigned char>(samples[i + 1]);
    }
    while (writer->dataBytes() < (mb << 20)) {
        if (!writer->write(out.data(), out.size())) return false;
    }
    return writer->finish();
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t wav24Mb = 1024;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--wav24-mb" && i + 1 < argc) {
            wav24Mb = std::strtoull(argv[++i], nullptr, 10);
        } else {
            args.push_back(argv[i]);
        }
    }
    bool made = false;
    const std::string wav = sonthra::bench::inputWav(static_cast<int>(args.size()), args.data(),
                                                     "codec_bench.wav", 600ull * 44100, made);
    if (wav.empty()) return 1;
    const std::string ours = sonthra::bench::tempFile("codec_bench_ours.flac");
    const std::string theirs = sonthra::bench::tempFile("codec_bench_flac.flac");
    const std::string back = sonthra::bench::tempFile("codec_bench_back.wav");
    const std::string wav24 = sonthra::bench::tempFile("codec_bench_24.wav");
    const auto cleanUp = [&] {
        for (const auto& p : {ours, theirs, back, wav24}) std::remove(p.c_str());
        if (made) std::remove(wav.c_str());
    };
    shell("cat " + q(wav) + " > /dev/null");

    bool ok = true;
    const double encodeOurs = medianOf(
        [&] { return sonthra::encodeFromWave(wav, ours, sonthra::EncodeKind::Flac, {5}, {}) == 0; },
        &ok);
    const double encodeFlac =
        medianOf([&] { return shell("flac -5 -f -s -o " + q(theirs) + " " + q(wav)); }, &ok);
    sonthra::DecodeResult result;
    const double decodeOurs =
        medianOf([&] { return sonthra::decodeToWave(theirs, back, {}, &result) == 0; }, &ok);
    const double decodeFlac =
        medianOf([&] { return shell("flac -d -f -s -o " + q(back) + " " + q(theirs)); }, &ok);
    ok = ok && make24(wav, wav24, wav24Mb);
    shell("cat " + q(wav24) + " > /dev/null");
    const double copyOurs =
        medianOf([&] { return sonthra::decodeToWave(wav24, back, {}, &result) == 0; }, &ok);
    const double copyCp = medianOf([&] { return shell("cp " + q(wav24) + " " + q(back)); }, &ok);
    const double wav24Size = static_cast<double>(fileSize(wav24)) / (1 << 20);
    const std::string fileSystem = outputOf("stat -f -c %T " + q(sonthra::bench::tempFile("")));
    const std::uint64_t oursBytes = fileSize(ours);
    const std::uint64_t flacBytes = fileSize(theirs);
    cleanUp();
    if (!ok) {
        std::fprintf(stderr, "a step failed\n");
        return 1;
    }

    std::printf(
        "FLAC level 5, %s: encode ours %.3f s, flac %.3f s; decode ours %.3f s, flac -d "
        "%.3f s (medians of %d)\n",
        wav.c_str(), encodeOurs, encodeFlac, decodeOurs, decodeFlac, kRounds);
    std::printf("ratio (flac time / ours): encode %.2f, decode %.2f  (aim: 1.0 or better)\n",
                encodeFlac / encodeOurs, decodeFlac / decodeOurs);
    std::printf("sizes: ours %llu bytes, flac %llu bytes\n",
                static_cast<unsigned long long>(oursBytes),
                static_cast<unsigned long long>(flacBytes));
    std::printf("24-bit WAV of %.0f MiB to a working copy: ours %.3f s, cp %.3f s\n\n", wav24Size,
                copyOurs, copyCp);

    std::printf("file_system: %s\n", fileSystem.c_str());
    std::printf("flac_encode_ours_seconds: %.3f\n", encodeOurs);
    std::printf("flac_encode_flac_seconds: %.3f\n", encodeFlac);
    std::printf("flac_encode_flac_vs_ours: %.2f\n", encodeFlac / encodeOurs);
    std::printf("flac_decode_ours_seconds: %.3f\n", decodeOurs);
    std::printf("flac_decode_flac_seconds: %.3f\n", decodeFlac);
    std::printf("flac_decode_flac_vs_ours: %.2f\n", decodeFlac / decodeOurs);
    std::printf("flac_size_ours_vs_flac: %.3f\n",
                static_cast<double>(oursBytes) / static_cast<double>(flacBytes));
    std::printf("wav24_mib: %.0f\n", wav24Size);
    std::printf("wav24_copy_ours_seconds: %.3f\n", copyOurs);
    std::printf("wav24_copy_cp_seconds: %.3f\n", copyCp);
    std::printf("wav24_copy_cp_vs_ours: %.2f\n", copyCp / copyOurs);
    return 0;
}
