// The argument checks of the built-in methods: their messages, the numbering
// of arguments in them (from 1, but from 0 for the variable check), links
// followed to the value, and the index arithmetic of the deletion and
// insertion checks.

#include "types/arg_checks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_support.h"
#include "values/assign_rules.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::make_cell;
using test::str_cell;

// An argument block over cells the test owns; mode 0 (a literal) unless the
// test says otherwise.
class ArgChecks : public ::testing::Test {
protected:
    std::vector<CELL> cells;
    CALL_ARGS args;

    void add(CELL cell, uint32_t mode = 0) {
        args.args.push_back(RESULT_ITEM{cell.get(), mode, 0});
        cells.push_back(std::move(cell));
    }
    void add_ints(std::initializer_list<int> values) {
        for (int value : values) add(int_cell(value));
    }

    // A cell of the type that holds no value.
    static CELL undefined(char tag) {
        CELL cell = make_cell(tag);
        destroy_payload(cell.get(), false);
        return cell;
    }

    // A pair whose halves are copies of the two cells (null leaves a half empty).
    static CELL pair_of(UNION_DATA* first, UNION_DATA* second) {
        CELL pair = make_cell('u');
        if (first != nullptr) {
            EXPECT_EQ(assign_value(&pair->any2_data()->first, first), nullptr);
        }
        if (second != nullptr) {
            EXPECT_EQ(assign_value(&pair->any2_data()->second, second), nullptr);
        }
        return pair;
    }
};

TEST_F(ArgChecks, CountMessagesSayHowManyAreExpected) {
    add_ints({1});
    EXPECT_EQ(check_arg_count(args, 1), "");
    EXPECT_EQ(check_arg_count(args, 2), "Expect 2 arguments");
    EXPECT_EQ(check_arg_count(args, 0), "Expect no argument");
    CALL_ARGS none;
    EXPECT_EQ(check_arg_count(none, 1), "Expect exactly one argument");

    EXPECT_EQ(check_arg_range(none, 1, -1), "Expect at least 1 argument");
    EXPECT_EQ(check_arg_range(none, 2, -1), "Expect at least 2 arguments");
    add_ints({2, 3});
    EXPECT_EQ(check_arg_range(args, -1, 1), "Expect at most 1 argument");
    EXPECT_EQ(check_arg_range(args, -1, 2), "Expect at most 2 arguments");
    EXPECT_EQ(check_arg_range(args, -1, 3), "");
    EXPECT_EQ(check_arg_range(args, 4, 5), "Number of arguments must be in the range from 4 to 5");
    EXPECT_EQ(check_arg_range(args, 3, 3), "");
}

TEST_F(ArgChecks, TypeChecksNumberArgumentsFromOne) {
    add_ints({1});
    add(str_cell("x"));
    add(undefined('i'));
    add(make_cell('s'));  // the empty text
    EXPECT_EQ(check_arg_type(args, 0, 'i', true), "");
    EXPECT_EQ(check_arg_type(args, 1, 'i', false), "Expect 2-th argument of type 'int'");
    EXPECT_EQ(check_arg_type(args, 2, 'i', false), "3-th argument is not defined");
    EXPECT_EQ(check_arg_type(args, 3, 's', false), "");
    EXPECT_EQ(check_arg_type(args, 3, 's', true), "4-th argument is empty");
    EXPECT_EQ(check_arg_type2(args, 1, 'i', 'r', false), "Expect 2-th argument of type 'int' or 'real'");
    EXPECT_EQ(check_arg_type2(args, 1, 'i', 's', false), "");

    EXPECT_EQ(check_args_defined(args), "3-th argument is not defined");
    EXPECT_EQ(check_args_not_empty(args), "3-th argument is not defined");
    EXPECT_EQ(check_arg_not_empty(args, 3), "4-th argument is empty");
    EXPECT_EQ(type_code_name('u'), "any2");
    EXPECT_EQ(type_code_name('z'), "array2");
}

TEST_F(ArgChecks, TheVariableCheckCountsFromZero) {
    add(int_cell(1), 6);
    add(undefined('i'), 6);  // a variable without value
    add(int_cell(3), 0);     // a literal
    EXPECT_EQ(check_arg_variable(args, 0, true), "");
    EXPECT_EQ(check_arg_variable(args, 1, false), "");
    EXPECT_EQ(check_arg_variable(args, 2, false), "Expect variable as 2-th argument");
    // Its defined test keeps the numbering of the other checks.
    EXPECT_EQ(check_arg_variable(args, 1, true), "2-th argument is not defined");
}

