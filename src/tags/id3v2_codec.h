// The bytes of an ID3 version 2 tag: the 10-byte header, frames of versions 2.2, 2.3 and 2.4
// read into the sixteen texts the tag object uses, and frames built for writing (always
// version 2.3). Works on memory only, so that every size in the input is checked against the
// buffer it came in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sonthra::id3v2 {

// Indexes of the frame table; 0 is unused.
enum FrameIndex : int {
    kTitle = 1,
    kArtist,
    kAlbum,
    kTrack,
    kYear,
    kGenre,
    kComment,
    kComposer,
    kEncoder,
    kCopyright,
    kLanguage,
    kLink,
    kRecordingTime,   // read only: year when there is no year frame
    kOriginalArtist,  // read only: artist when there is no artist frame
    kContentGroup,    // read only: title when there is no title frame
    kOriginalAlbum,   // read only: album when there is no album frame
    kFrameCount = kOriginalAlbum
};

// Decoded UTF-8 text per frame index: the value of a text frame, the comment text of a
// comment frame, the address of a link frame. Empty when absent.
using FrameTexts = std::array<std::string, kFrameCount + 1>;

inline constexpr std::size_t kHeaderSize = 10;
// The whole tag size a new tag is padded to, so that later edits fit in place.
inline constexpr std::uint32_t kTargetTagSize = 4096;
// Frame data beyond this many bytes is not read.
inline constexpr std::size_t kFrameDataLimit = 250;

struct Header {
    bool isId3 = false;
    std::uint8_t version = 0;
    std::uint8_t revision = 0;
    std::uint8_t flags = 0;
    // Header, body and footer; 0 when the body's size field is malformed.
    std::uint64_t totalSize = 0;
};

// Reads a header from the first 10 bytes (fewer bytes give a header that is not "ID3").
Header parseHeader(std::string_view bytes);

// A frame kept for writing back, in version 2.3 form: its identifier and all of its bytes.
struct KeptFrame {
    std::string id;
    std::string bytes;
};

// What a tag's frames hold beyond the texts, so that a rewrite can keep what it does not change.
struct FrameSources {
    // Per frame index, the version 2.3 bytes of the frame its text came from (empty when there
    // was none or it cannot be carried as it is: version 2.2, compressed, encrypted).
    std::array<std::string, kFrameCount + 1> frames;
    // Every other frame: those no index reads (pictures, lyrics, private data, dates), and the
    // frames of an index that lost to another one (a described comment behind a plain one).
    std::vector<KeptFrame> others;
};

// Reads the frames of a whole tag (header included) into texts. Stops at padding, at a frame
// that runs past the tag, and at anything malformed; what was read until then stays. When
// sources is given, it receives the frames of a version 2.3 or 2.4 tag as version 2.3 frames
// (text of version 2.4 in UTF-8 becomes UTF-16). Frames whose data a version 2.3 tag cannot
// carry as they are (compressed, encrypted, unsynchronised) are not kept.
void parseFrames(std::string_view tag, const Header& header, FrameTexts& texts,
                 FrameSources* sources = nullptr);

// One version 2.3 frame for a text of index 1 to 12 (empty text: no frame).
std::string buildFrame(int index, const std::string& text);

// The version 2.3 frames for texts 1 to 12 (13 to 16 are never written), in index order.
std::string buildFrames(const FrameTexts& texts);

// A whole tag: header, frames and zero padding up to totalSize (no padding when the frames
// need more). The header's size field counts what follows the header.
std::string buildTag(const std::string& frames, std::uint64_t totalSize);

// The 28-bit size field: 7 bits per byte, most significant first.
std::uint32_t readSyncSafe(const unsigned char* p);
void writeSyncSafe(std::uint32_t value, unsigned char* p);

}  // namespace sonthra::id3v2
