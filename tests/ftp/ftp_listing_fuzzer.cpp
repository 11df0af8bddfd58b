// Feeds arbitrary server answers to the listing and folder-reply readers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ftp/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : sonthra::ftp::parseListing(text, true)) {
        if (entry.cFileName.empty()) __builtin_trap();
    }
    for (const auto& entry : sonthra::ftp::parseListing(text, false)) {
        if (entry.cFileName.empty()) __builtin_trap();
    }
    sonthra::ftp::parsePwdReply(text);
    if (size > 1) sonthra::ftp::matchesPattern(text.substr(0, size / 2), text.substr(size / 2));
    return 0;
}
