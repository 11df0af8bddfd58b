// Batch export: every open document saved into one folder as MP3 or WMA. The plain part holds
// the choices, the destination names, the space estimate and the run over the documents; the
// main window supplies the per-document steps (making a document current, the MP3 window, the
// WMA batch window) through BatchExportHost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonthra {

inline constexpr const char* kBatchCaptionSuffix = " Batch Processing";
inline constexpr const char* kBatchNoSpaceText =
    "Warning : There is not enough free space on your save location. It is recommended to make "
    "more free space available, and try again.?";
inline constexpr const char* kBatchSkippedText =
    "One or more with the same name already existing at the Save location so files not saved.";
inline constexpr const char* kBatchFailuresText = "The following files couldnot be converted:";
inline constexpr const char* kBatchFailuresCaptionSuffix = "Conversion Error.";
inline constexpr const char* kBatchTagQuestion = "Do you want to enter/modify song information?";
inline constexpr const char* kBatchTagCaption = "Song Information";

enum class BatchFormat { Mp3 = 0, Wma = 1 };

// Remembered for the run, not stored.
struct BatchChoices {
    std::string folder;
    BatchFormat format = BatchFormat::Mp3;
    bool editTags = false;
    bool overwrite = false;
};

// folder + "/" + the file-name part of fileName without its last three characters + "mp3" or
// "wma" (so "take.wav" gives "take.mp3").
std::string batchDestinationName(const std::string& folder, const std::string& fileName,
                                 BatchFormat format);

struct BatchAudio {
    std::uint64_t workBytes = 0;
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitsPerSample = 0;
};

// Thousands of bytes a 320 kbit/s MP3 of every document needs, with 10 % margin each.
std::uint64_t batchSpaceEstimate(const std::vector<BatchAudio>& documents);

// The free space of folder's drive, in thousands of bytes, is at least estimate.
bool batchHasSpace(const std::string& folder, std::uint64_t estimate);

// The failure list text: kBatchFailuresText then "\r(n) name" for each.
std::string batchFailureText(const std::vector<std::string>& names);

enum class BatchStep { Exported, Failed, Cancelled };

class BatchExportHost {
public:
    virtual ~BatchExportHost() = default;
    virtual std::size_t documentCount() const = 0;
    virtual std::string documentFileName(std::size_t index) const = 0;
    virtual std::size_t currentDocument() const = 0;
    virtual void makeCurrent(std::size_t index) = 0;
    // MP3: ask for the song information when editTags, prepare, show the conversion window
    // ("SaveAs" for the first export, "Save" at the last bitrate after), then re-point the
    // document and write its tag. Failed or Cancelled ends the batch.
    virtual BatchStep exportMp3(std::size_t index, const std::string& destination, bool first,
                                bool editTags) = 0;
    // WMA: the batch window for the document's working file. Failed: preparing it failed.
    virtual BatchStep exportWma(std::size_t index, const std::string& destination) = 0;
    // A message box with the product caption (warning: the failure list).
    virtual void showText(const std::string& text, bool failureList) = 0;
};

struct BatchOutcome {
    std::size_t exported = 0;
    bool skipped = false;
    bool cancelled = false;
    bool failed = false;
    std::vector<std::string> failures;  // WMA: file-name parts
};

// Runs the MP3 or WMA batch over the host's documents (the dialog and the space check come
// first, see BatchExportMenuClick). The current document is made current again at the end.
BatchOutcome runBatchExport(BatchExportHost& host, const BatchChoices& choices);

}  // namespace sonthra
