#include "podcast/rss_feed.h"

#include <algorithm>
#include <cctype>

#include "podcast/feed_ids.h"
#include "podcast/podcast_checks.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"

namespace sonthra::podcast {

namespace {

constexpr const char* kQuote = "\"";

struct Namespace {
    const char* prefix;
    const char* uri;
};
constexpr Namespace kNamespaces[] = {
    {"itunes", "http://www.itunes.com/dtds/podcast-1.0.dtd"},
    {"podcast", "https://podcastindex.org/namespace/1.0"},
    {"psc", "http://podlove.org/simple-chapters"},
    {"atom", "http://www.w3.org/2005/Atom"},
};

// The unescaped value of attribute attr after column from of line; empty when it has none.
std::string attributeOf(const std::string& line, std::size_t from, const std::string& attr) {
    const std::string key = attr + "=\"";
    const std::size_t value = line.find(key, from);
    if (value == std::string::npos) return {};
    const std::size_t begin = value + key.size();
    const std::size_t end = line.find('"', begin);
    if (end == std::string::npos) return {};
    return unescapeXml(line.substr(begin, end - begin));
}

// Index of the first line holding "<item>" or "</channel>": where a channel's own lines end.
std::size_t channelHeadEnd(const Lines& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("</channel>") != std::string::npos ||
            lines[i].find("<item>") != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

// "    <tag>value    </tag>": the four spaces before the closing tag are part of the form
// that earlier feeds have, and the readers trim them.
std::string channelLine(const std::string& tag, const std::string& value) {
    return "    <" + tag + ">" + escapeXmlText(cleanUtf8(value)) + "    </" + tag + ">";
}

// Descriptions are HTML in RSS: the typed text goes in as escaped page text, so that a "<" shows
// as typed in podcast apps and line breaks survive as <br> on the one line of the element.
std::string descriptionLine(const std::string& value) {
    return "    <description>" + escapeXmlText(escapeHtml(cleanUtf8(value))) + "    </description>";
}

std::string dateLine(const std::string& value) {
    return "\t\t <pubDate>" + escapeXmlText(cleanUtf8(value)) + "\t\t </pubDate>";
}

// Text of the line after the element text rule has started on it, continued over the
// following lines until a '<' (older feeds wrote line breaks of a value as they were).
std::string elementFrom(const Lines& lines, std::size_t first, std::size_t end) {
    bool ended = false;
    std::string text = elementText(lines[first], nullptr, &ended);
    for (std::size_t i = first + 1; !ended && i < end; ++i) {
        const std::string& line = lines[i];
        const std::size_t stop = line.find('<');
        std::string part = line.substr(0, stop);
        part.erase(std::remove(part.begin(), part.end(), '>'), part.end());
        text += ' ';
        text += part;
        ended = stop != std::string::npos;
    }
    return unescapeXml(text);
}

}  // namespace

void CreateItemStrings(Lines& lines, const PodcastInfo& info) {
    const std::string link = cleanUtf8(info.Link);
    lines.push_back("    <item>");
    lines.push_back(channelLine("title", info.Title));
    lines.push_back(descriptionLine(info.Description));
    lines.push_back(dateLine(info.PubDate));
    lines.push_back(channelLine("link", link));
    lines.push_back(std::string("     <enclosure length=") + kQuote +
                    std::to_string(info.AudioSize) + kQuote + " url=" + kQuote +
                    escapeXmlAttribute(link) + kQuote + " type=" + kQuote +
                    escapeXmlAttribute(cleanUtf8(info.MimeType)) + kQuote + " />");
    const std::string guid = info.Guid.empty() ? randomUuid() : cleanUtf8(info.Guid);
    lines.push_back("     <guid isPermaLink=\"false\">" + escapeXmlText(guid) + "</guid>");
    lines.push_back("     <itunes:duration>" + std::to_string(info.DurationSeconds) +
                    "</itunes:duration>");
    lines.push_back("    </item>");
}

Lines createSeriesLines(const PodcastInfo& info) {
    Lines lines;
    lines.push_back(std::string("<?xml version=") + kQuote + "1.0" + kQuote +
                    " encoding=" + kQuote + "UTF-8" + kQuote + "?>");
    lines.push_back(std::string("<rss version=") + kQuote + "2.0" + kQuote + ">");
    lines.push_back("  <channel>");
    lines.push_back(channelLine("title", info.SeriesTitle));
    lines.push_back(descriptionLine(info.SeriesDescription));
    if (!info.Webmaster.empty()) lines.push_back(channelLine("webMaster", info.Webmaster));
    lines.push_back(channelLine("link", info.SeriesLink));
    lines.push_back(dateLine(info.SeriesPubDate));
    if (!info.Editor.empty()) lines.push_back(channelLine("managingEditor", info.Editor));
    if (!info.Copyright.empty()) lines.push_back(channelLine("copyright", info.Copyright));
    if (!info.Author.empty()) {
        lines.push_back("    <itunes:author>" + escapeXmlText(cleanUtf8(info.Author)) +
                        "</itunes:author>");
    }
    if (!info.ImageLink.empty()) {
        lines.push_back(std::string("    <itunes:image href=") + kQuote +
                        escapeXmlAttribute(cleanUtf8(info.ImageLink)) + kQuote + " />");
    }
    if (!info.Category.empty()) {
        lines.push_back(std::string("    <itunes:category text=") + kQuote +
                        escapeXmlAttribute(cleanUtf8(info.Category)) + kQuote + " />");
    }
    if (info.Explicit == "true" || info.Explicit == "false") {
        lines.push_back("    <itunes:explicit>" + info.Explicit + "</itunes:explicit>");
    }
    if (!trimmed(info.Language).empty()) {
        lines.push_back(channelLine("language", trimmed(info.Language)));
    }
    if (!trimmed(info.OwnerEmail).empty()) {
        std::string owner = "    <itunes:owner>";
        if (!info.Author.empty()) {
            owner += "<itunes:name>" + escapeXmlText(cleanUtf8(info.Author)) + "</itunes:name>";
        }
        lines.push_back(owner + "<itunes:email>" +
                        escapeXmlText(cleanUtf8(trimmed(info.OwnerEmail))) +
                        "</itunes:email></itunes:owner>");
    }
    lines.push_back("    <generator>ZQN RSS Feed Generation Engine    </generator>");
    const std::string feedUrl = trimmed(cleanUtf8(info.SeriesLink));
    if (!feedUrl.empty()) {
        lines.push_back("    <atom:link href=\"" + escapeXmlAttribute(feedUrl) +
                        "\" rel=\"self\" type=\"application/rss+xml\" />");
        addChannelGuid(lines, feedUrl);
    }
    CreateItemStrings(lines, info);
    lines.push_back("  </channel>");
    lines.push_back("</rss>");
    declareUsedNamespaces(lines);
    return lines;
}

void InsertItemAtIndex(std::size_t index, Lines& lines, const Lines& item) {
    index = std::min(index, lines.size());
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index), item.begin(), item.end());
}

