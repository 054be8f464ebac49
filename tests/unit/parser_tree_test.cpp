// Tree building: priority, associativity, leaves, calls and brackets, as the
// canonical printer shows them (see tree_printer.h).

#include <gtest/gtest.h>

#include <string>

#include "frontend/operators.h"
#include "frontend/tree_builder.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::parsed;
using test::print_tree;
using test::source_of;

// The tree as tree building leaves it, before the passes.
std::string built(const std::string& source) {
    LINED_TEXT marked = mark_text("prog.mrv", lay_out_text(join_lines("prog.mrv", source_of(source), true)));
    auto root = build_program_tree("prog.mrv", marked);
    return root ? print_tree(root.get()) : "<none>";
}

TEST(ParserTree, PriorityAndAssociativity) {
    EXPECT_EQ(parsed("x = a - b - c"), "(= x (- (- a b) c))");
    EXPECT_EQ(parsed("a = b = c"), "(= a (= b c))");
    EXPECT_EQ(parsed("x = a ^ b ^ c"), "(= x (^ (^ a b) c))");
    EXPECT_EQ(parsed("x = a + b * c"), "(= x (+ a (* b c)))");
    EXPECT_EQ(parsed("x = a * b + c"), "(= x (+ (* a b) c))");
    EXPECT_EQ(parsed("a += b += c"), "(+= a (+= b c))");
    EXPECT_EQ(parsed("x = a || b && c"), "(= x (|| a (&& b c)))");
    EXPECT_EQ(parsed("x = a == b + c"), "(= x (== a (+ b c)))");
    EXPECT_EQ(parsed("x = a, b"), "(= x (, a b))");
    EXPECT_EQ(parsed("x = a -> b, c"), "(= x (, (-> a b) c))");
    EXPECT_EQ(parsed("x = a .. b ** 2"), "(= x (** (.. a b) 2))");
    EXPECT_EQ(parsed("x = a.b.c"), "(= x (. (. a b) c))");
    EXPECT_EQ(parsed("a; b; c"), "(; (; a b) c)");
}

TEST(ParserTree, UnaryOperators) {
    EXPECT_EQ(parsed("x = -a ^ 2"), "(= x (^ (-- [#] a) 2))");
    EXPECT_EQ(parsed("x = 2 ^ -a"), "(= x (^ 2 (-- [#] a)))");
    EXPECT_EQ(parsed("x = - - a"), "(= x (-- [#] (-- [#] a)))");
    EXPECT_EQ(parsed("x = !a && b"), "(= x (&& (! [#] a) b))");
    EXPECT_EQ(parsed("x = -a * b"), "(= x (* (-- [#] a) b))");
    EXPECT_EQ(parsed("x = -5 - a"), "(= x (- -5 a))");
    EXPECT_EQ(parsed("x = +a"), "(= x (++ [#] a))");
}

TEST(ParserTree, NumbersStringsAndCharacters) {
    EXPECT_EQ(parsed("x = 12.50"), "(= x 12.5)");
    EXPECT_EQ(parsed("x = 1e3 + 5.e-1"), "(= x (+ 1000 0.5))");
    EXPECT_EQ(parsed("x = -.5"), "(= x -0.5)");
    EXPECT_EQ(parsed("x = \"a\\tb\\n\\\\\\\"\\0\""), "(= x \"a\\tb\\n\\\\\"\\0\")");
    EXPECT_EQ(parsed("x = '\\''"), "(= x ''')");
    EXPECT_EQ(parsed("x = \"\""), "(= x \"\")");
    EXPECT_EQ(parsed("x = '\\0'"), "(= x '\\0')");
    // A string over two lines holds the line end; a backslash before the
    // line end continues the string without one.
    EXPECT_EQ(parsed("x = \"ab\ncd\""), "(= x \"ab\\ncd\")");
    EXPECT_EQ(parsed("x = \"ab\\\ncd\""), "(= x \"abcd\")");
}

