#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::int_cell;
using test::int_of;
using test::str_cell;

TEST(ArrayStoreSlots, ResizeRefusesSizesBelowOneAndKeepsTheArray) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(3), 0);
    auto seven = int_cell(7);
    array.set(1, seven.get(), 0);
    EXPECT_EQ(array.resize(0), 1);
    EXPECT_EQ(array.resize(-3), 1);
    EXPECT_EQ(array.slot_count, 3);
    EXPECT_EQ(array.defined_count, 1);
    EXPECT_EQ(int_of(array.get(1)), 7);
}

TEST(ArrayStoreSlots, ResizeUndefinesEverySlot) {
    ARRAY_DATA array;
    auto one = int_cell(1);
    ASSERT_EQ(array.resize(2), 0);
    array.set(0, one.get(), 0);
    array.set(1, one.get(), 0);
    ASSERT_EQ(array.resize(2), 0);  // same size: slots kept, all undefined
    EXPECT_EQ(array.slot_count, 2);
    EXPECT_EQ(array.defined_count, 0);
    EXPECT_FALSE(array.is_defined(0));
    array.set(1, one.get(), 0);
    ASSERT_EQ(array.resize(5), 0);
    EXPECT_EQ(array.slot_count, 5);
    EXPECT_EQ(array.defined_count, 0);
    EXPECT_EQ(array.get(4), nullptr);
}

TEST(ArrayStoreSlots, SetRemoveAndDefinedCount) {
    ARRAY_DATA array;
    auto one = int_cell(1);
    auto two = int_cell(2);
    // No slots yet: everything is out of range and ignored.
    array.set(0, one.get(), 0);
    EXPECT_EQ(array.defined_count, 0);
    EXPECT_FALSE(array.is_defined(0));

    ASSERT_EQ(array.resize(3), 0);
    array.set(0, one.get(), 0);
    array.set(2, two.get(), 0);
    EXPECT_EQ(array.defined_count, 2);
    array.set(2, one.get(), 0);  // replacing keeps the count
    EXPECT_EQ(array.defined_count, 2);
    EXPECT_EQ(int_of(array.get(2)), 1);
    EXPECT_NE(array.get(2), one.get());  // a copy, not the cell given

    array.set(3, one.get(), 0);
    array.set(-1, one.get(), 0);
    EXPECT_EQ(array.defined_count, 2);
    EXPECT_EQ(array.get(-1), nullptr);
    EXPECT_EQ(array.get(3), nullptr);

    array.remove(1);  // undefined: nothing
    array.remove(7);  // out of range: nothing
    EXPECT_EQ(array.defined_count, 2);
    array.remove(0);
    EXPECT_EQ(array.defined_count, 1);
    EXPECT_FALSE(array.is_defined(0));

    array.clear();
    EXPECT_EQ(array.defined_count, 0);
    EXPECT_EQ(array.slot_count, 3);
}

TEST(ArrayStoreSlots, SetFromTheElementItReplaces) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(2), 0);
    auto five = int_cell(5);
    array.set(0, five.get(), 0);
    // The source is the very cell being replaced; it must be read before it goes.
    array.set(0, array.get(0), 0);
    EXPECT_EQ(int_of(array.get(0)), 5);
    array.set(1, array.get(0), 2);  // movement out of a sibling
    EXPECT_EQ(int_of(array.get(1)), 5);
    EXPECT_FALSE(is_defined_value(array.get(0)));
    EXPECT_EQ(array.defined_count, 2);
}

TEST(ArrayStoreSlots, SetWithModesKeepsReferences) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(1), 0);
    auto target = int_cell(3);
    array.set(0, target.get(), 1);
    ASSERT_TRUE(is_reference_tag(array.get(0)->tag));
    EXPECT_EQ(array.get(0)->target(), target.get());
    *target->int_data() = INT_DATA(4);
    EXPECT_EQ(int_of(array.get(0)), 4);
    // Destroying the target dissolves the reference element.
    target.reset();
    EXPECT_FALSE(is_link_cell(array.get(0)));
}

TEST(ArrayStoreSlots, CheckDefinedNamesTheFirstGap) {
    ARRAY_DATA array;
    EXPECT_EQ(array.check_defined(), nullptr);  // no slots at all
    ASSERT_EQ(array.resize(3), 0);
    auto one = int_cell(1);
    array.set(0, one.get(), 0);
    array.set(2, one.get(), 0);
    ASSERT_NE(array.check_defined(), nullptr);
    EXPECT_STREQ(array.check_defined(), "1-th element is not defined");
    array.set(1, one.get(), 0);
    EXPECT_EQ(array.check_defined(), nullptr);
}

TEST(ArrayStoreEquality, SlotBySlot) {
    ARRAY_DATA a, b;
    EXPECT_TRUE(a == b);  // both without slots
    ASSERT_EQ(a.resize(2), 0);
    EXPECT_FALSE(a == b);  // sizes differ
    ASSERT_EQ(b.resize(2), 0);
    auto x = str_cell("x");
    auto x_again = str_cell("x");
    a.set(1, x.get(), 0);
    b.set(1, x_again.get(), 0);
    EXPECT_TRUE(a == b);  // slot 0 undefined in both, slot 1 equal
    a.set(0, x.get(), 0);
    EXPECT_FALSE(a == b);  // defined against undefined
    b.set(0, str_cell("y").get(), 0);
    EXPECT_FALSE(a == b);
}

