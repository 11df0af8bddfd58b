#include "messages/message_table.h"

namespace sonthra {

// Filled in full by the message table work; kept minimal until then.
const char* MessageText(int number) {
    switch (number) {
        case 129: return "Warning: User has aborted the process.";
        default: return nullptr;
    }
}

std::string FormatMessage(int number, const std::vector<std::string>& args) {
    const char* text = MessageText(number);
    if (text == nullptr) return {};
    std::string out;
    std::size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next < args.size()) out += args[next];
            ++next;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

int EngineErrorToMessage(int engineError) { return engineError == 0 ? 0 : 100; }

int MixerErrorToMessage(int mixerError) { return mixerError == 0 ? 0 : 385; }

std::vector<int> MessageNumbers() { return {129}; }

}  // namespace sonthra
