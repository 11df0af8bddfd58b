#include "convert/batch_export.h"

#include <sys/stat.h>

#include "convert/wma_import.h"

namespace sonthra {
namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string fileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

BatchOutcome runMp3(BatchExportHost& host, const BatchChoices& choices) {
    BatchOutcome outcome;
    for (std::size_t i = 0; i < host.documentCount(); ++i) {
        const std::string target =
            batchDestinationName(choices.folder, host.documentFileName(i), BatchFormat::Mp3);
        if (!choices.overwrite && exists(target)) {
            outcome.skipped = true;
            continue;
        }
        host.makeCurrent(i);
        const BatchStep step = host.exportMp3(i, target, outcome.exported == 0, choices.editTags);
        if (step == BatchStep::Cancelled) {
            outcome.cancelled = true;
            return outcome;
        }
        if (step == BatchStep::Failed) {
            outcome.failed = true;
            return outcome;
        }
        ++outcome.exported;
    }
    return outcome;
}

BatchOutcome runWma(BatchExportHost& host, const BatchChoices& choices) {
    BatchOutcome outcome;
    for (std::size_t i = 0; i < host.documentCount(); ++i) {
        const std::string name = host.documentFileName(i);
        const std::string target = batchDestinationName(choices.folder, name, BatchFormat::Wma);
        if (!choices.overwrite && exists(target)) {
            outcome.skipped = true;
            continue;
        }
        host.makeCurrent(i);
        const BatchStep step = host.exportWma(i, target);
        if (step == BatchStep::Cancelled) {
            outcome.cancelled = true;
            return outcome;
        }
        if (step == BatchStep::Failed) {
            outcome.failures.push_back(fileNamePart(name));
        } else {
            ++outcome.exported;
        }
    }
    return outcome;
}

}  // namespace

std::string batchDestinationName(const std::string& folder, const std::string& fileName,
                                 BatchFormat format) {
    std::string base = fileNamePart(fileName);
    base.resize(base.size() >= 3 ? base.size() - 3 : 0);
    std::string out = folder;
    if (out.empty() || out.back() != '/') out += '/';
    return out + base + (format == BatchFormat::Mp3 ? "mp3" : "wma");
}

std::uint64_t batchSpaceEstimate(const std::vector<BatchAudio>& documents) {
    std::uint64_t total = 0;
    for (const BatchAudio& d : documents) {
        const std::uint64_t per =
            static_cast<std::uint64_t>(d.channels) * d.sampleRate * d.bitsPerSample;
        if (per == 0) continue;
        const std::uint64_t k = d.workBytes * 320 / per;
        total += k + k / 10;
    }
    return total;
}

bool batchHasSpace(const std::string& folder, std::uint64_t estimate) {
    return freeBytesIn(folder) / 1000 >= estimate;
}

std::string batchFailureText(const std::vector<std::string>& names) {
    std::string text = kBatchFailuresText;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += "\r(" + std::to_string(i + 1) + ") " + names[i];
    return text;
}

BatchOutcome runBatchExport(BatchExportHost& host, const BatchChoices& choices) {
    const std::size_t remembered = host.currentDocument();
    BatchOutcome outcome =
        choices.format == BatchFormat::Mp3 ? runMp3(host, choices) : runWma(host, choices);
    if (choices.format == BatchFormat::Wma && outcome.cancelled) {
        host.makeCurrent(remembered);  // a cancel in the WMA window ends without summaries
        return outcome;
    }
    if (!outcome.failures.empty()) host.showText(batchFailureText(outcome.failures), true);
    host.makeCurrent(remembered);
    const bool normalEnd = !outcome.cancelled && !outcome.failed;
    if (outcome.skipped && normalEnd) host.showText(kBatchSkippedText, false);
    return outcome;
}

}  // namespace sonthra
