#include "podcast/podcast_feed.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "podcast/audio_duration.h"
#include "podcast/podcast_checks.h"
#include "podcast/rss_date.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"
#include "wave/safe_file.h"

namespace sonthra::podcast {

namespace {

void fillEpisode(PodcastInfo& info, const PodcastForm& form, std::time_t now) {
    info.Title = form.title;
    info.Description = form.description;
    info.PubDate = GetDateTimeInRSSFormat(form.date, now);
}

Status listingError(const std::string& path) {
    return Status::failure("The feed file \"" + path +
                           "\" ends inside an item; it has not been changed.");
}

Status clashOf(const PodcastInfo& info, const std::string& feed) {
    const std::string clash = podcastFileClash(feed, info.DescriptionFile, info.AudioFile);
    return clash.empty() ? Status{} : Status::failure(clash);
}

// The last steps of every change of a feed: the channel's podcast:guid and the namespaces its
// lines use, then the file written whole.
Status writeFeed(const std::string& path, Lines& lines) {
    addChannelGuid(lines, statedFeedUrl(lines, fileNameOf(path)));
    if (!declareUsedNamespaces(lines)) {
        return Status::failure("The file \"" + path +
                               "\" is not an RSS feed; it has not been changed.");
    }
    return writeTextLines(path, lines);
}

// The item as it goes into lines in place of the item at line replaced: with the guid of that
// item, unless another item shares it.
Lines itemReplacing(const Lines& lines, std::size_t replaced, PodcastInfo info) {
    info.Guid = itemGuid(lines, replaced);
    if (!info.Guid.empty() && countItemsWithGuid(lines, info.Guid) > 1) info.Guid.clear();
    Lines item;
    CreateItemStrings(item, info);
    return item;
}

}  // namespace

std::string newFeedFilePath(const std::string& descriptionFile, const std::string& name) {
    std::string path = folderOf(descriptionFile);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    if (name.find('.') == std::string::npos) path += ".xml";
    return path;
}

std::string ttlText(const std::string& entry) {
    const std::string text = trimmed(entry);
    int value = 0;
    const char* end = text.data() + text.size();
    const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end) return "0";
    return std::to_string(value);
}

Status fillAudioFields(PodcastInfo& info) {
    struct stat audio {};
    if (::stat(info.AudioFile.c_str(), &audio) != 0) {
        return Status::failure("Cannot open file \"" + info.AudioFile + "\". " +
                               std::strerror(errno));
    }
    // The enclosure length is a 32-bit count in the feed's record.
    if (static_cast<unsigned long long>(audio.st_size) > 0xFFFFFFFFull) {
        return Status::failure("The audio file \"" + info.AudioFile +
                               "\" is larger than 4 GB and cannot be published.");
    }
    info.AudioSize = static_cast<std::uint32_t>(audio.st_size);
    info.DurationSeconds = audioDurationSeconds(info.AudioFile);
    return {};
}

Status PodcastFeedEditor::PrepareRSSForNewSeries(PodcastInfo& info, const PodcastForm& form,
                                                 std::time_t now) const {
    fillEpisode(info, form, now);
    info.FeedFile = form.existingFeedPath;
    info.NewFeedName = form.newFeedName;
    info.SeriesTitle = form.seriesTitle;
    info.SeriesDescription = form.seriesDescription;
    info.SeriesLink = form.seriesLink;
    info.Webmaster = form.webmaster;
    info.Copyright = form.copyright;
    info.TTL = ttlText(form.ttl);
    info.Editor = form.editor;
    info.ImageLink = form.imageLink;
    info.Category = form.category;
    info.Author = form.author;
    info.Explicit = form.explicitFlag;
    info.Language = form.language;
    info.OwnerEmail = form.ownerEmail;
    info.SeriesPubDate = info.PubDate;
    info.Link = form.link;
    info.NewFeedFile = newFeedFilePath(info.DescriptionFile, info.NewFeedName);
    return fillAudioFields(info);
}

std::string replaceFeedQuestion(const std::string& path, int episodes) {
    const std::string held = episodes < 0    ? "is not a feed this program can read"
                             : episodes == 1 ? "holds 1 episode"
                                             : "holds " + std::to_string(episodes) + " episodes";
    return "The file \"" + path + "\" already exists and " + held +
           ". A new feed replaces it and everything it holds. Do you want to replace it?";
}

int countFeedEpisodes(const std::string& path) {
    Lines lines;
    ItemListing listing;
    if (!readTextLines(path, lines).ok() || !listItems(lines, "", listing)) return -1;
    return static_cast<int>(listing.positions.size());
}

Status PodcastFeedEditor::CreateRSSFeed(const PodcastInfo& info) const {
    if (Status clash = clashOf(info, info.NewFeedFile); !clash.ok()) return clash;
    if (fileExists(info.NewFeedFile)) {
        const std::string question =
            replaceFeedQuestion(info.NewFeedFile, countFeedEpisodes(info.NewFeedFile));
        if (!m_ask || !m_ask(question, kReplaceFeedCaption)) return Status::declined();
    }
    return writeTextLines(info.NewFeedFile, createSeriesLines(info));
}

