// The argument block a second copy of the program hands to the first: 256 slots of 256 bytes,
// each a zero-terminated argument, then a 32-bit signed count of used slots at offset 65,536.
// 65,540 bytes in all, zero-filled. Plain data; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonthra {

class ArgumentBlock {
public:
    static constexpr std::size_t kSlots = 256;
    static constexpr std::size_t kSlotSize = 256;
    static constexpr std::size_t kCountOffset = kSlots * kSlotSize;  // 65,536
    static constexpr std::size_t kSize = kCountOffset + 4;           // 65,540

    ArgumentBlock() { m_bytes.fill(0); }

    // Builds the block from the program's arguments (without the program name): only the
    // first argument that is not "/NoSplash" (written exactly so) travels.
    static ArgumentBlock fromArguments(const std::vector<std::string>& args);

    // A copy of received wire bytes; nullopt unless exactly kSize bytes arrived.
    static std::optional<ArgumentBlock> fromBytes(const void* data, std::size_t size);

    std::int32_t count() const;
    void setCount(std::int32_t count);

    // Slot k as text (up to its first zero byte); empty for k outside 0..255.
    std::string slot(std::size_t k) const;
    // Copies text into slot k, cut to 255 bytes so the terminating zero always fits.
    void setSlot(std::size_t k, const std::string& text);

    const std::array<std::uint8_t, kSize>& bytes() const { return m_bytes; }

private:
    std::array<std::uint8_t, kSize> m_bytes;
};

// What the command handler makes of a block, before any file is opened.
struct CommandLineRequest {
    bool ignored = false;  // "/Burn" first, or nothing to open
    bool unsaved = false;  // "/Unsaved" was among slots 1..count
    std::vector<std::string> files;
};

// Applies the handler's rules: "/Unsaved" in slots 1..count (the first slot not looked at)
// lowers the count each time and sets unsaved mode; "/Burn" (any letter case) in the first
// slot, or a count below 1, ignores the block; otherwise slots 0..count-1 are the files.
CommandLineRequest InterpretArgumentBlock(const ArgumentBlock& block);

}  // namespace sonthra
