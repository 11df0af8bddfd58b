// Encodes a 10-minute 44.1 kHz stereo WAV to WMA at 128 kbit/s and decodes it back, through
// the program's WMA libraries and through the ffmpeg command, in the same run. Prints the
// ratios (peer time ÷ our time: above 1 means we are faster), then one "name: value" line each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <stdlib.h>

#include "convert/wma_export.h"
#include "convert/wma_import.h"
#include "wave/wave_probe.h"

using namespace sonthra;

namespace {

double seconds(const std::function<bool()>& work, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main() {
    char pattern[] = "/tmp/sonthra-wma-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    const std::string wav = dir + "/in.wav";
    if (!shell("sox -n -r 44100 -c 2 -b 16 " + wav + " synth 600 pinknoise vol 0.3")) return 1;
    int code = 0;
    const auto encoder = WmaEncoderLibrary::load(defaultWmaEncoderPath(), code);
    const auto playback = WmaPlaybackLibrary::load(defaultWmaPlaybackPath());
    if (!encoder || !playback) return 1;
    WaveFormat format;
    probeWave(wav, nullptr, &format);
    std::vector<std::string> encoders, formats;
    listWmaEncoders(*encoder, format, encoders);
    listWmaFormats(*encoder, encoders.at(0), format, formats);
    const int index = wmaFormatForBitrate(formats, 128);

    bool ok1 = false, ok2 = false, ok3 = false, ok4 = false;
    const double ourEncode = seconds(
        [&] { return exportWmaFile(*encoder, wav, dir + "/ours.wma", index, encoders[0]) == 0; },
        ok1);
    const double peerEncode = seconds(
        [&] {
            return shell("ffmpeg -nostdin -y -i " + wav + " -c:a wmav2 -b:a 128k " + dir +
                         "/peer.wma");
        },
        ok2);
    const double ourDecode = seconds(
        [&] { return importWmaFile(*playback, dir + "/peer.wma", dir + "/ours.wav") == 0; }, ok3);
    const double peerDecode = seconds(
        [&] { return shell("ffmpeg -nostdin -y -i " + dir + "/peer.wma " + dir + "/peer.wav"); },
        ok4);
    std::filesystem::remove_all(dir);
    if (!(ok1 && ok2 && ok3 && ok4)) return 1;
    std::printf("encode ratio (ffmpeg / ours): %.2f\n", peerEncode / ourEncode);
    std::printf("decode ratio (ffmpeg / ours): %.2f\n", peerDecode / ourDecode);
    std::printf("wma_encode_seconds: %.3f\n", ourEncode);
    std::printf("ffmpeg_encode_seconds: %.3f\n", peerEncode);
    std::printf("wma_decode_seconds: %.3f\n", ourDecode);
    std::printf("ffmpeg_decode_seconds: %.3f\n", peerDecode);
    std::printf("encode_ratio: %.3f\n", peerEncode / ourEncode);
    std::printf("decode_ratio: %.3f\n", peerDecode / ourDecode);
    return 0;
}