TEST(ParserTree, BlankOperatorAndStatements) {
    EXPECT_EQ(parsed("print x + 1"), "(blank print (+ x 1))");
    EXPECT_EQ(parsed("int a, b = 1"), "(blank int (= (, a b) 1))");
    EXPECT_EQ(parsed("need \"lib.mrv\""), "(blank need \"lib.mrv\")");
    EXPECT_EQ(parsed("x = 1\ny = 2"), "(; (= x 1) (= y 2))");
}

TEST(ParserTree, CallsIndexingAndMembers) {
    EXPECT_EQ(parsed("f(x) + 1"), "(+ f([x]) 1)");
    EXPECT_EQ(parsed("x = a + f(b) * 2"), "(= x (+ a (* f([b]) 2)))");
    EXPECT_EQ(parsed("a.f(x)"), "(. a f([x]))");
    EXPECT_EQ(parsed("f()"), "f([#])");
    EXPECT_EQ(parsed("x = a[i]"), "(= x (. a \"[]\"([i])))");
    EXPECT_EQ(parsed("x = a[i, j][k]"), "(= x (. (. a \"[]\"([(, i j)])) \"[]\"([k])))");
    EXPECT_EQ(parsed("x = a[]"), "(= x (. a \"[]\"([#])))");
    EXPECT_EQ(parsed("x = f((a))"), "(= x f([a]))");
    EXPECT_EQ(parsed("x:(1)"), "(: x \"\"([1]))");
}

TEST(ParserTree, JuxtaposedBrackets) {
    // Tree building marks no operand of a juxtaposition; the passes do.
    EXPECT_EQ(built("f(a)(b){c}"), "f((){ ()( a b) c))");
    EXPECT_EQ(parsed("f(a){c}"), "f((){ [a] {c}))");
    EXPECT_EQ(parsed("if (x) {a} else {b}"), "(; if((){ [x] {a})) else({b}))");
    EXPECT_EQ(parsed("while (i < 3) {i += 1}"), "while((){ [(< i 3)] {(+= i 1)}))");
    EXPECT_EQ(built("(a)(b)"), "()( a b)");
}

TEST(ParserTree, BracketsAndBlocks) {
    EXPECT_EQ(parsed("x = (a + b) * c"), "(= x (* [(+ a b)] c))");
    EXPECT_EQ(parsed("x = a * (b + c)"), "(= x (* a [(+ b c)]))");
    EXPECT_EQ(built("x = a - (b) * c"), "(= x (- a (* [b] c)))");
    EXPECT_EQ(parsed("x = {a; b}"), "(= x {(; a b)})");
    EXPECT_EQ(parsed("x = (+)"), "(= x [(+ . .)])");
}

TEST(ParserTree, AutomaticBlocksAfterBrackets) {
    EXPECT_EQ(parsed("if (a > b) x = 1"), "if((){ [(> a b)] {(= x 1)}))");
    EXPECT_EQ(parsed("if (a) if (b) x = 1\ny = 2"), "(; if((){ [a] {if((){ [b] {(= x 1)}))})) (= y 2))");
    EXPECT_EQ(parsed("f(if (c) g(x))"), "f([if((){ [c] {g([x])}))])");
}

TEST(ParserTree, ModuleNamesFold) {
    EXPECT_EQ(parsed("x = a::b"), "(= x a::b)");
    EXPECT_EQ(parsed("a::b::f(x)"), "a::b::f([x])");
    auto tree = test::parse_source("x = a::b");
    EXPECT_EQ(*tree->right->text, std::string("a\x1B"
                                              "b"));
    EXPECT_EQ(tree->right->module_inside, 1);
    EXPECT_EQ(tree->left->module_inside, 0);
}

TEST(ParserTree, PositionsOfNodes) {
    auto tree = test::parse_source("x =\n  a +\n  \"b\nc\"");
    EXPECT_EQ(tree->line, 1);
    EXPECT_EQ(tree->right->line, 2);  // '+'
    EXPECT_EQ(tree->right->right->line, 3);
    EXPECT_EQ(tree->right->right->line2, 4);
    EXPECT_EQ(tree->file_index, -1);
    EXPECT_EQ(tree->parent, nullptr);
    EXPECT_EQ(tree->right->right->parent, tree->right);
}

}  // namespace
}  // namespace morvu
