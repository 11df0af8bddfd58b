#include "cli/spectrogram_command.h"

#include <sys/stat.h>

#include <ostream>
#include <thread>

#include "analysis/spectrogram_picture.h"
#include "cli/cli_args.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/command_words.h"

namespace sonthra::cli {
namespace {

struct SpectrogramRequest {
    std::vector<std::string> files;
    int width = 1920;
    SpectrogramSettings settings{1024, FrequencyScale::Linear, 513};
    SpectrogramPalette palette = SpectrogramPalette::Dark;
};

// Reads the words after the verb; returns what is wrong, or an empty string.
std::string readRequest(const std::vector<std::string>& args, SpectrogramRequest& request) {
    // --log is a switch: taken out first, so that it never swallows the word after it.
    std::vector<std::string> rest;
    for (const std::string& word : args) {
        if (word == "--log") {
            request.settings.scale = FrequencyScale::Logarithmic;
        } else {
            rest.push_back(word);
        }
    }
    for (const CommandWord& word : splitCommandWords(rest)) {
        const std::string& name = word.name;
        if (name.empty()) {
            request.files.push_back(word.value);
        } else if (name == "--width" || name == "--height") {
            const auto value = parseInteger(word.value, 1, 16384);
            if (!value) return name + " must be 1 to 16384 pixels";
            (name == "--width" ? request.width : request.settings.rows) = static_cast<int>(*value);
        } else if (name == "--window") {
            const auto value =
                parseInteger(word.value, kMinSpectrogramWindow, kMaxSpectrogramWindow);
            const int size = value ? static_cast<int>(*value) : 0;
            if ((size & (size - 1)) != 0 || size == 0)
                return "--window must be 256, 512, 1024, 2048, 4096 or 8192";
            request.settings.windowSize = size;
        } else if (name == "--skin") {
            if (word.value != "dark" && word.value != "light")
                return "--skin must be dark or light";
            request.palette =
                word.value == "dark" ? SpectrogramPalette::Dark : SpectrogramPalette::Light;
        } else {
            return "unknown option " + name;
        }
    }
    if (request.files.size() != 2) return "spectrogram takes FILE and OUT.png";
    return {};
}

}  // namespace

int runSpectrogramVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>& interrupted) {
    SpectrogramRequest request;
    const std::string problem = readRequest(args, request);
    if (!problem.empty()) return reportUsage(problem, err);
    const std::string& file = request.files[0];
    const std::string& picturePath = request.files[1];
    struct stat st {};
    if (::stat(picturePath.c_str(), &st) == 0) return reportExists(picturePath, err);

    const FrameSourceOpener open = [&](std::unique_ptr<FrameSource>& source) {
        return openWaveFrameSource(file, source);
    };
    SpectrogramPicture picture;
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    int result =
        drawSpectrogram(open, request.width, request.settings, threads, picture, &interrupted);
    if (result == 0) result = writeSpectrogramPng(picturePath, picture, request.palette);
    if (result != 0) return reportResult(result, err);
    out << "wrote " << picturePath << " (" << picture.width << " x " << picture.height << ")\n";
    return kExitOk;
}

}  // namespace sonthra::cli
