#include "engine/wav_maker.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sonthra::test {

std::vector<std::int16_t> makeTone(double frequency, std::uint32_t sampleRate, int channels,
                                   std::size_t frames, double peak) {
    std::vector<std::int16_t> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < frames; ++f) {
        const double v = peak * 32767.0 * std::sin(2.0 * M_PI * frequency * f / sampleRate);
        for (int c = 0; c < channels; ++c)
            samples[f * channels + c] = static_cast<std::int16_t>(std::lround(v));
    }
    return samples;
}

std::string le16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(std::uint32_t v) {
    return le16(static_cast<std::uint16_t>(v & 0xFFFF)) + le16(static_cast<std::uint16_t>(v >> 16));
}

std::string chunk(const std::string& id, const std::string& body) {
    std::string out = id + le32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2 != 0) out.push_back('\0');
    return out;
}

std::string fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, bool extraSize) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    std::string body =
        le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
    if (extraSize) body += le16(0);
    return body;
}

std::string riff(const std::string& chunks, const std::string& form) {
    return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) + form + chunks;
}

std::string samplesBytes(const std::vector<std::int16_t>& samples) {
    std::string out;
    out.reserve(samples.size() * 2);
    for (std::int16_t s : samples) out += le16(static_cast<std::uint16_t>(s));
    return out;
}

std::string samplesBytes8(const std::vector<std::int16_t>& samples) {
    std::string out;
    out.reserve(samples.size());
    for (std::int16_t s : samples) out.push_back(static_cast<char>((s >> 8) + 128));
    return out;
}

std::string pcmWave(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels,
                    const std::vector<std::int16_t>& samples) {
    const std::string data = bits == 8 ? samplesBytes8(samples) : samplesBytes(samples);
    return riff(chunk("fmt ", fmtBody(1, channels, rate, bits)) + chunk("data", data));
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sonthra-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

double tonePower(const std::vector<double>& signal, double frequency, std::uint32_t sampleRate) {
    const double w = 2.0 * M_PI * frequency / sampleRate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0, energy = 0;
    for (double x : signal) {
        const double s0 = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += x * x;
    }
    if (energy <= 0 || signal.empty()) return 0;
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return power / (energy * signal.size());
}

std::vector<double> firstChannel(const std::vector<std::int16_t>& samples, int channels) {
    std::vector<double> out;
    out.reserve(samples.size() / channels);
    for (std::size_t i = 0; i < samples.size(); i += channels) out.push_back(samples[i]);
    return out;
}

}  // namespace sonthra::test
