// Hostile bytes as a WAV file: the parser must neither crash nor read outside the file, and a
// layout it accepts must lie inside the file.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/wave_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const sonthra::ReadAt readAt = [&](std::uint64_t offset, void* buffer, std::size_t count) {
        if (offset >= size) return 0LL;
        const std::size_t n = std::min<std::size_t>(count, size - offset);
        std::memcpy(buffer, data + offset, n);
        return static_cast<long long>(n);
    };
    sonthra::WaveLayout layout;
    if (sonthra::parseWaveLayout(readAt, size, layout) == 0) {
        if (layout.blockAlign == 0 || layout.dataOffset + layout.dataBytes > size ||
            layout.dataBytes % layout.blockAlign != 0)
            std::abort();
    }
    return 0;
}