Status PodcastFeedEditor::PrepareRSSForExistingSeries(PodcastInfo& info, const PodcastForm& form,
                                                      std::time_t now) const {
    fillEpisode(info, form, now);
    if (form.existingFeedPath.empty()) {
        return Status::failure("Please choose some Feed file to add the new item to.",
                               "No Feed File", MessageIcon::Warning);
    }
    info.FeedFile = form.existingFeedPath;
    info.Link = form.link;
    return fillAudioFields(info);
}

Status PodcastFeedEditor::UpdateRSSFeed(const PodcastInfo& info) {
    if (Status clash = clashOf(info, info.FeedFile); !clash.ok()) return clash;
    Lines lines;
    if (Status read = readTextLines(info.FeedFile, lines); !read.ok()) return read;

    int replace = -1;
    if (m_itemLineToReplace >= 0) {
        ItemListing listing;
        if (!listItems(lines, m_titleToReplace, listing)) return listingError(info.FeedFile);
        replace = listing.firstMatch;
    }
    if (replace < 0) {
        // Newest first: above the first item, or above the end of an empty channel.
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].find("</channel>") != std::string::npos ||
                lines[i].find("<item>") != std::string::npos) {
                Lines item;
                CreateItemStrings(item, info);
                InsertItemAtIndex(i, lines, item);
                return writeFeed(info.FeedFile, lines);
            }
        }
        return Status::failure("The file \"" + info.FeedFile +
                               "\" holds no channel to add the podcast to.");
    }
    if (!m_ask || !m_ask(kUpdateQuestion, kUpdateCaption)) return Status::declined();
    const auto at = static_cast<std::size_t>(replace);
    const Lines item = itemReplacing(lines, at, info);
    if (!DeleteItemAtIndex(at, lines)) return listingError(info.FeedFile);
    InsertItemAtIndex(at, lines, item);
    if (Status written = writeFeed(info.FeedFile, lines); !written.ok()) return written;
    std::vector<std::string> titles;
    m_itemLineToReplace = -1;
    GetItemListInFeed(info.FeedFile, titles, info.Title);
    return {};
}

Status PodcastFeedEditor::UpdateRSSFeedForItem(const PodcastInfo& info) {
    const std::string& feed = info.IsNew ? info.NewFeedFile : info.FeedFile;
    Lines lines;
    if (Status read = readTextLines(feed, lines); !read.ok()) return read;
    ItemListing listing;
    if (!listItems(lines, info.Title, listing)) return listingError(feed);
    if (listing.lastMatch < 0) return Status::declined();
    const auto at = static_cast<std::size_t>(listing.lastMatch);
    const Lines item = itemReplacing(lines, at, info);
    if (!DeleteItemAtIndex(at, lines)) return listingError(feed);
    InsertItemAtIndex(at, lines, item);
    return writeFeed(feed, lines);
}

int PodcastFeedEditor::GetItemListInFeed(const std::string& feedPath,
                                         std::vector<std::string>& titles,
                                         const std::string& titleBox, Status* status) {
    titles.clear();
    m_itemLinePositions.clear();
    Lines lines;
    Status read = readTextLines(feedPath, lines);
    ItemListing listing;
    if (read.ok() && !listItems(lines, titleBox, listing)) read = listingError(feedPath);
    if (status) *status = read;
    if (!read.ok()) return -1;
    titles = listing.titles;
    m_itemLinePositions = listing.positions;
    if (m_itemLineToReplace < 0 && listing.firstMatch >= 0) {
        m_itemLineToReplace = listing.firstMatch;
        m_titleToReplace = titleBox;
    }
    return listing.lastMatch;
}

Status PodcastFeedEditor::DeleteItem(const std::string& feedPath, int n,
                                     std::vector<std::string>& titles,
                                     const std::string& titleBox) {
    if (n < 1 || static_cast<std::size_t>(n) > m_itemLinePositions.size()) {
        return Status::failure("Please select an item to delete.");
    }
    Lines lines;
    if (Status read = readTextLines(feedPath, lines); !read.ok()) return read;
    const auto at = static_cast<std::size_t>(m_itemLinePositions[static_cast<std::size_t>(n - 1)]);
    // The listing may be older than the file: only an item line may start a deletion.
    if (at >= lines.size() || lines[at].find("<item>") == std::string::npos) {
        return Status::failure("The feed file \"" + feedPath +
                               "\" has changed since it was listed; it has not been changed.");
    }
    if (!DeleteItemAtIndex(at, lines)) return listingError(feedPath);
    if (Status written = writeFeed(feedPath, lines); !written.ok()) return written;
    Status listed;
    GetItemListInFeed(feedPath, titles, titleBox, &listed);
    return listed;
}

}  // namespace sonthra::podcast
