#include "wave/wave_cue.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "wave/file_copy.h"
#include "wave/safe_file.h"
#include "wave/wave_layout.h"

namespace sonthra {

namespace {

constexpr std::uint32_t kRegionPurpose = fourCC("rgn ");
constexpr std::size_t kLtxtFixedBytes = 20;  // id, length, purpose, country .. code page

std::uint32_t le32(std::string_view bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putLe32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

void setLe32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(value >> (8 * i));
}

// The cue point an entry belongs to: its first four bytes.
bool entryPoint(const AdtlEntry& entry, std::uint32_t& id) {
    if (entry.data.size() < 4) return false;
    id = le32(entry.data, 0);
    return true;
}

// The text of an entry from offset on, up to its first NUL.
std::string entryText(const AdtlEntry& entry, std::size_t offset) {
    if (entry.data.size() <= offset) return {};
    std::string_view text(entry.data);
    text.remove_prefix(offset);
    return utf8FromLabel(text.substr(0, text.find('\0')));
}

struct PointInfo {
    std::string label;
    std::string regionText;
    std::string note;
    std::uint32_t length = 0;
};

PointInfo infoOf(const CueSheet& sheet, std::uint32_t id) {
    PointInfo info;
    for (const AdtlEntry& entry : sheet.entries) {
        std::uint32_t owner = 0;
        if (!entryPoint(entry, owner) || owner != id) continue;
        if (entry.id == kLablId && info.label.empty()) info.label = entryText(entry, 4);
        if (entry.id == kNoteId && info.note.empty()) info.note = entryText(entry, 4);
        if (entry.id == kLtxtId && entry.data.size() >= 8 && info.length == 0) {
            info.length = le32(entry.data, 4);
            info.regionText = entryText(entry, kLtxtFixedBytes);
        }
    }
    return info;
}

// The frame a point stands at: its offset in the samples; a few writers leave that 0 and give
// the frame as the point's position only.
std::uint64_t frameOf(const CuePoint& point) {
    return point.sampleOffset != 0 ? point.sampleOffset : point.position;
}

Marker markerOf(const CueSheet& sheet, const CuePoint& point) {
    const PointInfo info = infoOf(sheet, point.id);
    Marker marker;
    marker.id = point.id;
    marker.start = frameOf(point);
    if (info.length > 0) marker.end = marker.start + info.length;
    marker.name = !info.label.empty()        ? info.label
                  : !info.regionText.empty() ? info.regionText
                                             : info.note;
    return marker;
}

std::uint32_t clamp32(std::uint64_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

// Reads or writes all count bytes at offset, retrying short transfers and interruptions.
bool transferAt(int fd, std::uint64_t offset, char* bytes, std::size_t count, bool writing) {
    std::size_t done = 0;
    while (done < count) {
        const auto at = static_cast<off_t>(offset + done);
        const ssize_t n = writing ? ::pwrite(fd, bytes + done, count - done, at)
                                  : ::pread(fd, bytes + done, count - done, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool readAt(int fd, std::uint64_t offset, std::string& bytes) {
    return transferAt(fd, offset, bytes.data(), bytes.size(), false);
}

bool writeAt(int fd, std::uint64_t offset, std::string_view bytes) {
    std::string copy(bytes);
    return transferAt(fd, offset, copy.data(), copy.size(), true);
}

std::string chunkBytes(std::uint32_t id, std::string_view data) {
    std::string out;
    putLe32(out, id);
    putLe32(out, static_cast<std::uint32_t>(data.size()));
    out.append(data);
    if (data.size() & 1u) out.push_back('\0');
    return out;
}

}  // namespace

std::vector<CuePoint> parseCueChunk(std::string_view data) {
    std::vector<CuePoint> points;
    if (data.size() < 4) return points;
    const std::size_t count = std::min<std::size_t>(le32(data, 0), (data.size() - 4) / 24);
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 4 + 24 * i;
        points.push_back({le32(data, at), le32(data, at + 4), le32(data, at + 8),
                          le32(data, at + 12), le32(data, at + 16), le32(data, at + 20)});
    }
    return points;
}

std::vector<AdtlEntry> parseAdtlList(std::string_view data) {
    std::vector<AdtlEntry> entries;
    if (data.size() < 4 || le32(data, 0) != kAdtlId) return entries;
    std::size_t at = 4;
    while (at + 8 <= data.size()) {
        const std::uint32_t id = le32(data, at);
        const std::size_t size = std::min<std::size_t>(le32(data, at + 4), data.size() - at - 8);
        entries.push_back({id, std::string(data.substr(at + 8, size))});
        at += 8 + size + (size & 1u);
    }
    return entries;
}

std::string cueChunkData(const CueSheet& sheet) {
    std::string out;
    putLe32(out, static_cast<std::uint32_t>(sheet.points.size()));
    for (const CuePoint& p : sheet.points) {
        for (const std::uint32_t field :
             {p.id, p.position, p.chunkId, p.chunkStart, p.blockStart, p.sampleOffset}) {
            putLe32(out, field);
        }
    }
    return out;
}

std::string adtlListData(const CueSheet& sheet) {
    std::string out;
    putLe32(out, kAdtlId);
    for (const AdtlEntry& entry : sheet.entries) out += chunkBytes(entry.id, entry.data);
    return out;
}

std::vector<Marker> markersOfSheet(const CueSheet& sheet) {
    std::vector<Marker> markers;
    markers.reserve(sheet.points.size());
    for (const CuePoint& point : sheet.points) markers.push_back(markerOf(sheet, point));
    std::stable_sort(markers.begin(), markers.end(),
                     [](const Marker& a, const Marker& b) { return a.start < b.start; });
    return markers;
}

void addMarkerToSheet(CueSheet& sheet, const Marker& marker) {
    std::uint32_t id = 0;
    for (const CuePoint& point : sheet.points) id = std::max(id, point.id);
    for (const AdtlEntry& entry : sheet.entries) {
        std::uint32_t owner = 0;
        if (entryPoint(entry, owner)) id = std::max(id, owner);
    }
    ++id;
    const std::uint32_t frame = clamp32(marker.start);
    sheet.points.push_back({id, frame, kDataId, 0, 0, frame});
    AdtlEntry label{kLablId, {}};
    putLe32(label.data, id);
    label.data += marker.name;
    label.data.push_back('\0');
    sheet.entries.push_back(std::move(label));
    if (marker.end && *marker.end > marker.start) {
        AdtlEntry region{kLtxtId, {}};
        putLe32(region.data, id);
        putLe32(region.data, clamp32(*marker.end - marker.start));
        putLe32(region.data, kRegionPurpose);
        region.data.append(8, '\0');  // country, language, dialect, code page
        sheet.entries.push_back(std::move(region));
    }
}

bool shiftCueSheet(CueSheet& sheet, std::uint64_t removedFrom, std::uint64_t removedTo,
                   std::uint64_t insertedFrames) {
    // Each point becomes a marker numbered by its place, so that points sharing an id (a
    // damaged file) still move one by one.
    std::vector<Marker> markers;
    for (std::size_t i = 0; i < sheet.points.size(); ++i) {
        Marker marker = markerOf(sheet, sheet.points[i]);
        marker.id = static_cast<std::uint32_t>(i);
        markers.push_back(std::move(marker));
    }
    if (!shiftMarkers(markers, removedFrom, removedTo, insertedFrames)) return false;

    std::vector<CuePoint> points;
    std::vector<std::uint32_t> lengths;  // new region length by cue id, for the ltxt entries
    std::vector<std::uint32_t> keptIds;
    std::vector<std::uint32_t> droppedIds;
    std::size_t next = 0;
    for (std::size_t i = 0; i < sheet.points.size(); ++i) {
        CuePoint point = sheet.points[i];
        if (next < markers.size() && markers[next].id == i) {
            const Marker& moved = markers[next++];
            const std::uint32_t frame = clamp32(moved.start);
            if (point.position == point.sampleOffset || point.sampleOffset == 0) {
                point.position = frame;
            }
            point.sampleOffset = frame;
            points.push_back(point);
            keptIds.push_back(point.id);
            lengths.push_back(moved.end ? clamp32(*moved.end - moved.start) : 0);
        } else {
            droppedIds.push_back(point.id);
        }
    }
    std::vector<AdtlEntry> entries;
    for (AdtlEntry& entry : sheet.entries) {
        std::uint32_t owner = 0;
        if (!entryPoint(entry, owner)) {
            entries.push_back(std::move(entry));
            continue;
        }
        const auto kept = std::find(keptIds.begin(), keptIds.end(), owner);
        if (kept == keptIds.end() &&
            std::find(droppedIds.begin(), droppedIds.end(), owner) != droppedIds.end()) {
            continue;
        }
        if (kept != keptIds.end() && entry.id == kLtxtId && entry.data.size() >= 8 &&
            le32(entry.data, 4) != 0) {
            setLe32(entry.data, 4, lengths[static_cast<std::size_t>(kept - keptIds.begin())]);
        }
        entries.push_back(std::move(entry));
    }
    sheet.points = std::move(points);
    sheet.entries = std::move(entries);
    return true;
}

CueChunks findCueChunks(const std::vector<RiffChunk>& chunks) {
    CueChunks found;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].id == kCueId && found.cue < 0) found.cue = static_cast<int>(i);
        if (chunks[i].id == kListId && chunks[i].formType == kAdtlId && found.adtl < 0) {
            found.adtl = static_cast<int>(i);
        }
    }
    return found;
}

bool readCueSheet(int fd, const std::vector<RiffChunk>& chunks, CueSheet& sheet) {
    sheet = CueSheet{};
    const CueChunks where = findCueChunks(chunks);
    std::string bytes;
    if (where.cue >= 0) {
        const RiffChunk& cue = chunks[static_cast<std::size_t>(where.cue)];
        if (cue.size > kMaxCueChunkBytes) return false;
        bytes.resize(cue.size);
        if (!readAt(fd, cue.dataOffset, bytes)) return false;
        sheet.points = parseCueChunk(bytes);
    }
    if (where.adtl >= 0) {
        const RiffChunk& adtl = chunks[static_cast<std::size_t>(where.adtl)];
        if (adtl.size > kMaxCueChunkBytes) return false;
        bytes.resize(adtl.size);
        if (!readAt(fd, adtl.dataOffset, bytes)) return false;
        sheet.entries = parseAdtlList(bytes);
    }
    return true;
}

int readWaveCueSheet(const std::string& path, CueSheet& sheet, WaveFormat* format,
                     std::uint64_t* frames) {
    RiffFile file;
    if (const int opened = file.open(path, RiffFile::Mode::Read); opened != kRiffOk) return opened;
    WaveFileLayout layout;
    if (inspectWave(file, layout) != WaveInspect::Ok) return kWaveErrBadFormat;
    if (!readCueSheet(file.fd(), layout.otherChunks, sheet)) return kWaveErrBadFormat;
    if (format) *format = layout.format;
    if (frames) *frames = layout.frames();
    return kRiffOk;
}

int writeWaveCueSheet(const std::string& path, const CueSheet& sheet) {
    RiffFile file;
    if (const int opened = file.open(path, RiffFile::Mode::Read); opened != kRiffOk) return opened;
    WaveFileLayout layout;
    if (inspectWave(file, layout) != WaveInspect::Ok) return kWaveErrBadFormat;
    const CueChunks where = findCueChunks(layout.otherChunks);
    const std::string cue =
        sheet.points.empty() ? std::string() : chunkBytes(kCueId, cueChunkData(sheet));
    const std::string adtl =
        sheet.entries.empty() ? std::string() : chunkBytes(kListId, adtlListData(sheet));

    SafeFileWriter out(path);
    if (!out.open()) return kRiffErrCannotOpen;
    std::uint64_t at = 12;
    const auto put = [&](std::string_view bytes) {
        if (!writeAt(out.fd(), at, bytes)) return false;
        at += bytes.size();
        return true;
    };
    // Every chunk of the form in file order: the fmt and the samples as they are, the marker
    // chunks in the place of the old ones, the rest copied whole.
    file.seek(0);
    RiffChunk riff;
    riff.formType = kWaveId;
    if (file.descend(riff, nullptr, RiffFind::RiffForm) != kRiffOk) return kWaveErrBadFormat;
    RiffChunk chunk;
    bool cueWritten = false;
    bool adtlWritten = false;
    while (file.descend(chunk, &riff, RiffFind::Next) == kRiffOk) {
        const bool samples = chunk.dataOffset == layout.dataOffset;
        const std::uint32_t size = samples ? layout.dataBytes : chunk.size;
        const bool isCue =
            where.cue >= 0 && chunk.dataOffset == layout.otherChunks[where.cue].dataOffset;
        const bool isAdtl =
            where.adtl >= 0 && chunk.dataOffset == layout.otherChunks[where.adtl].dataOffset;
        bool ok = true;
        if (isCue) {
            ok = put(cue);
            cueWritten = true;
        } else if (isAdtl) {
            ok = put(adtl);
            adtlWritten = true;
        } else {
            std::string header;
            putLe32(header, chunk.id);
            putLe32(header, size);
            ok = put(header) && copyFileBytes(file.fd(), chunk.dataOffset, out.fd(), at, size).ok();
            at += size;
            if (ok && (size & 1u)) ok = put(std::string(1, '\0'));
        }
        if (!ok) return kRiffErrCannotWrite;
        file.seek(chunk.dataOffset + size + (size & 1u));
    }
    if ((!cueWritten && !put(cue)) || (!adtlWritten && !put(adtl))) return kRiffErrCannotWrite;
    if (at - 8 > std::numeric_limits<std::uint32_t>::max()) return kRiffErrCannotWrite;
    std::string head = "RIFF";
    putLe32(head, static_cast<std::uint32_t>(at - 8));
    putLe32(head, kWaveId);
    if (!writeAt(out.fd(), 0, head) || !out.commit()) return kRiffErrCannotWrite;
    return kRiffOk;
}

}  // namespace sonthra
