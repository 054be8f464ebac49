// The evaluator on parsed expressions: the dispatch of eval_node and its
// handler cache, literals, lists, code values, names and "this"; and the
// text routines and refusals of the method protocol.

#include "eval/evaluator.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "eval/names.h"
#include "eval/operator_handlers.h"
#include "values/result_list.h"
#include "types/method_call.h"
#include "frontend/token.h"
#include "frontend/var_storage.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/str_stream.h"
#include "tree_printer.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

const std::string mark(1, static_cast<char>(0xA7));

// The message of the ERROR an action raises; "<none>" when it raises none.
std::string error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERROR& error) {
        return error.message;
    }
    return "<none>";
}

// The program "x = <expression>"; expression() is the right operand.
class EVAL_FIXTURE : public ::testing::Test {
protected:
    std::unique_ptr<TOKEN> root;

    void SetUp() override { install_evaluator(); }

    TOKEN* parse(const std::string& expression) {
        root = test::parse_source("x = " + expression);
        return root->right;
    }

    // Evaluates the node once into a fresh list.
    static RESULT_LIST evaluate(TOKEN* node, RESULT_ITEM this_item = RESULT_ITEM{}) {
        RESULT_LIST results;
        eval_cached(node, this_item, results);
        return results;
    }

    static std::string int_text(const RESULT_NODE* entry) {
        return follow_link(entry->item.cell)->int_data()->to_text();
    }
};

using Evaluator = EVAL_FIXTURE;

TEST_F(Evaluator, LiteralsYieldOwnedConstants) {
    RESULT_LIST number = evaluate(parse("12"));
    ASSERT_EQ(number.count, 1u);
    EXPECT_EQ(number.head->item.cell->tag, 'i');
    EXPECT_EQ(number.head->item.mode, 0u);
    EXPECT_EQ(number.head->item.owned, 1);
    EXPECT_EQ(int_text(number.head), "12");
    EXPECT_EQ(root->right->evaluator, eval_int_literal);

    RESULT_LIST real = evaluate(parse("12.5"));
    EXPECT_EQ(real.head->item.cell->tag, 'r');
    EXPECT_EQ(real.head->item.cell->real_data()->to_text(-1), "12.5");
    EXPECT_EQ(root->right->evaluator, eval_real_literal);

    RESULT_LIST text = evaluate(parse("\"ab\""));
    EXPECT_EQ(text.head->item.cell->tag, 's');
    EXPECT_EQ(text.head->item.cell->str_data()->text, "ab");

    RESULT_LIST character = evaluate(parse("'c'"));
    EXPECT_EQ(character.head->item.cell->tag, 'c');
    EXPECT_EQ(character.head->item.cell->char_byte(), 'c');

    for (const char* word : {"true", "false"}) {
        RESULT_LIST flag = evaluate(parse(word));
        ASSERT_EQ(flag.count, 1u);
        EXPECT_EQ(flag.head->item.cell->bool_word(), *word == 't' ? 1 : 0);
        EXPECT_EQ(flag.head->item.mode, 0u);  // a literal: methods refuse to change it
    }

    // An operator standing alone is an oper value.
    TOKEN minus('-', '>', nullptr, -1, 1, 1);
    RESULT_LIST oper = evaluate(&minus);
    EXPECT_EQ(oper.head->item.cell->tag, 'o');
    EXPECT_EQ(oper.head->item.cell->oper_chars()[0], '-');
    EXPECT_EQ(oper.head->item.cell->oper_chars()[1], '>');
}

TEST_F(Evaluator, HandlerIsCachedAndNotDispatchedAgain) {
    TOKEN* sum = parse("1 + 2 * 3");
    RESULT_LIST first = evaluate(sum);
    ASSERT_EQ(first.count, 1u);
    EXPECT_EQ(int_text(first.head), "7");
    EXPECT_EQ(first.head->item.mode, 1u);
    EXPECT_EQ(sum->evaluator, eval_plus);
    EXPECT_EQ(sum->right->evaluator, eval_times);
    EXPECT_EQ(sum->left->evaluator, eval_int_literal);

    // The second evaluation runs the stored handler: even a node whose
    // operator characters now read as an assignment still adds.
    sum->op1 = '=';
    RESULT_LIST second = evaluate(sum);
    EXPECT_EQ(int_text(second.head), "7");
}

