#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "runtime/stream.h"
#include "test_support.h"

namespace morvu {
namespace {

// A stream over a fixed input that records its writes, with switches for the
// properties the scanners and the padding rule look at.
class SCRIPTED_STREAM : public STREAM_DATA {
public:
    std::string input;
    size_t position = 0;
    bool binary = false;
    bool interactive = false;
    const char* open_error = nullptr;  // reported by begin_read
    int fail_write_at = -1;            // index of the write that fails
    std::vector<std::string> writes;

    IO_FORMAT* record;

    explicit SCRIPTED_STREAM(IO_FORMAT* record, std::string input = {}) : input(std::move(input)), record(record) {}

    IO_FORMAT& format() const override { return *record; }

    void begin_read(const char** error) override { *error = open_error; }
    bool read_char(char* out, bool stop) override {
        if (position >= input.size()) return true;
        *out = input[position++];
        return stop;
    }
    bool is_binary() override { return binary; }
    bool is_interactive() override { return interactive; }
    void write(const char* text, bool formatted, const char** error) override {
        *error = nullptr;
        if (formatted && !format().widths.empty()) {
            write_in_column(*this, format(), text, error);
            return;
        }
        if (static_cast<int>(writes.size()) == fail_write_at) {
            *error = "disk full";
            return;
        }
        writes.emplace_back(text);
    }
    std::string written() const {
        std::string all;
        for (const std::string& text : writes) all += text;
        return all;
    }
};

std::vector<std::string> all_items(STREAM_DATA& stream) {
    std::vector<std::string> items;
    const char* error = nullptr;
    for (std::string item; read_input_item(&stream, item, false, &error); item.clear()) items.push_back(item);
    EXPECT_EQ(error, nullptr);
    return items;
}

std::vector<std::string> all_lines(STREAM_DATA& stream) {
    std::vector<std::string> lines;
    const char* error = nullptr;
    for (std::string line; read_input_line(&stream, line, &error); line.clear()) lines.push_back(line);
    return lines;
}

using ITEMS = std::vector<std::string>;

using test::bytes;

TEST(IoFormat, ColumnFormatParsing) {
    IO_FORMAT record;
    EXPECT_EQ(record.set_out_fmt("+12-8+0", '.'), nullptr);
    EXPECT_EQ(record.widths, (std::vector<int64_t>{12, -8, 0}));
    EXPECT_EQ(record.fill, '.');
    EXPECT_EQ(out_fmt_text(record), "+12-80");  // a zero width has no sign

    EXPECT_EQ(record.set_out_fmt("+07-3", ' '), nullptr);
    EXPECT_EQ(out_fmt_text(record), "+7-3");

    // The empty format switches formatting off and is no error.
    EXPECT_EQ(record.set_out_fmt("", '*'), nullptr);
    EXPECT_TRUE(record.widths.empty());
    EXPECT_EQ(record.fill, ' ');
    EXPECT_EQ(out_fmt_text(record), "");

    int64_t widths[] = {5, -3, 0};
    record.copy_out_fmt(widths, 3);
    EXPECT_EQ(out_fmt_text(record), "+5-30");
}

TEST(IoFormat, ColumnFormatErrorsLeaveFormattingOff) {
    IO_FORMAT record;
    auto rejects = [&](const char* format, const std::string& expected) {
        ASSERT_EQ(record.set_out_fmt("+4", '#'), nullptr);
        record.column = 0;
        const char* message = record.set_out_fmt(format, '*');
        ASSERT_NE(message, nullptr) << format;
        EXPECT_EQ(std::string(message), expected) << format;
        EXPECT_TRUE(record.widths.empty()) << format;
        EXPECT_EQ(record.fill, ' ') << format;
        EXPECT_EQ(record.column, 0) << format;
    };
    rejects("5+3", "Format string must begin with character '+' or '-'");
    rejects("abc", "Format string contains neither '+'- nor '-'-character");
    rejects("+5+x", "String '+x' in format string is no integer value");
    rejects("+-3", "String '+' in format string is no integer value");
    rejects("-3+", "String '+' in format string is no integer value");
    rejects("+5 ", "String '+5 ' in format string is no integer value");
}

TEST(IoFormat, HugeWidthsSaturate) {
    IO_FORMAT record;
    // A width counts bytes: past the int range it keeps its value.
    ASSERT_EQ(record.set_out_fmt("+2147483648-3000000000+9223372036854775807", ' '), nullptr);
    EXPECT_EQ(record.widths, (std::vector<int64_t>{2147483648, -3000000000, INT64_MAX}));
    EXPECT_EQ(out_fmt_text(record), "+2147483648-3000000000+9223372036854775807");
    // Beyond 64 bits it is saturated symmetrically, so that negating a width
    // cannot overflow.
    ASSERT_EQ(record.set_out_fmt("+99999999999999999999-99999999999999999999-9223372036854775808", ' '), nullptr);
    EXPECT_EQ(record.widths, (std::vector<int64_t>{INT64_MAX, -INT64_MAX, -INT64_MAX}));
}

TEST(IoFormat, Separators) {
    IO_FORMAT record;
    const char* texts[] = {",", ";;", "abc"};
    EXPECT_EQ(record.set_in_spc(texts, 3), nullptr);
    EXPECT_EQ(record.n_in_spc(), 3);
    EXPECT_EQ(record.longest, 3);

    // An empty separator is refused, and the earlier ones are gone as well.
    const char* with_empty[] = {"x", ""};
    const char* message = record.set_in_spc(with_empty, 2);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, "Empty string infeasible as separator");
    EXPECT_EQ(record.n_in_spc(), 0);
    EXPECT_EQ(record.longest, 0);

