#include "podcast/podcast_checks.h"

#include <cstdlib>
#include <filesystem>
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
