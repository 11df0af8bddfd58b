// The description file reader and the page's marker filling on hostile bytes.
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
    for (const std::string& line : lines) {
        fillPageLine(line, info.Link);
        fillEpisodeLine(line, info.Title, info.Description, info.Link);
    }
    pagePathForFeed(bytes);
    return 0;
}