// The ints of all slots in slot order.
std::vector<int> slot_values(const ARRAY_DATA& array) {
    std::vector<int> values;
    for (int i = 0; i < array.slot_count; ++i) values.push_back(int_of(array.get(i)));
    return values;
}

// The slots' own cells, as the sort methods pass them for a plain sort.
std::vector<UNION_DATA*> slot_keys(const ARRAY_DATA& array) {
    std::vector<UNION_DATA*> keys;
    for (int i = 0; i < array.slot_count; ++i) keys.push_back(array.get(i));
    return keys;
}

TEST(ArrayStoreSort, SlotsTakeTheirKeysOrder) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(4), 0);
    for (int i = 0; i < 4; ++i) array.set(i, int_cell((i * 3) % 4).get(), 0);  // 0 3 2 1
    UNION_DATA* three = array.get(1);
    std::vector<UNION_DATA*> keys = slot_keys(array);
    EXPECT_EQ(array.sort(keys.data(), true), nullptr);
    EXPECT_EQ(slot_values(array), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(array.get(3), three);  // the cells move, they are not copied
    EXPECT_EQ(array.defined_count, 4);
    keys = slot_keys(array);
    EXPECT_EQ(array.sort(keys.data(), false), nullptr);
    EXPECT_EQ(slot_values(array), (std::vector<int>{3, 2, 1, 0}));

    // Keys computed apart from the elements: the elements follow them, and
    // equal keys come out as the partition leaves them (exchanged).
    std::vector<std::unique_ptr<UNION_DATA>> key_cells;
    for (int key : {1, 0, 1, 0}) key_cells.push_back(int_cell(key));
    keys.clear();
    for (const auto& cell : key_cells) keys.push_back(cell.get());
    EXPECT_EQ(array.sort(keys.data(), true), nullptr);
    EXPECT_EQ(slot_values(array), (std::vector<int>{0, 2, 3, 1}));

    ARRAY_DATA single;
    ASSERT_EQ(single.resize(1), 0);
    single.set(0, int_cell(5).get(), 0);
    keys = slot_keys(single);
    EXPECT_EQ(single.sort(keys.data(), true), nullptr);
    EXPECT_EQ(slot_values(single), (std::vector<int>{5}));
}

TEST(ArrayStoreSort, AFailedSortKeepsEveryElement) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(3), 0);
    array.set(0, int_cell(2).get(), 0);
    array.set(1, str_cell("x").get(), 0);
    array.set(2, int_cell(1).get(), 0);
    std::vector<UNION_DATA*> keys = slot_keys(array);
    EXPECT_STREQ(array.sort(keys.data(), true), "incompatible types");
    EXPECT_EQ(array.defined_count, 3);
    std::vector<int> values = slot_values(array);
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<int>{-999, 1, 2}));  // the str reads as -999
}

TEST(ArrayStoreCopy, CopiesSlotsAndKeepsReferenceTargets) {
    ARRAY_DATA source;
    ASSERT_EQ(source.resize(3), 0);
    auto outside = int_cell(9);
    auto zero = int_cell(0);
    source.set(0, zero.get(), 0);
    source.set(2, outside.get(), 1);

    ARRAY_DATA copy;
    ASSERT_EQ(copy.resize(1), 0);
    copy.set(0, zero.get(), 0);
    EXPECT_EQ(copy.copy_from(source), nullptr);
    EXPECT_EQ(copy.slot_count, 3);
    EXPECT_EQ(copy.defined_count, 2);
    EXPECT_FALSE(copy.is_defined(1));
    EXPECT_NE(copy.get(0), source.get(0));
    EXPECT_EQ(int_of(copy.get(0)), 0);
    ASSERT_TRUE(is_reference_tag(copy.get(2)->tag));
    EXPECT_EQ(copy.get(2)->target(), outside.get());
    EXPECT_TRUE(copy == source);

    EXPECT_EQ(copy.copy_from(copy), nullptr);  // onto itself: unchanged
    EXPECT_EQ(copy.defined_count, 2);
    EXPECT_EQ(int_of(copy.get(0)), 0);
}

TEST(ArrayStoreCopy, ArrayAssignedIntoItsOwnSlot) {
    // a[0] = a: the copy of the whole array is made before slot 0's old
    // element is destroyed.
    UNION_DATA array_cell('a');
    ARRAY_DATA& array = *array_cell.array_data();
    ASSERT_EQ(array.resize(2), 0);
    auto one = int_cell(1);
    array.set(0, one.get(), 0);
    array.set(1, one.get(), 0);
    array.set(0, &array_cell, 0);
    ASSERT_EQ(base_type_code(array.get(0)), 'a');
    ARRAY_DATA& inner = *follow_link(array.get(0))->array_data();
    EXPECT_EQ(inner.slot_count, 2);
    EXPECT_EQ(int_of(inner.get(0)), 1);
    EXPECT_EQ(int_of(inner.get(1)), 1);
}

}  // namespace
}  // namespace morvu
