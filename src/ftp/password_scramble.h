// The scrambling of stored passwords (saved FTP connections and the host table's login names):
// each kept character is combined with a fixed key and written as two upper-case hex digits.
// It keeps a password from being read at a glance, nothing more; the files that hold it are
// readable by their owner only.
#pragma once

#include <string>
#include <string_view>

namespace sonthra::ftp {

// The password scrambled: twice as many hex digits. The 33-character key repeats for longer
// passwords, which were once cut to 33 characters and then failed to log in.
std::string ScramblePassword(std::string_view password);
// The password back from its scrambled text. Reading stops at the first pair that is not two
// hex digits and at a character that would be NUL.
std::string UnscramblePassword(std::string_view scrambled);

}  // namespace sonthra::ftp
