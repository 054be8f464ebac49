#include "values/value_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "values/result_list.h"
#include "frontend/token.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/value_operators.h"
#include "values/value_order.h"

namespace morvu {
namespace {

using test::bytes;
using test::CELL;
using test::char_cell;
using test::element;
using test::int_cell;
using test::list_of;
using test::make_cell;
using test::real_cell;
using test::said;
using test::set_of;
using test::str_cell;

// "<" as a truth value, expecting no message.
bool less(UNION_DATA* a, UNION_DATA* b) {
    bool result = false;
    EXPECT_EQ(said(compare_less(a, b, &result)), "<none>");
    return result;
}

using ORDER_OP = const char* (*)(UNION_DATA*, UNION_DATA*, bool*);

bool holds(ORDER_OP op, UNION_DATA* a, UNION_DATA* b) {
    bool result = false;
    EXPECT_EQ(said(op(a, b, &result)), "<none>");
    return result;
}

// Sorts the keys and returns the permutation.
std::vector<int> sorted(std::vector<UNION_DATA*> keys, bool ascending, const char** message = nullptr) {
    std::vector<int> permutation(keys.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    const char* result = sort_values(keys.data(), permutation.data(), static_cast<int>(keys.size()), ascending);
    if (message != nullptr) *message = result;
    else EXPECT_EQ(said(result), "<none>");
    return permutation;
}

// ---- "<" across types ----

TEST(ValueSortLess, NumbersTextsAndChars) {
    EXPECT_TRUE(less(int_cell(-3).get(), int_cell(2).get()));
    EXPECT_FALSE(less(int_cell(2).get(), int_cell(2).get()));
    CELL a = make_cell('r');
    CELL b = make_cell('r');
    *a->real_data() = REAL_DATA("1.25");
    *b->real_data() = REAL_DATA("1.3");
    EXPECT_TRUE(less(a.get(), b.get()));
    // Texts by unsigned bytes, chars by signed codes.
    EXPECT_TRUE(less(str_cell("B").get(), str_cell("a").get()));
    EXPECT_TRUE(less(str_cell("A").get(), str_cell("\xC8").get()));
    EXPECT_TRUE(less(str_cell("ab").get(), str_cell("abc").get()));
    EXPECT_FALSE(less(str_cell("").get(), str_cell("").get()));
    EXPECT_TRUE(less(char_cell('\xC8').get(), char_cell('A').get()));
    EXPECT_TRUE(less(char_cell('A').get(), char_cell('B').get()));
    // An any variable holding an int compares with an int.
    EXPECT_TRUE(less(int_cell(1, 'V').get(), int_cell(2).get()));
}

TEST(ValueSortLess, CalendarValuesFieldByField) {
    auto date = [](int d, int m, int y) {
        CELL cell = make_cell('0');
        *cell->date_data() = DATE_DATA(INT_DATA(d), INT_DATA(m), INT_DATA(y));
        return cell;
    };
    EXPECT_TRUE(less(date(31, 12, 2023).get(), date(1, 1, 2024).get()));
    EXPECT_TRUE(less(date(1, 2, 2024).get(), date(2, 2, 2024).get()));
    EXPECT_FALSE(less(date(2, 2, 2024).get(), date(2, 2, 2024).get()));
    auto time = [](int h, int m, int s) {
        CELL cell = make_cell('t');
        *cell->time_data() = TIME_DATA(INT_DATA(h), INT_DATA(m), INT_DATA(s));
        return cell;
    };
    EXPECT_TRUE(less(time(1, 59, 59).get(), time(2, 0, 0).get()));
    EXPECT_TRUE(less(time(2, 0, 1).get(), time(2, 1, 0).get()));
    CELL west = make_cell('2');
    CELL east = make_cell('2');
    *west->timezone_data() = TIMEZONE_DATA(INT_DATA(-3), INT_DATA(30));
    *east->timezone_data() = TIMEZONE_DATA(INT_DATA(1), INT_DATA(0));
    EXPECT_TRUE(less(west.get(), east.get()));
    // One instant in two zones: equal, neither less.
    CELL here = make_cell('4');
    CELL there = make_cell('4');
    *here->datetime_data() = DATETIME_DATA("2024-01-05", "12:00:00", "+01:00");
    *there->datetime_data() = DATETIME_DATA("2024-01-05", "13:00:00", "+02:00");
    EXPECT_FALSE(less(here.get(), there.get()));
    EXPECT_FALSE(less(there.get(), here.get()));
    EXPECT_TRUE(holds(op_less_equal, here.get(), there.get()));
    *there->datetime_data() = DATETIME_DATA("2024-01-05", "12:00:00", "+02:00");
    EXPECT_TRUE(less(there.get(), here.get()));
}

TEST(ValueSortLess, ListsLexicographicallyAndSetsByInclusion) {
    EXPECT_TRUE(less(list_of({1}).get(), list_of({1, 0}).get()));
    EXPECT_TRUE(less(list_of({1, 0}).get(), list_of({2}).get()));
    EXPECT_FALSE(less(list_of({1, 2}).get(), list_of({1, 2}).get()));
    EXPECT_TRUE(less(make_cell('l').get(), list_of({0}).get()));
    CELL mixed = make_cell('l');
    mixed->list_data()->append(str_cell("a").get(), 0);
    bool result = false;
    EXPECT_EQ(said(compare_less(list_of({1}).get(), mixed.get(), &result)), "Operator '<': incompatible types");

    CELL small = set_of({1, 2});
    CELL large = set_of({1, 2, 3});
    CELL same = set_of({2, 1});
    EXPECT_TRUE(holds(compare_less, small.get(), large.get()));
    EXPECT_TRUE(holds(op_less_equal, small.get(), large.get()));
    EXPECT_FALSE(holds(op_greater, small.get(), large.get()));
    EXPECT_FALSE(holds(op_greater_equal, small.get(), large.get()));
    EXPECT_TRUE(holds(op_greater, large.get(), small.get()));
    EXPECT_FALSE(holds(compare_less, small.get(), same.get()));
    EXPECT_TRUE(holds(op_less_equal, small.get(), same.get()));
    EXPECT_TRUE(holds(op_greater_equal, small.get(), same.get()));
    // Incomparable sets: neither includes the other.
    CELL other = set_of({4});
    EXPECT_FALSE(holds(op_less_equal, small.get(), other.get()));
    EXPECT_FALSE(holds(op_greater_equal, small.get(), other.get()));
    // Inside lists too: incomparable sets decide nothing, the next pair does.
    CELL first = make_cell('l');
    first->list_data()->append(other.get(), 0);
    first->list_data()->append(int_cell(5).get(), 0);
    CELL second = make_cell('l');
    second->list_data()->append(small.get(), 0);
    second->list_data()->append(int_cell(6).get(), 0);
    EXPECT_TRUE(less(first.get(), second.get()));
    EXPECT_FALSE(less(second.get(), first.get()));
}

// A list nested depth levels deep around an int.
CELL nested_list(int depth, int innermost) {
    CELL inner = list_of({innermost});
    for (int level = 0; level < depth; ++level) {
        CELL outer = make_cell('l');
        outer->list_data()->append(inner.get(), 2);
        inner = std::move(outer);
    }
    return inner;
}

TEST(ValueSortLess, NestedListsCompareAtAnyDepth) {
    EXPECT_TRUE(less(nested_list(50, 1).get(), nested_list(50, 2).get()));
    EXPECT_FALSE(less(nested_list(50, 2).get(), nested_list(50, 1).get()));
    CELL low = nested_list(200000, 1);
    CELL high = nested_list(200000, 2);
    CELL same = nested_list(200000, 1);
    EXPECT_TRUE(less(low.get(), high.get()));
    EXPECT_FALSE(less(high.get(), low.get()));
    EXPECT_FALSE(less(low.get(), same.get()));
    EXPECT_TRUE(holds(op_greater, high.get(), low.get()));
    EXPECT_FALSE(holds(op_greater, low.get(), same.get()));
    EXPECT_TRUE(holds(op_less_equal, low.get(), same.get()));
    EXPECT_TRUE(holds(op_greater_equal, low.get(), same.get()));
    // A deeper list holding the same prefix is greater.
    CELL longer = nested_list(200000, 1);
    UNION_DATA* bottom = longer.get();
    while (lower_tag(element(bottom, 0)->tag) == tag_list) bottom = element(bottom, 0);
    bottom->list_data()->append(int_cell(0).get(), 0);
    EXPECT_TRUE(less(low.get(), longer.get()));
    EXPECT_FALSE(less(longer.get(), low.get()));
    EXPECT_TRUE(holds(op_greater, longer.get(), low.get()));
    EXPECT_TRUE(less(list_of({1}).get(), list_of({2}).get()));  // nothing left behind
}

TEST(ValueSortLess, NestedIncomparableElementsStillCompareByEquality) {
    // Sets that include neither the other decide nothing; whether the lists
    // around them are equal is asked of equality itself.
    auto wrapped = [](std::initializer_list<int> keys, int tail) {
        CELL inner = make_cell('l');
        inner->list_data()->append(set_of(keys).get(), 0);
        inner->list_data()->append(int_cell(tail).get(), 0);
        CELL outer = make_cell('l');
        outer->list_data()->append(inner.get(), 0);
        outer->list_data()->append(int_cell(tail).get(), 0);
        return outer;
    };
    CELL a = wrapped({1, 2}, 5);
    CELL b = wrapped({4}, 5);
    CELL c = wrapped({2, 1}, 5);
    EXPECT_FALSE(less(a.get(), b.get()));
    EXPECT_TRUE(holds(op_greater, a.get(), b.get()));  // not "<" and not equal
    EXPECT_FALSE(holds(op_greater, a.get(), c.get()));
    EXPECT_TRUE(holds(op_less_equal, a.get(), c.get()));
}

TEST(ValueSortLess, RelativesAndMessages) {
    CELL one = int_cell(1);
    CELL two = int_cell(2);
    EXPECT_TRUE(holds(op_less_equal, one.get(), one.get()));
    EXPECT_FALSE(holds(op_greater, one.get(), one.get()));
    EXPECT_TRUE(holds(op_greater, two.get(), one.get()));
    EXPECT_TRUE(holds(op_greater_equal, two.get(), two.get()));

    bool result = false;
    CELL yes = make_cell('b');
    yes->bool_word() = 1;
    EXPECT_EQ(said(compare_less(yes.get(), yes.get(), &result)), "Operator '<' not defined for type 'bool'");
    // The relatives pass the message of "<" on unchanged.
    EXPECT_EQ(said(op_less_equal(yes.get(), yes.get(), &result)), "Operator '<' not defined for type 'bool'");
    EXPECT_EQ(said(op_greater(yes.get(), yes.get(), &result)), "Operator '<' not defined for type 'bool'");
    CELL real = make_cell('r');
    *real->real_data() = REAL_DATA("1.0");
    EXPECT_EQ(said(compare_less(one.get(), real.get(), &result)), "Operator '<': incompatible types");
    EXPECT_EQ(said(op_greater_equal(one.get(), real.get(), &result)), "Operator '>=': incompatible types");
    EXPECT_EQ(said(op_less_equal(make_cell('i').get(), one.get(), &result)), "Operator <=: left operand is empty");
}

// ---- the user operator "<" ----

// What the installed operator answers: the number of results and their kind.
int answer_count = 1;
char answer_tag = 'b';
int answer_calls = 0;
bool answer_value(const TOKEN*, UNION_DATA* left, UNION_DATA* right);
bool (*answer_rule)(const TOKEN*, UNION_DATA*, UNION_DATA*) = answer_value;

// Objects carry one int member; the answer compares them unless a test
// replaces the rule.
int member_of(UNION_DATA* object) {
    UNION_DATA* member = follow_link(object)->holder()->object->groups[0].slots->cells[0];
    return *member->int_data() < INT_DATA(0) ? -1 : std::stoi(member->int_data()->to_text());
}

bool answer_value(const TOKEN* statement, UNION_DATA* left, UNION_DATA* right) {
    (void)statement;
    return member_of(left) < member_of(right);
}

void user_operator(std::string&, const TOKEN* statement, const char* op, RESULT_ITEM left, RESULT_ITEM right,
                   RESULT_LIST& results) {
    ++answer_calls;
    EXPECT_STREQ(op, "<");
    EXPECT_EQ(left.mode, 2u);
    for (int i = 0; i < answer_count; ++i) {
        auto* cell = new UNION_DATA(answer_tag);
        if (answer_tag == 'b') cell->bool_word() = answer_rule(statement, left.cell, right.cell) ? 1 : 0;
        results.append(RESULT_ITEM{cell, 0, 1});
    }
}

struct USER_TYPE {
    TOKEN type;
    USER_OPERATOR_CALLER saved = user_operator_caller;
    USER_TYPE() {
        type.text = std::string("point");
        user_operator_caller = user_operator;
        answer_count = 1;
        answer_tag = 'b';
        answer_rule = answer_value;
    }
    ~USER_TYPE() { user_operator_caller = saved; }

    CELL object(int value) {
        CELL cell = make_cell('k');
        cell->holder()->type = &type;
        auto* record = new OBJECT_RECORD();
        record->groups.resize(1);
        record->groups[0].type = &type;
        record->groups[0].slots = std::make_unique<SLOT_ARRAY>(1);
        record->groups[0].slots->cells[0] = int_cell(value).release();
        cell->holder()->object = record;
        return cell;
    }
};

TEST(ValueSortUserOperator, AnswersAndTheirMessages) {
    USER_TYPE point;
    CELL a = point.object(1);
    CELL b = point.object(2);
    EXPECT_TRUE(less(a.get(), b.get()));
    EXPECT_FALSE(less(b.get(), a.get()));
    bool result = false;
    answer_count = 0;
    EXPECT_EQ(said(compare_less(a.get(), b.get(), &result)), "Missing operator '<' for type 'point'");
    answer_count = 2;
    EXPECT_EQ(said(compare_less(a.get(), b.get(), &result)),
              "Operator '<' for type 'point': Expect exactly one result");
    answer_count = 1;
    answer_tag = 'i';
    EXPECT_EQ(said(compare_less(a.get(), b.get(), &result)), "Operator '<' for type 'point': Expect boolean result");
    // An empty bool counts as true.
    answer_tag = 'b';
    answer_rule = [](const TOKEN*, UNION_DATA*, UNION_DATA*) { return false; };
    EXPECT_FALSE(less(a.get(), b.get()));
    user_operator_caller = nullptr;
    EXPECT_EQ(said(compare_less(a.get(), b.get(), &result)), "Missing operator '<' for type 'point'");
}

TEST(ValueSortUserOperator, ListsOfObjectsAskForEveryComparison) {
    USER_TYPE point;
    CELL two = point.object(2);
    CELL one = point.object(1);
    CELL left = make_cell('l');
    left->list_data()->append(two.get(), 0);
    CELL right = make_cell('l');
    right->list_data()->append(one.get(), 0);
    // "<" of the elements, then ">" of them, which asks "<" once more.
    answer_calls = 0;
    EXPECT_FALSE(less(left.get(), right.get()));
    EXPECT_EQ(answer_calls, 2);
    // One level further down the inner pair is walked once, with one
    // answer for "<" and ">": its elements are asked as often.
    CELL outer_left = make_cell('l');
    outer_left->list_data()->append(left.get(), 0);
    CELL outer_right = make_cell('l');
    outer_right->list_data()->append(right.get(), 0);
    answer_calls = 0;
    EXPECT_FALSE(less(outer_left.get(), outer_right.get()));
    EXPECT_EQ(answer_calls, 2);
}

// ---- the sorting "<=" ----

TEST(ValueSortLessEqual, TagsListsAndMessages) {
    const char* message = nullptr;
    CELL one = int_cell(1);
    EXPECT_EQ(sort_less_equal(one.get(), one.get(), &message), 1);
    EXPECT_EQ(sort_less_equal(int_cell(2).get(), int_cell(1).get(), &message), 0);
    EXPECT_EQ(sort_less_equal(int_cell(1).get(), int_cell(1).get(), &message), 1);
    // An int variable and an any variable holding an int differ in tag.
    EXPECT_EQ(sort_less_equal(int_cell(1).get(), int_cell(1, 'V').get(), &message), -1);
    EXPECT_STREQ(message, "incompatible types");
    // Aliases are followed, and a reference stands for its target, held as
    // the reference itself is held.
    CELL alias = make_cell('i');
    alias->scope_variable = 1;
    ASSERT_EQ(assign_link(alias.get(), one.get(), 'q'), nullptr);
    EXPECT_EQ(sort_less_equal(alias.get(), one.get(), &message), 1);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), one.get(), 'p'), nullptr);
    EXPECT_EQ(sort_less_equal(reference.get(), one.get(), &message), 1);
    EXPECT_EQ(sort_less_equal(int_cell(2).get(), reference.get(), &message), 0);
    EXPECT_EQ(sort_less_equal(reference.get(), int_cell(1, 'V').get(), &message), -1);
    CELL held_reference = make_cell('V');
    ASSERT_EQ(assign_link(held_reference.get(), one.get(), 'p'), nullptr);
    EXPECT_EQ(sort_less_equal(held_reference.get(), int_cell(2, 'V').get(), &message), 1);
    EXPECT_EQ(sort_less_equal(held_reference.get(), int_cell(2).get(), &message), -1);
    EXPECT_STREQ(message, "incompatible types");

