#include "podcast/podcast_upload.h"

#include "messages/message_table.h"
#include "podcast/audio_duration.h"
#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/podcast_checks.h"
#include "podcast/podcast_feed.h"
#include "podcast/rss_date.h"
#include "podcast/text_file.h"

namespace sonthra::podcast {

std::vector<std::string> podcastUploadList(const std::string& feed, const std::string& audioFile) {
    std::vector<std::string> files = {feed, audioFile};
    const std::string page = pagePathForFeed(feed);
    if (fileExists(page)) files.push_back(page);
    return files;
}

std::string linkForNewAudio(const std::string& oldLink, const std::string& newAudioFile) {
    return oldLink.substr(0, oldLink.find_last_of('/') + 1) + fileNameOf(newAudioFile);
}

Status refreshPodcastFiles(const std::string& descriptionFile, const std::string& audioFile,
                           const std::string& link, bool rewriteDescription,
                           const std::string& templateFolder, std::time_t now) {
    Lines lines;
    if (Status read = readTextLines(descriptionFile, lines); !read.ok()) return read;
    PodcastInfo info;
    if (Status parsed = GetPodcastSettings(lines, info); !parsed.ok()) return parsed;
    info.DescriptionFile = descriptionFile;
    const CivilDate date = parseDateText(info.PubDate).value_or(todayLocal());
    std::tm utc{};
    gmtime_r(&now, &utc);
    info.PubDate = GetDateTimeInRSSFormat({utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday}, now);
    info.AudioFile = audioFile;
    info.Link = link;
    info.MimeType = mimeTypeForFile(audioFile);
    if (Status audio = fillAudioFields(info); !audio.ok()) return audio;

    PodcastFeedEditor editor;
    if (Status item = editor.UpdateRSSFeedForItem(info); !item.ok() && item.code != kCancelled) {
        return item;
    }
    if (rewriteDescription) {
        if (Status pdi = CreatePDIFile(info, true, date); !pdi.ok()) return pdi;
    }
    return CreateHTMLFile(info, templateFolder);
}

UploadCredentials uploadCredentials(const HostTable& table, const std::string& currentHost,
                                    const std::string& uploadPath) {
    UploadCredentials credentials;
    credentials.remoteFolder = uploadPath;
    if (currentHost.empty() || currentHost == kCustomHost) return credentials;
    credentials.userName = userNameForLogin(table, currentHost);
    credentials.password = passwordForLogin(table, currentHost);
    credentials.server = table.value(currentHost, "host");
    return credentials;
}

}  // namespace sonthra::podcast