TEST_F(Evaluator, EveryOperatorBindsItsHandler) {
    const std::pair<const char*, EVAL_HANDLER> table[] = {
        {"7 % 2", eval_modulo},
        {"7 * 2", eval_times},
        {"2 ** 3", eval_repeat},
        {"7 + 2", eval_plus},
        {"+ (2)", eval_unary_plus},
        {"7 - 2", eval_minus},
        {"- (2)", eval_unary_minus},
        {"7 / 2", eval_divide},
        {"7 ^ 2", eval_caret},
        {"1 .. 3", eval_range<range_both>},
        {"1 .: 3", eval_range<range_ascending>},
        {"3 :. 1", eval_range<range_descending>},
        {"1 -> 2", eval_arrow},
        {"true || false", eval_or},
        {"true && false", eval_and},
        {"!true", eval_not},
        {"1 == 1 | 2", eval_comparison<compare_equal>},
        {"1 != 2", eval_comparison<compare_unequal>},
        {"1 @@ 1", eval_comparison<compare_same>},
        {"1 !@ 1", eval_comparison<compare_other>},
        {"1 ?? 1", eval_comparison<compare_equal_ref>},
        {"1 !? 2", eval_comparison<compare_unequal_ref>},
        {"1 < 2", eval_comparison<compare_less_than>},
        {"1 <= 2", eval_comparison<compare_less_equal>},
        {"1 > 2", eval_comparison<compare_greater_than>},
        {"1 >= 2", eval_comparison<compare_greater_equal>},
    };
    for (const auto& [source, handler] : table) {
        TOKEN* node = parse(source);
        RESULT_LIST results = evaluate(node);
        EXPECT_GE(results.count, 1u) << source;
        EXPECT_EQ(node->evaluator, handler) << source;
    }
}

TEST_F(Evaluator, CommaListYieldsEveryOperandAndStaysUncached) {
    TOKEN* list = parse("1, 2 .. 4, 5");
    RESULT_LIST results = evaluate(list);
    std::string shown;
    for (RESULT_NODE* entry = results.head; entry != nullptr; entry = entry->next) shown += int_text(entry) + " ";
    EXPECT_EQ(shown, "1 2 3 4 5 ");
    EXPECT_EQ(list->evaluator, eval_node);  // the list is split again every time
    RESULT_LIST again = evaluate(list);
    EXPECT_EQ(again.count, 5u);
}

TEST_F(Evaluator, CurlyBlockIsANewCodeValueEachTimeAndKeepsThisItem) {
    TOKEN* block = parse("{ y + 1 }");
    ASSERT_EQ(block->block_mode, 1);
    UNION_DATA object('i');
    RESULT_LIST first = evaluate(block, RESULT_ITEM{&object, 6, 0});
    ASSERT_EQ(first.count, 1u);
    UNION_DATA* code = first.head->item.cell;
    EXPECT_EQ(code->tag, 'x');
    EXPECT_EQ(first.head->item.mode, 0u);
    EXPECT_EQ(code->code_data()->block, block);
    // The block remembers the object it was written under, without owning it.
    EXPECT_EQ(code->code_data()->this_item.cell, &object);
    EXPECT_EQ(code->code_data()->this_item.owned, 0);
    EXPECT_EQ(block->evaluator, eval_node);

    RESULT_LIST second = evaluate(block);
    EXPECT_NE(second.head->item.cell, code);
    EXPECT_EQ(second.head->item.cell->code_data()->this_item.cell, nullptr);
}

TEST_F(Evaluator, EmptyBlockAndUnevaluableForms) {
    TOKEN empty('#', 0, nullptr, -1, 1, 1);
    EXPECT_EQ(evaluate(&empty).count, 0u);
    EXPECT_EQ(empty.evaluator, eval_empty_code);

    TOKEN running('#', 0, nullptr, -1, 1, 1);
    running.block_mode = 0xFFFF;
    EXPECT_EQ(error_of([&] { evaluate(&running); }), "Empty argument of type code not evaluable");
    EXPECT_EQ(running.evaluator, eval_node);  // nothing is stored while a block runs

    TOKEN* assignment = parse("a = b");
    EXPECT_EQ(error_of([&] { evaluate(assignment); }), "Expression is not evaluable");
    EXPECT_EQ(assignment->evaluator, raise_not_evaluable);  // stored before it raised
    EXPECT_EQ(error_of([&] { evaluate(assignment); }), "Expression is not evaluable");
}

