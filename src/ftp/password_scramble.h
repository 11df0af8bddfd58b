// The scrambling of stored passwords (saved FTP connections and the host table's login names):
// each kept character is combined with a fixed key and written as two upper-case hex digits.
// It keeps a password from being read at a glance, nothing more; the files that hold it are
// readable by their owner only.
#pragma once

#include <string>
#include <string_view>

namespace sonthra::ftp {

// The first 33 characters of password at most, scrambled: twice as many hex digits.
std::string ScramblePassword(std::string_view password);
// The password back from its scrambled text. Reading stops at the first pair that is not two
// hex digits, at the end of the key and at a character that would be NUL.
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace sonthra::ftp
