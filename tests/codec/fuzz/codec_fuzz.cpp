// Hostile bytes through the FFmpeg-based reader of one kind (chosen when the target is built):
// the probe and the whole decode into a WAV. Nothing may crash, hang or read out of bounds; a
// decode that succeeds leaves a WAV whose header holds exactly the frames it reports, and one
// that fails leaves no file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "codec/av_codec.h"
#include "codec/pcm_wave.h"
#include "convert/fuzz/fuzz_input.h"
#include "wave/riff.h"

namespace {

// Half of the inputs open with the kind's signature, so that the search spends its time in the
// demuxer and the decoder rather than in the sniffer that turns them away.
#if defined(CODEC_FUZZ_FLAC)
const std::string kMagic("fLaC", 4);
#elif defined(CODEC_FUZZ_OGG)
const std::string kMagic("OggS\0\2", 6);
#elif defined(CODEC_FUZZ_MP4)
const std::string kMagic(
    "\0\0\0\x18"
    "ftypM4A ",
    12);
#elif defined(CODEC_FUZZ_AIFF)
const std::string kMagic(
    "FORM\x7f\xff\xff\xff"
    "AIFC",
    12);
#elif defined(CODEC_FUZZ_CAF)
const std::string kMagic("caff\0\1\0\0", 8);
#else
const std::string kMagic(
    "RF64\xff\xff\xff\xff"
    "WAVE",
    12);
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes;
    if (size > 0 && (data[0] & 1)) bytes = kMagic;
    if (size > 0) bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string in = sonthra::fuzzing::inputFile(
        "in", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const std::string out = sonthra::fuzzing::folder() + "/out.wav";

    sonthra::DecodeResult probe;
    sonthra::probeAudioFile(in, &probe);
    sonthra::DecodeResult result;
    // More than two channels are mixed down or one pair taken, as the second byte says.
    const int choice = size > 1 ? data[1] : 0;
    const sonthra::DecodeOptions options{
        choice & 8 ? sonthra::ChannelChoice::MixToStereo : sonthra::ChannelChoice::TakePair,
        choice % 8};
    const int code = sonthra::decodeToWave(in, out, options, &result);
    if (code == sonthra::kSuccess) {
        sonthra::PcmWaveInfo info;
        std::string why;
        const int fd = sonthra::openRegularFile(out);
        if (fd < 0 || !sonthra::readPcmWaveHeader(fd, &info, &why)) std::abort();
        ::close(fd);
        if (info.format != result.format ||
            info.dataBytes != result.frames * result.format.blockAlign()) {
            std::abort();
        }
        std::remove(out.c_str());
    } else if (::access(out.c_str(), F_OK) == 0) {
        std::abort();
    }
    return 0;
}
