#include "cli/command_words.h"

namespace sonthra::cli {

std::vector<CommandWord> splitCommandWords(const std::vector<std::string>& args) {
    std::vector<CommandWord> words;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.rfind("--", 0) != 0) {
            words.push_back({"", word});
            continue;
        }
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos) {
            words.push_back({word.substr(0, equals), word.substr(equals + 1)});
        } else if (i + 1 < args.size()) {
            words.push_back({word, args[++i]});
        } else {
            words.push_back({word, "", false});
        }
    }
    return words;
}

}  // namespace sonthra::cli
