// The operator table, the order of token classes and the marked text.

#include <gtest/gtest.h>

#include <string>

#include "frontend/operators.h"
#include "runtime/text_utils.h"
#include "tree_printer.h"
#include "values/operator_tokens.h"

namespace morvu {
namespace {

using test::source_of;

// The marked text with the markers shown as '#' for numbers and '`' for
// operators.
std::string marked(const std::string& source) {
    LINED_TEXT text = mark_text("prog.mrv", lay_out_text(join_lines("prog.mrv", source_of(source), true)));
    std::string shown;
    for (char c : text.text) {
        shown += c == number_marker ? '#' : c == operator_marker ? '`' : c;
    }
    return shown;
}

TEST(ParserOperators, PriorityTable) {
    EXPECT_EQ(operator_priority(';', 0), 1);
    EXPECT_EQ(operator_priority(' ', 0), 2);
    EXPECT_EQ(operator_priority('=', 0), 3);
    EXPECT_EQ(operator_priority(',', 0), 4);
    EXPECT_EQ(operator_priority('|', 0), 9);
    EXPECT_EQ(operator_priority('&', 0), 10);
    EXPECT_EQ(operator_priority('-', 0), 12);
    EXPECT_EQ(operator_priority('%', 0), 13);
    EXPECT_EQ(operator_priority('^', 0), 14);
    EXPECT_EQ(operator_priority('!', 0), 15);
    EXPECT_EQ(operator_priority('.', 0), 16);
    EXPECT_EQ(operator_priority(':', 0), 18);
    EXPECT_EQ(operator_priority(')', '{'), 0);
    EXPECT_EQ(operator_priority(':', '$'), 2);
    EXPECT_EQ(operator_priority('^', '='), 3);
    EXPECT_EQ(operator_priority('-', '>'), 5);
    EXPECT_EQ(operator_priority('|', '|'), 6);
    EXPECT_EQ(operator_priority('&', '&'), 7);
    EXPECT_EQ(operator_priority('!', '?'), 8);
    EXPECT_EQ(operator_priority(':', '.'), 11);
    EXPECT_EQ(operator_priority(':', ':'), 19);
    // Pairs that are no operators, characters that are none, unary forms.
    for (const char* pair : {";;", ",,", "++", "--", "=<", "=>", "#(", ":-"}) {
        EXPECT_EQ(operator_priority(pair[0], pair[1]), -1) << pair;
    }
    for (char c : {'#', '(', 'a', '\t', static_cast<char>(0xB0)}) EXPECT_EQ(operator_priority(c, 0), -1) << c;
    for (int c = 0; c < 256; ++c) {
        for (int d = 0; d < 256; d += 7) {
            EXPECT_NE(operator_priority(static_cast<char>(c), static_cast<char>(d)), 17);
        }
    }
}

TEST(ParserOperators, ValueOperatorTokens) {
    for (char c : std::string("!$%*+-/<=>?@^~")) EXPECT_TRUE(is_operator_token(c, 0)) << c;
    for (const char* pair : {"**", "..", ".:", ":.", "||", "&&", "==", "!=", "@@", "!@",
                             "??", "!?", "<=", ">=", "+=", "-=", "*=", "/=", "%=", "^="}) {
        EXPECT_TRUE(is_operator_token(pair[0], pair[1])) << pair;
    }
    for (char c : std::string(",;:.&|#")) EXPECT_FALSE(is_operator_token(c, 0)) << c;
    for (const char* pair : {"=<", "=>", "->", "::", "++", "--", ":$"}) {
        EXPECT_FALSE(is_operator_token(pair[0], pair[1])) << pair;
    }
    EXPECT_FALSE(is_operator_token(0, 0));
}

TEST(ParserOperators, NumberPrefix) {
    EXPECT_EQ(number_prefix_end("5.e3"), 3);
    EXPECT_EQ(number_prefix_end("5.E+3x"), 4);
    EXPECT_EQ(number_prefix_end("5.e"), 0);
    EXPECT_EQ(number_prefix_end(".e3"), -1);
    EXPECT_EQ(number_prefix_end(""), -1);
    EXPECT_EQ(number_prefix_end("-"), -1);
    EXPECT_EQ(number_prefix_end("12.5e-2"), 6);
}

TEST(ParserOperators, TokenOrder) {
    EXPECT_EQ(token_sequence_error(0, 'o'), "");
    EXPECT_EQ(token_sequence_error('k', 'K'), "");
    EXPECT_EQ(token_sequence_error('n', 's'), "");
    EXPECT_EQ(token_sequence_error('-', '-'), "");
    EXPECT_EQ(token_sequence_error('n', 'z'), "Number after Name");
    EXPECT_EQ(token_sequence_error('o', 'o'), "Operator after Operator");
    EXPECT_EQ(token_sequence_error('z', 'k'), "Bracket after Number");
    EXPECT_EQ(token_sequence_error('c', 'n'), "Name after Character");
    EXPECT_EQ(token_sequence_error('K', 's'), "String after Bracket");
    EXPECT_EQ(token_sequence_error('!', '+'), "'+'-Operator after '!'-Operator");
    EXPECT_EQ(token_sequence_error('+', '!'), "'!'-Operator after '+'-Operator");
    EXPECT_EQ(token_sequence_error('-', 'o'), "Operator after '-'-Operator");
}

TEST(ParserMarking, NumbersAndSigns) {
    EXPECT_EQ(marked("x = -5"), "x`=`#-5#");
    EXPECT_EQ(marked("x-5"), "x`-`#5#");
    EXPECT_EQ(marked("x - 5"), "x`-`#5#");
    EXPECT_EQ(marked("x = - y"), "x`=`(`#`)`--`y");
    EXPECT_EQ(marked("x = +y"), "x`=`(`#`)`++`y");
    EXPECT_EQ(marked("x = !y"), "x`=`(`#`)`!`y");
    EXPECT_EQ(marked("x = --5"), "x`=`(`#`)`--`#-5#");
    EXPECT_EQ(marked("f(-.5e2)"), "f(#-.5e2#)");
    EXPECT_EQ(marked("\"a\"-1"), "\"a\"`-`#1#");
}

TEST(ParserMarking, BlanksBracketsAndEmptyOperands) {
    EXPECT_EQ(marked("print x"), "print` `x");
    EXPECT_EQ(marked("f()"), "f((`#`))");
    EXPECT_EQ(marked("f{}"), "f{(`#`)}");
    EXPECT_EQ(marked("a[]"), "a`.`\"[]\"((`#`))");
    EXPECT_EQ(marked("a[i][j]"), "a`.`\"[]\"(i)`.`\"[]\"(j)");
    EXPECT_EQ(marked("x:(1)"), "x`:`\"\"(#1#)");
    EXPECT_EQ(marked("x = a::(b)"), "x`=`a`::`(b)");
    EXPECT_EQ(marked("x = 1 .: (n)"), "x`=`#1#`.:`(n)");
    EXPECT_EQ(marked("(+)"), "((`+`))");
    EXPECT_EQ(marked("(==)"), "((`==`))");
    EXPECT_EQ(marked("f(:$x)"), "f(any`:$`x)");
    EXPECT_EQ(marked("f(a;:$x)"), "f(a`;`any`:$`x)");
    EXPECT_EQ(marked("f(args:$ x)"), "f(args`:$`x)");
    // Constants are copied with their escapes and any marker-like bytes.
    EXPECT_EQ(marked("x = \"a+b\\\"(\""), "x`=`\"a+b\\\"(\"");
}

}  // namespace
}  // namespace morvu
