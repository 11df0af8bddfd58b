// Feeds arbitrary bytes to the settings file parser and the colour parser. Whatever parses must
// come back unchanged through its text form, so the writer and the reader agree on every tree
// the reader can produce.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/color_text.h"
#include "settings/registry_tree.h"

namespace {

void checkRoundTrip(std::string_view text) {
    if (auto tree = sonthra::parseRegistryText(text)) {
        auto again = sonthra::parseRegistryText(sonthra::registryText(*tree));
        if (!again || !(*again == *tree)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkRoundTrip(text);
    // Framed by the first and last lines, so that the fuzzer spends its time on keys and values
    // instead of having to guess the frame first.
    checkRoundTrip("Sonthra settings 1\n" + std::string(text) + "\n; end of settings\n");
    if (size <= 64) {
        if (auto color = sonthra::textToColor(text)) {
            if (sonthra::textToColor(sonthra::colorToText(*color)) != color) std::abort();
        }
    }
    return 0;
}
