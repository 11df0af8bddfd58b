// "sonthra-cli effects" lists the effect plug-ins found beside the program by their menu
// captions; "sonthra-cli effect NAME IN OUT [--from F --to T] [--set KEY=VALUE]..." applies one
// to a WAV file through the same plug-in calls as the program's Effects menu.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kEffectsUsage =
    "  sonthra-cli effects\n"
    "      lists the effects found beside the program: menu caption, then name\n";
inline constexpr const char* kEffectUsage =
    "  sonthra-cli effect NAME IN OUT [--from F] [--to T] [--set KEY=VALUE]...\n"
    "      writes OUT as IN with the effect NAME (any case) applied to frames F to T (default\n"
    "      the whole file), the effect's settings changed by each --set; what the effect says\n"
    "      it did (clipping, a loudness it fell short of) follows \"wrote OUT\"\n";

int runEffectsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& interrupted);
// Exit codes of cli_verbs.h; Ctrl+C (interrupted) cancels and leaves no OUT.
int runEffectVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
