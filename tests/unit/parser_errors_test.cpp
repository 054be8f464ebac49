// Every syntax error of the parser with its exact message, file and line,
// grouped by the stage that finds it.

#include <gtest/gtest.h>

#include <string>

#include "frontend/operators.h"
#include "frontend/tree_builder.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::parse_error;

void expect_error(const std::string& source, int line, const std::string& message) {
    ERROR error = parse_error(source);
    EXPECT_EQ(error.message, message) << source;
    EXPECT_EQ(error.line, line) << source;
    EXPECT_EQ(error.file, "prog.mrv") << source;
    EXPECT_EQ(error.kind, 'p') << source;
}

// A marked or laid-out text as the stages see it, all on one line.
LINED_TEXT lined(const std::string& text, int line) {
    LINED_TEXT result;
    for (char c : text) result.push(c, line);
    return result;
}

TEST(ParserErrorsJoining, Comments) {
    expect_error("x = 1\nf(x)#", 2, "Redundant ')#' (end of comment)");
    expect_error("x = 1\n#( never\nclosed", 2, "Comment without closing ')#'");
    expect_error("#( a\n #( b )#\n", 1, "Comment without closing ')#'");
    expect_error("#( a\n #( b\n )#", 1, "Comment without closing ')#'");
    expect_error("#( a\n #( b", 2, "Comment without closing ')#'");
}

TEST(ParserErrorsJoining, UnknownCharacters) {
    expect_error("x = 1\ny = 2\x01", 2, "Unknown character '\x01'");
    expect_error("x = \xE9", 1, "Unknown character '\xE9'");
    expect_error("x = `a`", 1, "Unknown character '`'");
    expect_error("x = a \\ b", 1, "Unknown character '\\' (This character is only allowed at end of line)");
}

TEST(ParserErrorsJoining, Brackets) {
    expect_error("x = a)", 1, "Redundant bracket ')'");
    expect_error("x = a]", 1, "Redundant bracket ']'");
    expect_error("x = 1\nx = a}", 2, "Redundant bracket '}'");
    expect_error("(a[1)", 1, "Bracket ')': Previous bracket is '[' instead of '('");
    expect_error("a = [1, 2)", 1, "Redundant bracket ')'");
    expect_error("(a]", 1, "Redundant bracket ']'");
    expect_error("[(a]", 1, "Bracket ']': Previous bracket is '(' instead of '['");
    expect_error("{a\n)", 2, "Redundant bracket ')'");
    expect_error("{[a}", 1, "bracket '}': Previous bracket is '[' instead of '{'");
}

TEST(ParserErrorsJoining, UnclosedConstructsCarryTheirOpeningLine) {
    expect_error("x = 1\ny = \"abc\nz = 2", 2, "String without closing '\"'");
    expect_error("x = 'a", 1, "Character constant without closing '''");
    expect_error("f(\n(\nx", 2, "Round bracket without closing ')'");
    expect_error("x = {\n", 1, "Curly bracket without closing '}'");
    expect_error("\nx = [", 2, "Squared bracket without closing ']'");
    // Checked in a fixed order: comment, string, character, round, curly, square.
    expect_error("[{(\"a", 1, "String without closing '\"'");
    expect_error("[\n{\n(", 3, "Round bracket without closing ')'");
    expect_error("[\n{", 2, "Curly bracket without closing '}'");
}

TEST(ParserErrorsJoining, LinesOfFilesWithCarriageReturns) {
    NAME_LIST lines{"x = 1\r", "\r", "y = `\r"};
    try {
        parse_program("dos.mrv", lines, true);
        FAIL() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.line, 3);
        EXPECT_EQ(error.file, "dos.mrv");
    }
    NAME_LIST one_entry{"x = 1\r\n\r\ny = `"};
    try {
        parse_program("dos.mrv", one_entry, true);
        FAIL() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.line, 3);
    }
}

TEST(ParserErrorsMarking, OrderOfTokens) {
    expect_error("x = 1\ny = 2\nprint 5", 3, "Number after Name");
    expect_error("a;;b", 1, "Operator after Operator");
    expect_error("x = 1 ;; y = 2", 1, "Operator after Operator");
    expect_error("x = 5x", 1, "Name after Number");
    expect_error("x = \"a\" b", 1, "Name after String");
    expect_error("x = !-y", 1, "'-'-Operator after '!'-Operator");
    expect_error("x = 'a''b'", 1, "Character after Character");
    expect_error("x = 'a'(1)", 1, "Bracket after Character");
    expect_error("x = 1 2", 1, "Number after Number");
    expect_error("x = * 2", 1, "Operator after Operator");
}

TEST(ParserErrorsMarking, BracketsAndOperators) {
    expect_error("x = 1\nx = a[[1]]", 2, "Infeasible double bracket '[['");
    // Every operator character of the source is known; the table still
    // refuses a byte that only another stage could hand it.
    try {
        mark_text("m.mrv", lined("a#b", 7));
        FAIL() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "Unknown operator '#'");
        EXPECT_EQ(error.line, 7);
        EXPECT_EQ(error.file, "m.mrv");
    }
}

