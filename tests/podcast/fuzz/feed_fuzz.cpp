// The feed readers on hostile bytes: listing, element and attribute texts, unescaping, the
// namespaces, guids and address a write adds, and the MP3 duration probe that reads the audio
// file's first frame.
#include <cstddef>
#include <cstdint>
#include <string>

#include "podcast/audio_duration.h"
#include "podcast/rss_feed.h"
#include "podcast/text_rules.h"

using namespace sonthra::podcast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Lines lines = splitLines(bytes);
    ItemListing listing;
    if (listItems(lines, "A", listing)) {
        for (std::size_t n = 1; n <= listing.positions.size() && n <= 4; ++n) {
            plainTextFromHtml(GetItemElementText(lines, "<description>", static_cast<int>(n)));
            GetItemElementText(lines, "<title>", static_cast<int>(n));
        }
        if (!listing.positions.empty()) {
            Lines copy = lines;
            itemGuid(copy, static_cast<std::size_t>(listing.positions[0]));
            DeleteItemAtIndex(static_cast<std::size_t>(listing.positions[0]), copy);
        }
    }
    GetFeedElementText(lines, "<link>");
    Lines written = lines;
    addChannelGuid(written, statedFeedUrl(written, "feed.xml"));
    written.push_back("<itunes:duration>1</itunes:duration>");
    const Lines before = written;
    // A declaration is only ever added to the start tag: no line comes or goes.
    if (declareUsedNamespaces(written) && written.size() != before.size()) __builtin_trap();
    GetFeedAttributeText(lines, "<itunes:image", "href");
    escapeXmlAttribute(cleanUtf8(bytes));
    mp3DurationSeconds(bytes, size);
    return 0;
}
