// What an audio file really is, told from its first bytes rather than its name: a WAV named
// ".mp3" is a WAV, an M4A named ".mp3" is an M4A. Every path that opens, converts or tags a
// file asks this first, so that none of them mistakes one container for another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonthra {

enum class FileKind {
    Unknown,  // none of the kinds below (text, a picture, noise, too short)
    Wave,     // RIFF WAVE
    Rf64,     // RF64 or BW64 WAVE (sizes past 4 GB in a ds64 chunk)
    Aiff,     // FORM AIFF or AIFC
    Flac,     // fLaC, possibly behind an ID3v2 tag
    Ogg,      // an Ogg stream whose codec is neither of the two below
    OggVorbis,
    OggOpus,
    Mp4,   // ISO media (M4A, MP4, 3GP): an "ftyp" box
    Asf,   // WMA / WMV (ASF header object)
    Caf,   // Core Audio Format
    Mpeg,  // MPEG audio frames (MP3, MP2, MP1), possibly behind an ID3v2 tag
};

struct FileKindInfo {
    FileKind kind = FileKind::Unknown;
    // Bytes of ID3v2 tag (header, body and footer) in front of the content, 0 when none.
    std::uint64_t id3v2Bytes = 0;
    // For Mpeg: the layer (1, 2 or 3) of the first frame.
    int mpegLayer = 0;
};

// Tells the kind from the first bytes of a file. Give it the first 64 KiB where the file is
// that long (an MPEG stream is recognised by two frames in a row after any ID3v2 tag; a tag
// that runs past what is given leaves the kind Unknown unless more is given, see below).
FileKindInfo sniffFileKind(const std::uint8_t* data, std::size_t size);

// Reads what sniffFileKind needs from the file (following an ID3v2 tag of any length) and
// tells its kind. false when the file cannot be read; a readable file of no known kind is
// true with kind Unknown. Never blocks on a pipe or a device (those are not read: false).
bool inspectFileKind(const std::string& path, FileKindInfo* info);

// A plain name for messages: "WAV", "RF64 WAV", "AIFF", "FLAC", "Ogg", "Ogg Vorbis", "Opus",
// "MP4/M4A", "WMA/ASF", "CAF", "MP3" (or "MP2", "MP1" by layer), "unknown".
std::string fileKindName(const FileKindInfo& info);

// What the four header bytes of an MPEG audio frame say.
struct MpegFrameHeader {
    int layer = 0;  // 1, 2 or 3
    bool mpeg1 = false;
    bool mono = false;
    int bitrateKbps = 0;
    int sampleRate = 0;
    int samplesPerFrame = 0;
    std::size_t bytes = 0;  // the whole frame's length
};

// Reads the frame header at p; false when the four bytes are no frame header (a free-format
// frame, whose length no header states, is none either).
bool parseMpegFrameHeader(const std::uint8_t* p, MpegFrameHeader* header);

// The length in bytes of the MPEG audio frame whose four header bytes are at p, or 0 when they
// are no frame header. layer receives 1, 2 or 3 when given.
std::size_t mpegFrameBytes(const std::uint8_t* p, int* layer);

// The ID3v2 tag size at the start of data (header, body and footer where its flag says so),
// or 0 when data does not start with a plausible ID3v2 header.
std::uint64_t id3v2TagBytes(const std::uint8_t* data, std::size_t size);

}  // namespace sonthra
