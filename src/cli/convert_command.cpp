#include "cli/convert_command.h"

#include <strings.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <ostream>
#include <thread>

#include "cli/cli_args.h"
#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/wma_command.h"
#include "convert/convert_codes.h"
#include "convert/cv_mp3_wav.h"
#include "convert/lame_library.h"
#include "convert/mp3_export.h"
#include "convert/mp3_import.h"
#include "convert/pcm_source.h"
#include "messages/message_table.h"
#include "tags/document_tag.h"
#include "wave/wave_inspect.h"

namespace sonthra::cli {
namespace {

constexpr auto kPollPeriod = std::chrono::milliseconds(20);
constexpr std::uint32_t kDefaultKbps = 128;
constexpr int kDamagedMessage = 349;

bool endsWith(const std::string& path, const char* extension) {
    const std::size_t n = std::strlen(extension);
    return path.size() > n && ::strcasecmp(path.c_str() + path.size() - n, extension) == 0;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

struct ConvertOptions {
    std::string in, out;
    std::uint32_t kbps = kDefaultKbps;
    std::string encoder = kLameEncoderName;
};

// Empty, or what is wrong with the words.
std::string parse(const std::vector<std::string>& args, ConvertOptions& options) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i], value;
        const auto eq = word.find('=');
        if (word.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word.resize(eq);
        } else if (word.rfind("--", 0) == 0) {
            if (i + 1 >= args.size()) return word + " needs a value";
            value = args[++i];
        }
        if (word == "--bitrate") {
            const auto kbps = parseInteger(value, 8, 320);
            if (!kbps) return "--bitrate takes kbit/s from 8 to 320";
            options.kbps = static_cast<std::uint32_t>(*kbps);
        } else if (word == "--encoder") {
            if (value != "lame" && value != "system") return "--encoder takes lame or system";
            options.encoder = value == "lame" ? kLameEncoderName : kSystemEncoderName;
        } else if (word.rfind("--", 0) == 0) {
            return "unknown option " + word;
        } else {
            files.push_back(word);
        }
    }
    if (files.size() != 2) return "convert takes IN and OUT";
    options.in = files[0];
    options.out = files[1];
    return {};
}

// Polls a job until it ends, cancelling it on Ctrl+C. The job's result.
template <typename Job>
int waitFor(Job& job, const std::atomic<bool>& interrupted) {
    bool cancelled = false;
    while (!job.finished()) {
        if (interrupted.load() && !cancelled) {
            job.cancel();
            cancelled = true;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    job.wait();
    return job.result();
}

int failWith(const std::string& text, int code, std::ostream& err) {
    if (text.empty()) {
        err << "sonthra-cli convert: failed with code " << code << "\n";
    } else {
        err << text << "\n";
    }
    return kExitFailed;
}

int toMp3(const ConvertOptions& o, std::ostream& out, std::ostream& err,
          const std::atomic<bool>& interrupted) {
    if (isLameEncoderName(o.encoder)) {
        // The window offers only the bitrates the encoder takes; here a refusal is said first.
        const auto lame = LameLibrary::load(defaultLameLibraryPath());
        if (!lame) return failWith(mp3ExportText(kLameNotLoaded), kLameNotLoaded, err);
        PcmSource source;
        const int opened = source.open(o.in);
        if (opened != kConvertOk) return failWith(mp3ExportText(opened), opened, err);
        if (!lameBitrateSupported(*lame, o.in, o.kbps))
            return failWith(bitrateRefusedText(o.kbps), kCvBitrateRefused, err);
    }
    Mp3ExportJob job(defaultLameLibraryPath());
    if (!job.start(o.in, o.out, o.encoder, o.kbps)) return failWith(FormatMessage(235), 235, err);
    const int result = waitFor(job, interrupted);
    if (result == kLameAborted || result == kCvAborted) {
        err << FormatMessage(242) << "\n";
        return kExitInterrupted;
    }
    if (result == kCvBitrateRefused) return failWith(bitrateRefusedText(o.kbps), result, err);
    if (result != kConvertOk) return failWith(mp3ExportText(result), result, err);
    DocumentTag tag;
    tag.readWave(o.in);
    if (!tag.empty() && !tag.writeMp3(o.out)) err << kTagNotSavedText << "\n";
    out << o.in << " -> " << o.out << ": " << o.kbps << " kbit/s, " << o.encoder << "\n";
    return kExitOk;
}

int toWave(const ConvertOptions& o, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupted) {
    Mp3ImportJob job;
    if (!job.start(o.in, o.out)) return failWith(FormatMessage(235), 235, err);
    const int result = waitFor(job, interrupted);
    if (result == kCvAborted) {
        err << mp3ImportText(result) << "\n";
        return kExitInterrupted;
    }
    if (result != kConvertOk) return failWith(mp3ImportText(result), result, err);
    if (job.damaged()) err << FormatMessage(kDamagedMessage) << "\n";
    DocumentTag tag;
    tag.readMp3(o.in);
    if (!tag.empty() && tag.writeWave(o.out) != 0) err << FormatMessage(480) << "\n";
    out << o.in << " -> " << o.out << ": " << job.converter().framesWritten() << " frames\n";
    return kExitOk;
}

}  // namespace

bool isMp3Name(const std::string& path) {
    return endsWith(path, ".mp3");
}

int runConvertVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& interrupted) {
    ConvertOptions options;
    const std::string problem = parse(args, options);
    if (!problem.empty()) return reportUsage(problem, err);
    const bool wavOut = endsWith(options.out, ".wav"), mp3Out = isMp3Name(options.out);
    const bool wmaOut = endsWith(options.out, ".wma");
    constexpr const char* kDirections =
        "convert goes from .wav to .mp3 or .wma, or from .mp3 or .wma to .wav";
    if (!wavOut && !mp3Out && !wmaOut) return reportUsage(kDirections, err);
    if (!exists(options.in)) return failWith(FormatMessage(184, {options.in}), 184, err);
    if (exists(options.out)) return reportExists(options.out, err);
    // The input's content decides which way the conversion goes, whatever its name says.
    AudioFileFacts facts;
    const int inspected = inspectAudioFile(options.in, &facts);
    // A file named ".wma" goes to the WMA importer, which judges it by its own reading.
    if ((facts.kind.kind == FileKind::Asf || endsWith(options.in, ".wma")) && wavOut)
        return runWmaConvert(options.in, options.out, options.kbps, out, err, interrupted);
    if (inspected != 0) return failWith(refusalText(options.in, facts, inspected), inspected, err);
    const bool mpegIn = facts.opensAs == OpensAs::Mpeg;
    if (mpegIn != wavOut) return reportUsage(kDirections, err);
    if (wmaOut) return runWmaConvert(options.in, options.out, options.kbps, out, err, interrupted);
    return mp3Out ? toMp3(options, out, err, interrupted) : toWave(options, out, err, interrupted);
}

int mp3Info(const std::string& path, std::ostream& out, std::ostream& err) {
    Mp3FileInfo info;
    const int result = probeMp3File(path, info);
    if (result == kCvInvalidMp3) return failWith(mp3ExportText(result), result, err);
    if (result != kConvertOk) return failWith(mp3ImportText(result), result, err);
    out << "rate: " << info.sampleRate << "\n"
        << "channels: " << info.channels << "\n"
        << "frames: " << info.frames << "\n"
        << "length: " << positionText(info.sampleRate ? info.frames * 1000 / info.sampleRate : 0)
        << "\n"
        << "bitrate: " << info.bitrateKbps << (info.variableBitrate ? " (average)" : "") << "\n";
    return kExitOk;
}

}  // namespace sonthra::cli
