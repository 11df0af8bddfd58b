#include "cli/cli_edit.h"

#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/cli_info.h"
#include "cli/cli_progress.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/file_sequence.h"
#include "engine/edit_errors.h"
#include "engine/edit_job.h"
#include "engine/silence_level.h"
#include "engine/wave_layout.h"
#include "messages/message_table.h"
#include "sequence/sequence_document.h"

namespace sonthra::cli {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

struct EditArguments {
    std::uint32_t from = 0, to = 0, at = 0, milliseconds = 0;
    int channels = 3;
    std::uint16_t threshold = 0;
    std::optional<double> thresholdDb;
    double pad = kDefaultTrimPadSeconds;
    TrimPlan trim;
};

// A level in dB of full scale: "0" or a negative number such as "-45.5".
std::optional<double> parseDecibels(const std::string& text) {
    if (text == "0") return 0.0;
    if (text.size() < 2 || text[0] != '-') return std::nullopt;
    const auto magnitude = parseSeconds(text.substr(1));
    if (!magnitude || *magnitude > 120) return std::nullopt;
    return -*magnitude;
}

// Reads the positions, which belong to the first file; returns kExitOk or the reported exit.
int readPositions(const Command& command, EditArguments& a, std::ostream& err) {
    WaveLayout layout;
    if (readWaveLayout(command.files[0], layout) != 0) layout = WaveLayout{};
    // A trim without an end runs to the end of the file.
    if (command.verb->name == "trim" && !command.has("to")) {
        a.to = static_cast<std::uint32_t>(std::min<std::uint64_t>(layout.frames(), UINT32_MAX));
    }
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
    if (command.has("threshold-db")) {
        if (command.has("threshold")) return "give --threshold or --threshold-db, not both";
        a.thresholdDb = parseDecibels(command.options.at("threshold-db"));
        if (!a.thresholdDb) return "--threshold-db must be 0 or a negative number of dB, to -120";
    }
    if (command.has("pad")) {
        const std::string& text = command.options.at("pad");
        const auto pad = text == "0" ? std::optional<double>(0) : parseSeconds(text);
        if (!pad || *pad > 60) return "--pad must be seconds from 0 to 60";
        a.pad = *pad;
    }
    return {};
}

// Frames a run of the trim// Frames a run of the trim's search and of a channel's mute reads at
// once.
constexpr std::uint64_t kRunFrames = 1 << 16;

// Prints the product's message; returns kExitFailed.
int reportMessage(int message, std::ostream& err) {
    const std::string text = FormatMessage(message);
    if (text.empty()) {
        err << "sonthra-cli: failed with message " << message << "\n";
    } else {
        err << text << "\n";
    }
    return kExitFailed;
}

// The frame of [from, to) that is not silence, first from the start (forward) or the end: its
// position, or to when all is silent. 0 or a message number.
int findSound(SequenceReader& reader, std::uint64_t from, std::uint64_t to, bool forward,
              std::uint16_t threshold, std::uint64_t* found) {
    const WaveFormat& f = reader.snapshot().format;
    std::vector<unsigned char> run(kRunFrames * f.blockAlign);
    *found = to;
    for (std::uint64_t scanned = 0; scanned < to - from;) {
        const std::uint64_t n = std::min(kRunFrames, to - from - scanned);
        const std::uint64_t start = forward ? from + scanned : to - scanned - n;
        if (const int r = reader.read(start, n, run.data()); r != 0) return r;
        for (std::uint64_t i = 0; i < n; ++i) {
            const std::uint64_t frame = forward ? i : n - 1 - i;
            if (!isSilentFrame(run.data() + frame * f.blockAlign, f, threshold)) {
                *found = start + frame;
                return 0;
            }
        }
        scanned += n;
    }
    return 0;
}

// Removes [keepLast, to) and [from, keepFirst), the later first so that from holds, noting
// where the sound moved.
int clearOutside(SequenceDocument& doc, std::uint64_t from, std::uint64_t to,
                 std::uint64_t keepFirst, std::uint64_t keepLast, std::vector<FrameEdit>* moved) {
    if (keepLast < to) {
        if (const int r = doc.clear(keepLast, to); r != 0) return r;
        moved->push_back({keepLast, to, 0});
    }
    if (keepFirst > from) {
        if (const int r = doc.clear(from, keepFirst); r != 0) return r;
        moved->push_back({from, keepFirst, 0});
    }
    return 0;
}

// Removes the silence at both ends of [from, to).
int trimSilence(SequenceDocument& doc, std::uint64_t from, std::uint64_t to,
                std::uint16_t threshold, std::vector<FrameEdit>* moved) {
    SequenceReader reader(doc.snapshot());
    std::uint64_t first = 0, last = 0;
    if (const int r = findSound(reader, from, to, true, threshold, &first); r != 0) return r;
    if (first == to) return clearOutside(doc, from, to, to, to, moved);
    if (const int r = findSound(reader, first, to, false, threshold, &last); r != 0) return r;
    return clearOutside(doc, from, to, first, last + 1, moved);
}

// Silences the channels of mask in [from, to): a silent piece when that is every channel, else
// the range written again as new audio with those channels silent.
int muteChannels(SequenceDocument& doc, std::uint64_t from, std::uint64_t to, unsigned mask) {
    const WaveFormat& f = doc.format();
    const unsigned every = (1u << f.channels) - 1;
    // A mono file has one channel to silence, whichever was named.
    if (f.channels == 1 || (mask & every) == every) return doc.mute(from, to);
    std::unique_ptr<NewAudio> audio = doc.newAudio();
    if (!audio) return kNoMemory;
    SequenceReader reader(doc.snapshot());
    const std::size_t sampleBytes = f.bitsPerSample / 8;
    std::vector<unsigned char> run(kRunFrames * f.blockAlign);
    for (std::uint64_t at = from; at < to;) {
        const std::uint64_t n = std::min(kRunFrames, to - at);
        if (const int r = reader.read(at, n, run.data()); r != 0) return r;
        for (std::uint64_t i = 0; i < n; ++i) {
            for (unsigned c = 0; c < f.channels; ++c) {
                if (mask & (1u << c)) {
                    std::fill_n(run.data() + i * f.blockAlign + c * sampleBytes, sampleBytes,
                                silenceByte(f));
                }
            }
        }
        if (!audio->append(run.data(), n * f.blockAlign)) break;
        at += n;
    }
    return doc.replace(from, to, *audio, "Mute");
}

// Inserts the samples of the WAV file clip at frame at.
int pasteFile(SequenceDocument& doc, std::uint64_t at, const std::string& clip) {
    WaveFileLayout layout;
    int fd = -1;
    if (openEditableWave(clip, &layout, &fd) != 0) {
        if (fd >= 0) ::close(fd);
        return EngineErrorToMessage(edit_error::kCannotOpenClip);
    }
    int result = 0;
    if (!sameSampleLayout(layout.format, doc.format())) {
        result = EngineErrorToMessage(edit_error::kClipFormatDiffers);
    } else if (layout.frames() == 0) {
        result = EngineErrorToMessage(edit_error::kNothingToPaste);
    } else if (std::unique_ptr<NewAudio> audio = doc.newAudio(); !audio) {
        result = kNoMemory;
    } else {
        audio->appendFrom(fd, layout.dataOffset,
                          static_cast<std::uint64_t>(layout.frames()) * layout.format.blockAlign);
        result = doc.replace(at, at, *audio, "Paste");
    }
    ::close(fd);
    return result;
}

// Makes the verb's change to the document; *carry says whether the input's other chunks go
// into the result, and moved receives where the sound moved, for the markers. 0 or a message
// number.
int editSequence(SequenceDocument& doc, const Command& command, const EditArguments& a, bool* carry,
                 std::vector<FrameEdit>* moved) {
    const std::string& verb = command.verb->name;
    std::uint64_t from = std::min(a.from, a.to), to = std::max(a.from, a.to);
    *carry = true;
    if (verb == "cut" || verb == "clear") {
        moved->push_back({from, to, 0});
        return verb == "cut" ? doc.cut(from, to) : doc.clear(from, to);
    }
    if (verb == "crop") {
        moved->push_back({to, doc.frames(), 0});
        moved->push_back({0, from, 0});
        return doc.crop(from, to);
    }
    if (verb == "copy-to") {
        *carry = false;
        if (from == to) return EngineErrorToMessage(edit_error::kNoCopySelection);
        return doc.crop(from, to);
    }
    if (verb == "paste") {
        const std::uint64_t before = doc.frames();
        const int r = pasteFile(doc, a.at, command.files[1]);
        moved->push_back({a.at, a.at, doc.frames() - before});
        return r;
    }
    // An empty range leaves the file as it is.
    if (verb == "mute")
        return from == to ? 0 : muteChannels(doc, from, to, static_cast<unsigned>(a.channels));
    if (verb == "trim" && command.has("threshold"))
        return from == to ? 0 : trimSilence(doc, from, to, a.threshold, moved);
    if (verb == "trim")
        return clearOutside(doc, from, to, a.trim.keepFirst, a.trim.keepLast, moved);
    const std::uint64_t silent =
        (static_cast<std::uint64_t>(a.milliseconds) * doc.format().sampleRate + 500) / 1000;
    moved->push_back({a.at, a.at, silent});
    return silent == 0 ? 0 : doc.insertSilence(a.at, silent);
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

    if (command.verb->name == "trim" && !command.has("threshold")) {
        const int planned = PlanTrim(command.files[0], arguments.from, arguments.to,
                                     arguments.thresholdDb, arguments.pad, arguments.trim);
        if (planned != 0) return reportEngineError(planned, err);
        char level[96];
        std::snprintf(level, sizeof level, "noise floor %.1f dB, threshold %.1f dB\n",
                      arguments.trim.noiseFloorDb, arguments.trim.thresholdDb);
        err << level;
        if (arguments.trim.nothingToTrim) {
            err << "nothing to trim\n";
            arguments.trim.keepFirst = std::min(arguments.from, arguments.to);
            arguments.trim.keepLast = std::max(arguments.from, arguments.to);
        }
    }

    std::unique_ptr<FileSequence> file;
    if (const int r = FileSequence::open(command.files[0], &file); r != 0)
        return reportMessage(r, err);
    bool carry = true;
    std::vector<FrameEdit> moved;
    if (const int r = editSequence(file->document(), command, arguments, &carry, &moved); r != 0)
        return reportMessage(r, err);

    SaveOptions options;
    if (carry) {
        if (const int r = file->chunks(moved, &options.chunks); r != 0)
            return reportMessage(r, err);
    }
    ProgressLine progress(err, isTerminal(err));
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
        const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        progress.show(command.verb->name + " " + std::to_string(percent) + "%", percent / 10);
        return !interrupted.load();
    };
    // Only the result is written; the input stays as it was, and so does a result that fails.
    const int saved = saveWave(*file->document().snapshot(), output, options);
    if (saved != 0) {
        progress.finish();
        reportMessage(saved, err);
        return saved == kCancelled ? kExitInterrupted : kExitFailed;
    }
    progress.show(command.verb->name + " 100%", 10);
    return kExitOk;
}

}  // namespace sonthra::cli
