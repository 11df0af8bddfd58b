// Feeds arbitrary server answers to the listing and folder-reply readers, and arbitrary stored
// text to the password unscrambler.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ftp/ftp_listing.h"
#include "ftp/password_scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& entry : sonthra::ftp::parseListing(text, true)) {
        if (entry.cFileName.empty()) __builtin_trap();
    }
    for (const auto& entry : sonthra::ftp::parseListing(text, false)) {
        if (entry.cFileName.empty()) __builtin_trap();
    }
    sonthra::ftp::parsePwdReply(text);
    // Stored passwords come from a file the user (or anyone) may have edited.
    const std::string password = sonthra::ftp::UnscramblePassword(text);
    if (password.size() > size / 2 || password.find('\0') != std::string::npos) __builtin_trap();
    if (size > 1) sonthra::ftp::matchesPattern(text.substr(0, size / 2), text.substr(size / 2));
    return 0;
}
