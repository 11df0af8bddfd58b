#include "podcast/html_page.h"

#include <utility>
#include <vector>

#include "podcast/podcast_checks.h"
#include "podcast/podcast_feed.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"
#include "wave/safe_file.h"

namespace sonthra::podcast {

namespace {

constexpr const char* kPodcastInfoMarker = "<QPT.PodcastInfo>";

using Markers = std::vector<std::pair<std::string, std::string>>;

std::string applyMarkers(std::string line, const Markers& markers) {
    for (const auto& [marker, replacement] : markers) {
        if (line.find(marker) != std::string::npos) {
            line = replaceAllNoCase(line, marker, replacement);
        }
    }
    return line;
}

std::string anchor(const std::string& link) {
    const std::string text = escapeHtml(link);
    return "<A href=\"" + text + "\">" + text;
}

Status missingTemplate(const std::string& path) {
    return Status::failure("The file " + path + " does not exists. Can not create .Htm file",
                           "File not found.", MessageIcon::Error);
}

}  // namespace

std::string fillPageLine(const std::string& line, const std::string& feedLink) {
    return applyMarkers(line, {{"<QPT.FeedLink>", anchor(feedLink)}, {"</QPT.FeedLink>", "</A>"}});
}

std::string fillEpisodeLine(const std::string& line, const std::string& title,
                            const std::string& description, const std::string& link) {
    return applyMarkers(line, {{"<QPT.Title>", "<P>" + escapeHtml(title)},
                               {"</QPT.Title>", "</P>"},
                               {"<QPT.Description>", "<P>" + escapeHtml(description)},
                               {"</QPT.Description>", "</P>"},
                               {"<QPT.Link>", anchor(link)},
                               {"</QPT.FeedLink>", "</A>"}});
}

std::string pageFeedPath(const PodcastInfo& info) {
    if (!info.FeedFile.empty()) return info.FeedFile;
    if (!info.NewFeedFile.empty()) return info.NewFeedFile;
    std::string path = folderOf(info.DescriptionFile);
    if (path.empty() || path.back() != '/') path += '/';
    return path + info.NewFeedName + ".xml";
}

std::string pagePathForFeed(const std::string& feedPath) {
    const std::string path = trimmed(feedPath);
    return path.substr(0, path.size() >= 4 ? path.size() - 4 : 0) + ".htm";
}

Status GenerateAudioHTMLList(const std::string& feedPath, const std::string& fileTemplatePath,
                             Lines& out) {
    Lines feed;
    if (Status read = readTextLines(feedPath, feed); !read.ok()) return read;
    ItemListing listing;
    if (!listItems(feed, "", listing)) {
        return Status::failure("The feed file \"" + feedPath + "\" ends inside an item.");
    }
    Lines fileTemplate;
    if (Status read = readTextLines(fileTemplatePath, fileTemplate); !read.ok()) return read;
    if (fileTemplate.empty()) return {};
    const int count = static_cast<int>(listing.positions.size());
    for (int n = 1; n <= count; ++n) {
        const std::string description =
            trimmed(plainTextFromHtml(GetItemElementText(feed, "<description>", n)));
        const std::string title = trimmed(GetItemElementText(feed, "<title>", n));
        const std::string link = trimmed(GetItemElementText(feed, "<link>", n));
        for (const std::string& line : fileTemplate) {
            out.push_back(fillEpisodeLine(line, title, description, link));
        }
    }
    return {};
}

Status CreateHTMLFile(const PodcastInfo& info, const std::string& templateFolder) {
    std::string folder = templateFolder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    const std::string pageTemplatePath = folder + kPageTemplateName;
    const std::string fileTemplatePath = folder + kFileTemplateName;
    if (!fileExists(pageTemplatePath)) return missingTemplate(pageTemplatePath);
    if (!fileExists(fileTemplatePath)) return missingTemplate(fileTemplatePath);

    const std::string feedPath = pageFeedPath(info);
    if (const std::string clash = podcastFileClash(feedPath, info.DescriptionFile, {});
        !clash.empty()) {
        return Status::failure(clash);
    }
    std::string feedLink = info.SeriesLink;
    if (feedLink.empty()) {
        Lines feed;
        if (Status read = readTextLines(feedPath, feed); !read.ok()) return read;
        feedLink = trimmed(GetFeedElementText(feed, "<link>"));
    }
    Lines episodes;
    if (Status built = GenerateAudioHTMLList(feedPath, fileTemplatePath, episodes); !built.ok()) {
        return built;
    }
    Lines pageTemplate;
    if (Status read = readTextLines(pageTemplatePath, pageTemplate); !read.ok()) return read;
    if (pageTemplate.empty()) return {};
    Lines page;
    for (const std::string& line : pageTemplate) {
        const std::string filled = fillPageLine(line, feedLink);
        if (filled.find(kPodcastInfoMarker) != std::string::npos) {
            page.insert(page.end(), episodes.begin(), episodes.end());
        }
        page.push_back(filled);
    }
    return writeTextLines(pagePathForFeed(feedPath), page);
}

}  // namespace sonthra::podcast
