// Verbs of the feature libraries (tags, conversions, effects, uploads, podcasts). Each lives in
// a file of its own, parses its own words and prints its own usage lines; the table in
// feature_verbs.cpp lists them, one line each.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

// args are the words after the verb. Returns an exit code of cli_verbs.h.
using FeatureVerbRun = int (*)(const std::vector<std::string>& args, std::ostream& out,
                               std::ostream& err, const std::atomic<bool>& interrupted);

struct FeatureVerb {
    const char* name;
    // One or more lines for the usage text, each starting with "  sonthra-cli NAME".
    const char* usage;
    FeatureVerbRun run;
};

const std::vector<FeatureVerb>& featureVerbs();

// The verb named args[0], or nullptr.
const FeatureVerb* findFeatureVerb(const std::vector<std::string>& args);

}  // namespace sonthra::cli
