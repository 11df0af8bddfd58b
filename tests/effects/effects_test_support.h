// Helpers of the effects tests: temporary folders, WAV files made and read back, peers run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonthra::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes a 16-bit (or 8-bit) PCM WAV file with the given interleaved samples.
void writeWave(const std::string& path, const std::vector<std::int16_t>& samples, int channels,
               std::uint32_t rate = 44100);
void writeWave8(const std::string& path, const std::vector<std::uint8_t>& samples, int channels,
                std::uint32_t rate = 8000);
// The sample bytes of a WAV file's data chunk (empty when it cannot be read).
std::vector<unsigned char> waveData(const std::string& path);
std::vector<std::int16_t> waveSamples16(const std::string& path);

// Copies every file of from into to.
void copyFolder(const std::string& from, const std::string& to);

// Runs a shell command: its exit status, with its standard output (and error) in *output.
int runCommand(const std::string& command, std::string* output = nullptr);

}  // namespace sonthra::test
