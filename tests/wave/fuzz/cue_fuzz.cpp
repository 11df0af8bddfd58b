// Feeds arbitrary bytes as a "cue " chunk and an "adtl" list to the marker readers, and moves
// what they read with an edit: any crash, hang or sanitizer finding is a fault, and so is a
// sheet that does not read back as it was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "wave/wave_cue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonthra;
    if (size < 13) return 0;
    // The first eight bytes choose the edit and where the cue chunk ends; the rest is the two
    // chunks' data.
    const std::uint32_t from = data[0] | data[1] << 8 | data[2] << 16;
    const std::uint32_t to = from + (data[3] | data[4] << 8);
    const std::uint32_t inserted = data[5] | data[6] << 8;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 8, size - 8);
    const std::size_t split = std::min<std::size_t>(data[7] * 8u, bytes.size());
    CueSheet sheet{parseCueChunk(bytes.substr(0, split)),
                   parseAdtlList(std::string("adtl").append(bytes.substr(split)))};
    const std::vector<Marker> before = markersOfSheet(sheet);
    CueSheet written{parseCueChunk(cueChunkData(sheet)), parseAdtlList(adtlListData(sheet))};
    if (!(written.points == sheet.points) || !(written.entries == sheet.entries)) std::abort();
    if (shiftCueSheet(sheet, from, to, inserted)) {
        const std::vector<Marker> after = markersOfSheet(sheet);
        if (after.size() > before.size()) std::abort();
    }
    addMarkerToSheet(
        sheet, Marker{from, to > from ? std::optional<std::uint64_t>(to) : std::nullopt, "x", 0});
    if (markersOfSheet(sheet).size() != sheet.points.size()) std::abort();
    return 0;
}
