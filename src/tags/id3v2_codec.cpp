#include "tags/id3v2_codec.h"

#include <utility>

#include "tags/tag_text.h"

namespace sonthra::id3v2 {
namespace {

struct FrameIds {
    const char* v3;  // versions 2.3 and 2.4
    const char* v2;  // version 2.2
};

constexpr FrameIds kFrameIds[kFrameCount + 1] = {
    {"", ""},        {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"},
    {"TYER", "TYE"}, {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"}, {"TENC", "TEN"},
    {"TCOP", "TCR"}, {"TLAN", "TLA"}, {"WXXX", "WXX"}, {"TDRC", "TOR"}, {"TOPE", "TOA"},
    {"TIT1", "TT1"}, {"TOAL", "TOT"}};

constexpr std::uint8_t kFlagUnsync = 0x80;
constexpr std::uint8_t kFlagExtended = 0x40;  // version 2.2: compression
constexpr std::uint8_t kFlagFooter = 0x10;

std::uint32_t be32(std::string_view b, std::size_t at) {
    const auto u = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i]));
    };
    return u(0) << 24 | u(1) << 16 | u(2) << 8 | u(3);
}

std::uint32_t be24(std::string_view b, std::size_t at) {
    const auto u = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i]));
    };
    return u(0) << 16 | u(1) << 8 | u(2);
}

void putBe32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

bool isSyncSafe(std::string_view b, std::size_t at) {
    for (std::size_t i = 0; i < 4; ++i) {
        if (static_cast<unsigned char>(b[at + i]) & 0x80) return false;
    }
    return true;
}

// Unsynchronisation put a 0 after every FF; this takes them out again.
std::string resynchronise(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && i + 1 < bytes.size() &&
            bytes[i + 1] == 0)
            ++i;
    }
    return out;
}

int frameIndex(std::string_view id, std::uint8_t version) {
    for (int i = 1; i <= kFrameCount; ++i) {
        if (id == (version == 2 ? kFrameIds[i].v2 : kFrameIds[i].v3)) return i;
    }
    return 0;
}

// Splits encoded text at its terminator (one 0 byte, or two at an even offset for UTF-16).
// found is false when there is none: then all the bytes are the first part.
std::pair<std::string_view, std::string_view> splitAtTerminator(std::uint8_t encoding,
                                                                std::string_view bytes,
                                                                bool& found) {
    found = false;
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == 0 && bytes[i + 1] == 0) {
                found = true;
                return {bytes.substr(0, i), bytes.substr(i + 2)};
            }
        }
        return {bytes, {}};
    }
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos) return {bytes, {}};
    found = true;
    return {bytes.substr(0, nul), bytes.substr(nul + 1)};
}

std::string decodeText(std::uint8_t encoding, std::string_view bytes) {
    switch (encoding) {
        case 0:
            return tagtext::latin1ToUtf8(bytes);
        case 1:
            return tagtext::utf16ToUtf8(bytes, false);
        case 2:
            return tagtext::utf16ToUtf8(bytes, true);
        default:
            return tagtext::isUtf8(bytes) ? std::string(bytes) : tagtext::latin1ToUtf8(bytes);
    }
}

// The first value of encoded text (a version 2.4 frame may hold several, NUL-separated).
std::string firstValue(std::uint8_t encoding, std::string_view bytes) {
    bool found = false;
    return decodeText(encoding, splitAtTerminator(encoding, bytes, found).first);
}

// The text a frame contributes, from its data (encoding byte first). hasDescription reports
// whether a comment or link frame carried a non-empty description.
bool decodeFrame(int index, std::string_view data, std::string& text, bool& hasDescription) {
    hasDescription = false;
    if (data.empty()) return false;
    const auto encoding = static_cast<std::uint8_t>(data[0]);
    if (encoding > 3) return false;
    data.remove_prefix(1);
    if (index == kComment) {
        if (data.size() < 3) return false;
        data.remove_prefix(3);  // language
    }
    if (index == kComment || index == kLink) {
        bool found = false;
        const auto [description, rest] = splitAtTerminator(encoding, data, found);
        if (!found) return false;
        hasDescription = !tagtext::trimControls(decodeText(encoding, description)).empty();
        // The link itself is always Latin-1.
        text = index == kLink ? firstValue(0, rest) : firstValue(encoding, rest);
        return true;
    }
    text = firstValue(encoding, data);
    return true;
}

