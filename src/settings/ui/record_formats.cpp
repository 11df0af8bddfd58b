#include "settings/ui/record_formats.h"

#include <new>

#include "messages/message_table.h"

namespace sonthra {

namespace {


// Appends `value` unless it repeats the last entry: the formats come in probing order, so
// equal values of one dimension stand together.
template <typename T>
void appendDistinct(std::vector<T>& list, T value) {
    if (list.empty() || list.back() != value) list.push_back(value);
}

}  // namespace

int ProbeFormats(const FormatQuery& query, std::vector<RecordFormat>& formats) {
    formats.clear();
    if (!query) return 0;
    for (std::uint32_t rate : kCandidateRates) {
        for (int bits : kCandidateBits) {
            for (int channels : kCandidateChannels) {
                if (query(rate, bits, channels) != 0) continue;
                try {
                    formats.push_back({rate, static_cast<std::uint8_t>(bits),
                                       static_cast<std::uint8_t>(channels)});
                } catch (const std::bad_alloc&) {
                    return kNoMemory;
                }
            }
        }
    }
    return 0;
}

std::vector<std::uint32_t> FormatRates(const std::vector<RecordFormat>& formats) {
    std::vector<std::uint32_t> rates;
    for (const RecordFormat& f : formats) appendDistinct(rates, f.sampleRate);
    return rates;
}

std::vector<int> FormatBits(const std::vector<RecordFormat>& formats, std::uint32_t rate) {
    std::vector<int> bits;
    for (const RecordFormat& f : formats) {
        if (f.sampleRate == rate) appendDistinct(bits, static_cast<int>(f.bitsPerSample));
    }
    return bits;
}

std::vector<int> FormatChannels(const std::vector<RecordFormat>& formats, std::uint32_t rate,
                                int bits) {
    std::vector<int> channels;
    for (const RecordFormat& f : formats) {
        if (f.sampleRate != rate || f.bitsPerSample != bits) continue;
        if (f.channels == 1 || f.channels == 2)
            appendDistinct(channels, static_cast<int>(f.channels));
    }
    return channels;
}

}  // namespace sonthra
