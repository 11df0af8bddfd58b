// Hostile peak files: the loader must refuse or read them without reading past anything, and
// whatever it accepts must be drawable.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "view/peak_file.h"
#include "view/view_render.h"

namespace {

std::string folder() {
    static const std::string path = [] {
        // A plain array, which outlives every destructor, names the folder for the clean-up.
        static char pattern[] = "/tmp/sonthra-peakfuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) std::abort();
        const std::string wav = std::string(made) + "/a.wav";
        // Only the WAV file's time matters to the loader; an old one makes every peak file current.
        std::FILE* f = std::fopen(wav.c_str(), "wb");
        if (!f) std::abort();
        std::fclose(f);
        struct timespec times[2] = {{1, 0}, {1, 0}};
        ::utimensat(AT_FDCWD, wav.c_str(), times, 0);
        // The folder goes when the fuzzer ends its run.
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(pattern, ec);
        });
        return std::string(made);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonthra;
    if (size < 3) return 0;
    // The first bytes choose the WAV file the peak file claims to belong to, and whether the
    // rest is the whole peak file or only its arrays behind a header that fits that file.
    const std::uint8_t flags = data[0];
    const std::uint16_t channels = static_cast<std::uint16_t>(1 + (flags & 1));
    const int bits = flags & 2 ? 8 : 16;
    const std::uint32_t total =
        static_cast<std::uint32_t>(data[1]) | static_cast<std::uint32_t>(data[2]) << 8;
    std::string bytes;
    if (flags & 4) {
        const auto blocks = static_cast<std::uint32_t>(peakBlockCount(total));
        bytes.push_back(static_cast<char>(channels));
        bytes.push_back(0);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(blocks >> (8 * i)));
    }
    bytes.append(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::string peak = folder() + "/a.cvp";
    std::FILE* f = std::fopen(peak.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    std::vector<PeakData::Channel> arrays;
    const int code = LoadPeakFile(peak, folder() + "/a.wav", total, channels, arrays);
    if (code != 0) {
        if (!arrays.empty()) std::abort();
        return 0;
    }
    if (arrays.size() != channels) std::abort();
    for (const auto& a : arrays) {
        if (a.size() != peakBlockCount(total)) std::abort();
    }
    const PeakData peaks(std::move(arrays));
    const std::uint32_t max = WholeFileZoom(total, 300);
    for (const std::uint32_t zoom : {32u, 100u, max}) {
        const RenderPlan plan = PlanRender(zoom, total / 3, total, 300, max);
        if (!plan.fromPeaks) continue;
        const LaneLayout lanes = LayoutLanes(100, channels);
        for (int c = 0; c < channels; ++c) {
            const auto points = PeakPoints(peaks, c, plan, lanes.centres[c], lanes.lane / 2, bits);
            if (points.size() != 2 * static_cast<std::size_t>(plan.columns)) std::abort();
        }
    }
    return 0;
}
