// "sonthra-cli info": what a file holds. A WAV file the editor takes gets its rate, sample size,
// channels, frames and length; any other file gets what can be told of it (its kind, its size,
// and for a WAV file of another encoding or sample size the format it declares) before the
// product's message says why it cannot be edited.
#pragma once

#include <iosfwd>
#include <string>

namespace sonthra::cli {

int runInfo(const std::string& path, std::ostream& out, std::ostream& err);

// The kind of audio file the first bytes say it is ("FLAC", "Ogg", "WMA (ASF)", ...), or empty.
std::string audioKindOf(const unsigned char* bytes, std::size_t count);

// The name of a WAV format tag ("IEEE float", "A-law", ...), or "tag N" for an unknown one.
std::string formatTagName(unsigned tag);

}  // namespace sonthra::cli
