// The operator handlers on parsed expressions: arithmetic and its priorities,
// ranges, repetition and pairs, logic with its short cuts, comparisons with
// alternatives, and the exact messages of their failures.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "eval/evaluator.h"
#include "eval/operator_handlers.h"
#include "values/result_list.h"
#include "frontend/token.h"
#include "runtime/error.h"
#include "tree_printer.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {
namespace {

// A parsed statement "x = <expression>" that keeps its tree alive.
struct EXPRESSION {
    std::unique_ptr<TOKEN> root;
    TOKEN* node = nullptr;

    explicit EXPRESSION(const std::string& text) {
        try {
            root = test::parse_source("x = " + text);
        } catch (const ERROR& error) {
            ADD_FAILURE() << text << ": " << error.message;
            throw;
        }
        node = root->right;
    }
};

// The texts of the results joined by blanks, each followed by '/' and its
// mode; an error gives its message.
std::string shown(RESULT_LIST& results) {
    std::string out;
    for (RESULT_NODE* n = results.head; n != nullptr; n = n->next) {
        if (!out.empty()) out += ' ';
        const char* error = nullptr;
        out += value_to_text(n->item.cell, &error) + "/" + std::to_string(n->item.mode);
    }
    return out;
}

std::string evaluated(EXPRESSION& expression) {
    RESULT_LIST results;
    try {
        eval_cached(expression.node, RESULT_ITEM{}, results);
    } catch (const ERROR& error) {
        return error.message;
    }
    return shown(results);
}

std::string evaluated(const std::string& text) {
    EXPRESSION expression(text);
    return evaluated(expression);
}

// A leaf handler that counts its evaluations and yields the int 2.
int leaf_evaluations = 0;
void counting_two(TOKEN*, RESULT_ITEM, RESULT_LIST& results) {
    ++leaf_evaluations;
    results.append(make_int_value_from_number(2));
}

// A leaf handler that yields the empty bool.
void empty_bool(TOKEN*, RESULT_ITEM, RESULT_LIST& results) { results.append(RESULT_ITEM{new UNION_DATA('b'), 0, 1}); }

// The first leaf in the subtree whose text is `name`.
TOKEN* leaf_named(TOKEN* node, const std::string& name) {
    if (node == nullptr) return nullptr;
    if (node->text && *node->text == name) return node;
    if (TOKEN* found = leaf_named(node->left, name)) return found;
    return leaf_named(node->right, name);
}

TEST(ExprOpsArithmetic, PrioritiesAndResults) {
    EXPECT_EQ(evaluated("1 + 2 * 3"), "7/1");
    EXPECT_EQ(evaluated("(1 + 2) * 3"), "9/1");
    EXPECT_EQ(evaluated("10 - 4 - 3"), "3/1");
    EXPECT_EQ(evaluated("2 ^ 3 ^ 2"), "64/1");
    EXPECT_EQ(evaluated("-2 ^ 2"), "4/1");
    EXPECT_EQ(evaluated("- 3 * 2"), "-6/1");
    EXPECT_EQ(evaluated("+(2 - 5)"), "-3/1");
    EXPECT_EQ(evaluated("7 / 2 + 7 % -3"), "4/1");
    EXPECT_EQ(evaluated("123456789012345678901234567890 * 1000000000 + 1"),
              "123456789012345678901234567890000000001/1");
    EXPECT_EQ(evaluated("1.5 + 1"), "2.5/1");
    // The left int cannot take a real: retried with the real as base.
    EXPECT_EQ(evaluated("1 + 1.5"), "2.5/3");
    EXPECT_EQ(evaluated("2 * 1.5"), "3/3");
    EXPECT_EQ(evaluated("\"a\" + 'b'"), "ab/1");
}

TEST(ExprOpsArithmetic, MixedTextKeepsOperandOrder) {
    EXPECT_EQ(evaluated("'b' + \"a\""), "ba/3");
    EXPECT_EQ(evaluated("'x' + \"yz\" + 'w'"), "xyzw/1");
}

TEST(ExprOpsArithmetic, Messages) {
    EXPECT_EQ(evaluated("(1 .. 2) + 3"), "Operator '+': Expect exactly one argument on left-hand side");
    EXPECT_EQ(evaluated("3 * (1 .: 0)"), "Operator '*': Expect exactly one argument on right-hand side");
    EXPECT_EQ(evaluated("- (1 .. 2)"), "Operator '-': Expect exactly one argument on right-hand side");
    EXPECT_EQ(evaluated("1 / 0"), "Operator '/': Division by 0");
    EXPECT_EQ(evaluated("5 % 0"), "Operator '%': Division by 0");
    // No retry for '-': the left type's refusal stands.
    EXPECT_EQ(evaluated("1 - 1.5"), "Operator '-': Operator '-=': incompatible types");
    EXPECT_EQ(evaluated("- \"a\""), "Operator '-': Unary operator '-' not defined for type 'str'");
}

TEST(ExprOpsRange, IntsAndChars) {
    EXPECT_EQ(evaluated("1 .. 3"), "1/0 2/0 3/0");
    EXPECT_EQ(evaluated("3 .. 1"), "3/0 2/0 1/0");
    EXPECT_EQ(evaluated("3 .: 1"), "");
    EXPECT_EQ(evaluated("1 :. 3"), "");
    EXPECT_EQ(evaluated("2 .: 2"), "2/0");
    EXPECT_EQ(evaluated("2 :. 2"), "2/0");
    EXPECT_EQ(evaluated("-1 .: 1"), "-1/0 0/0 1/0");
    EXPECT_EQ(evaluated("'a' .. 'c'"), "a/0 b/0 c/0");
    EXPECT_EQ(evaluated("'c' :. 'a'"), "c/0 b/0 a/0");
    EXPECT_EQ(evaluated("99999999999999999999 .. 100000000000000000001"),
              "99999999999999999999/0 100000000000000000000/0 100000000000000000001/0");
    EXPECT_EQ(evaluated("9223372036854775806 .. 9223372036854775808"),
              "9223372036854775806/0 9223372036854775807/0 9223372036854775808/0");
}

TEST(ExprOpsRange, SignedCharOrderAndMessages) {
    // Bytes above 127 count as negative: 0x80 .. 0x7F runs up through all
    // 256 bytes, and is no descending range.
    RESULT_LIST results;
    RESULT_LIST ends;
    ends.append(make_char_value(static_cast<char>(0x80)));
    ends.append(make_char_value(static_cast<char>(0x7F)));
    EXPRESSION expression("1 .. 2");
    value_range(expression.node, ends.head->item, ends.tail->item, range_descending, results);
    EXPECT_EQ(results.count, 0u);
    value_range(expression.node, ends.head->item, ends.tail->item, range_ascending, results);
    ASSERT_EQ(results.count, 256u);
    EXPECT_EQ(results.head->item.cell->char_byte(), static_cast<char>(0x80));
    EXPECT_EQ(results.head->next->item.cell->char_byte(), static_cast<char>(0x81));
    EXPECT_EQ(results.tail->item.cell->char_byte(), static_cast<char>(0x7F));

    const char* wrong = "Expect integer or character value left/right of '..' operator";
    EXPECT_EQ(evaluated("1 .. 'a'"), wrong);
    EXPECT_EQ(evaluated("1.5 :. 1"), wrong);
    EXPECT_EQ(evaluated("1 .. (2 .. 3)"), "Operator '..': Expect exactly one argument on right-hand side");
}

TEST(ExprOpsRepeat, CountsAndMessages) {
    EXPECT_EQ(evaluated("3 ** \"s\""), "s/3 s/3 s/3");
    EXPECT_EQ(evaluated("0 ** 1"), "");
    EXPECT_EQ(evaluated("-2 ** 1"), "");
    EXPECT_EQ(evaluated("2 ** (1 .. 2)"), "Operator '**': Expect exactly one argument on right-hand side");
    EXPECT_EQ(evaluated("\"a\" ** 1"), "Operator '**': Expect 0-th argument of type 'int'");
    EXPECT_EQ(evaluated("(1 .. 2) ** 1"), "Operator '**': Expect exactly one argument on left-hand side");
}

TEST(ExprOpsRepeat, VariablesRepeatAsReferences) {
    EXPRESSION expression("1 ** 1");
    RESULT_LIST values;
    values.append(make_int_value_from_number(2));
    UNION_DATA list_variable('l');
    UNION_DATA int_variable('i');
    RESULT_LIST results;
    value_repeat(expression.node, values.head->item, RESULT_ITEM{&list_variable, 6, 0}, results);
    value_repeat(expression.node, values.head->item, RESULT_ITEM{&int_variable, 6, 0}, results);
    ASSERT_EQ(results.count, 4u);
    EXPECT_EQ(results.head->item.cell->tag, 'P');
    EXPECT_EQ(results.head->item.cell->target(), &list_variable);
    EXPECT_EQ(results.tail->item.cell->tag, 'I');  // a smalltype value is copied
    clear_value_list(results);
}

TEST(ExprOpsPair, ArrowMakesOnePair) {
    EXPECT_EQ(evaluated("1 -> \"a\", 2"), "1->a/0 2/0");
    EXPECT_EQ(evaluated("(1 .. 2) -> 3"), "Operator '->': Expect exactly one argument on left-hand side");
}

TEST(ExprOpsLogic, ShortCutsAndMessages) {
    EXPECT_EQ(evaluated("!true"), "false/3");
    EXPECT_EQ(evaluated("true && !false"), "true/3");
    EXPECT_EQ(evaluated("false || false"), "false/3");
    for (const char* text : {"true || y", "false && y"}) {
        EXPRESSION expression(text);
        leaf_named(expression.node, "y")->evaluator = counting_two;
        leaf_evaluations = 0;
        EXPECT_EQ(evaluated(expression), text[0] == 't' ? "true/3" : "false/3");
        EXPECT_EQ(leaf_evaluations, 0);
    }
    EXPECT_EQ(evaluated("!1"), "Operator '!': Expect 0-th argument of type 'bool'");
    EXPECT_EQ(evaluated("true && (2 ** true)"), "Operator '&&': Expect exactly one argument on right-hand side");
    EXPRESSION expression("false || y");
    leaf_named(expression.node, "y")->evaluator = empty_bool;
    EXPECT_EQ(evaluated(expression), "Operator '||': 0-th argument is empty");
}

TEST(ExprOpsComparison, Alternatives) {
    EXPECT_EQ(evaluated("2 == 1 | 2 | 3"), "true/3");
    EXPECT_EQ(evaluated("4 == 1 | 2 | 3"), "false/3");
    EXPECT_EQ(evaluated("2 == 1 & 2"), "false/3");
    EXPECT_EQ(evaluated("2 == 2 & 2"), "true/3");
    EXPECT_EQ(evaluated("1 | 2 == 2 | 3"), "true/3");
    EXPECT_EQ(evaluated("1 | 4 == 2 | 3"), "false/3");
    EXPECT_EQ(evaluated("2 == 1 | (2 & 3)"), "false/3");
    EXPECT_EQ(evaluated("3 == 1 | (3 & 3)"), "true/3");
    EXPECT_EQ(evaluated("0 < 1 & 2 & 3"), "true/3");
    EXPECT_EQ(evaluated("2 >= 3 | 1"), "true/3");
    EXPECT_EQ(evaluated("\"a\" != \"a\" | \"b\""), "true/3");
    EXPECT_EQ(evaluated("'a' < 'b'"), "true/3");
    EXPECT_EQ(evaluated("1 @@ 1"), "false/3");
    EXPECT_EQ(evaluated("1 ?? 1"), "true/3");
}

TEST(ExprOpsComparison, EachLeafEvaluatedOncePerComparison) {
    EXPRESSION expression("y == 1 | 3 | y");
    leaf_named(expression.node->left, "y")->evaluator = counting_two;
    TOKEN* right_y = leaf_named(expression.node->right, "y");
    right_y->evaluator = counting_two;
    leaf_evaluations = 0;
    EXPECT_EQ(evaluated(expression), "true/3");
    EXPECT_EQ(leaf_evaluations, 2);
    // Evaluated again: a new comparison evaluates anew, and nothing stays
    // parked on the leaves.
    EXPECT_EQ(evaluated(expression), "true/3");
    EXPECT_EQ(leaf_evaluations, 4);
    EXPECT_TRUE(expression.node->left->result_stack.empty());
    EXPECT_TRUE(right_y->result_stack.empty());

    EXPRESSION both("y | y == 1 | 2");
    both.node->left->left->evaluator = counting_two;
    both.node->left->right->evaluator = counting_two;
    leaf_evaluations = 0;
    EXPECT_EQ(evaluated(both), "true/3");
    EXPECT_EQ(leaf_evaluations, 1);  // the first left alternative decides
}

TEST(ExprOpsComparison, MessagesFreeParkedLists) {
    EXPRESSION expression("1 | (2 .. 3) == 2");
    EXPECT_EQ(evaluated(expression), "Operator '==': Expect exactly one argument on right-hand side");
    EXPECT_TRUE(expression.node->left->left->result_stack.empty());
    EXPECT_TRUE(expression.node->left->right->result_stack.empty());
    EXPECT_EQ(evaluated("(1 .. 2) < 3"), "Operator '<': Expect exactly one argument on left-hand side");
    EXPECT_EQ(evaluated("1 < \"a\""), "Operator '<': Operator '<': incompatible types");
    EXPECT_EQ(evaluated("true > false"), "Operator '>': Operator '<' not defined for type 'bool'");
}

// A list holding a list ... far deeper than a recursive walk could go.
UNION_DATA* deep_list() {
    auto* inner = new UNION_DATA('l');
    for (int level = 0; level < 200000; ++level) {
        auto* outer = new UNION_DATA('l');
        outer->list_data()->append(inner, 2);
        delete inner;
        inner = outer;
    }
    return inner;
}

void yields_deep_list(TOKEN*, RESULT_ITEM, RESULT_LIST& results) { results.append(RESULT_ITEM{deep_list(), 0, 1}); }

TEST(ExprOpsComparison, DeepValuesCompareToTheBottom) {
    EXPRESSION expression("a == b");
    expression.node->left->evaluator = yields_deep_list;
    expression.node->right->evaluator = yields_deep_list;
    EXPECT_EQ(evaluated(expression), "true/3");
    EXPECT_EQ(evaluated("1 == 2"), "false/3");
}

TEST(ExprOpsCondition, LoopConditions) {
    EXPRESSION condition("{1 < 2}");
    ASSERT_EQ(condition.node->block_mode, 1);
    EXPECT_TRUE(eval_condition(condition.node, RESULT_ITEM{}, "sys:while"));
    EXPECT_EQ(condition.node->block_mode, 1);

    EXPRESSION two("{true, false}");
    try {
        eval_condition(two.node, RESULT_ITEM{}, "sys:while");
        ADD_FAILURE() << "two values accepted";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "Procedure 'sys:while': Expect exactly one argument");
    }
    EXPECT_EQ(two.node->block_mode, 1);

    EXPRESSION empty("{}");
    try {
        eval_condition(empty.node, RESULT_ITEM{}, "sys:for");
        ADD_FAILURE() << "empty condition accepted";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "Procedure 'sys:for': Empty argument of type code not evaluable");
    }
}

}  // namespace
}  // namespace morvu
