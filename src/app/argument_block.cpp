#include "app/argument_block.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sonthra {

namespace {

bool equalsIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

ArgumentBlock ArgumentBlock::fromArguments(const std::vector<std::string>& args) {
    ArgumentBlock block;
    // Only the first argument travels. The splash switch (written exactly so) is never a file,
    // and it is skipped before the first argument is taken: "/NoSplash song.wav" hands over
    // the song instead of dropping it.
    for (const std::string& arg : args) {
        if (arg == "/NoSplash") continue;
        block.setSlot(0, arg);
        block.setCount(1);
        break;
    }
    return block;
}

std::optional<ArgumentBlock> ArgumentBlock::fromBytes(const void* data, std::size_t size) {
    if (data == nullptr || size != kSize) return std::nullopt;
    ArgumentBlock block;
    std::memcpy(block.m_bytes.data(), data, kSize);
    return block;
}

std::int32_t ArgumentBlock::count() const {
    std::int32_t value;
    std::memcpy(&value, m_bytes.data() + kCountOffset, sizeof value);
    return value;
}

void ArgumentBlock::setCount(std::int32_t count) {
    std::memcpy(m_bytes.data() + kCountOffset, &count, sizeof count);
}

std::string ArgumentBlock::slot(std::size_t k) const {
    if (k >= kSlots) return {};
    const char* start = reinterpret_cast<const char*>(m_bytes.data() + k * kSlotSize);
    return std::string(start, strnlen(start, kSlotSize));
}

void ArgumentBlock::setSlot(std::size_t k, const std::string& text) {
    if (k >= kSlots) return;
    std::uint8_t* start = m_bytes.data() + k * kSlotSize;
    std::memset(start, 0, kSlotSize);
    std::memcpy(start, text.data(), std::min(text.size(), kSlotSize - 1));
}

CommandLineRequest InterpretArgumentBlock(const ArgumentBlock& block) {
    CommandLineRequest request;
    // A hostile or damaged block may carry any count; only the slots that exist are read.
    std::int32_t count = std::clamp<std::int32_t>(block.count(), -1,
                                                  static_cast<std::int32_t>(ArgumentBlock::kSlots));
    const std::int32_t scanned = count;
    for (std::int32_t k = 1; k <= scanned && k < static_cast<std::int32_t>(ArgumentBlock::kSlots);
         ++k) {
        if (block.slot(k) == "/Unsaved") {
            --count;
            request.unsaved = true;
        }
    }
    if (equalsIgnoringCase(block.slot(0), "/Burn") || count < 1) {
        request.ignored = true;
        return request;
    }
    for (std::int32_t k = 0; k < count; ++k) request.files.push_back(block.slot(k));
    return request;
}

}  // namespace sonthra
