// The tags and tag verbs run in the test's own process, with what they print and return.
#pragma once

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tags_command.h"

namespace sonthra::tagtest {

struct VerbRun {
    int code;
    std::string out;
    std::string err;
};

inline VerbRun tags(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::atomic<bool> interrupted{false};
    const int code = cli::runTagsVerb(args, out, err, interrupted);
    return {code, out.str(), err.str()};
}

inline VerbRun tag(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    std::atomic<bool> interrupted{false};
    const int code = cli::runTagVerb(args, out, err, interrupted);
    return {code, out.str(), err.str()};
}

}  // namespace sonthra::tagtest
