#include "podcast/pdi_file.h"

#include "podcast/podcast_checks.h"
#include "podcast/rss_date.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"

namespace sonthra::podcast {

namespace {

constexpr const char* kPodcast = "[Podcast]=";
constexpr const char* kTitle = "[Title]=";
constexpr const char* kDescription = "[Description]=";
constexpr const char* kDate = "[PublicationDate]=";
constexpr const char* kLink = "[Link]=";
constexpr const char* kFeed = "[Feed File]=";
constexpr const char* kAudio = "[Audio File]=";
constexpr const char* kUpload = "[UploadPath]=";

// A value that must stay on its line: line breaks become spaces.
std::string oneLine(const std::string& value) {
    std::string text = cleanUtf8(value);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

bool startsWith(const std::string& line, const char* key) {
    return line.rfind(key, 0) == 0;
}

std::string after(const std::string& line, const char* key) {
    return line.substr(std::char_traits<char>::length(key));
}

}  // namespace

Status CreatePDIFile(const PodcastInfo& info, bool addedToExisting, const CivilDate& date) {
    const std::string& file = info.DescriptionFile;
    const std::string& feed = addedToExisting ? info.FeedFile : info.NewFeedFile;
    if (const std::string clash = podcastFileClash(feed, file, info.AudioFile); !clash.empty()) {
        return Status::failure(clash);
    }
    const std::size_t slash = file.find_last_of('/');
    Lines lines;
    lines.push_back(kPodcast + oneLine(slash == std::string::npos ? file : file.substr(slash + 1)));
    lines.push_back(kTitle + oneLine(info.Title));
    // Inner line breaks stay, so the description may take several lines of the file.
    const Lines description = splitLines(trimmed(cleanUtf8(info.Description)));
    std::string first = kDescription;
    if (!description.empty()) first += description.front();
    lines.push_back(first);
    for (std::size_t i = 1; i < description.size(); ++i) lines.push_back(description[i]);
    lines.push_back(kDate + isoDateText(date));
    lines.push_back(kLink + oneLine(info.Link));
    lines.push_back(kFeed + oneLine(feed));
    lines.push_back(kAudio + oneLine(info.AudioFile));
    lines.push_back(kUpload +
                    (info.UploadPath.empty() ? std::string("/") : oneLine(info.UploadPath)));
    return writeTextLines(file, lines);
}

Status GetPodcastSettings(const Lines& lines, PodcastInfo& info) {
    // The description runs from its key to the last publication date line, which the writer
    // always puts right after it; a description line that happens to start like a key stays
    // part of the description.
    std::size_t descriptionLine = lines.size();
    std::size_t dateLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (descriptionLine == lines.size() && startsWith(lines[i], kDescription)) {
            descriptionLine = i;
        } else if (descriptionLine != lines.size() && startsWith(lines[i], kDate)) {
            dateLine = i;
        }
    }
    if (dateLine == lines.size() && descriptionLine < lines.size()) dateLine = descriptionLine + 1;
    bool sawPodcast = false;
    bool sawFeed = false;
    PodcastInfo read = info;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (i > descriptionLine && i < dateLine) continue;
        if (i == descriptionLine) {
            std::string text = after(line, kDescription);
            for (std::size_t k = descriptionLine + 1; k < dateLine; ++k) text += "\n" + lines[k];
            read.Description = cleanUtf8(text);
        } else if (startsWith(line, kPodcast)) {
            sawPodcast = true;
        } else if (startsWith(line, kTitle)) {
            read.Title = cleanUtf8(after(line, kTitle));
        } else if (startsWith(line, kDate)) {
            read.PubDate = cleanUtf8(after(line, kDate));
        } else if (startsWith(line, kLink)) {
            read.Link = cleanUtf8(after(line, kLink));
        } else if (startsWith(line, kFeed)) {
            read.FeedFile = after(line, kFeed);
            sawFeed = true;
        } else if (startsWith(line, kAudio)) {
            read.AudioFile = after(line, kAudio);
        } else if (startsWith(line, kUpload)) {
            read.UploadPath = cleanUtf8(after(line, kUpload));
        }
    }
    if (!sawPodcast || !sawFeed) {
        return Status::failure("The file is not a podcast description file.");
    }
    read.IsNew = false;
    info = read;
    return {};
}

Status LoadPodcastFromPDI(const std::string& path, PodcastInfo& info, std::string& podcastFile) {
    Lines lines;
    if (Status status = readTextLines(path, lines); !status.ok()) return status;
    if (Status status = GetPodcastSettings(lines, info); !status.ok()) {
        return Status::failure("The file \"" + path + "\" is not a podcast description file.");
    }
    info.DescriptionFile = path;
    podcastFile = path;
    return {};
}

}  // namespace sonthra::podcast
