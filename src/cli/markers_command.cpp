#include "cli/markers_command.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>

#include "cli/cli_verbs.h"
#include "podcast/chapters_json.h"
#include "tags/id3_chapters.h"
#include "wave/file_kind.h"
#include "wave/markers.h"
#include "wave/safe_file.h"
#include "wave/wave_cue.h"

namespace sonthra::cli {
namespace {

int usageError(const std::string& problem, std::ostream& err) {
    err << "sonthra-cli markers: " << problem << "\nusage:\n" << kMarkersUsage;
    return kExitUsage;
}

std::optional<double> secondsOf(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

std::string fileProblem(int code, const std::string& path) {
    if (code == kWaveErrBadFormat) {
        return "\"" + path + "\" is not a WAV file whose markers can be read";
    }
    if (code == kRiffErrCannotWrite) return "cannot write \"" + path + "\"";
    const bool missing = code == kRiffErrFileNotFound || code == kRiffErrPathNotFound;
    return "cannot open \"" + path + "\"" +
           (missing                        ? ": no such file"
            : code == kRiffErrAccessDenied ? ": permission denied"
                                           : "");
}

struct MarkerWords {
    std::string file;
    bool add = false;
    std::string addTime;
    std::string addName;
    std::string json;
};

std::string parseWords(const std::vector<std::string>& args, MarkerWords& words) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--add") {
            if (i + 2 >= args.size()) return "--add needs SECONDS and NAME";
            words.add = true;
            words.addTime = args[++i];
            words.addName = args[++i];
        } else if (word == "--json") {
            if (i + 1 >= args.size()) return "--json needs a file name";
            words.json = args[++i];
        } else if (word.rfind("--", 0) == 0) {
            return "unknown option " + word;
        } else if (words.file.empty()) {
            words.file = word;
        } else {
            return "only one FILE";
        }
    }
    return words.file.empty() ? "FILE is required" : "";
}

// Prints the markers as a label list, after writing them to the chapters file json if named.
int writeMarkers(const std::vector<Marker>& markers, std::uint32_t rate, const std::string& json,
                 std::ostream& out, std::ostream& err) {
    if (!json.empty()) {
        int error = 0;
        if (!writeFileSafely(json, podcast::chaptersJson(markers, rate), std::nullopt, &error)) {
            err << "sonthra-cli markers: cannot write \"" << json
                << "\": " << std::strerror(error != 0 ? error : EIO) << "\n";
            return kExitFailed;
        }
    }
    out << markerLabelText(markers, rate);
    return kExitOk;
}

}  // namespace

int runMarkersVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>&) {
    MarkerWords words;
    if (const std::string problem = parseWords(args, words); !problem.empty()) {
        return usageError(problem, err);
    }
    // An MP3 file's chapters are read from its tag, in milliseconds.
    FileKindInfo kind;
    if (inspectFileKind(words.file, &kind) && kind.kind == FileKind::Mpeg) {
        if (words.add) return usageError("--add takes WAV files only", err);
        std::vector<Marker> chapters;
        if (!readMp3Chapters(words.file, chapters)) {
            err << "sonthra-cli markers: cannot read \"" << words.file << "\"\n";
            return kExitFailed;
        }
        return writeMarkers(chapters, 1000, words.json, out, err);
    }
    CueSheet sheet;
    WaveFormat format;
    std::uint64_t frames = 0;
    if (const int r = readWaveCueSheet(words.file, sheet, &format, &frames); r != 0) {
        err << "sonthra-cli markers: " << fileProblem(r, words.file) << "\n";
        return kExitFailed;
    }
    if (words.add) {
        Marker marker;
        marker.name = words.addName;
        const std::size_t dash = words.addTime.find('-', 1);
        const auto start = secondsOf(words.addTime.substr(0, dash));
        const auto end = dash == std::string::npos ? std::optional<double>()
                                                   : secondsOf(words.addTime.substr(dash + 1));
        const auto startFrame = start ? framesOfSeconds(*start, format.sampleRate) : std::nullopt;
        if (!startFrame || (dash != std::string::npos && !end)) {
            return usageError("--add needs a time in seconds, such as 12.5 or 12.5-30", err);
        }
        marker.start = *startFrame;
        if (end) {
            const auto endFrame = framesOfSeconds(*end, format.sampleRate);
            if (!endFrame || *endFrame <= marker.start) {
                return usageError("a region's end must come after its start", err);
            }
            marker.end = *endFrame;
        }
        if (marker.end.value_or(marker.start) > frames) {
            return usageError("the marker lies past the end of the audio (" +
                                  markerSecondsText(frames, format.sampleRate) + " s)",
                              err);
        }
        addMarkerToSheet(sheet, marker);
        if (const int r = writeWaveCueSheet(words.file, sheet); r != 0) {
            err << "sonthra-cli markers: " << fileProblem(r, words.file) << "\n";
            return kExitFailed;
        }
    }
    return writeMarkers(markersOfSheet(sheet), format.sampleRate, words.json, out, err);
}

}  // namespace sonthra::cli
