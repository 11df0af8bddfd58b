// A WAV file's markers as the file holds them: the "cue " chunk (one point per marker, in
// frames) and the LIST "adtl" chunk with their labels ("labl"), notes ("note") and region
// lengths ("ltxt"), read from whatever recorders and editors write (BWF files among them) and
// written back with everything not understood kept. Plain functions; hostile bytes are read
// only as far as they go.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wave/markers.h"
#include "wave/riff.h"
#include "wave/wave_format.h"

namespace sonthra {

inline constexpr std::uint32_t kCueId = fourCC("cue ");
inline constexpr std::uint32_t kAdtlId = fourCC("adtl");
inline constexpr std::uint32_t kLablId = fourCC("labl");
inline constexpr std::uint32_t kNoteId = fourCC("note");
inline constexpr std::uint32_t kLtxtId = fourCC("ltxt");

// One entry of the "cue " chunk, field by field.
struct CuePoint {
    std::uint32_t id = 0;
    std::uint32_t position = 0;  // order in a play list; the frame, for files without one
    std::uint32_t chunkId = kDataId;
    std::uint32_t chunkStart = 0;
    std::uint32_t blockStart = 0;
    std::uint32_t sampleOffset = 0;  // the frame within the samples

    bool operator==(const CuePoint&) const = default;
};

// One sub-chunk of the "adtl" list, its bytes as found (the cue point's id first).
struct AdtlEntry {
    std::uint32_t id = 0;
    std::string data;

    bool operator==(const AdtlEntry&) const = default;
};

struct CueSheet {
    std::vector<CuePoint> points;
    std::vector<AdtlEntry> entries;

    bool empty() const { return points.empty() && entries.empty(); }
};

// The points of a "cue " chunk's data; a count larger than the bytes hold gives the points
// that are there.
std::vector<CuePoint> parseCueChunk(std::string_view data);
// The entries of a LIST chunk's data that starts with "adtl"; empty for any other list. A
// sub-chunk whose size runs past the end keeps the bytes that are there.
std::vector<AdtlEntry> parseAdtlList(std::string_view data);
// The data of the two chunks for sheet ("adtl" first in the list's data).
std::string cueChunkData(const CueSheet& sheet);
std::string adtlListData(const CueSheet& sheet);

// The markers of the sheet in the order of their frames: named by their label (else the text
// of their region or note), regions where an "ltxt" gives a length; id is the cue point's id.
std::vector<Marker> markersOfSheet(const CueSheet& sheet);
// Adds the marker as a new point (the next free id) with its label, and its region length.
void addMarkerToSheet(CueSheet& sheet, const Marker& marker);
// Moves the points as shiftMarkers moves markers (see markers.h); the labels and notes of a
// dropped point go with it. true when anything changed, else the sheet is as it was.
bool shiftCueSheet(CueSheet& sheet, std::uint64_t removedFrom, std::uint64_t removedTo,
                   std::uint64_t insertedFrames);

// Where the markers are among a file's other chunks (WaveFileLayout::otherChunks): the index of
// its first "cue " chunk and of its first LIST "adtl" chunk, -1 for none.
struct CueChunks {
    int cue = -1;
    int adtl = -1;
};
CueChunks findCueChunks(const std::vector<RiffChunk>& chunks);

// Larger marker chunks are not read (no recording has that many markers).
inline constexpr std::uint32_t kMaxCueChunkBytes = 16u << 20;

// Reads the sheet from the chunks of the open file fd. false when a chunk is too large or
// cannot be read.
bool readCueSheet(int fd, const std::vector<RiffChunk>& chunks, CueSheet& sheet);

// Reads a WAV file's sheet, format and frame count. 0, a file-I/O number of riff.h, or
// kWaveErrBadFormat when it is not a WAV file or its markers cannot be read.
int readWaveCueSheet(const std::string& path, CueSheet& sheet, WaveFormat* format = nullptr,
                     std::uint64_t* frames = nullptr);

// Writes path anew with the sheet's chunks in place of its own (where they were, else at the
// end; an empty sheet removes them), every other chunk and every sample byte as it was,
// through a new file renamed over the old one. 0, a file-I/O number, or kWaveErrBadFormat.
int writeWaveCueSheet(const std::string& path, const CueSheet& sheet);

}  // namespace sonthra
