// Test data made on the spot: tones as 16- or 8-bit PCM, WAV files built chunk by chunk (also
// broken ones), and a Goertzel filter to tell which frequency a recording holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonthra::test {

// Interleaved samples of a sine tone (the same on every channel) at the given peak (0..1).
std::vector<std::int16_t> makeTone(double frequency, std::uint32_t sampleRate, int channels,
                                   std::size_t frames, double peak);

// Little-endian bytes for chunk building.
std::string le16(std::uint16_t v);
std::string le32(std::uint32_t v);
std::string chunk(const std::string& id, const std::string& body);
// A 16-byte "fmt " body (size 18 when extraSize is set).
std::string fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, bool extraSize = false);
std::string riff(const std::string& chunks, const std::string& form = "WAVE");
std::string samplesBytes(const std::vector<std::int16_t>& samples);
// 16-bit samples as unsigned 8-bit ones.
std::string samplesBytes8(const std::vector<std::int16_t>& samples);

// A plain PCM WAV file of 16- or 8-bit samples.
std::string pcmWave(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels,
                    const std::vector<std::int16_t>& samples);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed by the destructor.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Relative power of one frequency in a mono signal (Goertzel), normalised by the signal's energy:
// near 0.5 for a pure tone at that frequency, near 0 for other frequencies.
double tonePower(const std::vector<double>& signal, double frequency, std::uint32_t sampleRate);

// The first channel of interleaved 16-bit samples, as doubles.
std::vector<double> firstChannel(const std::vector<std::int16_t>& samples, int channels);

}  // namespace sonthra::test
