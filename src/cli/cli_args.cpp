#include "cli/cli_args.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "cli/feature_verbs.h"

namespace sonthra::cli {
namespace {

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() <= 19 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// "12" or "12.345": whole seconds and a decimal fraction, as frames at rate.
std::optional<std::uint64_t> secondsToFrames(const std::string& text, std::uint32_t rate) {
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (!allDigits(whole) || whole.size() > 9) return std::nullopt;
    if (dot != std::string::npos && (!allDigits(fraction) || fraction.size() > 9))
        return std::nullopt;
    std::uint64_t frames = std::stoull(whole) * rate;
    if (!fraction.empty()) {
        std::uint64_t scale = 1;
        for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
        frames += (std::stoull(fraction) * rate + scale / 2) / scale;
    }
    return frames;
}

const char* valueName(const std::string& option) {
    return option == "from" || option == "to" || option == "at" ? "POS" : "N";
}

}  // namespace

const std::vector<VerbSpec>& verbs() {
    static const std::vector<VerbSpec> table = {
        {"info",
         {"FILE"},
         {},
         {},
         "rate, bits, channels, frames and length of a WAV file; what can be told of any other"},
        {"devices", {}, {}, {}, "the recording and playback devices"},
        {"play", {"FILE"}, {}, {"from", "to"}, "play [from, to) of a WAV file"},
        {"record",
         {"OUT"},
         {"seconds"},
         {"rate", "bits", "channels"},
         "record from the default recording device into a new WAV file"},
        {"cut", {"IN", "OUT"}, {"from", "to"}, {}, "remove [from, to)"},
        {"clear", {"IN", "OUT"}, {"from", "to"}, {}, "remove [from, to)"},
        {"crop", {"IN", "OUT"}, {"from", "to"}, {}, "keep only [from, to)"},
        {"copy-to", {"IN", "CLIP"}, {"from", "to"}, {}, "write [from, to) to CLIP"},
        {"paste", {"IN", "CLIP", "OUT"}, {"at"}, {}, "insert the audio of CLIP at a position"},
        {"mute",
         {"IN", "OUT"},
         {"from", "to"},
         {"channels"},
         "silence [from, to) on channel 1 (left), 2 (right) or 3 (both, the default)"},
        {"trim",
         {"IN", "OUT"},
         {},
         {"from", "to", "threshold", "threshold-db", "pad"},
         "remove the silence at both ends of [from, to) (the whole file by default), keeping "
         "pad seconds (0.2) at each cut; threshold-db in dB below full scale, measured from "
         "the noise floor when not given (threshold: the old hundredths of a percent, no pad)"},
        {"insert-silence", {"IN", "OUT"}, {"at", "ms"}, {}, "insert milliseconds of silence"},
    };
    return table;
}

std::string usage() {
    std::ostringstream out;
    out << "usage: sonthra-cli VERB ARGUMENTS\n"
        << "       sonthra-cli --help | --version\n"
        << "A position (POS) is a sample frame counted from 0 (\"44100\"), seconds (\"3.5s\") or\n"
        << "minutes and seconds (\"1:05.250\", \"1:02:03.5\" with hours). Every verb writes a new\n"
        << "file and leaves its input alone; progress goes to standard error.\n\n";
    for (const VerbSpec& verb : verbs()) {
        out << "  sonthra-cli " << verb.name;
        for (const std::string& file : verb.files) out << ' ' << file;
        for (const std::string& option : verb.requiredOptions)
            out << " --" << option << ' ' << valueName(option);
        for (const std::string& option : verb.optionalOptions)
            out << " [--" << option << ' ' << valueName(option) << ']';
        out << "\n      " << verb.summary << '\n';
    }
    out << "  sonthra-cli peaks WAV [OUT.cvp]\n"
        << "      build the waveform's peak file (beside the WAV file unless OUT is given)\n";
    for (const FeatureVerb& verb : featureVerbs()) out << verb.usage;
    return out.str();
}

std::string parseCommand(const std::vector<std::string>& args, Command& command) {
    command = Command{};
    if (args.empty()) return "no verb given";
    const auto& table = verbs();
    const auto verb = std::find_if(table.begin(), table.end(),
                                   [&](const VerbSpec& v) { return v.name == args[0]; });
    if (verb == table.end()) return "unknown verb '" + args[0] + "'";
    command.verb = &*verb;

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::string name = arg.substr(2);
            std::string value;
            const std::size_t equals = name.find('=');
            if (equals != std::string::npos) {
                value = name.substr(equals + 1);
                name.resize(equals);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return "--" + name + " needs a value";
            }
            if (!contains(verb->requiredOptions, name) && !contains(verb->optionalOptions, name))
                return "'" + verb->name + "' takes no option --" + name;
            if (command.options.count(name) != 0) return "--" + name + " given twice";
            command.options[name] = value;
        } else {
            command.files.push_back(arg);
        }
    }
    if (command.files.size() != verb->files.size()) {
        return "'" + verb->name + "' takes " + std::to_string(verb->files.size()) +
               " file name(s), not " + std::to_string(command.files.size());
    }
    for (const std::string& file : command.files)
        if (file.empty()) return "an empty file name";
    for (const std::string& option : verb->requiredOptions)
        if (!command.has(option)) return "'" + verb->name + "' needs --" + option;
    return {};
}

std::optional<long long> parseInteger(const std::string& text, long long low, long long high) {
    if (!allDigits(text)) return std::nullopt;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parseFrame(const std::string& text) {
    const auto value = parseInteger(text, 0, 0xFFFFFFFFll);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<double> parseSeconds(const std::string& text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(),
                                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value) || value <= 0 ||
        value > 24 * 3600)
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> parsePosition(const std::string& text, std::uint32_t rate) {
    std::optional<std::uint64_t> frames;
    if (allDigits(text)) {
        frames = parseInteger(text, 0, 0xFFFFFFFFll);
    } else if (rate == 0 || text.empty() || text.size() > 40) {
        return std::nullopt;
    } else if (text.back() == 's' && text.find(':') == std::string::npos) {
        frames = secondsToFrames(text.substr(0, text.size() - 1), rate);
    } else {
        // [hours:]minutes:seconds; the parts after the first stay below 60.
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos;
             start = colon + 1)
            parts.push_back(text.substr(start, colon - start));
        parts.push_back(text.substr(start));
        if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
        std::uint64_t minutes = 0;
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
            const auto part = parseInteger(parts[i], 0, i == 0 ? 100000 : 59);
            if (!part) return std::nullopt;
            minutes = minutes * 60 + static_cast<std::uint64_t>(*part);
        }
        const std::string& secondsPart = parts.back();
        if (secondsPart.size() < 2 || secondsPart.find('.') == 1 || secondsPart[0] > '5')
            return std::nullopt;  // two digits for the seconds, 00 to 59
        const auto seconds = secondsToFrames(secondsPart, rate);
        if (!seconds) return std::nullopt;
        frames = minutes * 60 * rate + *seconds;
    }
    if (!frames || *frames > 0xFFFFFFFFull) return std::nullopt;
    return frames;
}

}  // namespace sonthra::cli
