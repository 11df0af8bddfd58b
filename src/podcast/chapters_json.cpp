#include "podcast/chapters_json.h"

#include <algorithm>
#include <cstdio>

#include "podcast/text_rules.h"

namespace sonthra::podcast {

namespace {

// "12.500000" as the shortest number JSON gives the same value: "12.5".
std::string jsonSeconds(std::uint64_t frames, std::uint32_t rate) {
    std::string text = markerSecondsText(frames, rate);
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : cleanUtf8(text)) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace

std::string chaptersJson(std::vector<Marker> markers, std::uint32_t rate) {
    std::stable_sort(markers.begin(), markers.end(),
                     [](const Marker& a, const Marker& b) { return a.start < b.start; });
    std::string json =
        "{\n  \"version\": \"" + std::string(kChaptersVersion) + "\",\n  \"chapters\": [";
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const Marker& marker = markers[i];
        json += i == 0 ? "\n" : ",\n";
        json += "    {\"startTime\": " + jsonSeconds(marker.start, rate);
        if (marker.end) json += ", \"endTime\": " + jsonSeconds(*marker.end, rate);
        json += ", \"title\": " + jsonString(marker.name) + "}";
    }
    json += markers.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}

}  // namespace sonthra::podcast
