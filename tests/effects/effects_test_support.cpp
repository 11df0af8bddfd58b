#include "effects_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "wave/wave_layout.h"
#include "wave/wave_writer.h"

namespace sonthra::test {

TempFolder::TempFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/fxtestXXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void writeWave(const std::string& path, const std::vector<std::int16_t>& samples, int channels,
               std::uint32_t rate) {
    auto writer = WaveWriter::create(path, rate, 16, static_cast<std::uint16_t>(channels));
    // An empty vector's data() may be null, which the writer must not be handed.
    if (!writer || (!samples.empty() && !writer->write(samples.data(), samples.size() * 2)) ||
        !writer->finish()) {
        throw std::runtime_error("cannot write " + path);
    }
}

void writeWave8(const std::string& path, const std::vector<std::uint8_t>& samples, int channels,
                std::uint32_t rate) {
    auto writer = WaveWriter::create(path, rate, 8, static_cast<std::uint16_t>(channels));
    if (!writer || !writer->write(samples.data(), samples.size()) || !writer->finish()) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<unsigned char> waveData(const std::string& path) {
    WaveFileLayout layout;
    if (inspectWave(path, layout) != WaveInspect::Ok) return {};
    std::vector<unsigned char> data(layout.dataBytes);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::fseek(f, static_cast<long>(layout.dataOffset), SEEK_SET);
    const std::size_t got = std::fread(data.data(), 1, data.size(), f);
    std::fclose(f);
    data.resize(got);
    return data;
}

std::vector<std::int16_t> waveSamples16(const std::string& path) {
    const auto bytes = waveData(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

void copyFolder(const std::string& from, const std::string& to) {
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
        std::filesystem::copy_file(entry.path(), to + "/" + entry.path().filename().string(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

int runCommand(const std::string& command, std::string* output) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
    const int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace sonthra::test
