// "sonthra-cli peaks WAV [OUT.cvp]": builds the peak file of a WAV file with the display's own
// peak builder, beside the WAV file unless another name is given, so that a folder of
// recordings can be prepared ahead of opening them.
#pragma once

#include <string>
#include <vector>

namespace sonthra {

// args: the words after the verb. Prints what it wrote to standard output and failures to
// standard error. Exit codes: 0 written, 1 failed, 2 wrong arguments.
int RunPeaksCommand(const std::vector<std::string>& args);

}  // namespace sonthra
