// The steps of publishing that follow a save: keeping the feed, description file and page in
// step with the audio file that is finally uploaded (after a compression or a rewrite), the
// list of files to upload and the host's credentials for the transfer.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "podcast/host_table.h"
#include "podcast/podcast_info.h"

namespace sonthra::podcast {

// The feed first, then the audio file, then the page (the feed path without its last four
// characters, plus ".htm") when it exists. The description file is not uploaded.
std::vector<std::string> podcastUploadList(const std::string& feed, const std::string& audioFile);

// The old link up to and including its last "/", followed by the new file's name.
std::string linkForNewAudio(const std::string& oldLink, const std::string& newAudioFile);

// Rewrites the podcast files for a new or changed audio file: the record is read from the
// description file, dated now, given the audio file (its size, playing time and type) and
// link; then the episode's feed item (an episode no longer in the feed leaves the feed as it
// is), the description file when rewriteDescription, and the page are written again.
Status refreshPodcastFiles(const std::string& descriptionFile, const std::string& audioFile,
                           const std::string& link, bool rewriteDescription,
                           const std::string& templateFolder, std::time_t now = std::time(nullptr));

struct UploadCredentials {
    std::string userName;  // "username" followed by "append"
    std::string password;  // unscrambled
    std::string server;
    std::string remoteFolder;
};
// For a real host: its login, password and server, and the record's upload folder. For
// "<Custom>" or no host all but the folder are empty, and the FTP window falls back to its
// last saved connection.
UploadCredentials uploadCredentials(const HostTable& table, const std::string& currentHost,
                                    const std::string& uploadPath);

}  // namespace sonthra::podcast
