// Helpers of the MP3 tests: tone WAV files made with our writer, their samples read back, and
// the peer tools (lame, mpg123, ffprobe) run through the shell.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "wave/wave_reader.h"
#include "wave/wave_test_files.h"
#include "wave/wave_writer.h"

namespace sonthra::testing {

inline bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

inline std::uint64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

inline std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs a shell command quietly; its exit status.
inline int runQuiet(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Standard output of a shell command.
inline std::string outputOf(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

// A sine of freq Hz at amplitude (of full scale) on every channel, 8- or 16-bit PCM.
inline bool makeToneWav(const std::string& path, std::uint32_t rate, std::uint16_t bits,
                        std::uint16_t channels, double seconds, double freq = 1000.0,
                        double amplitude = 0.5) {
    auto writer = WaveWriter::create(path, rate, bits, channels);
    if (!writer) return false;
    const auto frames = static_cast<std::uint64_t>(seconds * rate);
    std::vector<unsigned char> bytes;
    bytes.reserve(frames * channels * bits / 8);
    for (std::uint64_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * freq * static_cast<double>(i) / rate);
        for (std::uint16_t c = 0; c < channels; ++c) {
            if (bits == 8) {
                bytes.push_back(static_cast<unsigned char>(std::lround(128 + v * 127)));
            } else {
                const auto s = static_cast<std::int16_t>(std::lround(v * 32767));
                bytes.push_back(static_cast<unsigned char>(s & 0xFF));
                bytes.push_back(static_cast<unsigned char>((s >> 8) & 0xFF));
            }
        }
    }
    return writer->write(bytes.data(), bytes.size()) && writer->finish();
}

// Runs call, which is given a named pipe, and returns its result with the seconds it took.
// A call still waiting on the pipe after a few seconds is released by opening the other end,
// so that a failing test ends instead of hanging.
template <typename Call>
auto onFifo(const std::string& fifo, Call call) -> std::pair<decltype(call(fifo)), double> {
    ::mkfifo(fifo.c_str(), 0600);
    const auto start = std::chrono::steady_clock::now();
    auto running = std::async(std::launch::async, [&] { return call(fifo); });
    if (running.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    auto result = running.get();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return {result, took.count()};
}

// The fmt and data chunks of a plain PCM WAV file rewritten as WAVE_FORMAT_EXTENSIBLE with the
// PCM sub-format: the same audio in the other layout.
inline std::string asExtensible(const std::string& plainWav) {
    static const char kPcmGuid[16] = {0x01, 0x00, 0x00,
                                      0x00, 0x00, 0x00,
                                      0x10, 0x00, static_cast<char>(0x80),
                                      0x00, 0x00, static_cast<char>(0xAA),
                                      0x00, 0x38, static_cast<char>(0x9B),
                                      0x71};
    const std::string bytes = readBytes(plainWav);
    const auto channels = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[22]) |
                                                     static_cast<unsigned char>(bytes[23]) << 8);
    const auto bits = static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[34]) |
                                                 static_cast<unsigned char>(bytes[35]) << 8);
    std::string fmt = bytes.substr(20, 16);
    fmt[0] = static_cast<char>(0xFE);
    fmt[1] = static_cast<char>(0xFF);
    put16(fmt, 22);
    put16(fmt, bits);                         // valid bits
    put32(fmt, channels == 1 ? 0x4u : 0x3u);  // speaker positions
    fmt.append(kPcmGuid, sizeof kPcmGuid);
    const std::size_t data = bytes.find("data", 36);
    const std::string samples = bytes.substr(data + 8, get32(bytes, data + 4));
    return riff("WAVE", {chunk("fmt ", fmt), chunk("data", samples)});
}

struct Pcm {
    WaveFormat format;
    std::vector<std::int16_t> samples;  // interleaved
    std::uint64_t frames() const { return format.channels ? samples.size() / format.channels : 0; }
};

// The samples of a 16-bit WAV file (empty format when it cannot be read).
inline Pcm readPcm(const std::string& path) {
    Pcm pcm;
    WaveReader reader;
    if (reader.open(path) != kWaveReadOk) return pcm;
    std::string bytes(reader.dataSize, '\0');
    std::uint32_t got = 0;
    if (reader.dataSize > 0) reader.readBlock(0, reader.dataSize, got, bytes.data());
    pcm.format = reader.format;
    reader.close();
    pcm.samples.resize(got / 2);
    for (std::size_t i = 0; i < pcm.samples.size(); ++i)
        pcm.samples[i] =
            static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return pcm;
}

// Frequency of channel 0 from its rising zero crossings, skipping the first and last tenth.
inline double measuredFrequency(const Pcm& pcm) {
    const std::uint64_t frames = pcm.frames();
    const std::uint64_t from = frames / 10, to = frames - frames / 10;
    int crossings = 0;
    std::uint64_t first = 0, last = 0;
    for (std::uint64_t i = from + 1; i < to; ++i) {
        const int a = pcm.samples[(i - 1) * pcm.format.channels];
        const int b = pcm.samples[i * pcm.format.channels];
        if (a < 0 && b >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(pcm.format.sampleRate) /
           static_cast<double>(last - first);
}

// Root mean square of channel 0 as a fraction of full scale, over the middle of the file.
inline double measuredLevel(const Pcm& pcm) {
    const std::uint64_t frames = pcm.frames();
    double sum = 0;
    std::uint64_t n = 0;
    for (std::uint64_t i = frames / 10; i < frames - frames / 10; ++i, ++n) {
        const double v = pcm.samples[i * pcm.format.channels] / 32768.0;
        sum += v * v;
    }
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

}  // namespace sonthra::testing