    EXPECT_EQ(record.set_in_spc(texts, 2), nullptr);
    EXPECT_EQ(record.set_in_spc(nullptr, 5), nullptr);
    EXPECT_EQ(record.n_in_spc(), 0);

    record.set_out_spc("");
    ASSERT_TRUE(record.out_spc.has_value());
    EXPECT_EQ(*record.out_spc, "");
    record.set_out_spc(nullptr);
    EXPECT_FALSE(record.out_spc.has_value());
}

TEST(ColumnPadding, PadsBeforeAndAfterAndCycles) {
    IO_FORMAT record;
    SCRIPTED_STREAM stream(&record);
    ASSERT_EQ(record.set_out_fmt("+5-3", ' '), nullptr);
    const char* error = nullptr;
    stream.write("ab", true, &error);
    stream.write("ab", true, &error);
    EXPECT_EQ(stream.written(), "   abab ");
    // The fill characters before or after a text are one unformatted write.
    EXPECT_EQ(stream.writes, (std::vector<std::string>{"   ", "ab", "ab", " "}));
    EXPECT_EQ(record.column, 0);
    stream.writes.clear();
    stream.write("x", true, &error);
    EXPECT_EQ(stream.written(), "    x");
    EXPECT_EQ(record.column, 1);
}

TEST(ColumnPadding, FillLongTextsAndUnformattedWrites) {
    IO_FORMAT record;
    SCRIPTED_STREAM stream(&record);
    ASSERT_EQ(record.set_out_fmt("-4+3+0", '*'), nullptr);
    const char* error = nullptr;
    stream.write("a", true, &error);       // ***
    stream.write("abcdef", true, &error);  // longer than its width: whole, no fill
    stream.write("plain", false, &error);  // unformatted: no fill, column stays
    stream.write("", true, &error);        // width 0: nothing to pad
    EXPECT_EQ(stream.written(), "a***abcdefplain");
    EXPECT_EQ(record.column, 0);
    // Without widths a formatted write is a plain one.
    record.clear_out_fmt();
    stream.writes.clear();
    stream.write("q", true, &error);
    EXPECT_EQ(stream.written(), "q");
    EXPECT_EQ(record.column, 0);
}

TEST(ColumnPadding, HugeWidthsPadInBlocksAndANulFillWritesNothing) {
    IO_FORMAT record;
    SCRIPTED_STREAM stream(&record);
    ASSERT_EQ(record.set_out_fmt("+200000", '.'), nullptr);
    const char* error = nullptr;
    stream.write("ab", true, &error);
    ASSERT_EQ(stream.writes.size(), 5u);  // three full blocks, the rest, the text
    EXPECT_EQ(stream.writes[0], std::string(65536, '.'));
    EXPECT_EQ(stream.writes[2], std::string(65536, '.'));
    EXPECT_EQ(stream.writes[3], std::string(200000 - 2 - 3 * 65536, '.'));
    EXPECT_EQ(stream.writes[4], "ab");
    EXPECT_EQ(stream.written().size(), 200000u);

    ASSERT_EQ(record.set_out_fmt("-5", '\0'), nullptr);
    stream.writes.clear();
    stream.write("ab", true, &error);
    EXPECT_EQ(stream.writes, (std::vector<std::string>{"ab"}));
    EXPECT_EQ(record.column, 0);
}

TEST(ColumnPadding, FailingFillWriteStopsWithoutAdvancing) {
    IO_FORMAT record;
    SCRIPTED_STREAM stream(&record);
    ASSERT_EQ(record.set_out_fmt("+4-5", ' '), nullptr);
    stream.fail_write_at = 0;  // the fill before the text
    const char* error = nullptr;
    stream.write("ab", true, &error);
    EXPECT_STREQ(error, "disk full");
    EXPECT_EQ(stream.written(), "");
    EXPECT_EQ(record.column, 0);
    // The fill after the text fails: the text is out, the column stays.
    stream.fail_write_at = -1;
    stream.write("ab", true, &error);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(record.column, 1);
    stream.fail_write_at = 3;
    stream.write("abc", true, &error);
    EXPECT_STREQ(error, "disk full");
    EXPECT_EQ(stream.written(), "  ababc");
    EXPECT_EQ(record.column, 1);
}

TEST(ReadInputItem, SeparatorsFromTheEdgeCases) {
    IO_FORMAT record;
    const char* blank[] = {" "};
    ASSERT_EQ(record.set_in_spc(blank, 1), nullptr);
    SCRIPTED_STREAM leading(&record, "  ab  cd");
    EXPECT_EQ(all_items(leading), (ITEMS{"ab", "cd"}));

    const char* ab[] = {"ab"};
    ASSERT_EQ(record.set_in_spc(ab, 1), nullptr);
    SCRIPTED_STREAM xab(&record, "xab");
    EXPECT_EQ(all_items(xab), (ITEMS{"x"}));
    SCRIPTED_STREAM abab(&record, "abab");
    EXPECT_EQ(all_items(abab), ITEMS{});
    SCRIPTED_STREAM partial(&record, "aab");  // the separator ends inside the window
    EXPECT_EQ(all_items(partial), (ITEMS{"a"}));

    const char* two[] = {",", ";;"};
    ASSERT_EQ(record.set_in_spc(two, 2), nullptr);
    SCRIPTED_STREAM doubled(&record, "1;;2");
    EXPECT_EQ(all_items(doubled), (ITEMS{"1", "2"}));
    SCRIPTED_STREAM single(&record, "1;2");
    EXPECT_EQ(all_items(single), (ITEMS{"1;2"}));
    SCRIPTED_STREAM mixed(&record, ",,a;;;b,");
    EXPECT_EQ(all_items(mixed), (ITEMS{"a", ";b"}));
}

TEST(ReadInputItem, WithoutSeparatorsAndWordSeparators) {
    IO_FORMAT record;
    SCRIPTED_STREAM whole(&record, bytes(" a b\n\0c"));
    // The whole rest is one item; a NUL is stored as 0xFF.
    EXPECT_EQ(all_items(whole), (ITEMS{" a b\n\xFF"
                                       "c"}));

    ASSERT_EQ(record.set_in_spc(word_separators, word_separator_count), nullptr);
    SCRIPTED_STREAM words(&record, bytes("\t one\ftwo\v\nthree\0four "));
    EXPECT_EQ(all_items(words), (ITEMS{"one", "two", "three", "four"}));
}

TEST(ReadInputItem, BackspaceOnlyOnInteractiveStreams) {
    IO_FORMAT record;
    const char* comma_pair[] = {",,"};
    ASSERT_EQ(record.set_in_spc(comma_pair, 1), nullptr);

    // With a two-character separator, a and b have left the window for the
    // item when the first backspace comes: it erases c from the window, the
    // second one erases b from the item.
    SCRIPTED_STREAM typed(&record, "abc\b\bd,,e");
    typed.interactive = true;
    EXPECT_EQ(all_items(typed), (ITEMS{"ad", "e"}));

    SCRIPTED_STREAM stored(&record, "ab\bc,,");
    EXPECT_EQ(all_items(stored), (ITEMS{"ab\bc"}));

    record.clear_in_spc();
    SCRIPTED_STREAM whole(&record, "\bab\b\b\bc");
    whole.interactive = true;
    EXPECT_EQ(all_items(whole), (ITEMS{"c"}));
    SCRIPTED_STREAM erased(&record, "a\b");
    erased.interactive = true;
    EXPECT_EQ(all_items(erased), ITEMS{});
}

TEST(ReadInputItem, SingleModeAndFailedBeginRead) {
    IO_FORMAT record;
    const char* blank[] = {" "};
    ASSERT_EQ(record.set_in_spc(blank, 1), nullptr);
    SCRIPTED_STREAM stream(&record, bytes(" \b\0"));
    stream.interactive = true;
    const char* error = nullptr;
    std::string item;
    // One character each, whatever it is: no separator, backspace or NUL rule
    // but the stored form of NUL.
    EXPECT_TRUE(read_input_item(&stream, item, true, &error));
    EXPECT_TRUE(read_input_item(&stream, item, true, &error));
    EXPECT_TRUE(read_input_item(&stream, item, true, &error));
    EXPECT_EQ(item, " \b\xFF");
    // At the end of input nothing is appended and the read reports the end.
    EXPECT_FALSE(read_input_item(&stream, item, true, &error));
    EXPECT_EQ(item, " \b\xFF");

    SCRIPTED_STREAM closed(&record, "abc");
    closed.open_error = "cannot open";
    std::string nothing;
    EXPECT_FALSE(read_input_item(&closed, nothing, false, &error));
    EXPECT_STREQ(error, "cannot open");
    EXPECT_FALSE(read_input_line(&closed, nothing, &error));
    EXPECT_STREQ(error, "cannot open");
    EXPECT_EQ(nothing, "");
    EXPECT_EQ(closed.position, 0u);
}

TEST(ReadInputLine, LineEndsAndBinaryStreams) {
    IO_FORMAT record;
    SCRIPTED_STREAM text(&record, "a\r\nb\rc\n\nd");
    EXPECT_EQ(all_lines(text), (ITEMS{"a", "", "b", "c", "", "d"}));

    SCRIPTED_STREAM binary(&record, "a\r\nb\r");
    binary.binary = true;
    EXPECT_EQ(all_lines(binary), (ITEMS{"a\r", "b\r"}));

    SCRIPTED_STREAM empty(&record, "");
    EXPECT_EQ(all_lines(empty), ITEMS{});

    SCRIPTED_STREAM typed(&record, bytes("\bab\b\0c\n"));
    typed.interactive = true;
    EXPECT_EQ(all_lines(typed), (ITEMS{"a\xFF"
                                       "c"}));

    // The separators play no part in a line.
    const char* blank[] = {" "};
    ASSERT_EQ(record.set_in_spc(blank, 1), nullptr);
    SCRIPTED_STREAM spaced(&record, " x y \n");
    EXPECT_EQ(all_lines(spaced), (ITEMS{" x y "}));
}

TEST(ReadLine, WholeStreamIntoLines) {
    IO_FORMAT record;
    auto lines_of = [&](const char* input, bool binary) {
        SCRIPTED_STREAM stream(&record, input);
        stream.binary = binary;
        NAME_LIST lines;
        EXPECT_TRUE(read_line(&stream, lines));
        return std::vector<std::string>(lines.begin(), lines.end());
    };
    EXPECT_EQ(lines_of("a\n\nb\n", false), (ITEMS{"a", "", "b"}));
    EXPECT_EQ(lines_of("a\rb", false), (ITEMS{"a", "b"}));
    EXPECT_EQ(lines_of("a\r\nb", true), (ITEMS{"a\r", "b"}));
    EXPECT_EQ(lines_of("", false), ITEMS{});
    EXPECT_EQ(lines_of("\n", false), (ITEMS{""}));
}

}  // namespace
}  // namespace morvu
