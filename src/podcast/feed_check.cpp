#include "podcast/feed_check.h"

#include "podcast/text_rules.h"

namespace sonthra::podcast {

namespace {

// The value of attribute attr of the first line holding tag in lines [from, to], trimmed.
std::string attributeIn(const Lines& lines, std::size_t from, std::size_t to,
                        const std::string& tag, const std::string& attr) {
    for (std::size_t i = from; i <= to && i < lines.size(); ++i) {
        if (lines[i].find(tag) != std::string::npos) {
            return trimmed(attributeOnLine(lines[i], tag, attr));
        }
    }
    return {};
}

}  // namespace

std::vector<std::string> missingDirectoryFields(const Lines& lines) {
    std::vector<std::string> missing;
    ItemListing listing;
    if (!listItems(lines, "", listing)) listing = ItemListing{};
    const std::size_t head = listing.positions.empty()
                                 ? lines.size()
                                 : static_cast<std::size_t>(listing.positions.front());
    const Lines channel(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(head));
    const auto channelText = [&](const char* tag) {
        return trimmed(GetFeedElementText(channel, tag));
    };
    const struct {
        bool present;
        const char* name;
    } channelFields[] = {
        {!channelText("<title>").empty(), "the series' title"},
        {!channelText("<description>").empty(), "the series' description"},
        {!trimmed(GetFeedAttributeText(channel, "<itunes:image", "href")).empty(),
         "the series' image"},
        {!trimmed(GetFeedAttributeText(channel, "<itunes:category", "text")).empty(),
         "the series' category"},
        {!channelText("<itunes:explicit>").empty(), "whether the series is explicit"},
        {!channelText("<language>").empty(), "the series' language"},
    };
    for (const auto& field : channelFields) {
        if (!field.present) missing.push_back(field.name);
    }
    for (std::size_t n = 0; n < listing.positions.size(); ++n) {
        const std::size_t from = static_cast<std::size_t>(listing.positions[n]);
        std::size_t to = from;
        while (to < lines.size() && lines[to].find("</item>") == std::string::npos) ++to;
        const int item = static_cast<int>(n) + 1;
        const std::string title = trimmed(GetItemElementText(lines, "<title>", item));
        const std::string episode =
            "episode " + std::to_string(item) + (title.empty() ? "" : " \"" + title + "\"") + ": ";
        const struct {
            bool present;
            const char* name;
        } itemFields[] = {
            {!title.empty(), "its title"},
            {!attributeIn(lines, from, to, "<enclosure", "url").empty(), "its audio address"},
            {!attributeIn(lines, from, to, "<enclosure", "length").empty(), "its audio length"},
            {!attributeIn(lines, from, to, "<enclosure", "type").empty(), "its audio type"},
            {!itemGuid(lines, from).empty(), "its guid"},
            {!trimmed(GetItemElementText(lines, "<pubDate>", item)).empty(), "its date"},
        };
        for (const auto& field : itemFields) {
            if (!field.present) missing.push_back(episode + field.name);
        }
    }
    return missing;
}

std::string missingFieldsMessage(const std::vector<std::string>& missing) {
    if (missing.empty()) return {};
    std::string text = "Podcast directories will not list this feed as it is. It lacks:\n";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        text += "(" + std::to_string(i + 1) + ") " + missing[i] + "\n";
    }
    return text + "Do you want to go on?";
}

}  // namespace sonthra::podcast
