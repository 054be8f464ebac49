// Argument frames on parsed expressions: expansion, the argument list of
// bracket juxtapositions, taking over parked lists, comparison frames, and
// the check messages with their side suffixes.

#include "eval/arg_frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "eval/evaluator.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "runtime/error.h"
#include "tree_printer.h"
#include "values/union_data.h"

namespace morvu {
namespace {

class ArgFrame : public ::testing::Test {
protected:
    std::unique_ptr<TOKEN> root;

    void SetUp() override { install_evaluator(); }

    // The right operand of "x = <expression>".
    TOKEN* parse(const std::string& expression) {
        root = test::parse_source("x = " + expression);
        return root->right;
    }

    static std::string failure(const char* message) { return message != nullptr ? message : "<ok>"; }

    // "(1, 2) - 3" or "3 - (1, 2)", built by hand: the parser admits no
    // bracketed list as an operand.
    static std::unique_ptr<TOKEN> minus_with_pair(bool pair_on_left) {
        auto minus = std::make_unique<TOKEN>('-', 0, nullptr, -1, 1, 1);
        auto* pair = new TOKEN(',', 0, minus.get(), -1, 1, 1);
        pair->left = new TOKEN(1);
        pair->right = new TOKEN(2);
        pair->left->parent = pair->right->parent = pair;
        auto* single = new TOKEN(3);
        single->parent = minus.get();
        minus->left = pair_on_left ? pair : single;
        minus->right = pair_on_left ? single : pair;
        return minus;
    }
};

TEST_F(ArgFrame, CountsResultsAfterExpansion) {
    ARG_FRAME pair(parse("1, 2"), RESULT_ITEM{}, true);
    EXPECT_EQ(pair.count(), 2u);

    ARG_FRAME range(parse("1 .. 6"), RESULT_ITEM{}, true);
    ASSERT_EQ(range.count(), 6u);  // more than the inline room of the item array
    EXPECT_EQ(range.int_value(5), 6);
    EXPECT_EQ(range[5].owned, 1);

    // f(1, 2){3, 4}: the bracket groups, the block kept whole.
    TOKEN* call = parse("f(1, 2){3, 4}");
    ASSERT_NE(call->left, nullptr);
    ARG_FRAME parts(call->left, RESULT_ITEM{}, true);
    ASSERT_EQ(parts.count(), 3u);
    EXPECT_EQ(parts.int_value(1), 2);
    EXPECT_EQ(parts[2].cell->tag, 'x');
    EXPECT_EQ(argument_list_of(call->left).count(), 3u);

    ARG_FRAME none(nullptr, RESULT_ITEM{}, true);
    EXPECT_EQ(none.count(), 0u);
    EXPECT_EQ(failure(none.check_count(0)), "<ok>");
}

TEST_F(ArgFrame, FreshFrameTakesOverAParkedListUnlessTheBlockRuns) {
    TOKEN* node = parse("1");
    auto* parked = new RESULT_LIST;
    parked->append(RESULT_ITEM{new UNION_DATA('i'), 0, 1});
    *parked->head->item.cell->int_data() = INT_DATA(41);
    push_result_list(node, parked);
    {
        ARG_FRAME frame(node, RESULT_ITEM{}, true);
        EXPECT_EQ(frame.results, parked);
        EXPECT_EQ(frame.int_value(0), 41);  // nothing was evaluated
        EXPECT_TRUE(node->result_stack.empty());
    }  // the frame freed the list it took

    auto* kept = new RESULT_LIST;
    kept->append(RESULT_ITEM{new UNION_DATA('i'), 0, 1});
    push_result_list(node, kept);
    node->block_mode = 0xFFFF;
    {
        ARG_FRAME frame(node, RESULT_ITEM{}, true);
        EXPECT_NE(frame.results, kept);
        EXPECT_EQ(frame.int_value(0), 1);
    }
    node->block_mode = 0;
    ASSERT_EQ(node->result_stack.size(), 1u);
    delete pop(node->result_stack);

    // An empty parked list is taken as well: the arguments yielded nothing
    // and are not evaluated a second time.
    push_result_list(node, new RESULT_LIST);
    {
        ARG_FRAME frame(node, RESULT_ITEM{}, true);
        EXPECT_EQ(frame.count(), 0u);
    }
    EXPECT_TRUE(node->result_stack.empty());
}

TEST_F(ArgFrame, ComparisonFramesEvaluateOnceAndShareTheList) {
    TOKEN* node = parse("1, 2");
    push_result_list(node, nullptr);  // the comparison's placeholder
    RESULT_LIST* first_list;
    {
        ARG_FRAME first(node, RESULT_ITEM{}, false);
        EXPECT_FALSE(first.owned);
        first_list = first.results;
        EXPECT_EQ(first.count(), 2u);
    }
    ASSERT_EQ(node->result_stack.size(), 1u);
    EXPECT_EQ(node->result_stack.back(), first_list);
    {
        ARG_FRAME again(node, RESULT_ITEM{}, false);
        EXPECT_EQ(again.results, first_list);
    }
    delete pop(node->result_stack);

    TOKEN* bare = parse("3");
    std::string message;
    try {
        ARG_FRAME frame(bare, RESULT_ITEM{}, false);
    } catch (const ERROR& error) {
        message = error.message;
    }
    EXPECT_EQ(message, "internal error in pop(): list is empty");
}

TEST_F(ArgFrame, FailingArgumentFreesTheFreshList) {
    TOKEN* node = parse("1, 2, a | b");
    std::string message;
    try {
        ARG_FRAME frame(node, RESULT_ITEM{}, true);
    } catch (const ERROR& error) {
        message = error.message;
    }
    EXPECT_EQ(message, "Expression is not evaluable");  // and the sanitizer sees no leak
}

TEST_F(ArgFrame, CountChecksAndSideSuffixes) {
    std::unique_ptr<TOKEN> minus = minus_with_pair(true);
    ARG_FRAME left(minus->left, RESULT_ITEM{}, true);
    EXPECT_EQ(failure(left.check_count(1)), "Expect exactly one argument");
    EXPECT_EQ(left.message(true), "Expect exactly one argument on left-hand side");
    EXPECT_EQ(left.message(false), "Expect exactly one argument");
    EXPECT_EQ(failure(left.check_count(3)), "Expect 3 arguments");
    EXPECT_EQ(failure(left.check_count(0)), "Expect no argument");
    EXPECT_EQ(failure(left.check_count(2)), "<ok>");
    EXPECT_EQ(left.message(false), "Expect no argument");  // a passing check leaves the text

    ARG_FRAME single(minus->right, RESULT_ITEM{}, true);
    EXPECT_EQ(failure(single.check_count(2)), "Expect 2 arguments");
    EXPECT_EQ(single.message(true), "Expect 2 arguments on right-hand side");
    std::unique_ptr<TOKEN> other = minus_with_pair(false);
    ARG_FRAME right(other->right, RESULT_ITEM{}, true);
    EXPECT_EQ(failure(right.check_count(1)), "Expect exactly one argument");
    EXPECT_EQ(right.message(true), "Expect exactly one argument on right-hand side");

    // The arguments of a named call take no suffix.
    TOKEN* call = parse("f(1, 2)");
    ARG_FRAME arguments(call->left, RESULT_ITEM{}, true);
    EXPECT_EQ(failure(arguments.check_count(1)), "Expect exactly one argument");
    EXPECT_EQ(arguments.message(true), "Expect exactly one argument");

    EXPECT_EQ(failure(arguments.check_count_range(-1, 1)), "Expect at most 1 argument");
    EXPECT_EQ(failure(arguments.check_count_range(-1, 0)), "Expect at most 0 arguments");
    EXPECT_EQ(failure(arguments.check_count_range(3, -1)), "Expect at least 3 arguments");
    EXPECT_EQ(failure(arguments.check_count_range(3, 5)), "Number of arguments must be in the range from 3 to 5");
    EXPECT_EQ(failure(arguments.check_count_range(2, 2)), "<ok>");
    ARG_FRAME none(nullptr, RESULT_ITEM{}, true);
    EXPECT_EQ(failure(none.check_count_range(1, -1)), "Expect at least 1 argument");
    EXPECT_EQ(failure(none.check_count_range(2, -1)), "Expect at least 2 arguments");
}

TEST_F(ArgFrame, TypeVariableAndIntChecks) {
    ARG_FRAME frame(parse("\"s\", 1, 6, -1, 4294967361, 0"), RESULT_ITEM{}, true);
    ASSERT_EQ(frame.count(), 6u);
    EXPECT_EQ(failure(frame.check_type(0, 'i', true)), "Expect 0-th argument of type 'int'");
    EXPECT_EQ(failure(frame.check_type(1, 'i', true)), "<ok>");
    EXPECT_EQ(failure(frame.check_type(1, 'b', false)), "Expect 1-th argument of type 'bool'");
    EXPECT_EQ(failure(frame.check_variable(1, false)), "Expect variable as 1-th argument");
    EXPECT_EQ(failure(frame.check_defined(9)), "9-th argument is not defined");

    EXPECT_EQ(failure(frame.check_int_range(1, 0, 0)), "Expect int-argument 0");
    EXPECT_EQ(failure(frame.check_int_range(5, 0, 0)), "<ok>");
    EXPECT_EQ(failure(frame.check_int_range(2, 0, 5)), "Expect int-argument <= 5");
    EXPECT_EQ(failure(frame.check_int_range(3, 0, 5)), "Expect int-argument >= 0");
    EXPECT_EQ(failure(frame.check_int_range(0, 0, 5)), "Expect 0-th argument of type 'int'");
    EXPECT_EQ(failure(frame.check_int_min(2, 6)), "<ok>");
    // A huge int is out of range, not a wrapped small one.
    EXPECT_EQ(failure(frame.check_int_range(4, 0, 100)), "Expect int-argument <= 100");
    EXPECT_EQ(frame.int_value(4), INT_MAX);

    // Undefined and empty values, the variable check on a variable.
    UNION_DATA undefined('V');
    UNION_DATA empty_bool('b');
    UNION_DATA variable('i');
    auto* parked = new RESULT_LIST;  // parked on the name node x, taken by the frame
    parked->append(RESULT_ITEM{&undefined, 6, 0});
    parked->append(RESULT_ITEM{&empty_bool, 6, 0});
    parked->append(RESULT_ITEM{&variable, 7, 0});
    push_result_list(root->left, parked);
    ARG_FRAME cells(root->left, RESULT_ITEM{}, true);
    ASSERT_EQ(cells.count(), 3u);
    EXPECT_EQ(failure(cells.check_defined(0)), "0-th argument is not defined");
    EXPECT_EQ(failure(cells.check_variable(0, true)), "0-th argument is not defined");
    EXPECT_EQ(failure(cells.check_variable(0, false)), "<ok>");
    EXPECT_EQ(failure(cells.check_type(1, 'b', true)), "1-th argument is empty");
    EXPECT_EQ(failure(cells.check_type(1, 'b', false)), "<ok>");
    EXPECT_EQ(failure(cells.check_variable(2, true)), "<ok>");
}

}  // namespace
}  // namespace morvu
