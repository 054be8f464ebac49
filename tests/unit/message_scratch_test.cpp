#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/message_scratch.h"

namespace morvu {
namespace {

class MessageScratch : public ::testing::Test {
protected:
    void TearDown() override { release_kept_messages(); }
};

// A kept text outlives the messages kept after it until its slot comes round
// again, even when those are long enough to need storage of their own.
TEST_F(MessageScratch, TextStaysUntilItsSlotIsReused) {
    const char* first = keep_message("Index '3' out of range");
    std::vector<const char*> later;
    for (std::size_t i = 1; i < message_slot_count; ++i)
        later.push_back(keep_message(std::string(200 + i, static_cast<char>('a' + i))));
    EXPECT_STREQ(first, "Index '3' out of range");
    for (std::size_t i = 0; i < later.size(); ++i)
        EXPECT_EQ(std::string(later[i]), std::string(201 + i, static_cast<char>('b' + i)));
    keep_message("next");  // takes the first slot again
    EXPECT_STREQ(later.front(), std::string(201, 'b').c_str());
}

// Two messages combined into a third: both parts are read while the result
// is formatted, and the result is a text of its own.
TEST_F(MessageScratch, ComposedMessagesKeepTheirParts) {
    const char* inner = keep_message("Node '4' does not exist");
    const char* outer = keep_message(std::string("Procedure 'graph:ins': ") + inner);
    EXPECT_STREQ(outer, "Procedure 'graph:ins': Node '4' does not exist");
    EXPECT_STREQ(inner, "Node '4' does not exist");
    EXPECT_STREQ(keep_message(""), "");
}

// After the release the ring starts afresh and hands out new texts.
TEST_F(MessageScratch, ReleaseEmptiesTheRing) {
    keep_message(std::string(1000, 'x'));
    release_kept_messages();
    EXPECT_STREQ(keep_message("after"), "after");
}

// A loop that goes on past failures reports its first, however many
// messages the later failures keep.
TEST_F(MessageScratch, FirstMessageOutlivesTheRing) {
    FIRST_MESSAGE none;
    EXPECT_EQ(none.result(), nullptr);
    FIRST_MESSAGE first;
    first.note(nullptr);
    first.note(keep_message("Element 2 is not defined"));
    for (std::size_t i = 0; i < 3 * message_slot_count; ++i)
        first.note(keep_message(std::string(300, static_cast<char>('a' + i % 26))));
    EXPECT_STREQ(first.result(), "Element 2 is not defined");
}

}  // namespace
}  // namespace morvu
