#include "messages/message_table.h"

#include <gtest/gtest.h>

namespace sonthra {
namespace {

TEST(MessageTable, CancelTextAndFormatting) {
    EXPECT_STREQ(MessageText(129), "Warning: User has aborted the process.");
    EXPECT_EQ(MessageText(99999), nullptr);
    EXPECT_EQ(FormatMessage(99999, {"x"}), "");
}

}  // namespace
}  // namespace sonthra
