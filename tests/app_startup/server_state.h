// The test sound server seen through pactl, the independent judge of what the program did to
// it, and a snapshot of its defaults and volumes that the start-up tests put back, since every
// test that uses the server shares it.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace sonthra::testing {

inline std::string sh(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 512> buffer;
        while (std::fgets(buffer.data(), buffer.size(), pipe)) out += buffer.data();
        ::pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

using Volumes = std::vector<std::uint32_t>;

// The per-channel values of "pactl get-sink-volume" or "get-source-volume", in channel order.
inline Volumes pactlVolumes(const std::string& kind, const std::string& name) {
    const std::string text = sh("pactl get-" + kind + "-volume " + name);
    static const std::regex value(R"(:\s*(\d+)\s*/)");
    Volumes values;
    for (std::sregex_iterator it(text.begin(), text.end(), value), end; it != end; ++it)
        values.push_back(static_cast<std::uint32_t>(std::stoul((*it)[1])));
    return values;
}

inline void setVolumes(const std::string& kind, const std::string& name, const Volumes& values) {
    std::string command = "pactl set-" + kind + "-volume " + name;
    for (std::uint32_t v : values) command += " " + std::to_string(v);
    sh(command);
}

// Names in the second column of "pactl list short sinks" or "sources".
inline std::vector<std::string> pactlNames(const std::string& kind) {
    std::istringstream lines(sh("pactl list short " + kind));
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string index;
        std::string name;
        if (fields >> index >> name) names.push_back(name);
    }
    return names;
}

class ServerSnapshot {
public:
    ServerSnapshot() {
        m_defaultSink = sh("pactl get-default-sink");
        m_defaultSource = sh("pactl get-default-source");
        for (const std::string& sink : pactlNames("sinks"))
            m_sinks[sink] = pactlVolumes("sink", sink);
        for (const std::string& source : pactlNames("sources"))
            m_sources[source] = pactlVolumes("source", source);
    }
    ~ServerSnapshot() {
        for (const auto& [name, values] : m_sinks) setVolumes("sink", name, values);
        for (const auto& [name, values] : m_sources) setVolumes("source", name, values);
        if (!m_defaultSink.empty()) sh("pactl set-default-sink " + m_defaultSink);
        if (!m_defaultSource.empty()) sh("pactl set-default-source " + m_defaultSource);
    }
    ServerSnapshot(const ServerSnapshot&) = delete;
    ServerSnapshot& operator=(const ServerSnapshot&) = delete;

    const std::string& defaultSink() const { return m_defaultSink; }

private:
    std::string m_defaultSink;
    std::string m_defaultSource;
    std::map<std::string, Volumes> m_sinks;
    std::map<std::string, Volumes> m_sources;
};

}  // namespace sonthra::testing
