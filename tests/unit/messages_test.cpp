#include <gtest/gtest.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <set>
#include <string>

#include "runtime/messages.h"

namespace morvu {
namespace {

TEST(MessageCatalogue, EveryIdentifierResolvesToItsOwnRow) {
    std::set<std::string> seen;
    for (const MESSAGE_ROW& row : message_catalogue) {
        EXPECT_TRUE(seen.insert(row.identifier).second) << "duplicate " << row.identifier;
        EXPECT_EQ(msg_text(row.identifier), row.text) << row.identifier;
        EXPECT_GT(std::strlen(row.text), 0u) << row.identifier;
    }
    EXPECT_EQ(seen.size(), 367u);
}

TEST(MessageCatalogue, TellingRows) {
    EXPECT_STREQ(msg_text("staueb"), "Stack overflow");
    EXPECT_STREQ(msg_text("fun"), "Function");
    EXPECT_STREQ(msg_text("verrefnicerl"), "Movement of a reference not allowed");
    EXPECT_STREQ(msg_text("veralinicerl"), "Movement of an alias not allowed");
    EXPECT_STREQ(msg_text("indatzei"), "%s in file '%s', line '%d':\n  %s\n");
    EXPECT_STREQ(msg_text("!ope"), "'!'-Operator");
    EXPECT_STREQ(msg_text("coddatfuemrvnicdef"), "Program file for Morvu not defined\n\n");
    EXPECT_STREQ(message_catalogue[0].identifier, "anzargger");
    EXPECT_STREQ(message_catalogue[364].identifier, "zeinurzeienderl");
    EXPECT_STREQ(message_catalogue[365].identifier, "datkannicbeswer");
    EXPECT_STREQ(message_catalogue[366].identifier, "spenicaus");
}

TEST(MessageCatalogue, UnknownIdentifiersGiveEmptyText) {
    EXPECT_STREQ(msg_text(""), "");
    EXPECT_STREQ(msg_text("Staueb"), "");
    EXPECT_STREQ(msg_text("no such message"), "");
    EXPECT_STREQ(msg_text(nullptr), "");
}

TEST(MessageCatalogue, ConcatenationJoinsAndIsOverwritten) {
    std::string first = msg_text_concat2("operkledattyp", "erwbooerg");
    EXPECT_EQ(first, "Operator '<' for type '%s': Expect boolean result");
    const char* second = msg_text_concat2("operkledattyp", "erwgen1erg");
    EXPECT_STREQ(second, "Operator '<' for type '%s': Expect exactly one result");
    EXPECT_STREQ(msg_text_concat2("nothing", "erwgen1erg"), "Expect exactly one result");
    EXPECT_STREQ(msg_text_concat2("fun", "nothing"), "Function");
    clear_msg_text();
}

TEST(FormatString, FillsCataloguePlaceholders) {
    EXPECT_EQ(format_string(msg_text("indatzei"), "Syntax error", "prog.mrv", 3, "bad"),
              "Syntax error in file 'prog.mrv', line '3':\n  bad\n");
    EXPECT_EQ(format_string("%c|%03ld|%.3f|sys:%s", 'x', 7L, 1.5, "out"), "x|007|1.500|sys:out");
}

TEST(FormatString, LongAndNullArguments) {
    std::string big(10000, 'q');
    EXPECT_EQ(format_string("<%s>", big.c_str()), "<" + big + ">");
    const char* volatile null_text = nullptr;  // a null that arrives at run time
    EXPECT_EQ(format_string("%s", null_text), "(null)");
    EXPECT_EQ(format_string("%s", ""), "");
}

// What format_string falls back on for a result beyond INT_MAX bytes, which
// no test can afford to build: it must give what the library gives for
// every conversion the messages and our literals use.
std::string piecewise(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string result = format_string_piecewise(format, args);
    va_end(args);
    return result;
}

TEST(FormatString, PiecewiseAgreesWithTheLibrary) {
    EXPECT_EQ(piecewise(msg_text("indatzei"), "Syntax error", "prog.mrv", 3, "bad"),
              format_string(msg_text("indatzei"), "Syntax error", "prog.mrv", 3, "bad"));
    EXPECT_EQ(piecewise("%c|%5s|%-5s|%.2s|100%%|%ld|%lld|%zu|%u|%x|%03d", 'x', "ab", "ab", "abc", -7L, -8LL, size_t{9},
                        10u, 255u, 7),
              "x|   ab|ab   |ab|100%|-7|-8|9|10|ff|007");
    const char* volatile null_text = nullptr;
    EXPECT_EQ(piecewise("<%s>", null_text), "<(null)>");
    EXPECT_EQ(piecewise(""), "");
}

TEST(FormatString, NumbersOfAnySizeFillIntPlaceholders) {
    EXPECT_EQ(format_numbers(msg_text("unzindstrlae"), "5000000000", "3"),
              "Infeasible index '5000000000' in string of length '3'");
    EXPECT_EQ(format_numbers(msg_text("unzarg"), "-99999999999999999999"),
              "Infeasible argument '-99999999999999999999'");
    EXPECT_EQ(format_numbers("%d%% of %d", "7", "8"), "7% of 8");
}

}  // namespace
}  // namespace morvu
