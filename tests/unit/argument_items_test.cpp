#include "types/method_call.h"

#include <gtest/gtest.h>

namespace morvu {
namespace {

RESULT_ITEM item(uint32_t mode) { return RESULT_ITEM{nullptr, mode, 0}; }

TEST(ArgumentItems, GrowingPastTheInlineRoomKeepsEveryItemInOrder) {
    ARGUMENT_ITEMS items;
    for (uint32_t i = 0; i < 11; ++i) items.push_back(item(i));
    ASSERT_EQ(items.size(), 11u);
    EXPECT_GE(items.capacity(), 11u);
    for (uint32_t i = 0; i < 11; ++i) EXPECT_EQ(items[i].mode, i);
    uint32_t expected = 0;
    for (const RESULT_ITEM& each : items) EXPECT_EQ(each.mode, expected++);
    EXPECT_EQ(expected, 11u);
}

TEST(ArgumentItems, AssignAndClearStartOver) {
    ARGUMENT_ITEMS source{item(1), item(2), item(3), item(4), item(5), item(6)};
    ARGUMENT_ITEMS tail;
    tail.push_back(item(9));
    tail.assign(source.begin() + 2, source.end());
    ASSERT_EQ(tail.size(), 4u);
    EXPECT_EQ(tail[0].mode, 3u);
    EXPECT_EQ(tail[3].mode, 6u);
    tail.clear();
    EXPECT_TRUE(tail.empty());
    tail = {item(7)};
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(tail.data()->mode, 7u);
}

}  // namespace
}  // namespace morvu