    EXPECT_EQ(sort_less_equal(list_of({1}).get(), list_of({1, 0}).get(), &message), 1);
    EXPECT_EQ(sort_less_equal(list_of({1, 0}).get(), list_of({1}).get(), &message), 0);
    EXPECT_EQ(sort_less_equal(list_of({1, 2}).get(), list_of({1, 2}).get(), &message), 1);
    EXPECT_EQ(sort_less_equal(make_cell('l').get(), make_cell('l').get(), &message), 1);
    EXPECT_EQ(sort_less_equal(list_of({3}).get(), list_of({2, 9}).get(), &message), 0);

    CELL flag = make_cell('b');
    flag->bool_word() = 0;
    CELL other_flag = make_cell('b');
    other_flag->bool_word() = 1;
    EXPECT_EQ(sort_less_equal(flag.get(), other_flag.get(), &message), -1);
    EXPECT_STREQ(message, "Operator '<' not defined for type 'bool'");
    EXPECT_EQ(sort_less_equal(make_cell('i').get(), int_cell(1).get(), &message), -1);
    EXPECT_STREQ(message, "Operator <=: left operand is empty");
}

// ---- sorting ----

TEST(ValueSortValues, SmallPermutations) {
    CELL three = int_cell(3);
    CELL one = int_cell(1);
    CELL two = int_cell(2);
    EXPECT_EQ(sorted({three.get(), one.get(), two.get()}, true), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(sorted({three.get(), one.get(), two.get()}, false), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(sorted({three.get()}, true), (std::vector<int>{0}));
    EXPECT_EQ(sorted({}, true), (std::vector<int>{}));

    CELL prefix = list_of({1});
    CELL longer = list_of({1, 0});
    CELL larger = list_of({2});
    EXPECT_EQ(sorted({larger.get(), longer.get(), prefix.get()}, true), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(sorted({prefix.get(), larger.get(), longer.get()}, false), (std::vector<int>{1, 2, 0}));
}

TEST(ValueSortValues, AFailedComparisonStopsTheSort) {
    CELL a = int_cell(5);
    CELL b = int_cell(4);
    CELL text = str_cell("x");
    CELL c = int_cell(3);
    const char* message = nullptr;
    std::vector<int> permutation = sorted({a.get(), b.get(), text.get(), c.get()}, true, &message);
    EXPECT_STREQ(message, "incompatible types");
    std::sort(permutation.begin(), permutation.end());
    EXPECT_EQ(permutation, (std::vector<int>{0, 1, 2, 3}));  // still a permutation
}

// Sorted by value in the wanted direction, ties included.
void expect_ordered(const std::vector<int>& values, const std::vector<int>& permutation, bool ascending) {
    std::vector<int> seen = permutation;
    std::sort(seen.begin(), seen.end());
    for (size_t i = 0; i < seen.size(); ++i) ASSERT_EQ(seen[i], static_cast<int>(i));
    for (size_t i = 1; i < permutation.size(); ++i) {
        int before = values[static_cast<size_t>(permutation[i - 1])];
        int after = values[static_cast<size_t>(permutation[i])];
        if (ascending) EXPECT_LE(before, after);
        else EXPECT_GE(before, after);
    }
}

TEST(ValueSortValues, RandomKeysWithManyTies) {
    std::mt19937 random(12345);
    for (int round = 0; round < 40; ++round) {
        int n = 1 + static_cast<int>(random() % 120);
        int spread = 1 + static_cast<int>(random() % 10);  // few distinct values: many ties
        std::vector<int> values;
        std::vector<CELL> cells;
        std::vector<UNION_DATA*> keys;
        for (int i = 0; i < n; ++i) {
            values.push_back(static_cast<int>(random() % static_cast<unsigned>(spread)) - spread / 2);
            cells.push_back(int_cell(values.back()));
            keys.push_back(cells.back().get());
        }
        bool ascending = round % 2 == 0;
        expect_ordered(values, sorted(keys, ascending), ascending);
    }
    // Already sorted and reversed input.
    std::vector<int> values;
    std::vector<CELL> cells;
    std::vector<UNION_DATA*> keys;
    for (int i = 0; i < 300; ++i) {
        values.push_back(i);
        cells.push_back(int_cell(i));
        keys.push_back(cells.back().get());
    }
    expect_ordered(values, sorted(keys, true), true);
    expect_ordered(values, sorted(keys, false), false);
}

TEST(ValueSortValues, AnInconsistentUserOrderStaysInsideTheRange) {
    USER_TYPE point;
    std::vector<CELL> cells;
    std::vector<UNION_DATA*> keys;
    for (int i = 0; i < 64; ++i) {
        cells.push_back(point.object(i));
        keys.push_back(cells.back().get());
    }
    // "<" never holds: the scans would run past the range's end.
    answer_rule = [](const TOKEN*, UNION_DATA*, UNION_DATA*) { return false; };
    for (bool ascending : {true, false}) {
        std::vector<int> permutation = sorted(keys, ascending);
        std::sort(permutation.begin(), permutation.end());
        for (int i = 0; i < 64; ++i) EXPECT_EQ(permutation[static_cast<size_t>(i)], i);
    }
    // "<" holds only the first time it is asked: after the first exchange
    // the pivot lies behind the upward scan, which nothing then stops.
    answer_rule = [](const TOKEN*, UNION_DATA*, UNION_DATA*) { return answer_calls == 1; };
    for (bool ascending : {true, false}) {
        for (int n = 2; n <= 9; ++n) {
            answer_calls = 0;
            std::vector<UNION_DATA*> few(keys.begin(), keys.begin() + n);
            std::vector<int> permutation = sorted(few, ascending);
            std::sort(permutation.begin(), permutation.end());
            for (int i = 0; i < n; ++i) EXPECT_EQ(permutation[static_cast<size_t>(i)], i);
        }
    }
    // Random answers.
    answer_rule = [](const TOKEN*, UNION_DATA*, UNION_DATA*) {
        static std::mt19937 random(7);
        return random() % 2 == 0;
    };
    for (bool ascending : {true, false}) {
        std::vector<int> permutation = sorted(keys, ascending);
        std::sort(permutation.begin(), permutation.end());
        for (int i = 0; i < 64; ++i) EXPECT_EQ(permutation[static_cast<size_t>(i)], i);
    }
    // A consistent one sorts.
    answer_rule = answer_value;
    std::vector<int> values(64);
    std::iota(values.begin(), values.end(), 0);
    std::vector<UNION_DATA*> reversed(keys.rbegin(), keys.rend());
    std::vector<int> reversed_values(values.rbegin(), values.rend());
    expect_ordered(reversed_values, sorted(reversed, true), true);
}

// ---- keys of a sort by code ----

// SORT_KEYS against sort_values over the lists the code would make: keys
// of numbers (machine, wide, with a text form of their own) and texts
// (zero bytes, long shared heads), of one shape or mixed, with a part of
// another kind (a real, or a key of one value) turning the compact keys
// into cells at any point. Same permutation, same message.
TEST(SortKeys, CompactKeysSortAsTheirListsDo) {
    const std::vector<std::string> numbers = {"0",
                                              "-1",
                                              "7",
                                              "007",
                                              "-7",
                                              "4611686018427387903",
                                              "-4611686018427387904",
                                              "4611686018427387904",
                                              "9223372036854775807",
                                              "99999999999999999999"};
    const std::vector<std::string> texts = {"",         "a",         "b",         bytes("a\0b"),      bytes("a\0c"),
                                            "abcdefgh", "abcdefghi", "abcdefgha", "\xC3\xA9t\xC3\xA9"};
    std::mt19937 random(43);
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    // A value: 'i' number, 's' text, 'r' real; its index into the lists.
    using PART = std::pair<char, size_t>;
    auto value_of = [&](const PART& part) -> CELL {
        if (part.first == 'i')
            return part.second < 3 ? int_cell(static_cast<int>(part.second) - 1)
                                   : int_cell(numbers[part.second].c_str());
        if (part.first == 's') return str_cell(texts[part.second]);
        return real_cell("1.5");
    };
    int stopped = 0;  // sorts that ended with a message
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 2 + static_cast<int>(pick(24));
        const bool one_shape = trial % 2 == 0;
        const size_t shape_length = 2 + pick(3);
        std::vector<std::vector<PART>> keys(static_cast<size_t>(n));
        for (auto& key : keys) {
            const size_t length = one_shape ? shape_length : 1 + pick(4);
            for (size_t k = 0; k < length; ++k) {
                char kind = (one_shape ? k % 2 == 0 : pick(2) == 0) ? 'i' : 's';
                if (trial % 5 == 1 && pick(40) == 0) kind = 'r';
                key.emplace_back(kind, kind == 'i' ? pick(numbers.size()) : pick(texts.size()));
            }
        }
        for (bool ascending : {true, false}) {
            std::vector<CELL> cells;
            std::vector<UNION_DATA*> pointers;
            SORT_KEYS compact(keys.size());
            for (const auto& key : keys) {
                if (key.size() == 1) {
                    cells.push_back(value_of(key[0]));
                    compact.add_cell(value_of(key[0]));
                } else {
                    cells.push_back(make_cell(raise_tag(tag_list)));
                    compact.start_list(static_cast<uint32_t>(key.size()));
                    for (const PART& part : key) {
                        CELL value = value_of(part);
                        ASSERT_TRUE(cells.back()->list_data()->append_plain(value.get()));
                        if (!compact.add_part(value.get())) {
                            ASSERT_TRUE(compact.list_part().append_plain(value.get()));
                        }
                    }
                    compact.end_list();
                }
                pointers.push_back(cells.back().get());
            }
            const char* expected_message = nullptr;
            const std::vector<int> expected = sorted(pointers, ascending, &expected_message);
            const std::string expected_said = said(expected_message);
            std::vector<int> permutation(keys.size());
            std::iota(permutation.begin(), permutation.end(), 0);
            const std::string message = said(compact.order(permutation.data(), n, ascending));
            EXPECT_EQ(message, expected_said) << "trial " << trial;
            EXPECT_EQ(permutation, expected) << "trial " << trial;
            if (message != "<none>") {
                ++stopped;
                continue;
            }
            // Neighbours in order by a comparison of the parts' own: numbers
            // by "<", texts as strcmp reads them, a shorter key first.
            auto order_of = [&](const std::vector<PART>& x, const std::vector<PART>& y) {
                for (size_t k = 0; k < x.size() && k < y.size(); ++k) {
                    if (x[k].first != y[k].first || x[k].first == 'r') return 0;
                    if (x[k].first == 's') {
                        const int order = std::strcmp(texts[x[k].second].c_str(), texts[y[k].second].c_str());
                        if (order != 0) return order;
                        continue;
                    }
                    CELL left = value_of(x[k]);
                    CELL right = value_of(y[k]);
                    if (less(left.get(), right.get())) return -1;
                    if (less(right.get(), left.get())) return 1;
                }
                return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
            };
            for (int i = 0; i + 1 < n; ++i) {
                const int order = order_of(keys[static_cast<size_t>(permutation[static_cast<size_t>(i)])],
                                           keys[static_cast<size_t>(permutation[static_cast<size_t>(i + 1)])]);
                EXPECT_TRUE(ascending ? order <= 0 : order >= 0) << "trial " << trial << " at " << i;
            }
        }
    }
    EXPECT_GT(stopped, 40);
    EXPECT_LT(stopped, 600);
}

}  // namespace
}  // namespace morvu
