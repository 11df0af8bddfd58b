#include "cli/effects_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include "cli/cli_args.h"
#include "cli/cli_info.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/command_words.h"
#include "effects/effect_captions.h"
#include "effects/effect_file_run.h"
#include "effects/effect_host.h"
#include "messages/message_table.h"
#include "platform/program_folder.h"
#include "wave/wave_probe.h"

namespace sonthra::cli {
namespace {

struct EffectCommand {
    std::vector<std::string> files;
    std::optional<std::uint32_t> from, to;
    std::vector<std::string> settings;
};

// Reads the words after the verb; returns what is wrong, or an empty string.
std::string readCommand(const std::vector<std::string>& args, EffectCommand& command) {
    for (const CommandWord& word : splitCommandWords(args)) {
        const std::string& name = word.name;
        const std::string& value = word.value;
        if (name.empty()) {
            command.files.push_back(value);
            continue;
        }
        if (!word.hasValue) return name + " needs a value";
        if (name == "--set") {
            if (value.find('=') == std::string::npos) return "--set takes KEY=VALUE";
            command.settings.push_back(value);
        } else if (name == "--from" || name == "--to") {
            const auto frame = parseFrame(value);
            if (!frame) return name + " takes a sample frame number";
            (name == "--from" ? command.from : command.to) = frame;
        } else {
            return "unknown option " + name;
        }
    }
    if (command.files.size() != 3) return "effect takes NAME IN OUT";
    return {};
}

}  // namespace

int runEffectsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>&) {
    if (!args.empty()) return reportUsage("effects takes no arguments", err);
    EffectPluginList plugins;
    LoadEffectPlugins(plugins, programFolder());
    for (const auto& plugin : plugins.plugins()) {
        out << GetPredefinedEffectMenuItemName(plugin->effectName, nullptr) << '\t'
            << plugin->effectName << '\n';
    }
    return kExitOk;
}

int runEffectVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted) {
    EffectCommand command;
    const std::string problem = readCommand(args, command);
    if (!problem.empty()) return reportUsage(problem, err);
    EffectFileJob job;
    job.effectName = command.files[0];
    job.input = command.files[1];
    job.output = command.files[2];
    job.settings = command.settings;
    struct stat st {};
    if (::stat(job.output.c_str(), &st) == 0) return reportExists(job.output, err);

    if (const int refused = refuseInput(job.input, true, err); refused != kExitOk) return refused;
    std::uint32_t frames = 0;
    const int probed = probeWave(job.input, &frames, nullptr);
    if (probed != 0) {
        err << FormatMessage(probed) << '\n';
        return kExitFailed;
    }
    if (command.from || command.to) {
        const std::uint32_t from = std::min(command.from.value_or(0), frames);
        const std::uint32_t to = std::min(command.to.value_or(frames), frames);
        if (from == to) return reportUsage("--from and --to select no audio", err);
        job.selectionStart = from;
        job.selectionEnd = to;
    }

    EffectPluginList plugins;
    LoadEffectPlugins(plugins, programFolder());
    std::string detail;
    const int result = applyEffectToFile(plugins, job, &detail, &interrupted);
    switch (result) {
        case 0:
            out << "wrote " << job.output << '\n';
            return kExitOk;
        case kEffectUnknownName:
            err << "no effect named \"" << job.effectName
                << "\" (sonthra-cli effects lists them)\n";
            return kExitUsage;
        case kEffectSettingRefused:
            err << job.effectName << " does not take the setting " << detail << '\n';
            return kExitUsage;
        case kCancelled:
            err << FormatMessage(kCancelled) << '\n';
            return kExitInterrupted;
        default:
            err << FormatMessage(result) << '\n';
            return kExitFailed;
    }
}

}  // namespace sonthra::cli