TEST_F(Evaluator, ResultStackPopAndUnwind) {
    std::vector<RESULT_LIST*> stack;
    EXPECT_EQ(error_of([&] { pop(stack); }), "internal error in pop(): list is empty");

    TOKEN* call = parse("f(1)");
    ASSERT_NE(call->left, nullptr);
    {
        UNWIND_RESULT_STACK guard(call);
        push_result_list(call->left, nullptr);
        auto* parked = new RESULT_LIST;
        parked->append(RESULT_ITEM{new UNION_DATA('i'), 0, 1});
        push_result_list(call->left, parked);
        EXPECT_EQ(argument_stack_depth(call), 2u);
    }
    EXPECT_EQ(argument_stack_depth(call), 0u);  // the owned cell went with its list
    UNWIND_RESULT_STACK nothing(nullptr);
}

// ---- names ----

class EvalNames : public EVAL_FIXTURE {
protected:
    TOKEN declaration{std::string("v"), nullptr, -1, 1, 1};
    TOKEN name{std::string("v"), nullptr, -1, 2, 2};

    void TearDown() override { free_value_list(&declaration, false); }
};

TEST_F(EvalNames, VariableYieldsItsOwnCellWithTheModeOfItsRole) {
    name.declaration = &declaration;
    EXPECT_EQ(error_of([&] { evaluate(&name); }), "Object does not exist");  // no activation
    UNION_DATA* older = push_value_cell(&declaration, 'i');
    UNION_DATA* current = push_value_cell(&declaration, 'i');
    ASSERT_NE(older, current);

    const std::pair<int32_t, uint32_t> roles[] = {{-3, 6}, {-1, 6}, {-2, 2}, {1, 8}, {2, 7}};
    for (auto [role, mode] : roles) {
        declaration.arg_role = role;
        RESULT_LIST results = evaluate(&name);
        ASSERT_EQ(results.count, 1u);
        EXPECT_EQ(results.head->item.cell, current);
        EXPECT_EQ(results.head->item.owned, 0);
        EXPECT_EQ(results.head->item.mode, mode) << "role " << role;
    }
    EXPECT_EQ(name.evaluator, eval_variable);

    TOKEN unbound(std::string("w"), nullptr, -1, 3, 3);
    EXPECT_EQ(error_of([&] { evaluate(&unbound); }), "No reference on object exists");
}

TEST_F(EvalNames, ThisIsAnAliasOfTheCurrentObject) {
    TOKEN* self = parse("this");
    EXPECT_EQ(error_of([&] { evaluate(self); }), "'this' used outside of object function/procedure");

    UNION_DATA object('i');
    *object.int_data() = INT_DATA(5);
    for (auto [object_mode, this_mode] : {std::pair<uint32_t, uint32_t>{6, 11}, {9, 11}, {3, 5}, {0, 5}}) {
        RESULT_LIST results = evaluate(self, RESULT_ITEM{&object, object_mode, 0});
        ASSERT_EQ(results.count, 1u);
        UNION_DATA* alias = results.head->item.cell;
        EXPECT_EQ(results.head->item.mode, this_mode);
        EXPECT_EQ(results.head->item.owned, 1);
        EXPECT_EQ(lower_tag(alias->tag), 'q');
        EXPECT_EQ(alias->target(), &object);
        EXPECT_EQ(alias->scope_variable, 0);
    }
    EXPECT_EQ(self->evaluator, eval_this);
    EXPECT_EQ(first_referrer(&object, tag_alias), nullptr);  // every alias went with its list
}

// ---- method protocol ----

TEST(MethodProtocol, ContextShowsTypeNameAndArgumentTypes) {
    EXPECT_EQ(method_context(nullptr, "int", "m" + mark + "int;" + mark, false), "int:m");
    EXPECT_EQ(method_context(nullptr, "int", "m" + mark + "int;" + mark, true), "int:m(int)");
    EXPECT_EQ(method_context(nullptr, "", "f" + mark, true), "f()");
    EXPECT_EQ(method_context(nullptr, "", "f" + mark + "int;str;" + mark, true), "f(int,str)");
    // An escaped ';' belongs to the name and stays a ';'.
    EXPECT_EQ(method_context(nullptr, "str", "a\\;b" + mark + "int;" + mark, true), "str:a;b(int)");
    // The module separator of a qualified user type shows as "::".
    EXPECT_EQ(method_context(nullptr, "",
                             "f" + mark +
                                 "A\x1b"
                                 "B;" +
                                 mark,
                             true),
              "f(A::B)");
    EXPECT_EQ(method_context(nullptr, "list", mark + "int;" + mark, false), "list:");

    int32_t position = 0;
    EXPECT_EQ(unescape_method_text("a\\" + mark + "b\xff" + mark + "x", &position), "a" + mark + "b\\0" + mark + "x");
    EXPECT_EQ(position, 5);
    unescape_method_text("plain", &position);
    EXPECT_EQ(position, -1);

    EXPECT_EQ(escape_method_text(nullptr, "a;b\\c" + mark), "a\\;b\\\\c\\" + mark);
    EXPECT_STREQ(routine_type_word(true, true), "Type procedure");
    EXPECT_STREQ(routine_type_word(true, false), "Type function");
    EXPECT_STREQ(routine_type_word(false, true), "Procedure");
    EXPECT_STREQ(routine_type_word(false, false), "Function");

    EXPECT_TRUE(key_is("size" + mark + "int;" + mark, "size\xA7int;\xA7"));
    EXPECT_TRUE(key_has_prefix("set" + mark + "int;" + mark, "set\xA7"));
    EXPECT_FALSE(key_has_prefix("settle" + mark, "set\xA7"));
    EXPECT_TRUE(is_call_form_key(mark + "bool;" + mark));
}

