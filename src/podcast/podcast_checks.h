// The checks the podcast window makes before it saves, without the window: links, file names
// and the folder the podcast's templates and default host table are installed in.
#pragma once

#include <string>

namespace sonthra::podcast {

// Characters a published file name may not hold (a space among them).
inline constexpr const char* kForbiddenNameCharacters = "$ ,%&?*:/][}{)(^#@!\\+\\|=><;";

// The message for a link that is not valid, empty for a valid one: no round brackets, and a
// web address. https:// is accepted as well as http://.
std::string IsHTTPLinkValid(const std::string& link);

// The message when the part of link after its last "/" is not exactly audioName, else empty.
std::string linkNameProblem(const std::string& link, const std::string& audioName);

// The last forbidden character in name, or '\0' when it has none.
char lastForbiddenCharacter(const std::string& name);

// The message when two of the podcast's files would be one file (the feed, the page made
// beside it, the description file and the audio file), so that writing one would destroy
// another: a feed named "show.htm" is where its page goes. Empty when all differ.
std::string podcastFileClash(const std::string& feed, const std::string& descriptionFile,
                             const std::string& audioFile);

// The file name of a path (the part after its last "/").
std::string fileNameOf(const std::string& path);

// The folder holding "PageTemplate.html" for a program in programFolder: the installed
// share/sonthra/podcast beside it, the source tree's resources/podcast, or
// $SONTHRA_SOURCE_DIR/resources/podcast; the first of them when none holds it.
std::string findPodcastResourceFolder(const std::string& programFolder);

}  // namespace sonthra::podcast