bool plausibleFrameStart(std::string_view body, std::size_t pos, std::size_t headerSize) {
    if (pos == body.size()) return true;
    if (pos > body.size()) return false;
    if (body[pos] == 0) return true;  // padding
    return pos + headerSize <= body.size() && body[pos] >= 'A' && body[pos] <= 'Z';
}

// A version 2.4 frame size is sync-safe; some writers put a plain number there anyway. The
// plain reading is taken only when the sync-safe one leads nowhere and the plain one does.
std::uint64_t frameSize(std::string_view body, std::size_t pos, std::uint8_t version) {
    if (version == 2) return be24(body, pos + 3);
    const std::uint32_t plain = be32(body, pos + 4);
    if (version == 3 || !isSyncSafe(body, pos + 4)) return plain;
    const std::uint32_t safe =
        readSyncSafe(reinterpret_cast<const unsigned char*>(body.data() + pos + 4));
    if (safe != plain && !plausibleFrameStart(body, pos + 10 + std::uint64_t{safe}, 10) &&
        plausibleFrameStart(body, pos + 10 + std::uint64_t{plain}, 10)) {
        return plain;
    }
    return safe;
}

// Strips what frame flags put in front of the data; false for a frame that cannot be read
// (compressed or encrypted).
bool unwrapFrameData(std::uint8_t version, std::uint8_t tagFlags, std::uint8_t formatFlags,
                     std::string_view& data, std::string& storage) {
    if (version == 3) {
        if (formatFlags & 0xC0) return false;
        if (formatFlags & 0x20) {
            if (data.empty()) return false;
            data.remove_prefix(1);
        }
        return true;
    }
    if (version != 4) return true;
    if (formatFlags & 0x0C) return false;
    const std::size_t extra = ((formatFlags & 0x40) ? 1 : 0) + ((formatFlags & 0x01) ? 4 : 0);
    if (data.size() < extra) return false;
    data.remove_prefix(extra);
    if ((formatFlags & 0x02) || (tagFlags & kFlagUnsync)) {
        storage = resynchronise(data);
        data = storage;
    }
    return true;
}

// Version 2.3 has no UTF-8: text after the given prefix of a version 2.4 frame in UTF-8 becomes
// UTF-16 with a byte-order mark, value by value.
std::string utf8FrameToUtf16(std::string_view data, std::size_t prefix) {
    std::string out(1, '\1');
    out.append(data.substr(1, prefix));
    std::string_view rest = data.substr(std::min(data.size(), 1 + prefix));
    for (;;) {
        const std::size_t nul = rest.find('\0');
        const std::string_view value = rest.substr(0, nul);
        // Bytes that are not UTF-8 are read as Latin-1; they are written as they were read.
        out += tagtext::utf8ToUtf16WithBom(tagtext::isUtf8(value) ? std::string(value)
                                                                  : tagtext::latin1ToUtf8(value));
        if (nul == std::string_view::npos) break;
        out.append(2, '\0');  // each terminator stays, a description's above all
        rest.remove_prefix(nul + 1);
        if (rest.empty()) break;
    }
    return out;
}

