// The audio document: the record of the one open file (the user's path, its working copy in
// the temporary folder, the undo and redo names, the sample format, the states and the peaks
// its displays show), the list the main window keeps them in, and the rules that follow from
// a record's states.
// Plain data; the main window owns the list and touches it from the GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "podcast/podcast_info.h"
#include "tags/document_tag.h"
#include "view/peak_model.h"
#include "wave/wave_format.h"

namespace sonthra {

enum class DocumentState : std::int32_t { Modified = 1, Clean = 2, New = 3 };
enum class WorkspaceState : std::int32_t { BeingCreated = 1, ReadOnly = 2, Ready = 3 };
enum class SourceKind : std::int32_t { Wav = 1, Mp3 = 2 };

struct AudioDocument {
    std::uint32_t id = 0;
    // The sample format as the engine reports it.
    std::uint16_t bitsPerSample = 0;
    std::uint16_t channels = 0;
    std::uint32_t lengthMs = 0;
    std::uint32_t sampleRate = 0;
    // Whole sample frames of the working copy (or of the user's file while there is no working
    // copy). The length in milliseconds rounds a short recording down to 0, so the question of
    // whether there is audio to lose is answered from the frames.
    std::uint32_t frames = 0;

    std::string fileName;
    std::string workFile;
    std::string undoFile;
    std::string redoFile;
    DocumentState state = DocumentState::New;
    // Modified by its song information alone: the audio is still the file's, so Save of an
    // MP3 document writes the tag without encoding the audio again.
    bool tagOnly = false;
    WorkspaceState workspace = WorkspaceState::Ready;
    WaveFormat format;
    SourceKind sourceKind = SourceKind::Wav;
    std::int32_t mp3BitRate = 0;  // kbit/s, MP3 documents only
    // Set when the podcast description of the document exists: Upload Podcast and the
    // podcast-info button go on and Save As Podcast off, otherwise the reverse.
    bool podcastDescription = false;
    // The podcast the document was published as and its description file; empty while
    // podcastDescription is off.
    podcast::PodcastInfo podcast;
    std::string podcastFile;
    // The song information, read when the file opens and written when it is saved.
    DocumentTag tag;
    // The working copy's peaks, shown by the document's display and overview.
    std::shared_ptr<PeakModel> peaks = std::make_shared<PeakModel>();
};

// Fills format from the sample format: PCM, block align = channels x bits / 8, bytes per
// second = rate x block align, extra size 0.
void FillFormat(AudioDocument& document);

// Whether the document holds audio that closing would lose.
bool HasAudio(const AudioDocument& document);

// Closing asks first for a Modified document and for a New one that holds audio.
bool NeedsSavePrompt(const AudioDocument& document);

// Save and Revert as the document's state sets them: Modified both on; Clean both off; New
// Save on only when it holds audio, Revert off.
struct SaveRevertCommands {
    bool save = false;
    bool revert = false;
};
SaveRevertCommands SaveRevertFor(const AudioDocument& document);

// Whether the working copy may be used now, without waiting: ready; read-only only for a New
// document (whose working copy was never copied from anywhere).
bool WorkingCopyUsable(const AudioDocument& document);

// The name of the n-th new document of this run, n counted from 1: "Untitled<n>.wav".
std::string UntitledName(std::uint32_t n);

// The name without its folder.
std::string BaseName(const std::string& path);

// The ordered list of open documents, the current one and the untitled counter.
class DocumentList {
public:
    std::size_t count() const { return m_documents.size(); }
    bool empty() const { return m_documents.empty(); }
    AudioDocument* at(std::size_t index);
    const AudioDocument* at(std::size_t index) const;

    // -1 when there is no current document.
    int currentIndex() const { return m_current; }
    AudioDocument* current();
    const AudioDocument* current() const;
    // An index outside the list makes no document current.
    void setCurrent(int index);

    // The smallest number that is at least the document count and no document uses.
    std::uint32_t nextId() const;

    // Appends the record and returns its index; the current document stays as it was.
    std::size_t append(std::unique_ptr<AudioDocument> document);
    // Takes the record out. The current index follows the record it named; when that was the
    // one removed, no document is current.
    std::unique_ptr<AudioDocument> remove(std::size_t index);

    // -1 when not found. File names are compared exactly: two names that differ only in letter
    // case are two files here.
    int indexOfFileName(const std::string& fileName) const;
    int indexOfId(std::uint32_t id) const;

    // New documents made in this run; never decreases.
    std::uint32_t untitledCounter() const { return m_untitled; }
    std::string nextUntitledName() const { return UntitledName(m_untitled + 1); }
    void countUntitled() { ++m_untitled; }

private:
    std::vector<std::unique_ptr<AudioDocument>> m_documents;
    int m_current = -1;
    std::uint32_t m_untitled = 0;
};

// Where document button `index` of `count` sits in a bar of the given size: each button is
// width / count wide when count x 162 reaches the bar's width, otherwise 162 (or the whole bar
// when that is narrower), one pixel shorter than the bar and one pixel from its top.
struct ButtonGeometry {
    int x = 0;
    int y = 1;
    int width = 0;
    int height = 0;
};
ButtonGeometry DocumentButtonGeometry(int barWidth, int barHeight, int count, int index);

}  // namespace sonthra