TEST(MethodProtocol, RefusalsForConstantsAndIterations) {
    const std::string key = "add" + mark + "int;" + mark;
    TOKEN at(std::string("add"), nullptr, -1, 1, 1);
    UNION_DATA list('l');
    auto refusal = [&](uint32_t mode, bool strict, const char* type_name = "list") {
        return error_of([&] {
            raise_infeasible_for_constant(&at, RESULT_ITEM{&list, mode, 0}, type_name, key, strict);
        });
    };
    EXPECT_EQ(refusal(0, false), "list:add infeasible for (constant) literal");
    EXPECT_EQ(refusal(1, false), "list:add infeasible for (constant) expression");
    EXPECT_EQ(refusal(2, false), "<none>");
    EXPECT_EQ(refusal(2, true), "list:add infeasible for constant input object");
    EXPECT_EQ(refusal(3, true), "list:add infeasible for constant function result");
    EXPECT_EQ(refusal(4, true), "list:add infeasible for variable of constant object");
    EXPECT_EQ(refusal(5, true), "list:add infeasible for constant object");
    EXPECT_EQ(refusal(6, true), "<none>");
    EXPECT_EQ(refusal(7, true), "<none>");  // not an args value
    EXPECT_EQ(refusal(10, true), "<none>");
    EXPECT_EQ(error_of([&] {
                  raise_infeasible_for_constant(&at, RESULT_ITEM{&list, 0, 0}, "", "Transfer to input variable", true);
              }),
              "Transfer to input variable infeasible for (constant) literal");
    UNION_DATA args('y');
    EXPECT_EQ(error_of([&] {
                  raise_infeasible_for_constant(&at, RESULT_ITEM{&args, 7, 0}, "args", key, true);
              }),
              "args:add infeasible for variable input object of type 'args'");

    // Iteration: the mark of the value behind an alias counts.
    UNION_DATA alias('V');
    link_cell(&alias, &list, 'q');
    auto iterating = [&] {
        return error_of([&] { raise_infeasible_during_iteration(&at, RESULT_ITEM{&alias, 6, 0}, "list", key); });
    };
    EXPECT_EQ(iterating(), "<none>");
    list.list_data()->iteration_count = 1;
    EXPECT_EQ(iterating(), "list:add infeasible during iteration");
    list.list_data()->iteration_count = 0;
}

TEST(MethodProtocol, IntArgumentsSaturateInsteadOfWrapping) {
    EXPECT_EQ(machine_int(INT_DATA("4294967361")), INT_MAX);  // would wrap to 65
    EXPECT_EQ(machine_int(INT_DATA("-4294967361")), INT_MIN);
    EXPECT_EQ(machine_int(INT_DATA("123456789012345678901234567890")), INT_MAX);
    EXPECT_EQ(machine_int(INT_DATA("2147483647")), INT_MAX);
    EXPECT_EQ(machine_int(INT_DATA("-2147483648")), INT_MIN);
    EXPECT_EQ(machine_int(INT_DATA("2147483648")), INT_MAX);
    EXPECT_EQ(machine_int(INT_DATA("0000000000000000000065")), 65);
    EXPECT_EQ(machine_int(INT_DATA("-7")), -7);
    EXPECT_EQ(machine_int(INT_DATA()), 0);

    UNION_DATA number('i');
    *number.int_data() = INT_DATA("4294967361");
    UNION_DATA alias('V');
    link_cell(&alias, &number, 'q');
    CALL_ARGS call_args{"f" + mark + "int;" + mark, {RESULT_ITEM{&alias, 6, 0}}};
    EXPECT_EQ(call_args.count(), 1);
    EXPECT_EQ(int_argument(call_args, 0), INT_MAX);
}

}  // namespace
}  // namespace morvu
