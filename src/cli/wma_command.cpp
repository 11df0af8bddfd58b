#include "cli/wma_command.h"

#include <strings.h>

#include <cstring>
#include <ostream>
#include <vector>

#include "cli/cli_verbs.h"
#include "convert/wma_export.h"
#include "convert/wma_import.h"
#include "messages/message_table.h"
#include "wave/safe_file.h"
#include "wave/wave_probe.h"

namespace sonthra::cli {
namespace {

bool hasExtension(const std::string& path, const char* extension) {
    const std::size_t n = std::strlen(extension);
    return path.size() > n && ::strcasecmp(path.c_str() + path.size() - n, extension) == 0;
}

int fail(int message, std::ostream& err) {
    err << FormatMessage(message) << "\n";
    return kExitFailed;
}

int toWma(const std::string& in, const std::string& out, std::uint32_t kbps, std::ostream& output,
          std::ostream& err, const std::atomic<bool>& interrupted) {
    int code = 0;
    const auto library = WmaEncoderLibrary::load(defaultWmaEncoderPath(), code);
    if (!library) return fail(code, err);
    WaveFormat format;
    if (const int probed = probeWave(in, nullptr, &format); probed != 0) return fail(probed, err);
    std::vector<std::string> encoders, formats;
    if (const int listed = listWmaEncoders(*library, format, encoders); listed != 0)
        return fail(listed, err);
    if (encoders.empty()) return fail(kWmaNoFormatMessage, err);
    if (const int listed = listWmaFormats(*library, encoders[0], format, formats); listed != 0)
        return fail(listed, err);
    const int index = wmaFormatForBitrate(formats, kbps);
    if (index < 0) {
        err << FormatMessage(482) << "\n";
        for (const std::string& text : formats) err << "  " << text << "\n";
        return kExitFailed;
    }
    const int result = exportWmaFile(*library, in, out, index, encoders[0], &interrupted);
    if (result == kCancelled) {
        err << "Conversion Process Aborted!\n";
        return kExitInterrupted;
    }
    if (result != 0) return fail(result, err);
    output << in << " -> " << out << ": " << formats[static_cast<std::size_t>(index)] << "\n";
    return kExitOk;
}

int toWave(const std::string& in, const std::string& out, std::ostream& output, std::ostream& err,
           const std::atomic<bool>& interrupted) {
    const auto library = WmaPlaybackLibrary::load(defaultWmaPlaybackPath());
    if (!library) return fail(kWmaLibraryNotLoaded, err);
    switch (checkWmaImport(*library, in, folderOf(out))) {
        case WmaImportCheck::Protected:
            err << kCopyProtectionText << "\n";
            return kExitFailed;
        case WmaImportCheck::NotReadable:
            return fail(kWmaFormatNotProper, err);
        case WmaImportCheck::NoSpace:
            err << "Warning : There is not enough free space on your save location. It is "
                   "recommended to make more free space available, and try again.?\n";
            return kExitFailed;
        case WmaImportCheck::Ready:
            break;
    }
    const int result = importWmaFile(*library, in, out, &interrupted);
    if (result == kWmaImportAbortedMessage) {
        err << FormatMessage(result) << "\n";
        return kExitInterrupted;
    }
    if (result == kWmaWaveTooLarge) {
        err << FormatMessage(kWmaTooLargeMessage) << "\n";
    } else if (result != 0) {
        return fail(result, err);
    }
    std::uint32_t frames = 0;
    WaveFormat format;
    probeWave(out, &frames, &format);
    output << in << " -> " << out << ": " << frames << " frames, " << format.sampleRate << " Hz, "
           << format.channels << " channels\n";
    return kExitOk;
}

}  // namespace

int runWmaConvert(const std::string& in, const std::string& out, std::uint32_t kbps,
                  std::ostream& output, std::ostream& err, const std::atomic<bool>& interrupted) {
    return hasExtension(out, ".wma") ? toWma(in, out, kbps, output, err, interrupted)
                                     : toWave(in, out, output, err, interrupted);
}

}  // namespace sonthra::cli