// A frame in version 2.3 form, or empty when it cannot be carried as it is. Version 2.4 status
// flags move one bit up; a frame with format flags, or of an unsynchronised version 2.4 tag, is
// dropped.
std::string keptFrame(std::string_view frameHeader, std::string_view data, std::uint8_t version,
                      std::uint8_t tagFlags) {
    if (version < 3) return {};
    for (char c : frameHeader.substr(0, 4)) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return {};
    }
    const auto status = static_cast<std::uint8_t>(frameHeader[8]);
    const auto format = static_cast<std::uint8_t>(frameHeader[9]);
    if (format != 0 || (version == 4 && (tagFlags & kFlagUnsync))) return {};
    const std::string_view id = frameHeader.substr(0, 4);
    std::string converted;
    if (version == 4 && !data.empty() && data[0] == 3) {
        if (id[0] == 'T') {
            converted = utf8FrameToUtf16(data, 0);
        } else if (id == "COMM" || id == "USLT") {
            if (data.size() < 4) return {};
            converted = utf8FrameToUtf16(data, 3);
        } else if (id == "WXXX") {
            return {};
        }
        if (!converted.empty()) data = converted;
    }
    std::string out(id);
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    out.push_back(static_cast<char>(version == 4 ? (status << 1) & 0xE0 : status));
    out.push_back('\0');
    out.append(data);
    return out;
}

// Where the frames start in the body, after an extended header; npos when it is malformed.
std::size_t framesStart(std::string_view body, const Header& header) {
    if (!(header.flags & kFlagExtended)) return 0;
    if (body.size() < 4) return std::string_view::npos;
    std::uint64_t end = 0;
    if (header.version == 3) {
        end = 4 + std::uint64_t{be32(body, 0)};
    } else {
        end = readSyncSafe(reinterpret_cast<const unsigned char*>(body.data()));
        if (end < 6) return std::string_view::npos;
    }
    return end <= body.size() ? static_cast<std::size_t>(end) : std::string_view::npos;
}

}  // namespace

std::uint32_t readSyncSafe(const unsigned char* p) {
    return (std::uint32_t{p[0]} & 0x7F) << 21 | (std::uint32_t{p[1]} & 0x7F) << 14 |
           (std::uint32_t{p[2]} & 0x7F) << 7 | (std::uint32_t{p[3]} & 0x7F);
}

void writeSyncSafe(std::uint32_t value, unsigned char* p) {
    p[0] = (value >> 21) & 0x7F;
    p[1] = (value >> 14) & 0x7F;
    p[2] = (value >> 7) & 0x7F;
    p[3] = value & 0x7F;
}

Header parseHeader(std::string_view bytes) {
    Header h;
    if (bytes.size() < kHeaderSize || bytes.substr(0, 3) != "ID3") return h;
    h.isId3 = true;
    h.version = static_cast<std::uint8_t>(bytes[3]);
    h.revision = static_cast<std::uint8_t>(bytes[4]);
    h.flags = static_cast<std::uint8_t>(bytes[5]);
    if (!isSyncSafe(bytes, 6)) return h;
    h.totalSize = kHeaderSize +
                  readSyncSafe(reinterpret_cast<const unsigned char*>(bytes.data() + 6)) +
                  ((h.version >= 4 && (h.flags & kFlagFooter)) ? kHeaderSize : 0);
    return h;
}