bool DeleteItemAtIndex(std::size_t index, Lines& lines) {
    for (std::size_t i = index; i < lines.size(); ++i) {
        if (lines[i].find("</item>") != std::string::npos) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index),
                        lines.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return true;
        }
    }
    return false;
}

std::string elementText(const std::string& line, bool* started, bool* ended) {
    std::string text;
    bool capturing = false;
    bool done = false;
    for (const char c : line) {
        if (!capturing) {
            if (c == '>') capturing = true;
            continue;
        }
        if (c == '<') {
            done = true;
            break;
        }
        if (c != '>') text += c;
    }
    if (started) *started = capturing;
    if (ended) *ended = done;
    return text;
}

std::string GetFeedElementText(const Lines& lines, const std::string& tag) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find(tag) != std::string::npos) return elementFrom(lines, i, lines.size());
    }
    return {};
}

std::string GetItemElementText(const Lines& lines, const std::string& tag, int n) {
    int item = 0;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.find("<item>") != std::string::npos) {
            ++item;
            inside = true;
        } else if (line.find("</item>") != std::string::npos) {
            inside = false;
        }
        if (!inside || item != n || line.find(tag) == std::string::npos) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && lines[end].find("</item>") == std::string::npos) ++end;
        return elementFrom(lines, i, end);
    }
    return {};
}

std::string GetFeedAttributeText(const Lines& lines, const std::string& tag,
                                 const std::string& attr) {
    for (const std::string& line : lines) {
        if (line.find("<item>") != std::string::npos) break;
        if (line.find(tag) != std::string::npos) return attributeOnLine(line, tag, attr);
    }
    return {};
}

std::string attributeOnLine(const std::string& line, const std::string& tag,
                            const std::string& attr) {
    const std::size_t at = line.find(tag);
    return at == std::string::npos ? std::string() : attributeOf(line, at, attr);
}