TEST(ParserErrorsTreeBuilding, Constants) {
    expect_error("x = \"\\q\"", 1,
                 "Unknown escape sequence (feasible are \\', \\\", \\t, \\n, \\f, \\v, \\0, \\a, \\r, "
                 "\\b and \\\\)");
    expect_error("y = 1\nx = \"ab\ncd\\q\"", 2,
                 "Unknown escape sequence (feasible are \\', \\\", \\t, \\n, \\f, \\v, \\0, \\a, \\r, \\b and \\\\)");
    expect_error("x = ''", 1, "Infeasible character constant (except exactly one character)");
    expect_error("x = 'ab'", 1, "Infeasible character constant (except exactly one character)");
    expect_error("x = 1\nx = 1e99999999", 2, "Conversion of string '1e99999999' into type 'real' not possible");
}

TEST(ParserErrorsTreeBuilding, MissingOperator) {
    expect_error("x = a\"b\"", 1, "Missing operator on right-hand side");
}

TEST(ParserErrorsTreeBuilding, BytesOnlyMarkingWouldRefuse) {
    auto build_error = [](const std::string& text) {
        try {
            build_program_tree("b.mrv", lined(text, 5));
        } catch (const ERROR& error) {
            EXPECT_EQ(error.line, 5);
            EXPECT_EQ(error.file, "b.mrv");
            EXPECT_EQ(error.kind, 'p');
            return error.message;
        }
        return std::string("<no error>");
    };
    EXPECT_EQ(build_error("'a'(b)"), "Infeasible character ''' before '('");
    EXPECT_EQ(build_error("a\x01"), "Unknown character '\x01'");
    EXPECT_EQ(build_error("\x01"), "Unknown character '\x01'");
}

TEST(ParserErrorsPasses, ModulePaths) {
    expect_error("x = \"m\"::x", 1, "Expect name of module right of '::'-operator");
    expect_error("x = f(a)::x", 1, "Expect name of module right of '::'-operator");
    expect_error("y = 1\nx = a::(x + 1)", 2,
                 "Expect name (of type, variable, procedure or function) right of '::'-operator");
    expect_error("x = a::b.c", 1, "'::'-operator not allowed left/right of operator '.'");
    expect_error("x = c.a::b", 1, "'::'-operator not allowed left/right of operator '.'");
}

TEST(ParserErrorsPasses, EmptyOperands) {
    expect_error("x = (* 1)", 1, "Empty/non-empty tree left/right of operator '*'");
    expect_error("x = 1\ny = 1 *", 2, "Non-empty/empty tree left/right of operator '*'");
    expect_error("x = a ==", 1, "Non-empty/empty tree left/right of operator '=='");
    expect_error("f(, a)", 1, "Empty tree left of operator ','");
    expect_error("f(a, )", 1, "Empty tree right of operator ','");
    expect_error("x = a.", 1, "Empty tree right of operator '.'");
    expect_error("x = a!b", 1, "Empty tree left of unary operator '!'");
}

TEST(ParserErrorsPasses, BlocksBracketsAndPairs) {
    expect_error("{ a }", 1, "Infeasible local block '{..}'");
    expect_error("x = 1;\n{ a }", 2, "Infeasible local block '{..}'");
    // Without the ';' the line end vanishes before '{' and the block becomes
    // an operand of the line before.
    expect_error("x = 1\n{ a }", 2, "Bracket after Number");
    expect_error("x = (a)", 1, "Infeasible round brackets");
    expect_error("(a)", 1, "Infeasible round brackets");
    expect_error("x = (a = b)", 1, "Infeasible round brackets");
    expect_error("(a)(b)", 1, "Infeasible operator ')('");
    expect_error("x = (a){b}", 1, "Infeasible operator '){'");
}

TEST(ParserErrorsPasses, RoutineArguments) {
    expect_error("f(a)()", 1, "Procedure/Function contains too many empty expressions as arguments");
    expect_error("f(){a}", 1, "Procedure/Function contains too many empty expressions as arguments");
    expect_error("x = 1\nf(a)(b)", 2, "Procedure/Function contains neighboring expressions as arguments");
    // Only the head of an external definition is exempt: a type-qualified
    // call elsewhere, also one inside a parameter list, is checked.
    const char* neighbours = "Procedure/Function contains neighboring expressions as arguments";
    expect_error("x = T:f(a)(b)", 1, neighbours);
    expect_error("T:f(a)(b)", 1, neighbours);
    expect_error("func f(T:g(a)(b))(r){r = 1}", 1, neighbours);
    expect_error("func T:f(a; g(b)(c))(r){r = 1}", 1, neighbours);
    expect_error("x = T:f(a)()", 1, "Procedure/Function contains too many empty expressions as arguments");
}

TEST(ParserErrorsPasses, GivenFileNameIsReported) {
    try {
        parse_program("lib/part.mrv", test::source_of("x = 1\n\n(a)"), false);
        FAIL() << "no error";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.file, "lib/part.mrv");
        EXPECT_EQ(error.line, 3);
    }
}

}  // namespace
}  // namespace morvu
