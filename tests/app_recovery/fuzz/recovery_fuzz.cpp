// The manifest a dead copy left and the header of a recording it left: both come from files
// that a crash, a full disk or another program may have cut or changed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/recovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto manifest = sonthra::ParseManifest(text)) {
        // What is read back writes out the same way.
        const std::string again = sonthra::FormatManifest(*manifest);
        if (!sonthra::ParseManifest(again)) __builtin_trap();
    }
    for (std::uint64_t extra : {0ull, 1ull, 4097ull, 0x100000000ull}) {
        if (auto repair = sonthra::PlanDataRepair(text, size + extra)) {
            if (repair->dataSizeOffset + 4 > size) __builtin_trap();
        }
    }
    return 0;
}
