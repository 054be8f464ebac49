// Joining and layout: comments, blanks, constants, line ends and the blocks
// after ')'.

#include <gtest/gtest.h>

#include <string>

#include "frontend/lexer.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::parsed;
using test::source_of;

std::string joined(const std::string& source, bool top_level = true) {
    return join_lines("prog.mrv", source_of(source), top_level).text;
}

std::string laid_out(const std::string& source, bool top_level = true) {
    return lay_out_text(join_lines("prog.mrv", source_of(source), top_level)).text;
}

TEST(ParserJoining, BlanksSurviveOnlyBetweenNames) {
    EXPECT_EQ(joined("print x"), "print x\n");
    EXPECT_EQ(joined("a = b"), "a=b\n");
    EXPECT_EQ(joined("\tx\t+ 1 "), "x+1\n");
    EXPECT_EQ(joined("outl \"a\""), "outl \"a\"\n");
    EXPECT_EQ(joined("x = \"a b\" + ' '"), "x=\"a b\"+' '\n");
}

TEST(ParserJoining, CommentsOfEveryForm) {
    EXPECT_EQ(joined("a = 1 # note"), "a=1\n");
    EXPECT_EQ(joined("a = 1 ## note"), "a=1\n");
    EXPECT_EQ(joined("a = 1\t#\tnote"), "a=1\n");
    EXPECT_EQ(joined("a = 1 #"), "a=1\n");
    EXPECT_EQ(joined("a #word b"), "a b\n");
    EXPECT_EQ(joined("a#b"), "a\n");
    EXPECT_EQ(joined("a #w#x b"), "a b\n");
    // Bracketed comments nest and may span lines; their lines add nothing.
    EXPECT_EQ(joined("x #( one #( two )# still )# = 1"), "x=1\n");
    EXPECT_EQ(joined("x = 1 #( start\n middle\n end )# y = 2"), "x=1y=2\n");
    // A '#' inside a constant is text.
    EXPECT_EQ(joined("x = \"#(a)#\""), "x=\"#(a)#\"\n");
}

TEST(ParserJoining, ShebangLineOnlyInTheProgramFile) {
    EXPECT_EQ(joined("#! /usr/bin/env morvu\nx = 1"), "\nx=1\n");
    // Elsewhere it is a word comment: the rest after its first blank stays.
    EXPECT_EQ(joined("#!/usr/bin/env x = 1", false), "x=1\n");
    EXPECT_EQ(joined("y = 2\n#! z", true), "y=2\nz\n");
}

TEST(ParserJoining, ConstantsAndContinuedLines) {
    EXPECT_EQ(joined("x = \"ab\ncd\""), "x=\"ab\ncd\"\n");
    EXPECT_EQ(joined("x = 'a\\''"), "x='a\\''\n");
    EXPECT_EQ(joined("x = \"a\\\\\" + b"), "x=\"a\\\\\"+b\n");
    EXPECT_EQ(joined("x = 1 + \\\n  2"), "x=1+2\n");
    EXPECT_EQ(joined("x = 1 \\# comment\n + 2"), "x=1+2\n");
    // The previous kept character is forgotten at a line start, so names on
    // both sides of a continuation join.
    EXPECT_EQ(joined("print ab\\\ncd"), "print abcd\n");
    // A string keeps the end of an empty line inside it.
    EXPECT_EQ(joined("x = \"a\n\nb\""), "x=\"a\n\nb\"\n");
}

TEST(ParserJoining, LineEndsOfOtherSystems) {
    NAME_LIST crlf{"x = 1\r", "y = 2\r"};
    EXPECT_EQ(join_lines("f", crlf, true).text, "x=1\ny=2\n");
    NAME_LIST embedded{"x = 1\r\ny = 2\rz = 3\n"};
    LINED_TEXT text = join_lines("f", embedded, true);
    EXPECT_EQ(text.text, "x=1\ny=2\nz=3\n");
    EXPECT_EQ(text.lines.front(), 1);
    EXPECT_EQ(text.lines.back(), 3);
    NAME_LIST blank_lines{"x = 1\r\n\r\ny = 2"};
    EXPECT_EQ(join_lines("f", blank_lines, true).lines.back(), 3);
}

TEST(ParserJoining, EveryByteKeepsItsLine) {
    LINED_TEXT text = join_lines("f", source_of("a\n\n  b = \"x\ny\""), true);
    ASSERT_EQ(text.text, "a\n\nb=\"x\ny\"\n");
    EXPECT_EQ(text.lines, (std::vector<int>{1, 1, 2, 3, 3, 3, 3, 4, 4, 4, 4}));
}

TEST(ParserLayout, LineEndsBecomeSeparatorsOrVanish) {
    EXPECT_EQ(laid_out("x = 1\ny = 2"), "x=1;y=2");
    EXPECT_EQ(laid_out("x = 1 +\n 2"), "x=1+2");
    EXPECT_EQ(laid_out("\n\nx = 1\n\n\ny = 2\n\n"), "x=1;y=2");
    EXPECT_EQ(laid_out("x = f(a,\n b)"), "x=f(a,b)");
    EXPECT_EQ(laid_out("x = 1;\ny = 2"), "x=1;y=2");
    EXPECT_EQ(laid_out("a = \"s\"\n'c'.outl()"), "a=\"s\";'c'.outl()");
}

TEST(ParserLayout, BlocksAfterClosingBracket) {
    EXPECT_EQ(laid_out("if (a > b) x = 1"), "if(a>b){x=1}");
    EXPECT_EQ(laid_out("if (x) {y = 1}"), "if(x){y=1}");
    EXPECT_EQ(laid_out("if (x) {y = 1} else {y = 2}"), "if(x){y=1};else{y=2}");
    EXPECT_EQ(laid_out("if (a) if (b) x = 1\ny = 2"), "if(a){if(b){x=1}};y=2");
    EXPECT_EQ(laid_out("f(if (c) g(x))"), "f(if(c){g(x)})");
    // Too short to hold a statement: nothing is wrapped.
    EXPECT_EQ(laid_out("f(x)y\\"), "f(x)y");
}

TEST(ParserLayout, BlockAfterBracketThatStartsWithAString) {
    // The look-ahead starts right after ')', so the quote that opens the
    // statement is read as an opening quote.
    EXPECT_EQ(laid_out("if (ok) \"yes\".outl()\nz = 1"), "if(ok){\"yes\".outl()};z=1");
    EXPECT_EQ(laid_out("if (ok) 'y'.outl()\nz = 1"), "if(ok){'y'.outl()};z=1");
    EXPECT_EQ(parsed("if (ok) \"yes\".outl()\nz = 1"), "(; if((){ [ok] {(. \"yes\" outl([#]))})) (= z 1))");
}

TEST(ParserLayout, BlockAfterBracketClosesOnItsOwnDepth) {
    // A line end inside brackets of the statement does not end the block.
    EXPECT_EQ(laid_out("if (x) f(a,\n b)\nz = 1"), "if(x){f(a,b)};z=1");
    EXPECT_EQ(laid_out("if (x) while (y) {\n a = 1\n}\nz = 1"), "if(x){while(y){a=1}};z=1");
}

TEST(ParserLayout, EmptyOrCommentOnlyTextsGiveNoTree) {
    EXPECT_EQ(parsed(""), "<none>");
    EXPECT_EQ(parsed("\n \n\t\n"), "<none>");
    EXPECT_EQ(parsed("# one\n#( two\n three )#\n  ## four"), "<none>");
    EXPECT_EQ(parse_program("f", NAME_LIST(), true), nullptr);
}

}  // namespace
}  // namespace morvu
