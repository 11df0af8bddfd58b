// Helpers shared by the tests of WAV files and of the engine's edits: a temporary folder,
// byte-level builders for well-formed and broken RIFF files, sample generators and a way to
// ask sox about a file.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace sonthra::testing {

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/sonthra-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        m_path = made ? made : "";
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Names in the folder, sorted, to see that no stray file was left behind.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(m_path)) {
            out.push_back(e.path().filename().string());
        }
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string m_path;
};

inline void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
inline void put32(std::string& s, std::uint32_t v) {
    put16(s, static_cast<std::uint16_t>(v));
    put16(s, static_cast<std::uint16_t>(v >> 16));
}
inline std::uint32_t get32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

// A chunk: id, size field (the real size unless given) and body, with a pad byte when odd.
inline std::string chunk(const std::string& id, const std::string& body, bool pad = true) {
    std::string s = id.substr(0, 4);
    put32(s, static_cast<std::uint32_t>(body.size()));
    s += body;
    if (pad && (body.size() & 1)) s.push_back('\0');
    return s;
}
inline std::string chunkWithSize(const std::string& id, std::uint32_t size,
                                 const std::string& body) {
    std::string s = id.substr(0, 4);
    put32(s, size);
    return s + body;
}

// The "fmt " body: 16 bytes, or 18 with extra size 0.
inline std::string fmtBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                           bool eighteen = true, std::uint16_t tag = 1) {
    std::string s;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
    put16(s, tag);
    put16(s, channels);
    put32(s, rate);
    put32(s, rate * align);
    put16(s, align);
    put16(s, bits);
    if (eighteen) put16(s, 0);
    return s;
}

// "RIFF" + size + form + chunks; the size is the real one unless given.
inline std::string riff(const std::string& form, std::initializer_list<std::string> chunks,
                        long long size = -1) {
    std::string body = form;
    for (const auto& c : chunks) body += c;
    std::string s = "RIFF";
    put32(s, size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size));
    return s + body;
}

inline std::string wavBytes(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                            const std::string& samples) {
    return riff("WAVE", {chunk("fmt ", fmtBody(channels, rate, bits)), chunk("data", samples)});
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Sample bytes in which every frame differs from its neighbours, so that a frame moved, lost
// or doubled shows: 16-bit frames count up from seed, 8-bit frames cycle through 1..255.
inline std::string rampSamples(std::uint16_t channels, std::uint16_t bits, std::uint32_t frames,
                               std::uint32_t seed = 0) {
    std::string s;
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint16_t c = 0; c < channels; ++c) {
            const std::uint32_t v = (f + seed) * 2 + c;
            if (bits == 16) {
                put16(s, static_cast<std::uint16_t>(v % 30000 + 1000));
            } else {
                s.push_back(static_cast<char>(v % 255 + 1 == 128 ? 129 : v % 255 + 1));
            }
        }
    }
    return s;
}

// Runs a shell command; its standard output, or nullopt-like empty with ok=false.
struct CommandResult {
    bool ok = false;
    std::string output;
};
inline CommandResult run(const std::string& command) {
    CommandResult r;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    r.ok = ::pclose(pipe) == 0;
    return r;
}
inline bool haveSox() {
    return run("command -v sox && command -v soxi").ok;
}

// The chunks of a WAVE form other than "fmt " and "data", each as its raw bytes (header, body
// and pad), walked here independently of the code under test.
inline std::vector<std::string> otherChunksOf(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = get32(bytes, at + 4);
        const std::size_t whole = 8 + size + (size & 1u);
        const std::string id = bytes.substr(at, 4);
        if (id != "fmt " && id != "data") out.push_back(bytes.substr(at, whole));
        at += whole;
    }
    return out;
}

// A WAV file as other programs leave them, with more than audio in it: ffmpeg's LIST/INFO
// title "Kept" and its "bext" before the samples, then a "cue " chunk with one point and an
// odd-sized chunk of a kind nobody knows. 8-bit mono at 8,000 Hz, frames long; padless leaves
// out the pad byte after a data chunk of odd size, as some writers do. Returns the other chunks
// as otherChunksOf gives them for the well-formed file; empty when ffmpeg fails.
inline std::vector<std::string> writeChunkyWave(const std::string& path, std::uint32_t frames,
                                                bool padless = false) {
    if (!run("ffmpeg -v error -y -f lavfi -i sine=f=440:d=" + std::to_string(frames / 8000 + 1) +
             ":r=8000 -af atrim=end_sample=" + std::to_string(frames) +
             " -c:a pcm_u8 -metadata title=Kept -write_bext 1 '" + path + "'")
             .ok) {
        return {};
    }
    std::string bytes = readBytes(path);
    std::string cue;
    put32(cue, 1);
    for (std::uint32_t v : {7u, frames / 2, 0x61746164u, 0u, 0u, frames / 2}) put32(cue, v);
    bytes += chunk("cue ", cue) + chunk("Sxtr", "odd");
    std::string whole = bytes.substr(0, 4);
    put32(whole, static_cast<std::uint32_t>(bytes.size() - 8));
    whole += bytes.substr(8);
    const std::vector<std::string> chunks = otherChunksOf(whole);
    const std::size_t data = whole.find("data");
    if (padless && data != std::string::npos && (get32(whole, data + 4) & 1u)) {
        whole.erase(data + 8 + get32(whole, data + 4), 1);
        std::string fixed = whole.substr(0, 4);
        put32(fixed, static_cast<std::uint32_t>(whole.size() - 8));
        whole = fixed + whole.substr(8);
    }
    writeBytes(path, whole);
    return chunks;
}

}  // namespace sonthra::testing
