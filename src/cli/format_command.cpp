#include "cli/format_command.h"

#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/cli_args.h"
#include "cli/cli_info.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/command_words.h"
#include "convert/format_convert.h"
#include "messages/message_table.h"
#include "wave/wave_probe.h"

namespace sonthra::cli {
namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);

struct FormatRequest {
    std::vector<std::string> files;
    std::optional<long long> rate, bits, channels;
};

// Reads the words after the verb; returns what is wrong, or an empty string.
std::string readRequest(const std::vector<std::string>& args, FormatRequest& request) {
    struct Option {
        const char* name;
        std::optional<long long>* target;
        long long low, high;
        const char* problem;
    } options[] = {
        {"--rate", &request.rate, 1000, 384000, "--rate must be 1000 to 384000 hertz"},
        {"--bits", &request.bits, 8, 16, "--bits must be 8 or 16"},
        {"--channels", &request.channels, 1, 2, "--channels must be 1 or 2"},
    };
    for (const CommandWord& word : splitCommandWords(args)) {
        if (word.name.empty()) {
            request.files.push_back(word.value);
            continue;
        }
        Option* option = nullptr;
        for (Option& o : options) {
            if (word.name == o.name) option = &o;
        }
        if (!option) return "unknown option " + word.name;
        // An option without a value reads as empty and is refused with its range.
        const auto number = parseInteger(word.value, option->low, option->high);
        if (!number || (option->target == &request.bits && *number != 8 && *number != 16)) {
            return option->problem;
        }
        *option->target = number;
    }
    if (request.files.size() != 2) return "format needs IN and OUT";
    return {};
}

int reportConverter(int code, std::ostream& err) {
    const char* text = MessageText(FormatCodeToMessage(code));
    err << "sonthra-cli format: " << (text ? text : "failed") << " (converter code " << code
        << ")\n";
    return kExitFailed;
}

}  // namespace

int runFormatVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted) {
    FormatRequest request;
    const std::string problem = readRequest(args, request);
    if (!problem.empty()) return reportUsage(problem, err);
    const std::string& in = request.files[0];
    const std::string& outFile = request.files[1];

    if (const int refused = refuseInput(in, true, err); refused != kExitOk) return refused;
    WaveFormat source;
    if (probeWave(in, nullptr, &source) != 0) return reportConverter(kFmtCannotOpenInput, err);
    struct stat st {};
    if (::stat(outFile.c_str(), &st) == 0) return reportExists(outFile, err);
    const WaveFormat target =
        makePcmFormat(static_cast<std::uint32_t>(request.rate.value_or(source.sampleRate)),
                      static_cast<std::uint16_t>(request.bits.value_or(source.bitsPerSample)),
                      static_cast<std::uint16_t>(request.channels.value_or(source.channels)));
    unsigned char buffer[kWaveFormatBytes];
    encodeWaveFormat(target, buffer);

    ConvertHandle handle = nullptr;
    const int started = AudioConvert(in, outFile, buffer, &handle, 0);
    if (started != 0) return reportConverter(started, err);
    bool cancelled = false;
    while (!AudioConvertProcessIsOver(handle)) {
        if (interrupted.load() && !cancelled) {
            AudioConvertCancelPressed(handle);
            cancelled = true;
        }
        err << "\rformat " << AudioConvertGetProcessProgress(handle) << "%" << std::flush;
        std::this_thread::sleep_for(kPollPeriod);
    }
    const int reason = AudioConvertGetReasonForProcessExit(handle);
    AudioConvertCloseHandle(&handle);
    if (reason != 0) {
        err << "\n";
        reportConverter(reason, err);
        return reason == kFmtCancelled ? kExitInterrupted : kExitFailed;
    }
    err << "\rformat 100%\n";
    out << outFile << ": " << target.sampleRate << " Hz, " << target.bitsPerSample << " bits, "
        << target.channels << (target.channels == 1 ? " channel\n" : " channels\n");
    return kExitOk;
}

}  // namespace sonthra::cli
