#include "ftp/password_scramble.h"

#include <cctype>

namespace sonthra::ftp {
namespace {

constexpr std::string_view kKey = "qVhTmZrKcWbLxYpNdGsJf-EuAkRoI7nHe";
static_assert(kKey.size() == 33);

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string ScramblePassword(std::string_view password) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    // Past the key's length the key starts again, so a long password is kept whole; the first
    // 33 characters scramble as they always have, so stored values still read.
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto value = static_cast<unsigned char>(password[i] ^ kKey[i % kKey.size()]);
        out += kDigits[value >> 4];
        out += kDigits[value & 0x0F];
    }
    return out;
}

std::string UnscramblePassword(std::string_view scrambled) {
    std::string out;
    for (std::size_t i = 0; i + 1 < scrambled.size(); i += 2) {
        const int high = hexValue(scrambled[i]);
        const int low = hexValue(scrambled[i + 1]);
        if (high < 0 || low < 0) break;
        const char c = static_cast<char>((high << 4 | low) ^ kKey[out.size() % kKey.size()]);
        if (c == '\0') break;
        out += c;
    }
    return out;
}

}  // namespace sonthra::ftp
