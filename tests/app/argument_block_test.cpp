#include "app/argument_block.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sonthra {
namespace {

TEST(ArgumentBlock, WireLayoutHoldsFirstArgumentAndCountAtOffset65536) {
    const auto block = ArgumentBlock::fromArguments({"/home/u/take one.wav", "/home/u/b.wav"});
    const auto& bytes = block.bytes();
    ASSERT_EQ(bytes.size(), 65540u);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), "/home/u/take one.wav");
    std::int32_t count;
    std::memcpy(&count, bytes.data() + 65536, 4);
    EXPECT_EQ(count, 1);  // only the first argument travels
    for (std::size_t i = 256; i < 65536; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(ArgumentBlock, SplashSwitchIsDroppedOnlyWhenWrittenExactly) {
    EXPECT_EQ(ArgumentBlock::fromArguments({"/NoSplash"}).count(), 0);
    const auto lower = ArgumentBlock::fromArguments({"/nosplash"});
    EXPECT_EQ(lower.count(), 1);
    EXPECT_EQ(lower.slot(0), "/nosplash");
    EXPECT_EQ(ArgumentBlock::fromArguments({}).count(), 0);
    // The switch before a file does not cost the file.
    const auto both = ArgumentBlock::fromArguments({"/NoSplash", "song.wav", "other.wav"});
    EXPECT_EQ(both.count(), 1);
    EXPECT_EQ(both.slot(0), "song.wav");
    EXPECT_EQ(both.slot(1), "");
}

TEST(ArgumentBlock, LongArgumentIsCutSoTheSlotStaysTerminated) {
    const auto block = ArgumentBlock::fromArguments({std::string(400, 'x')});
    EXPECT_EQ(block.slot(0).size(), 255u);
    EXPECT_EQ(block.bytes()[255], 0);
}

TEST(ArgumentBlock, ReceivedBytesMustBeExactlyOneBlock) {
    const auto sent = ArgumentBlock::fromArguments({"a.wav"});
    EXPECT_TRUE(ArgumentBlock::fromBytes(sent.bytes().data(), 65540).has_value());
    EXPECT_FALSE(ArgumentBlock::fromBytes(sent.bytes().data(), 65539).has_value());
    EXPECT_FALSE(ArgumentBlock::fromBytes(nullptr, 65540).has_value());
}

ArgumentBlock blockOf(std::vector<std::string> slots, std::int32_t count) {
    ArgumentBlock block;
    for (std::size_t i = 0; i < slots.size(); ++i) block.setSlot(i, slots[i]);
    block.setCount(count);
    return block;
}

TEST(InterpretArgumentBlock, HandlerRules) {
    auto plain = InterpretArgumentBlock(blockOf({"a.wav"}, 1));
    EXPECT_FALSE(plain.ignored);
    EXPECT_FALSE(plain.unsaved);
    EXPECT_EQ(plain.files, std::vector<std::string>{"a.wav"});

    // "/Unsaved" after the files lowers the count and switches unsaved mode on.
    auto unsaved = InterpretArgumentBlock(blockOf({"a.wav", "/Unsaved"}, 2));
    EXPECT_TRUE(unsaved.unsaved);
    EXPECT_EQ(unsaved.files, std::vector<std::string>{"a.wav"});

    // The first slot is never looked at for "/Unsaved"; a lone switch opens nothing.
    auto first = InterpretArgumentBlock(blockOf({"/Unsaved"}, 1));
    EXPECT_FALSE(first.unsaved);
    EXPECT_EQ(first.files, std::vector<std::string>{"/Unsaved"});

    EXPECT_TRUE(InterpretArgumentBlock(blockOf({"/bUrN", "a.wav"}, 2)).ignored);
    EXPECT_TRUE(InterpretArgumentBlock(blockOf({}, 0)).ignored);
}

TEST(InterpretArgumentBlock, HostileCountsReadOnlyExistingSlots) {
    auto huge = InterpretArgumentBlock(blockOf({"a.wav"}, 1'000'000));
    EXPECT_EQ(huge.files.size(), 256u);
    EXPECT_TRUE(InterpretArgumentBlock(blockOf({"a.wav"}, -7)).ignored);
}

}  // namespace
}  // namespace sonthra
