// The episode page: "PageTemplate.html" with every episode of the feed filled into
// "FileTemplate.html", written beside the feed with the extension ".htm". Values are escaped
// for HTML, so titles and descriptions show as typed.
#pragma once

#include <string>

#include "podcast/podcast_info.h"
#include "podcast/rss_feed.h"

namespace sonthra::podcast {

inline constexpr const char* kPageTemplateName = "PageTemplate.html";
inline constexpr const char* kFileTemplateName = "FileTemplate.html";

// The feed the page is made for: FeedFile, else NewFeedFile, else NewFeedName (".xml" added)
// beside DescriptionFile.
std::string pageFeedPath(const PodcastInfo& info);
// The feed path trimmed, without its last four characters, plus ".htm".
std::string pagePathForFeed(const std::string& feedPath);

// Writes the page for info from the templates in templateFolder. A missing template fails
// with the "File not found." message and writes nothing; an empty page template writes no page.
Status CreateHTMLFile(const PodcastInfo& info, const std::string& templateFolder);

// Appends the file template filled for every episode of feedPath, in feed order.
Status GenerateAudioHTMLList(const std::string& feedPath, const std::string& fileTemplatePath,
                             Lines& out);

// One template line with its markers replaced. A marker counts only when the line holds it
// with the exact case; then every occurrence on the line is replaced, whatever its case.
std::string fillPageLine(const std::string& line, const std::string& feedLink);
std::string fillEpisodeLine(const std::string& line, const std::string& title,
                            const std::string& description, const std::string& link);

}  // namespace sonthra::podcast
