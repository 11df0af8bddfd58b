// A private XDG_CONFIG_HOME for one test, so that the settings the program reads and writes are
// the test's own. The sound server is found through that folder too, so its address is pinned
// in PULSE_SERVER (and its cookie in PULSE_COOKIE) before the folder changes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <stdlib.h>

namespace sonthra::testing {

// Points the sound server's clients at the running server whatever XDG_CONFIG_HOME says. Run
// before the first engine or mixer is made.
inline void pinSoundServer() {
    static bool pinned = false;
    if (pinned) return;
    pinned = true;
    if (std::getenv("PULSE_SERVER") == nullptr) {
        if (FILE* pipe = ::popen("pactl info 2>/dev/null", "r")) {
            char line[512];
            const std::string key = "Server String: ";
            while (std::fgets(line, sizeof line, pipe) != nullptr) {
                std::string text(line);
                if (text.rfind(key, 0) != 0) continue;
                std::string server = text.substr(key.size());
                while (!server.empty() && (server.back() == '\n' || server.back() == '\r'))
                    server.pop_back();
                if (server.rfind("unix:", 0) != 0 && server.rfind("tcp:", 0) != 0)
                    server = "unix:" + server;
                ::setenv("PULSE_SERVER", server.c_str(), 1);
            }
            ::pclose(pipe);
        }
    }
    if (std::getenv("PULSE_COOKIE") == nullptr) {
        std::filesystem::path config;
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
            config = xdg;
        } else if (const char* home = std::getenv("HOME")) {
            config = std::filesystem::path(home) / ".config";
        }
        const std::filesystem::path cookie = config / "pulse" / "cookie";
        std::error_code ec;
        if (!config.empty() && std::filesystem::exists(cookie, ec)) {
            ::setenv("PULSE_COOKIE", cookie.c_str(), 1);
        }
    }
}

class PrivateConfigHome {
public:
    PrivateConfigHome() {
        pinSoundServer();
        std::string pattern = (std::filesystem::temp_directory_path() / "sonthra-xdg-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            m_hadOld = true;
            m_old = old;
        }
        ::setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
    }
    ~PrivateConfigHome() {
        if (m_hadOld) {
            ::setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    PrivateConfigHome(const PrivateConfigHome&) = delete;
    PrivateConfigHome& operator=(const PrivateConfigHome&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path settingsFile() const {
        return m_path / "Corvanta" / "Sonthra" / "settings.reg";
    }

private:
    std::filesystem::path m_path;
    std::string m_old;
    bool m_hadOld = false;
};

inline std::string readWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeWhole(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace sonthra::testing