void parseFrames(std::string_view tag, const Header& header, FrameTexts& texts,
                 FrameSources* sources) {
    const std::uint8_t version = header.version;
    if (!header.isId3 || version < 2 || version > 4 || header.totalSize < kHeaderSize ||
        header.totalSize > tag.size()) {
        return;
    }
    if (version == 2 && (header.flags & kFlagExtended)) return;  // compressed: no known scheme
    std::string_view body = tag.substr(kHeaderSize, header.totalSize - kHeaderSize);
    if (version >= 4 && (header.flags & kFlagFooter))
        body = body.substr(0, body.size() >= kHeaderSize ? body.size() - kHeaderSize : 0);
    std::string resynced;
    if ((header.flags & kFlagUnsync) && version < 4) {
        resynced = resynchronise(body);
        body = resynced;
    }
    std::size_t pos = framesStart(body, header);
    if (pos == std::string_view::npos) return;
    const std::size_t idSize = version == 2 ? 3 : 4;
    const std::size_t headerSize = version == 2 ? 6 : 10;
    bool commentWithoutDescription = false;
    while (pos + headerSize <= body.size()) {
        if (body[pos] < 'A' || body[pos] > 'Z') break;
        const std::string_view id = body.substr(pos, idSize);
        const std::uint64_t size = frameSize(body, pos, version);
        const std::uint8_t formatFlags =
            version == 2 ? 0 : static_cast<std::uint8_t>(body[pos + 9]);
        const std::size_t dataStart = pos + headerSize;
        if (size > body.size() - dataStart) break;  // runs past the tag: refused
        std::string_view data = body.substr(dataStart, static_cast<std::size_t>(size));
        const std::size_t frameStart = pos;
        pos = dataStart + static_cast<std::size_t>(size);

        const int index = frameIndex(id, version);
        const auto keep = [&] {
            return sources
                       ? keptFrame(body.substr(frameStart, headerSize), data, version, header.flags)
                       : std::string();
        };
        if (index == 0) {
            if (sources) {
                std::string frame = keep();
                if (!frame.empty()) sources->others.push_back({std::string(id), std::move(frame)});
            }
            continue;
        }
        std::string kept = keep();
        std::string storage;
        if (unwrapFrameData(version, header.flags, formatFlags, data, storage)) {
            data = data.substr(0, kFrameDataLimit);
            std::string text;
            bool hasDescription = false;
            if (decodeFrame(index, data, text, hasDescription)) {
                // Players keep their own notes in described comments; the plain comment wins.
                const bool loses = index == kComment && hasDescription && commentWithoutDescription;
                if (index == kComment && !hasDescription) commentWithoutDescription = true;
                if (!loses) {
                    texts[index] = std::move(text);
                    if (sources) std::swap(sources->frames[index], kept);
                }
            }
        }
        // A described comment that lost to the plain one still goes back; a text frame that a
        // later one of the same name replaced would only contradict it.
        if (sources && index == kComment && !kept.empty())
            sources->others.push_back({std::string(id), std::move(kept)});
    }
}

std::string buildFrame(int index, const std::string& text) {
    if (index < 1 || index > kLink || text.empty()) return {};
    // Latin-1 text keeps encoding 0; other text is UTF-16 with a byte-order mark.
    const bool latin1 = tagtext::fitsLatin1(text);
    std::string data;
    if (index == kLink) {
        data = std::string("\0\0", 2) + tagtext::linkToLatin1(text);
    } else if (index == kComment) {
        data = latin1 ? std::string("\0eng\0", 5) + tagtext::utf8ToLatin1(text)
                      : std::string("\1eng\xFF\xFE\0\0", 8) + tagtext::utf8ToUtf16WithBom(text);
    } else {
        data = latin1 ? std::string(1, '\0') + tagtext::utf8ToLatin1(text)
                      : std::string(1, '\1') + tagtext::utf8ToUtf16WithBom(text);
    }
    std::string out = kFrameIds[index].v3;
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    out.append(2, '\0');
    out += data;
    return out;
}

std::string buildFrames(const FrameTexts& texts) {
    std::string out;
    for (int index = 1; index <= kLink; ++index) out += buildFrame(index, texts[index]);
    return out;
}

std::string buildTag(const std::string& frames, std::uint64_t totalSize) {
    const std::uint64_t used = kHeaderSize + frames.size();
    const std::uint64_t padding = totalSize > used ? totalSize - used : 0;
    unsigned char header[kHeaderSize] = {'I', 'D', '3', 3, 0, 0};
    writeSyncSafe(static_cast<std::uint32_t>(frames.size() + padding), header + 6);
    std::string tag(reinterpret_cast<const char*>(header), kHeaderSize);
    tag.reserve(used + padding);
    tag += frames;
    tag.append(static_cast<std::size_t>(padding), '\0');
    return tag;
}

}  // namespace sonthra::id3v2
