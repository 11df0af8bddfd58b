#include "cli/loudness_command.h"

#include <ostream>

#include "analysis/loudness_analysis.h"
#include "cli/cli_args.h"
#include "cli/cli_edit.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/command_words.h"

namespace sonthra::cli {
namespace {

// Reads the words after the verb into command (the file and the positions as given); returns
// what is wrong, or an empty string.
std::string readCommand(const std::vector<std::string>& args, Command& command) {
    for (const CommandWord& word : splitCommandWords(args)) {
        if (word.name.empty()) {
            command.files.push_back(word.value);
        } else if (word.name != "--from" && word.name != "--to") {
            return "unknown option " + word.name;
        } else if (!word.hasValue) {
            return word.name + " needs a position";
        } else {
            command.options[word.name.substr(2)] = word.value;
        }
    }
    if (command.files.size() != 1) return "loudness takes one FILE";
    return {};
}

}  // namespace

int runLoudnessVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::atomic<bool>& interrupted) {
    Command command;
    const std::string problem = readCommand(args, command);
    if (!problem.empty()) return reportUsage(problem, err);
    const std::string& file = command.files[0];

    std::unique_ptr<FrameSource> source;
    const int opened = openWaveFrameSource(file, source);
    if (opened != 0) return reportResult(opened, err);
    const std::uint64_t frames = source->frames();
    std::uint32_t from = 0;
    auto to = static_cast<std::uint32_t>(frames);
    for (auto [name, target] : {std::pair{"from", &from}, std::pair{"to", &to}}) {
        if (!command.has(name)) continue;
        const int status = readPositionOption(command, name, file, source->format().sampleRate,
                                              frames, *target, err);
        if (status != kExitOk) return status;
    }
    if (from >= to) return reportUsage("--from and --to select no audio", err);

    LoudnessReport report{};
    const int result =
        analyzeLoudness(*source, from, to, report, [&](int) { return !interrupted.load(); });
    if (result != 0) return reportResult(result, err);
    out << loudnessReportText(report);
    return kExitOk;
}

}  // namespace sonthra::cli