bool declareUsedNamespaces(Lines& lines) {
    // The <rss start tag, which may run over several lines; its '>' outside quotes ends it.
    std::size_t tagLine = lines.size();
    std::size_t tagColumn = 0;
    for (std::size_t i = 0; i < lines.size() && tagLine == lines.size(); ++i) {
        for (std::size_t at = lines[i].find("<rss"); at != std::string::npos;
             at = lines[i].find("<rss", at + 1)) {
            const std::size_t next = at + 4;
            if (next == lines[i].size() || lines[i][next] == '>' ||
                std::isspace(static_cast<unsigned char>(lines[i][next]))) {
                tagLine = i;
                tagColumn = next;
                break;
            }
        }
    }
    std::string tag;
    std::size_t endLine = lines.size();
    std::size_t endColumn = 0;
    char quote = 0;
    for (std::size_t i = tagLine; i < lines.size() && endLine == lines.size(); ++i) {
        for (std::size_t c = i == tagLine ? tagColumn : 0; c < lines[i].size(); ++c) {
            const char ch = lines[i][c];
            if (quote) {
                if (ch == quote) quote = 0;
            } else if (ch == '"' || ch == '\'') {
                quote = ch;
            } else if (ch == '>') {
                endLine = i;
                endColumn = c > 0 && lines[i][c - 1] == '/' ? c - 1 : c;
                break;
            }
            tag += ch;
        }
        tag += ' ';
    }
    std::string missing;
    for (const Namespace& space : kNamespaces) {
        const std::string open = std::string("<") + space.prefix + ":";
        const bool used = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(open) != std::string::npos;
        });
        if (!used) continue;
        bool declared = false;
        const std::string key = std::string("xmlns:") + space.prefix;
        for (std::size_t at = tag.find(key); at != std::string::npos && !declared;
             at = tag.find(key, at + 1)) {
            std::size_t next = at + key.size();
            while (next < tag.size() && std::isspace(static_cast<unsigned char>(tag[next]))) ++next;
            declared = next < tag.size() && tag[next] == '=';
        }
        if (!declared) missing += " " + key + "=\"" + space.uri + "\"";
    }
    if (missing.empty()) return true;
    if (endLine == lines.size()) return false;
    lines[endLine].insert(endColumn, missing);
    return true;
}

std::string statedFeedUrl(const Lines& lines, const std::string& feedFileName) {
    const std::size_t head = channelHeadEnd(lines);
    for (std::size_t i = 0; i < head; ++i) {
        const std::size_t at = lines[i].find("<atom:link");
        if (at != std::string::npos && attributeOf(lines[i], at, "rel") == "self") {
            return trimmed(attributeOf(lines[i], at, "href"));
        }
    }
    const Lines channel(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(head));
    const std::string link = trimmed(GetFeedElementText(channel, "<link>"));
    return !feedFileName.empty() && fileNameOf(link) == feedFileName ? link : std::string();
}

void addChannelGuid(Lines& lines, const std::string& feedUrl) {
    if (feedUrl.empty()) return;
    const std::size_t head = channelHeadEnd(lines);
    for (std::size_t i = 0; i < head; ++i) {
        if (lines[i].find("<podcast:guid") != std::string::npos) return;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(head),
                 "    <podcast:guid>" + podcastGuidForFeed(feedUrl) + "</podcast:guid>");
}

std::string itemGuid(const Lines& lines, std::size_t itemLine) {
    for (std::size_t i = itemLine; i < lines.size(); ++i) {
        if (lines[i].find("<guid") != std::string::npos) {
            return trimmed(unescapeXml(elementText(lines[i])));
        }
        if (lines[i].find("</item>") != std::string::npos) break;
    }
    return {};
}

int countItemsWithGuid(const Lines& lines, const std::string& guid) {
    int count = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("<item>") != std::string::npos && itemGuid(lines, i) == guid) ++count;
    }
    return count;
}

bool listItems(const Lines& lines, const std::string& title, ItemListing& listing) {
    listing = ItemListing{};
    const std::string wanted = trimmed(title);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("<item>") == std::string::npos) continue;
        if (i + 1 >= lines.size()) return false;
        const std::string itemTitle = unescapeXml(elementText(lines[i + 1]));
        listing.positions.push_back(static_cast<int>(i));
        listing.titles.push_back(itemTitle);
        if (trimmed(itemTitle) == wanted) {
            listing.lastMatch = static_cast<int>(i);
            if (listing.firstMatch < 0) listing.firstMatch = static_cast<int>(i);
        }
    }
    return true;
}

int GetItemIndexInFeed(const std::string& feedPath, const std::string& title) {
    Lines lines;
    ItemListing listing;
    if (!readTextLines(feedPath, lines).ok() || !listItems(lines, title, listing)) return -1;
    return listing.lastMatch;
}

}  // namespace sonthra::podcast
