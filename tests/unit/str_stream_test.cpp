#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "runtime/str_stream.h"
#include "runtime/stream.h"

namespace morvu {
namespace {

// The str format is process-wide; every test leaves it as it found it.
class StrStream : public ::testing::Test {
protected:
    void TearDown() override {
        str_format.clear_in_spc();
        str_format.clear_out_spc();
        str_format.clear_out_fmt();
    }
};

std::string next_item(STR_DATA& stream, bool* found = nullptr) {
    std::string item;
    const char* error = nullptr;
    bool read = read_input_item(&stream, item, false, &error);
    EXPECT_EQ(error, nullptr);
    if (found != nullptr) *found = read;
    return item;
}

TEST_F(StrStream, EmptyTextEndsAtOnce) {
    STR_DATA stream;
    EXPECT_EQ(&stream.format(), &str_format);
    const char* error = "unset";
    std::string line;
    EXPECT_FALSE(read_input_line(&stream, line, &error));
    EXPECT_EQ(error, nullptr);
    bool found = true;
    EXPECT_EQ(next_item(stream, &found), "");
    EXPECT_FALSE(found);
}

TEST_F(StrStream, ReadingContinuesUntilAWriteRestartsIt) {
    const char* blank[] = {" "};
    ASSERT_EQ(str_format.set_in_spc(blank, 1), nullptr);
    STR_DATA stream("a b");
    bool found = false;
    EXPECT_EQ(next_item(stream, &found), "a");
    EXPECT_EQ(next_item(stream, &found), "b");
    EXPECT_EQ(next_item(stream, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(next_item(stream, &found), "");  // stays at its end
    EXPECT_FALSE(found);

    const char* error = nullptr;
    stream.write("c", false, &error);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(stream.text, "a bc");
    EXPECT_EQ(next_item(stream), "a");
    EXPECT_EQ(next_item(stream), "bc");

    // An edit of the text restarts the read through reset_read().
    stream.text = "x y";
    stream.reset_read();
    EXPECT_EQ(next_item(stream), "x");
}

TEST_F(StrStream, CrLfIsNotFolded) {
    STR_DATA stream("one\r\ntwo\b");
    EXPECT_FALSE(stream.is_binary());
    EXPECT_FALSE(stream.is_interactive());
    std::vector<std::string> lines;
    const char* error = nullptr;
    for (std::string line; read_input_line(&stream, line, &error); line.clear()) lines.push_back(line);
    // CR ends the line, the LF after it is an empty line; backspace is kept.
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "", "two\b"}));
}

TEST_F(StrStream, FormattedWritesPadThroughTheSharedRecord) {
    ASSERT_EQ(str_format.set_out_fmt("+3", ' '), nullptr);
    STR_DATA first;
    const char* error = nullptr;
    first.write("c", true, &error);
    EXPECT_EQ(first.text, "  c");

    // The record is shared: another str continues with the same column.
    ASSERT_EQ(str_format.set_out_fmt("-3+2", '_'), nullptr);
    STR_DATA second("x");
    first.write("a", true, &error);
    second.write("b", true, &error);
    EXPECT_EQ(first.text, "  ca__");
    EXPECT_EQ(second.text, "x_b");
    EXPECT_EQ(str_format.column, 0);
}

TEST_F(StrStream, ReadIndexNeverLeavesAChangedText) {
    STR_DATA stream("abcdef");
    const char* error = nullptr;
    stream.begin_read(&error);
    char ch = 0;
    EXPECT_FALSE(stream.read_char(&ch, false));
    EXPECT_FALSE(stream.read_char(&ch, false));
    EXPECT_EQ(ch, 'b');
    // An edit that forgets reset_read(): the read ends, it does not run on
    // past the shorter text.
    stream.text = "x";
    ch = '?';
    EXPECT_TRUE(stream.read_char(&ch, false));
    EXPECT_EQ(ch, '?');
    stream.text.clear();
    stream.text.shrink_to_fit();
    EXPECT_TRUE(stream.read_char(&ch, false));

    // Without begin_read there is nothing to read.
    STR_DATA fresh("q");
    EXPECT_TRUE(fresh.read_char(&ch, false));
}

// Cursors live beside the texts: a copy reads on from where its original
// stands, each on its own, and a text made where a read one was freed (the
// payloads are recycled) starts fresh.
TEST_F(StrStream, CursorsFollowCopiesAndEndWithTheirText) {
    const char* error = nullptr;
    char ch = 0;
    auto original = std::make_unique<STR_DATA>("abc");
    original->begin_read(&error);
    EXPECT_FALSE(original->read_char(&ch, false));
    STR_DATA copy(*original);
    EXPECT_FALSE(copy.read_char(&ch, false));
    EXPECT_EQ(ch, 'b');
    EXPECT_FALSE(copy.read_char(&ch, false));
    EXPECT_EQ(ch, 'c');
    EXPECT_TRUE(copy.read_used_up());
    EXPECT_FALSE(original->read_used_up());
    EXPECT_FALSE(original->read_char(&ch, false));
    EXPECT_EQ(ch, 'b');

    STR_DATA assigned("xyz");
    assigned.begin_read(&error);
    assigned = *original;  // takes the original's place in its read
    EXPECT_FALSE(assigned.read_char(&ch, false));
    EXPECT_EQ(ch, 'c');

    STR_DATA* old_address = original.get();
    original.reset();
    auto next = std::make_unique<STR_DATA>("pq");
    if (next.get() == old_address) {
        EXPECT_FALSE(next->reading());
    }
    EXPECT_TRUE(next->read_char(&ch, false));  // no read under way
    next->begin_read(&error);
    EXPECT_FALSE(next->read_char(&ch, false));
    EXPECT_EQ(ch, 'p');
}

}  // namespace
}  // namespace morvu
