// "sonthra-cli info": what a file holds, told from its content whatever its name. A WAV file
// the editor takes gets its rate, sample size, channels, frames and length, an MP3 file its
// stream; any other file gets what can be told of it (its kind, its size, and for a WAV file of
// another encoding or sample size the format it declares) before the refusal says what it is.
#pragma once

#include <iosfwd>
#include <string>

namespace sonthra::cli {

int runInfo(const std::string& path, std::ostream& out, std::ostream& err);

// Prints the refusal of an input file by its inspection (wave/wave_inspect.h): 0 when the file
// is taken, else kExitFailed with the one text every path shows. waveOnly refuses MPEG audio
// too, for the verbs that work on WAV files.
int refuseInput(const std::string& path, bool waveOnly, std::ostream& err);

}  // namespace sonthra::cli
