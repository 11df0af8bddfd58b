// The command line of sonthra-cli: a verb, its file names and its --options, checked against
// the verb's description before anything runs.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sonthra::cli {

struct VerbSpec {
    std::string name;
    // Names of the positional arguments, in order (all required), for the usage text.
    std::vector<std::string> files;
    std::vector<std::string> requiredOptions;
    std::vector<std::string> optionalOptions;
    std::string summary;
};

struct Command {
    const VerbSpec* verb = nullptr;
    std::vector<std::string> files;
    std::map<std::string, std::string> options;

    bool has(const std::string& option) const { return options.count(option) != 0; }
};

// Every verb the tool knows.
const std::vector<VerbSpec>& verbs();

// The usage text listing every verb.
std::string usage();

// Parses args (without the program name). Options are "--name value" or "--name=value" and may
// come anywhere after the verb. Returns an empty string, or what is wrong.
std::string parseCommand(const std::vector<std::string>& args, Command& command);

// A sample frame: a plain decimal integer from 0 to 4294967295.
std::optional<std::uint32_t> parseFrame(const std::string& text);
// A decimal integer within [low, high].
std::optional<long long> parseInteger(const std::string& text, long long low, long long high);
// A positive decimal number of seconds, at most a day.
std::optional<double> parseSeconds(const std::string& text);

// A position in audio of `rate` frames a second: a frame number ("44100"), seconds ending in s
// ("3.5s"), or minutes and seconds with an optional hour ("1:05.250", "1:02:03.5"). Times are
// rounded to the nearest frame. Nothing beyond frame 4294967295 reads.
std::optional<std::uint64_t> parsePosition(const std::string& text, std::uint32_t rate);

}  // namespace sonthra::cli
