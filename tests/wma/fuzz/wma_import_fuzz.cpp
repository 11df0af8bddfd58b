// Hostile bytes through the WMA import: the copy-protection scan, the file information call and
// the whole conversion to WAV, as the reading library runs them. Nothing may crash, hang or read
// out of bounds; a conversion that succeeds leaves a WAV whose sizes match its length.
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/fuzz/fuzz_input.h"
#include "wma_av.h"

extern "C" int GetFileInfo(unsigned char* record);
extern "C" int ConvertWmaFileIntoWave(const char*, const char*, std::int32_t*, std::int32_t*,
                                      std::int32_t*);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    wmaplugin::asfHeaderIsProtected(data, size);
    const std::string in = sonthra::fuzzing::inputFile("in.wma", data, size);
    const std::string out = sonthra::fuzzing::folder() + "/out.wav";
    std::array<unsigned char, 2328> record{};
    std::memcpy(record.data() + 1040, in.c_str(), in.size());
    GetFileInfo(record.data());
    std::int32_t cancel = 0, progress = 0, state = 1;
    const int code = ConvertWmaFileIntoWave(in.c_str(), out.c_str(), &cancel, &progress, &state);
    struct stat st {};
    const bool made = code == 0 || code == 11;
    if (made != (state == 0 && ::stat(out.c_str(), &st) == 0)) std::abort();
    if (made) {
        if (st.st_size < 44) std::abort();
        std::remove(out.c_str());
    }
    return 0;
}