TEST_F(ArgChecks, ValuesAreReadThroughTheirLinks) {
    CELL number = int_cell(7);
    CELL reference = make_cell('V');
    link_cell(reference.get(), number.get(), 'p');
    args.args.push_back(RESULT_ITEM{reference.get(), 6, 0});
    EXPECT_EQ(check_arg_type(args, 0, 'i', true), "");
    reference.reset();  // before its target

    CELL empty_pair = undefined('u');
    CELL to_empty = make_cell('V');
    link_cell(to_empty.get(), empty_pair.get(), 'p');
    CALL_ARGS linked;
    linked.args.push_back(RESULT_ITEM{to_empty.get(), 6, 0});
    int32_t first = -1;
    int32_t second = -1;
    EXPECT_EQ(check_arg_element_type(linked, 0, &first, &second),
              "Expect 1-th argument of type 'any2' with first element of type 'int'");
    to_empty.reset();
}

TEST_F(ArgChecks, PairsMustHoldTwoInts) {
    CELL three = int_cell(3);
    CELL five = int_cell(5);
    CELL text = str_cell("t");
    add(pair_of(three.get(), five.get()));
    add(pair_of(text.get(), five.get()));
    add(pair_of(three.get(), text.get()));
    add(int_cell(4));
    int32_t first = -1;
    int32_t second = -1;
    EXPECT_EQ(check_arg_element_type(args, 0, &first, &second), "");
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 5);
    EXPECT_EQ(check_arg_element_type(args, 1, &first, &second),
              "Expect 2-th argument of type 'any2' with first element of type 'int'");
    EXPECT_EQ(check_arg_element_type(args, 2, &first, &second),
              "Expect 3-th argument of type 'any2' with second element of type 'int'");
    EXPECT_EQ(check_arg_element_type(args, 3, &first, &second),
              "Expect 4-th argument of type 'any2' with first element of type 'int'");
    EXPECT_EQ(first, 3);  // untouched by the failures
}

TEST_F(ArgChecks, DeletionIndexesShiftForTheDeletionsBeforeThem) {
    std::vector<int64_t> out;
    add_ints({0, 2});
    EXPECT_EQ(check_index_arg(args, 3, false, 'l', out), "");
    EXPECT_EQ(out, (std::vector<int64_t>{0, 1}));
    // Counted from the end: 0 is the last, 2 the first; the later index
    // lies before the earlier one and keeps its place.
    EXPECT_EQ(check_index_arg(args, 3, true, 'l', out), "");
    EXPECT_EQ(out, (std::vector<int64_t>{2, 0}));

    CALL_ARGS twice;
    twice.args = {args.args[0], args.args[0]};
    EXPECT_EQ(check_index_arg(twice, 3, false, 'l', out), "Multiple index '0'");

    add_ints({3});
    EXPECT_EQ(check_index_arg(args, 3, false, 'l', out), "Infeasible index '3' in list of length '3'");
    EXPECT_EQ(check_index_arg(args, 3, false, 's', out), "Infeasible index '3' in string of length '3'");
    EXPECT_EQ(check_index_arg(args, 3, false, 'g', out), "Node '3' does not exist");
    add(str_cell("x"));
    EXPECT_EQ(check_index_arg(args, 9, false, 'l', out), "Expect 4-th argument of type 'int'");
}

TEST_F(ArgChecks, InsertionPositionsShiftByTheItemsInsertedBeforeThem) {
    std::vector<int64_t> out;
    add(int_cell(1));
    add(str_cell("ab"));
    add(int_cell(3));
    add(str_cell("x"));
    EXPECT_EQ(check_index_or_key_arg(args, 5, false, 's', out), "");
    EXPECT_EQ(out, (std::vector<int64_t>{1, 5}));
    // Other kinds count one place per item.
    EXPECT_EQ(check_index_or_key_arg(args, 5, false, 'l', out), "");
    EXPECT_EQ(out, (std::vector<int64_t>{1, 4}));
    // From the end, n stands for the gap length - n.
    EXPECT_EQ(check_index_or_key_arg(args, 5, true, 'l', out), "");
    EXPECT_EQ(out, (std::vector<int64_t>{4, 2}));

    CALL_ARGS bad;
    CELL six = int_cell(6);
    CELL number = int_cell(1);
    bad.args = {RESULT_ITEM{six.get(), 0, 0}, RESULT_ITEM{number.get(), 0, 0}};
    EXPECT_EQ(check_index_or_key_arg(bad, 5, false, 'l', out), "Infeasible index '6' in list of length '5'");
    bad.args[0].cell = args.args[0].cell;
    EXPECT_EQ(check_index_or_key_arg(bad, 5, false, 's', out), "Expect 2-th argument of type 'str'");
}

}  // namespace
}  // namespace morvu
