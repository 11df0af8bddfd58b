#include "cli/cli_verbs.h"

#include "cli/peaks_command.h"

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <ostream>
#include <thread>

#include "cli/cli_args.h"
#include "cli/cli_edit.h"
#include "cli/cli_info.h"
#include "cli/cli_report.h"
#include "cli/convert_command.h"
#include "cli/feature_verbs.h"
#include "engine/audio_io.h"
#include "engine/engine_errors.h"
#include "engine/wave_layout.h"
#include "messages/message_table.h"

namespace sonthra::cli {
namespace {

constexpr auto kProgressPeriod = std::chrono::milliseconds(100);
constexpr int kNoRecordingDevice = 192;
constexpr int kNoPlaybackDevice = 194;

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// Waits for the engine's end-of-playback message.
class EndOfPlayback {
public:
    CallbackWindow callback() {
        return [this](unsigned message, std::intptr_t, std::intptr_t) {
            if (message != kEndOfPlaybackMessage) return;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
            m_changed.notify_all();
        };
    }

    bool waitFor(std::chrono::milliseconds period) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, period, [this] { return m_ended; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ended = false;
};

std::uint64_t framesToMs(std::uint64_t frames, std::uint32_t rate) {
    return rate == 0 ? 0 : frames * 1000 / rate;
}

int devices(std::ostream& out, std::ostream& err) {
    AudioIO engine;
    int status = kExitOk;
    struct Side {
        const char* title;
        int count;
        int (AudioIO::*describe)(int, char*);
        int (AudioIO::*preferred)(int*);
        const char* defaultEntry;
        int noDevice;
    } sides[] = {
        {"Recording devices:", engine.GetNumberOfInputDevices(),
         &AudioIO::GetInputDeviceDescription, &AudioIO::GetPreferredInputDeviceIndex,
         "Default Recording Device", kNoRecordingDevice},
        {"Playback devices:", engine.GetNumberOfOutputDevices(),
         &AudioIO::GetOutputDeviceDescription, &AudioIO::GetPreferredOutputDeviceIndex,
         "Default Playback Device", kNoPlaybackDevice},
    };
    for (const Side& side : sides) {
        out << side.title << "\n";
        if (side.count == 0) {
            err << FormatMessage(side.noDevice) << "\n";
            status = kExitFailed;
            continue;
        }
        int preferred = -1;
        (engine.*side.preferred)(&preferred);
        for (int index = 0; index < side.count; ++index) {
            char text[kDeviceDescriptionSize] = {};
            if ((engine.*side.describe)(index, text) != 0)
                std::snprintf(text, sizeof text, "Unknown Device");
            out << "  " << index << "  " << text << (index == preferred ? "  (preferred)" : "")
                << "\n";
        }
        out << "  -1  " << side.defaultEntry << "\n";
    }
    return status;
}

int play(const Command& command, std::ostream& err, const std::atomic<bool>& interrupted) {
    const std::string& file = command.files[0];
    if (const int refused = refuseInput(file, true, err); refused != kExitOk) return refused;
    WaveLayout layout;
    const int checked = readWaveLayout(file, layout);
    if (checked != 0) return reportEngineError(checked, err);
    std::uint32_t from = 0, to = 0;
    for (auto [name, target] : {std::pair{"from", &from}, std::pair{"to", &to}}) {
        if (!command.has(name)) continue;
        const int status = readPositionOption(command, name, file, layout.sampleRate,
                                              layout.frames(), *target, err);
        if (status != kExitOk) return status;
    }

    AudioIO engine;
    EndOfPlayback end;
    engine.SetCallbackWindow(end.callback());
    const int result = engine.AudioPlayWave(file, from, 1, 0, 0, to);
    if (result != 0) return reportEngineError(result, err);
    const std::uint64_t last =
        to == 0 ? layout.frames() : std::min<std::uint64_t>(to, layout.frames());
    const std::string total = positionText(framesToMs(last, layout.sampleRate));
    bool ended = false;
    while (!ended && !interrupted.load()) {
        ended = end.waitFor(kProgressPeriod);
        err << "\rplaying "
            << positionText(framesToMs(engine.AudioGetPosition(1), layout.sampleRate)) << " of "
            << total << std::flush;
    }
    err << "\n";
    // Asked before the stop, which ends the playback as the user's doing.
    const bool deviceLost = ended && engine.playbackDeviceLost();
    engine.AudioStop();
    if (deviceLost) return reportEngineError(engine_error::kCannotOpenOutputDevice, err);
    return ended ? kExitOk : kExitInterrupted;
}

int record(const Command& command, std::ostream& err, const std::atomic<bool>& interrupted) {
    const std::string& file = command.files[0];
    const auto seconds = parseSeconds(command.options.at("seconds"));
    if (!seconds) return reportUsage("--seconds must be a positive number of seconds", err);
    long long rate = 44100, bits = 16, channels = 2;
    if (command.has("rate")) {
        const auto value = parseInteger(command.options.at("rate"), 1, 384000);
        if (!value) return reportUsage("--rate must be a sample rate in hertz", err);
        rate = *value;
    }
    if (command.has("bits")) {
        const auto value = parseInteger(command.options.at("bits"), 8, 16);
        if (!value || (*value != 8 && *value != 16))
            return reportUsage("--bits must be 8 or 16", err);
        bits = *value;
    }
    if (command.has("channels")) {
        const auto value = parseInteger(command.options.at("channels"), 1, 2);
        if (!value) return reportUsage("--channels must be 1 or 2", err);
        channels = *value;
    }
    if (exists(file)) return reportExists(file, err);

    const auto wanted = static_cast<std::uint64_t>(*seconds * static_cast<double>(rate) + 0.5);
    AudioIO engine;
    engine.setRecordFrameLimit(wanted);
    const int result =
        engine.AudioStartRecord(file, static_cast<std::uint32_t>(rate), static_cast<int>(bits),
                                static_cast<int>(channels), 0);
    if (result != 0) return reportEngineError(result, err);
    auto lastReport = std::chrono::steady_clock::now() - kProgressPeriod;
    while (engine.AudioGetRecordPosition(1) < wanted && !interrupted.load() &&
           !engine.recordDeviceLost()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (std::chrono::steady_clock::now() - lastReport >= kProgressPeriod) {
            lastReport = std::chrono::steady_clock::now();
            err << "\rrecording "
                << positionText(framesToMs(engine.AudioGetRecordPosition(1),
                                           static_cast<std::uint32_t>(rate)))
                << std::flush;
        }
    }
    err << "\n";
    const int stopped = engine.AudioStopRecord();
    if (stopped != 0) return reportEngineError(stopped, err);
    return kExitOk;
}

}  // namespace

std::string positionText(std::uint64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%03llu:%02llu:%03llu",
                  static_cast<unsigned long long>(milliseconds / 60000),
                  static_cast<unsigned long long>(milliseconds / 1000 % 60),
                  static_cast<unsigned long long>(milliseconds % 1000));
    return text;
}

int reportEngineError(int engineError, std::ostream& err) {
    const int message = EngineErrorToMessage(engineError);
    const std::string text = FormatMessage(message);
    if (!text.empty()) {
        err << text << "\n";
    } else {
        err << "sonthra-cli: failed with engine error " << engineError << "\n";
    }
    return kExitFailed;
}

int reportUsage(const std::string& problem, std::ostream& err) {
    err << "sonthra-cli: " << problem << "\n\n" << usage();
    return kExitUsage;
}

int reportExists(const std::string& path, std::ostream& err) {
    err << "sonthra-cli: " << path << " already exists; give a new file name\n";
    return kExitFailed;
}

int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupted) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        out << usage();
        return kExitOk;
    }
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "-V")) {
        out << "sonthra-cli " << SONTHRA_VERSION << "\n";
        return kExitOk;
    }
    // "VERB --help" is a request for the usage, not a command to run.
    if (args.size() >= 2 && (args[1] == "--help" || args[1] == "-h")) {
        out << usage();
        return kExitOk;
    }
    // The peak file verb comes from the display's own code and parses its own words.
    if (!args.empty() && args[0] == "peaks") {
        return RunPeaksCommand(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (const FeatureVerb* feature = findFeatureVerb(args)) {
        return feature->run(std::vector<std::string>(args.begin() + 1, args.end()), out, err,
                            interrupted);
    }
    Command command;
    const std::string problem = parseCommand(args, command);
    if (!problem.empty()) return reportUsage(problem, err);
    const std::string& verb = command.verb->name;
    if (verb == "info") return runInfo(command.files[0], out, err);
    if (verb == "devices") return devices(out, err);
    if (verb == "play") return play(command, err, interrupted);
    if (verb == "record") return record(command, err, interrupted);
    return runEdit(command, err, interrupted);
}

}  // namespace sonthra::cli
