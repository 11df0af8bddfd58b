#include "cli/cli_edit.h"

#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <thread>

#include "cli/cli_info.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "engine/audio_edit.h"
#include "engine/wave_layout.h"

namespace sonthra::cli {
namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(100);

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

struct EditArguments {
    std::uint32_t from = 0, to = 0, at = 0, milliseconds = 0;
    int channels = 3;
    std::uint16_t threshold = 0;
};

// Reads the positions, which belong to the first file; returns kExitOk or the reported exit.
int readPositions(const Command& command, EditArguments& a, std::ostream& err) {
    WaveLayout layout;
    if (readWaveLayout(command.files[0], layout) != 0) layout = WaveLayout{};
    struct Frame {
        const char* name;
        std::uint32_t* target;
    } frames[] = {{"from", &a.from}, {"to", &a.to}, {"at", &a.at}};
    for (const Frame& f : frames) {
        if (!command.has(f.name)) continue;
        const int status = readPositionOption(command, f.name, command.files[0], layout.sampleRate,
                                              layout.frames(), *f.target, err);
        if (status != kExitOk) return status;
    }
    return kExitOk;
}

// Reads the verb's other options into arguments; returns what is wrong, or an empty string.
std::string readOptions(const Command& command, EditArguments& a) {
    if (command.has("ms")) {
        const auto value = parseInteger(command.options.at("ms"), 0, 24LL * 3600 * 1000);
        if (!value) return "--ms must be a number of milliseconds, at most a day";
        a.milliseconds = static_cast<std::uint32_t>(*value);
    }
    if (command.has("channels")) {
        const auto value = parseInteger(command.options.at("channels"), 1, 3);
        if (!value) return "--channels must be 1 (left), 2 (right) or 3 (both)";
        a.channels = static_cast<int>(*value);
    }
    if (command.has("threshold")) {
        const auto value = parseInteger(command.options.at("threshold"), 0, 10000);
        if (!value) return "--threshold must be 0 to 10000 hundredths of a percent";
        a.threshold = static_cast<std::uint16_t>(*value);
    }
    return {};
}

int startEdit(AudioEditor& editor, const Command& command, const EditArguments& a,
              std::uint32_t* handle) {
    const std::string& verb = command.verb->name;
    const auto& files = command.files;
    if (verb == "cut") return editor.AudioCut(files[0], a.from, a.to, 1, handle, 0, files[1]);
    if (verb == "clear") return editor.AudioClear(files[0], a.from, a.to, 1, handle, 0, files[1]);
    if (verb == "crop") return editor.AudioCrop(files[0], a.from, a.to, 1, handle, 0, files[1]);
    if (verb == "copy-to")
        return editor.AudioCopyInFile(files[0], a.from, a.to, 1, handle, 0, files[1]);
    if (verb == "paste")
        return editor.AudioPasteEx(files[0], a.at, 1, handle, 0, files[1], files[2]);
    if (verb == "mute")
        return editor.AudioEditMute(files[0], a.from, a.to, 1, handle, 0, a.channels, files[1]);
    if (verb == "trim")
        return editor.AudioEditTrimSilence(files[0], a.from, a.to, 1, handle, 0, a.threshold,
                                           files[1]);
    return editor.AudioInsertSilence(files[0], a.at, 1, handle, 0, a.milliseconds, files[1]);
}

}  // namespace

int readPositionOption(const Command& command, const std::string& name, const std::string& file,
                       std::uint32_t rate, std::uint64_t frames, std::uint32_t& target,
                       std::ostream& err) {
    const std::string& text = command.options.at(name);
    const auto value = parsePosition(text, rate);
    if (!value) {
        return reportUsage("--" + name + " must be a frame number, seconds such as 3.5s, or " +
                               "minutes and seconds such as 1:05.250",
                           err);
    }
    if (rate != 0 && *value > frames) {
        err << "sonthra-cli: --" << name << " " << text << " is past the end of " << file << " ("
            << frames << " frames, " << positionText(frames * 1000 / rate) << ")\n";
        return kExitFailed;
    }
    target = static_cast<std::uint32_t>(*value);
    return kExitOk;
}

int runEdit(const Command& command, std::ostream& err, const std::atomic<bool>& interrupted) {
    EditArguments arguments;
    const std::string problem = readOptions(command, arguments);
    if (!problem.empty()) return reportUsage(problem, err);
    const int positions = readPositions(command, arguments, err);
    if (positions != kExitOk) return positions;
    // Every file but the last is read.
    for (std::size_t i = 0; i + 1 < command.files.size(); ++i) {
        if (const int refused = refuseInput(command.files[i], true, err); refused != kExitOk)
            return refused;
    }
    // The last file name is the one written; the edit moves it into place only when complete.
    const std::string& output = command.files.back();
    if (exists(output)) return reportExists(output, err);

    AudioEditor editor;
    // Nothing is edited in place here, so the engine need keep nothing for undo.
    editor.AudioEditSetUndoRedo(0);
    std::uint32_t handle = 0;
    const int started = startEdit(editor, command, arguments, &handle);
    if (started != 0) return reportEngineError(started, err);

    bool cancelled = false;
    while (!editor.AudioEditProcessIsOver(handle)) {
        if (interrupted.load() && !cancelled) {
            editor.AudioEditCancelPressed(handle);
            cancelled = true;
        }
        err << "\r" << command.verb->name << " " << editor.AudioEditGetProcessProgress(handle)
            << "%" << std::flush;
        std::this_thread::sleep_for(kPollPeriod);
    }
    const int reason = editor.AudioEditGetReasonForProcessExit(handle);
    editor.AudioEditCloseHandle(&handle);
    if (reason != 0) {
        err << "\n";
        reportEngineError(reason, err);
        return cancelled ? kExitInterrupted : kExitFailed;
    }
    err << "\r" << command.verb->name << " 100%\n";
    return kExitOk;
}

}  // namespace sonthra::cli
