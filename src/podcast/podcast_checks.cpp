#include "podcast/podcast_checks.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <utility>
#include <vector>

#include "podcast/html_page.h"
#include "podcast/text_file.h"

namespace sonthra::podcast {

std::string IsHTTPLinkValid(const std::string& link) {
    if (link.find('(') != std::string::npos || link.find(')') != std::string::npos) {
        return "Please remove the round brackets from your URL.";
    }
    if (link.find("http://") == std::string::npos && link.find("https://") == std::string::npos) {
        return "The URL " + link + " doesnot appear to be valid. Please Check!";
    }
    return {};
}

std::string linkNameProblem(const std::string& link, const std::string& audioName) {
    if (fileNameOf(link) == audioName) return {};
    return "Saved Audio Filename " + audioName + " Does Not Exist In The Podcast Link.";
}

char lastForbiddenCharacter(const std::string& name) {
    const std::size_t at = name.find_last_of(kForbiddenNameCharacters);
    return at == std::string::npos ? '\0' : name[at];
}

std::string podcastFileClash(const std::string& feed, const std::string& descriptionFile,
                             const std::string& audioFile) {
    namespace fs = std::filesystem;
    const auto same = [](const std::string& a, const std::string& b) {
        if (a.empty() || b.empty()) return false;
        std::error_code error;
        if (fs::equivalent(a, b, error)) return true;
        return fs::absolute(a, error).lexically_normal() ==
               fs::absolute(b, error).lexically_normal();
    };
    const std::string page = pagePathForFeed(feed);
    const std::pair<const char*, const std::string*> files[] = {
        {"feed", &feed},
        {"web page", &page},
        {"podcast description file", &descriptionFile},
        {"audio file", &audioFile}};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        for (std::size_t j = i + 1; j < std::size(files); ++j) {
            if (!same(*files[i].second, *files[j].second)) continue;
            return std::string("The ") + files[i].first + " and the " + files[j].first +
                   " of this podcast would both be \"" + *files[i].second +
                   "\"; nothing has been written. Please choose another name.";
        }
    }
    return {};
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string findPodcastResourceFolder(const std::string& programFolder) {
    // Beside an installed program (lib/sonthra/../../share), a program in a bin folder, and
    // the build folder's program under the source tree.
    std::vector<std::string> candidates = {programFolder + "/../../share/sonthra/podcast",
                                           programFolder + "/../share/sonthra/podcast",
                                           programFolder + "/../../resources/podcast"};
    if (const char* source = std::getenv("SONTHRA_SOURCE_DIR"); source && *source) {
        candidates.push_back(std::string(source) + "/resources/podcast");
    }
    for (const std::string& candidate : candidates) {
        const std::string folder = std::filesystem::path(candidate).lexically_normal().string();
        if (fileExists(folder + "/" + kPageTemplateName)) return folder;
    }
    return std::filesystem::path(candidates.front()).lexically_normal().string();
}

}  // namespace sonthra::podcast
