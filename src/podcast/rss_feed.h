// The feed file as a list of lines: the lines of a new series and of one item, the line
// operations that insert and delete items, and the readers that take element texts back out.
// Lines are found by fixed tag strings, one element per line; values are escaped where they
// are written and unescaped where they are read. Lines the readers do not know are passed
// over, so feeds written by earlier versions still load.
#pragma once

#include <string>
#include <vector>

#include "podcast/podcast_info.h"

namespace sonthra::podcast {

using Lines = std::vector<std::string>;

// Appends the item lines of the episode: <item>, title, description, pubDate, link,
// enclosure, guid (info.Guid, or a new random UUID), itunes:duration, </item>. The title is
// always the line after <item>.
void CreateItemStrings(Lines& lines, const PodcastInfo& info);

// The whole file of a new series holding the one episode; with a series link (the feed's own
// address) the channel also names itself (atom:link) and carries its podcast:guid.
Lines createSeriesLines(const PodcastInfo& info);

// Declares on the <rss> start tag the namespace of every prefix (itunes, podcast, psc, atom)
// that the lines use and the tag does not declare yet, so that items added to a feed written
// elsewhere never leave it unreadable. false, changing nothing, when a prefix is used and
// there is no <rss> start tag to declare it on.
bool declareUsedNamespaces(Lines& lines);

// The feed's address as the feed states it: the href of its atom:link with rel="self", else
// the channel's link when that names feedFileName (as the feeds of this program do); else empty.
std::string statedFeedUrl(const Lines& lines, const std::string& feedFileName);
// Puts the channel's podcast:guid for feedUrl above the first item (or the channel's end)
// unless the feed has one or feedUrl is empty.
void addChannelGuid(Lines& lines, const std::string& feedUrl);

// The unescaped, trimmed <guid> text of the item whose "<item>" line is itemLine; empty when
// it has none.
std::string itemGuid(const Lines& lines, std::size_t itemLine);
// How many items of the lines have the guid.
int countItemsWithGuid(const Lines& lines, const std::string& guid);

// Inserts the item lines so that the first stands at index (clamped to the end).
void InsertItemAtIndex(std::size_t index, Lines& lines, const Lines& item);

// Deletes line index and the following lines up to and including the first holding "</item>".
// false, changing nothing, when index is past the end or no "</item>" follows.
bool DeleteItemAtIndex(std::size_t index, Lines& lines);

// The element text rule: capture starts after the first '>' and ends at the next '<'; further
// '>' while capturing are skipped. Raw text, not unescaped. ended tells whether a '<' ended the
// capture before the end of the line; started whether a '>' was found at all.
std::string elementText(const std::string& line, bool* started = nullptr, bool* ended = nullptr);

// The text of the first element holding tag (from the top: the channel's), unescaped. A value
// that runs over several lines (older feeds) is joined with single spaces. Descriptions come
// back as the HTML the feed holds; plainTextFromHtml (text_rules.h) gives the typed text.
std::string GetFeedElementText(const Lines& lines, const std::string& tag);
// The same within the lines of item n (1-based).
std::string GetItemElementText(const Lines& lines, const std::string& tag, int n);
// The unescaped value of attribute attr of the first line holding tag before the first item
// (the channel's itunes:image href, itunes:category text).
std::string GetFeedAttributeText(const Lines& lines, const std::string& tag,
                                 const std::string& attr);
// The unescaped value of attribute attr of the tag on line; empty when the line does not hold
// the tag or the tag has no such attribute.
std::string attributeOnLine(const std::string& line, const std::string& tag,
                            const std::string& attr);

struct ItemListing {
    std::vector<std::string> titles;  // unescaped, untrimmed, in file order
    std::vector<int> positions;       // line of each "<item>"
    int lastMatch = -1;               // line of the last item titled as asked
    int firstMatch = -1;              // line of the first such item
};

// Lists the items of the lines; title is compared trimmed with each item's trimmed title.
// false when an "<item>" line is the last line (the listing cannot read its title).
bool listItems(const Lines& lines, const std::string& title, ItemListing& listing);

// The line of the last "<item>" whose title equals title (both trimmed), -1 when none.
int GetItemIndexInFeed(const std::string& feedPath, const std::string& title);

}  // namespace sonthra::podcast
