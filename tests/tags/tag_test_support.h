// Files for the tag tests: a private folder, whole-file reads and writes, WAV and MP3 files
// made on the spot, and the independent readers (mutagen, ffprobe) run as programs.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace sonthra::tagtest {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sonthra-tags-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string le32(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

inline std::uint32_t readLe32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

inline std::string chunk(const std::string& id, const std::string& data) {
    std::string out = id + le32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() & 1u) out.push_back('\0');
    return out;
}

// Deterministic sample bytes that look like noise.
inline std::string audioBytes(std::size_t count, std::uint32_t seed = 1) {
    std::string out(count, '\0');
    for (auto& c : out) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

// A 16-bit mono PCM WAV file: "fmt ", "data" and then the extra chunks given.
inline std::string wavBytes(const std::string& samples, const std::string& extraChunks = {},
                            std::uint32_t rate = 8000) {
    std::string fmt;
    fmt += std::string("\x01\x00\x01\x00", 4) + le32(rate) + le32(rate * 2) +
           std::string("\x02\x00\x10\x00", 4);
    std::string body = "WAVE" + chunk("fmt ", fmt) + chunk("data", samples) + extraChunks;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

// The exit status and standard output of a shell command.
struct CommandResult {
    int status = -1;
    std::string out;
};

inline CommandResult run(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Runs a Python script with the system interpreter (which has mutagen), file as argv[1].
inline CommandResult python(const TempDir& dir, const std::string& script,
                            const std::string& file) {
    const std::string scriptPath = dir.file("judge.py");
    writeBytes(scriptPath, script);
    return run("/usr/bin/python3 " + shellQuoted(scriptPath) + " " + shellQuoted(file) + " 2>&1");
}

// A short MP3 file encoded by lame from a tone made by sox; empty path when either is missing.
inline std::string makeMp3(const TempDir& dir, const std::string& name) {
    const std::string wav = dir.file(name + ".src.wav");
    const std::string mp3 = dir.file(name);
    const auto made = run("sox -n -r 44100 -c 1 -b 16 " + shellQuoted(wav) +
                          " synth 0.5 sine 440 2>/dev/null && lame --quiet -b 64 " +
                          shellQuoted(wav) + " " + shellQuoted(mp3) + " 2>/dev/null");
    return made.status == 0 ? mp3 : std::string();
}

}  // namespace sonthra::tagtest
