// Shared by the podcast tests: a temporary folder, whole-file reads and writes, and the two
// independent judges of a feed (xmllint and Python's feedparser).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace sonthra::podcast::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "podtestXXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Runs a shell command; its exit status and standard output (with standard error).
inline int runCommand(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string sourceDir() {
    const char* dir = std::getenv("SONTHRA_SOURCE_DIR");
    return dir ? dir : SONTHRA_TEST_SOURCE_DIR;
}

// xmllint's verdict: empty when the file is well-formed, else its complaint.
inline std::string xmllintErrors(const std::string& path) {
    std::string output;
    const int status = runCommand("xmllint --noout " + shellQuoted(path), &output);
    return status == 0 ? std::string() : (output.empty() ? "xmllint failed" : output);
}

// feedparser's view of the feed as key -> value (see feed_judge.py for the keys).
inline std::map<std::string, std::string> feedparserView(const std::string& path) {
    std::string output;
    runCommand("/usr/bin/python3 " + shellQuoted(sourceDir() + "/tests/podcast/feed_judge.py") +
                   " " + shellQuoted(path),
               &output);
    std::map<std::string, std::string> view;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string value;
        const std::string raw = line.substr(tab + 1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size()) {
                value += raw[i + 1] == 'n' ? '\n' : raw[i + 1];
                ++i;
            } else {
                value += raw[i];
            }
        }
        view[line.substr(0, tab)] = value;
    }
    return view;
}

}  // namespace sonthra::podcast::test
