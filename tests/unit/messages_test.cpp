#include <gtest/gtest.h>

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

}  // namespace
}  // namespace morvu
