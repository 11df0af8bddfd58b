// A WAV file's samples opened as a sequence document for one run of a verb: the document lives
// in a private temporary folder of the user (0700) that goes with it, and the file itself is
// only read. The file's own chunks other than "fmt " and "data" can be carried into a save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sequence/sequence_document.h"
#include "wave/markers.h"
#include "wave/wave_layout.h"

namespace sonthra::cli {

class FileSequence {
public:
    // Opens path as the first block of a new document. 0 or a message number (the engine's for a
    // file the edits do not take, see checkInspectedWave).
    static int open(const std::string& path, std::unique_ptr<FileSequence>* out);
    ~FileSequence();
    FileSequence(const FileSequence&) = delete;
    FileSequence& operator=(const FileSequence&) = delete;

    SequenceDocument& document() { return *m_document; }
    const WaveFileLayout& layout() const { return m_layout; }
    // The file's other chunks for SaveOptions::chunks after the edits (in the order made): read
    // from its own descriptor, except its cue points, which move as the sound they point at
    // moved (dropped with their labels where it went) and are then read from a memory file of
    // this object. 0, or 121 when that file cannot be written.
    int chunks(const std::vector<FrameEdit>& edits, std::vector<CarriedChunk>* carried);

private:
    FileSequence() = default;

    std::string m_folder;
    int m_fd = -1;
    WaveFileLayout m_layout;
    std::unique_ptr<SequenceDocument> m_document;
    int m_markersFd = -1;
};

// Whether the engine can edit path's samples: 0 and its layout with a descriptor open for
// reading (the caller closes it), or the engine's code.
int openEditableWave(const std::string& path, WaveFileLayout* layout, int* fd);

}  // namespace sonthra::cli
