// The description file reader and the page's marker filling on hostile bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "podcast/html_page.h"
#include "podcast/pdi_file.h"
#include "podcast/text_rules.h"

using namespace sonthra::podcast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Lines lines = splitLines(bytes);
    PodcastInfo info;
    GetPodcastSettings(lines, info);
    // The marker filling works line by line, each line on its own; the first lines are as good
    // a test as all of them, and filling every line with a long description made each input
    // cost milliseconds.
    const std::size_t filled = std::min<std::size_t>(lines.size(), 32);
    for (std::size_t i = 0; i < filled; ++i) {
        fillPageLine(lines[i], info.Link);
        fillEpisodeLine(lines[i], info.Title, info.Description, info.Link);
    }
    pagePathForFeed(bytes);
    return 0;
}
