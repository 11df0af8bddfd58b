#include "cli/chain_command.h"

#include <sys/stat.h>

#include <ostream>

#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "effects/effect_chain.h"
#include "effects/effect_host.h"
#include "messages/message_table.h"
#include "platform/program_folder.h"

namespace sonthra::cli {

namespace {

bool namesFile(const std::string& word) {
    const std::string suffix = ".chain";
    return word.find('/') != std::string::npos ||
           (word.size() > suffix.size() &&
            word.compare(word.size() - suffix.size(), suffix.size(), suffix) == 0);
}

int reportChainProblem(int result, const std::string& what, const std::string& why,
                       std::ostream& err) {
    if (!why.empty()) err << what << ": " << why << '\n';
    err << FormatMessage(result) << '\n';
    return kExitFailed;
}

}  // namespace

int runChainVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::atomic<bool>& interrupted) {
    if (args.size() != 3) return reportUsage("chain takes NAME|FILE IN OUT", err);
    const std::string& which = args[0];
    const std::string& input = args[1];
    const std::string& output = args[2];
    struct stat st {};
    if (::stat(output.c_str(), &st) == 0) return reportExists(output, err);

    EffectChain chain;
    std::string why;
    const int loaded = namesFile(which) ? loadEffectChainFile(which, chain, &why)
                                        : EffectChainStore().load(which, chain, &why);
    if (loaded != 0) return reportChainProblem(loaded, which, why, err);

    EffectPluginList plugins;
    LoadEffectPlugins(plugins, programFolder());
    std::vector<std::string> said;
    const int result = applyChainToFile(plugins, chain, input, output, &why, &said, &interrupted);
    if (result == kCancelled) {
        err << FormatMessage(kCancelled) << '\n';
        return kExitInterrupted;
    }
    if (result != 0) return reportChainProblem(result, which, why, err);
    out << "wrote " << output << '\n';
    for (const std::string& text : said) out << text << '\n';
    return kExitOk;
}

}  // namespace sonthra::cli
