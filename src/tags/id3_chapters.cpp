#include "tags/id3_chapters.h"

#include <algorithm>
#include <limits>

#include "tags/id3v2.h"
#include "tags/id3v2_codec.h"
#include "wave/wave_cue.h"

namespace sonthra {

namespace {

constexpr std::size_t kFrameHeader = 10;
constexpr std::uint32_t kNoOffset = 0xFFFFFFFF;
constexpr std::size_t kMaxTocEntries = 255;

std::uint32_t be32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<unsigned char>(b[at + 3]);
}

void putBe32(std::string& out, std::uint64_t value) {
    const auto v = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift));
}

std::string frame(std::string_view id, std::string_view data) {
    std::string out(id);
    putBe32(out, data.size());
    out.append(2, '\0');
    out.append(data);
    return out;
}

// The title sub-frame, encoded as the tag's own title frame is.
std::string titleFrame(const std::string& title) {
    id3v2::FrameTexts texts;
    texts[id3v2::kTitle] = title;
    return id3v2::buildFrames(texts);
}

// The title in sub-frames, decoded as the tag's own title frame is.
std::string titleOf(std::string_view subFrames) {
    const std::string tag = id3v2::buildTag(std::string(subFrames), 0);
    id3v2::FrameTexts texts;
    id3v2::parseFrames(tag, id3v2::parseHeader(tag), texts);
    return texts[id3v2::kTitle];
}

// Calls each(id, data) for every whole frame of a row of version 2.3 frames.
template <typename Each>
void forEachFrame(std::string_view frames, Each each) {
    std::size_t at = 0;
    while (at + kFrameHeader <= frames.size() && frames[at] != '\0') {
        const std::size_t size = be32(frames, at + 4);
        if (size > frames.size() - at - kFrameHeader) break;
        each(frames.substr(at, 4), frames.substr(at + kFrameHeader, size),
             frames.substr(at, kFrameHeader + size));
        at += kFrameHeader + size;
    }
}

std::uint64_t milliseconds(std::uint64_t frames, std::uint32_t rate) {
    return rate == 0 ? 0 : (frames * 1000 + rate / 2) / rate;
}

}  // namespace

std::string chapterFrames(std::vector<Marker> markers, std::uint32_t rate, std::uint64_t endMs) {
    std::stable_sort(markers.begin(), markers.end(),
                     [](const Marker& a, const Marker& b) { return a.start < b.start; });
    std::string chapters;
    std::string toc = "toc";
    toc.push_back('\0');
    toc.push_back('\x03');  // top level, ordered
    toc.push_back(static_cast<char>(std::min(markers.size(), kMaxTocEntries)));
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const std::string id = "chp" + std::to_string(i);
        const std::uint64_t start = milliseconds(markers[i].start, rate);
        std::uint64_t end = markers[i].end           ? milliseconds(*markers[i].end, rate)
                            : i + 1 < markers.size() ? milliseconds(markers[i + 1].start, rate)
                                                     : endMs;
        end = std::max(end, start);
        std::string data = id;
        data.push_back('\0');
        putBe32(data, start);
        putBe32(data, end);
        putBe32(data, kNoOffset);
        putBe32(data, kNoOffset);
        data += titleFrame(markers[i].name);
        chapters += frame("CHAP", data);
        if (i < kMaxTocEntries) {
            toc += id;
            toc.push_back('\0');
        }
    }
    return markers.empty() ? std::string() : frame("CTOC", toc) + chapters;
}

std::vector<Marker> chaptersFromFrames(std::string_view frames) {
    std::vector<Marker> chapters;
    forEachFrame(frames, [&](std::string_view id, std::string_view data, std::string_view) {
        if (id != "CHAP") return;
        const std::size_t nul = data.find('\0');
        if (nul == std::string_view::npos || data.size() - nul - 1 < 16) return;
        Marker chapter;
        chapter.start = be32(data, nul + 1);
        const std::uint64_t end = be32(data, nul + 5);
        if (end > chapter.start) chapter.end = end;
        chapter.name = titleOf(data.substr(nul + 17));
        chapters.push_back(std::move(chapter));
    });
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Marker& a, const Marker& b) { return a.start < b.start; });
    return chapters;
}

std::string framesWithoutChapters(std::string_view frames) {
    std::string kept;
    std::size_t end = 0;
    forEachFrame(frames, [&](std::string_view id, std::string_view, std::string_view whole) {
        if (id != "CHAP" && id != "CTOC") kept.append(whole);
        end = static_cast<std::size_t>(whole.data() + whole.size() - frames.data());
    });
    // Whatever follows the last whole frame is kept as it came.
    kept.append(frames.substr(end));
    return kept;
}

bool readMp3Chapters(const std::string& path, std::vector<Marker>& chapters) {
    TID3v2 tag;
    if (!tag.readFromFile(path)) return false;
    chapters = chaptersFromFrames(tag.otherFrames());
    return true;
}

bool writeMp3Chapters(const std::string& path, const std::vector<Marker>& markers,
                      std::uint32_t rate, std::uint64_t endMs) {
    TID3v2 tag;
    if (!tag.readFromFile(path)) return false;
    tag.setOtherFrames(framesWithoutChapters(tag.otherFrames()) +
                       chapterFrames(markers, rate, endMs));
    return tag.writeToFile(path);
}

bool copyWaveMarkersToMp3(const std::string& wavePath, const std::string& mp3Path) {
    CueSheet sheet;
    WaveFormat format;
    std::uint64_t frames = 0;
    if (readWaveCueSheet(wavePath, sheet, &format, &frames) != 0) return false;
    const std::vector<Marker> markers = markersOfSheet(sheet);
    if (markers.empty()) return true;
    return writeMp3Chapters(mp3Path, markers, format.sampleRate,
                            milliseconds(frames, format.sampleRate));
}

}  // namespace sonthra
