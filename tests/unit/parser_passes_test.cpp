// The passes over a finished tree: rewrites and the checks that let
// correct programs through.

#include <gtest/gtest.h>

#include <string>

#include "frontend/tree_passes.h"
#include "tree_printer.h"

namespace morvu {
namespace {

using test::parse_error;
using test::parse_source;
using test::parsed;

TEST(ParserPasses, UntypedParametersGetTypeAny) {
    EXPECT_EQ(parsed("func f(a; int b)(c){d}"),
              "(blank func f((){ ()( (; (blank any a) (blank int b)) (blank any c)) {d})))");
    EXPECT_EQ(parsed("proc p(a, b){x}"), "(blank proc p((){ (blank any (, a b)) {x})))");
    EXPECT_EQ(parsed("proc p(args:$ a){x}"), "(blank proc p((){ [(:$ args a)] {x})))");
    // Without a body every group is left alone; empty brackets stay empty
    // for the definition pass to refuse.
    EXPECT_EQ(parsed("proc p(a)"), "(blank proc p([a]))");
    EXPECT_EQ(parsed("proc p(){x}"), "(blank proc p((){ [#] {x})))");
}

TEST(ParserPasses, ExternalDefinitionsGetTypeAny) {
    EXPECT_EQ(parsed("func T:f(a; int b)(c){d}"),
              "(blank func (: T f((){ ()( (; (blank any a) (blank int b)) (blank any c)) {d}))))");
    EXPECT_EQ(parsed("proc T:p(a){x}"), "(blank proc (: T p((){ (blank any a) {x}))))");
    // A qualified call that is no definition keeps its arguments.
    EXPECT_EQ(parsed("x = T:f(a){b}"), "(= x (: T f((){ [a] {b}))))");

    auto tree = parse_source("y = 0\nfunc T:f(int a;\n  b)(\n  c) {d}");
    const TOKEN* call = tree->right->right->right;
    const TOKEN* typed = call->left->left->left->right;  // (blank any b)
    const TOKEN* output = call->left->left->right;       // (blank any c)
    ASSERT_EQ(test::print_tree(typed), "(blank any b)");
    ASSERT_EQ(test::print_tree(output), "(blank any c)");
    EXPECT_EQ(typed->line, 3);
    EXPECT_EQ(typed->left->line, 3);
    EXPECT_EQ(output->line, 4);
    EXPECT_EQ(output->left->file_index, -1);
    EXPECT_EQ(output->left->parent, output);
    EXPECT_EQ(call->left->left->in_brackets, 0);  // the group no longer reads as bracketed
}

TEST(ParserPasses, InsertedTypeWordsReportTheParametersLine) {
    auto tree = parse_source("y = 0\nfunc f(\n  a;\n  int b)(\n  c) {d}");
    const TOKEN* call = tree->right->right;
    const TOKEN* first = call->left->left->left->left;  // (blank any a)
    const TOKEN* last = call->left->left->right;        // (blank any c)
    ASSERT_EQ(test::print_tree(first), "(blank any a)");
    ASSERT_EQ(test::print_tree(last), "(blank any c)");
    EXPECT_EQ(first->line, 3);
    EXPECT_EQ(first->left->line, 3);
    EXPECT_EQ(first->right->line, 3);
    EXPECT_EQ(last->line, 5);
    EXPECT_EQ(last->left->line2, 5);
    EXPECT_EQ(first->file_index, -1);
    EXPECT_EQ(first->left->parent, first);
}

TEST(ParserPasses, AcceptedForms) {
    for (const char* source : {"x = (a + b) * c",
                               "x = f((a))",
                               "x = (+)",
                               "if (x) { a }",
                               "x = -",
                               "x = a.(b, c)",
                               "f()",
                               "f(a){b}",
                               "f({})",
                               "func f(a)(b){c}",
                               "bigtype T(a)(b)",
                               "func T:f(int a)(int r){r = a}",
                               "proc T:p(a; b){x}",
                               "func T:f(r){r = 1}",
                               "func T:f{x}",
                               "x = (!a)",
                               "x = (-a)",
                               "x = (5)",
                               "x = ('a' == b)",
                               "x = a::b + c",
                               "x = (a -> b)"}) {
        EXPECT_EQ(parse_error(source).kind, 0) << source << ": " << parse_error(source).message;
    }
}

TEST(ParserPasses, CheckFunctionsOnSingleNodes) {
    TOKEN parameter(':', '$', nullptr, -1, 4, 4);
    parameter.left = new TOKEN("int", &parameter, -1, 4, 4);
    EXPECT_EQ(check_empty_operands(&parameter), "");
    parameter.param_mark = 1;
    EXPECT_EQ(check_empty_operands(&parameter), "Empty tree right of operator ':$'");

    TOKEN block("x", nullptr, -1, 1, 1);
    block.block_mode = 1;
    EXPECT_EQ(check_local_blocks(&block), "Infeasible local block '{..}'");

    TOKEN juxtaposition('}', '{', nullptr, -1, 1, 1);
    EXPECT_EQ(check_operator_pairs(&juxtaposition), "Infeasible operator '}{'");
}

TEST(ParserPasses, IdentifiersAndParameterMarks) {
    EXPECT_TRUE(is_identifier("_a1"));
    EXPECT_TRUE(is_identifier("Z"));
    EXPECT_FALSE(is_identifier(""));
    EXPECT_FALSE(is_identifier("1a"));
    EXPECT_FALSE(is_identifier("a-b"));
    EXPECT_FALSE(is_identifier("\xE9t\xE9"));

    auto tree = parse_source("x = a + b * c");
    mark_subtree(tree->right);
    EXPECT_EQ(tree->param_mark, 0);
    EXPECT_EQ(tree->left->param_mark, 0);
    EXPECT_EQ(tree->right->param_mark, 1);
    EXPECT_EQ(tree->right->right->left->param_mark, 1);
}

}  // namespace
}  // namespace morvu
