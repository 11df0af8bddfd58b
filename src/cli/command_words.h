// The words of a verb that parses its own command line, split into positional words and
// --options, so that each verb checks only its own names and values.
#pragma once

#include <string>
#include <vector>

namespace sonthra::cli {

// One word of a verb that parses its own command line: a positional word (name empty), or an
// option "--name value" or "--name=value" (name with its "--"). An option that ends the line
// without a value has hasValue false.
struct CommandWord {
    std::string name;
    std::string value;
    bool hasValue = true;
};
std::vector<CommandWord> splitCommandWords(const std::vector<std::string>& args);

}  // namespace sonthra::cli
