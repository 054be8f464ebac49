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
#include "values/saved_text.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::char_cell;
using test::int_cell;
using test::int_of;
using test::make_cell;
using test::said;
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

TEST(ArrayStoreSort, AFailedSortMovesNothing) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(3), 0);
    array.set(0, int_cell(2).get(), 0);
    array.set(1, str_cell("x").get(), 0);
    array.set(2, int_cell(1).get(), 0);
    std::vector<UNION_DATA*> keys = slot_keys(array);
    EXPECT_STREQ(array.sort(keys.data(), true), "incompatible types");
    EXPECT_EQ(array.defined_count, 3);
    EXPECT_EQ(slot_values(array), (std::vector<int>{2, -999, 1}));  // the str reads as -999
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

// ---- compact slots ----

// Whether the slot holds its value in its word.
bool compact(const ARRAY_DATA& array, int position) {
    return is_compact_word(array.slots.word(static_cast<size_t>(position)));
}

CELL bool_cell(uint16_t word) {
    CELL cell = make_cell('b');
    cell->bool_word() = word;
    return cell;
}

TEST(ArrayStoreCompactSlots, SmallValuesLiveInTheWordAndBecomeTheCellsACopyMakes) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(5), 0);
    array.set(0, int_cell(-7).get(), 0);
    array.set(1, bool_cell(1).get(), 0);
    array.set(2, char_cell('x').get(), 0);
    array.set(3, bool_cell(0xFFFF).get(), 0);  // the empty bool
    array.set(4, char_cell(0).get(), 0);       // the empty char
    EXPECT_EQ(array.defined_count, 5);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(compact(array, i)) << i;

    // Each slot's cell is the one a copy into an element would have made.
    for (int i = 0; i < 5; ++i) {
        SLOT_VIEW view;
        const UNION_DATA* shown = array.slots.view(static_cast<size_t>(i), view);
        const char* message = nullptr;
        std::unique_ptr<UNION_DATA> made = make_array_element(const_cast<UNION_DATA*>(shown), 0, &message);
        UNION_DATA* cell = array.get(i);
        ASSERT_NE(cell, nullptr);
        EXPECT_FALSE(compact(array, i));
        EXPECT_EQ(cell->tag, made->tag) << i;
        EXPECT_EQ(is_inline_int(cell->payload), is_inline_int(made->payload)) << i;
        EXPECT_TRUE(is_equal_value(cell, made.get(), true)) << i;
        EXPECT_EQ(array.get(i), cell);  // made once, then kept
    }
    EXPECT_EQ(int_of(array.get(0)), -7);
    EXPECT_EQ(array.get(1)->bool_word(), 1);
    EXPECT_EQ(array.get(3)->bool_word(), 0xFFFF);
    EXPECT_EQ(array.get(2)->char_byte(), 'x');
    EXPECT_EQ(array.defined_count, 5);
}

TEST(ArrayStoreCompactSlots, ValuesBeyondTheWordKeepACell) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(8), 0);
    array.set(0, int_cell("2305843009213693951").get(), 0);   // 2^61 - 1
    array.set(1, int_cell("-2305843009213693952").get(), 0);  // -2^61
    array.set(2, int_cell("2305843009213693952").get(), 0);   // 2^61
    array.set(3, int_cell("-2305843009213693953").get(), 0);
    array.set(4, int_cell("123456789012345678901234567890").get(), 0);
    array.set(5, str_cell("text").get(), 0);
    array.set(6, test::real_cell("1.5").get(), 0);
    CELL nothing = make_cell('i');
    clear_value(nothing.get());  // an int without value
    array.set(7, nothing.get(), 0);
    EXPECT_TRUE(compact(array, 0));
    EXPECT_TRUE(compact(array, 1));
    for (int i = 2; i < 8; ++i) EXPECT_FALSE(compact(array, i)) << i;
    EXPECT_EQ(array.get(0)->int_data()->to_text(), "2305843009213693951");
    EXPECT_EQ(array.get(1)->int_data()->to_text(), "-2305843009213693952");
    EXPECT_EQ(array.get(2)->int_data()->to_text(), "2305843009213693952");
    EXPECT_EQ(array.get(3)->int_data()->to_text(), "-2305843009213693953");
    EXPECT_EQ(array.get(4)->int_data()->to_text(), "123456789012345678901234567890");
    EXPECT_EQ(array.get(5)->str_data()->text, "text");
    EXPECT_EQ(array.defined_count, 8);

    // A word cannot take a value beyond its range: the slot's cell stays.
    uintptr_t word = 0;
    EXPECT_FALSE(int_word(compact_int_max + 1, word));
    EXPECT_FALSE(int_word(compact_int_min - 1, word));
    ASSERT_TRUE(int_word(compact_int_min, word));
    EXPECT_EQ(int_of_word(word), compact_int_min);
}

TEST(ArrayStoreCompactSlots, LinksAndMovesMakeCellsAndReachTheSlotsCell) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(5), 0);
    array.set(0, int_cell(1).get(), 0);
    ASSERT_TRUE(compact(array, 0));
    // A reference to slot 0 needs its cell; the slot keeps that cell.
    array.set(1, array.get(0), assign_mode_reference);
    ASSERT_TRUE(is_reference_tag(array.get(1)->tag));
    UNION_DATA* first = array.get(0);
    EXPECT_EQ(array.get(1)->target(), first);
    EXPECT_FALSE(compact(array, 0));

    // A write into the slot changes its cell in place: the reference sees it.
    bool added = true;
    ASSERT_TRUE(array.slots.write_word(0, bool_word_of(1), &added));
    EXPECT_FALSE(added);
    EXPECT_EQ(array.get(0), first);
    EXPECT_EQ(follow_link(array.get(1))->bool_word(), 1);
    uintptr_t word = 0;
    ASSERT_TRUE(int_word(41, word));
    ASSERT_TRUE(array.slots.write_word(0, word, &added));
    EXPECT_EQ(int_of(array.get(1)), 41);
    // A reference element is no plain cell: the write is refused, nothing changes.
    EXPECT_FALSE(array.slots.write_word(1, word, &added));
    EXPECT_TRUE(is_reference_tag(array.get(1)->tag));

    // Keep-reference copies a reference as a reference, a plain copy copies
    // its target's value into the word.
    array.set(2, array.get(1), assign_mode_keep_reference);
    EXPECT_TRUE(is_reference_tag(array.get(2)->tag));
    array.set(3, array.get(1), assign_mode_plain);
    EXPECT_TRUE(compact(array, 3));
    EXPECT_EQ(int_of(array.get(3)), 41);

    // An alias is a cell; so is the element a movement empties.
    CELL outside = int_cell(6);
    array.set(4, outside.get(), assign_mode_alias);
    EXPECT_FALSE(compact(array, 4));
    EXPECT_EQ(int_of(array.get(4)), 6);
    array.set(4, outside.get(), assign_mode_movement);
    EXPECT_EQ(int_of(array.get(4)), 6);
    EXPECT_FALSE(is_defined_value(outside.get()));

    // Removing the referenced slot dissolves the references to its cell.
    array.remove(0);
    EXPECT_FALSE(is_link_cell(array.get(1)));
    EXPECT_FALSE(is_link_cell(array.get(2)));
    EXPECT_EQ(array.defined_count, 4);
}

TEST(ArrayStoreCompactSlots, WritesAndPlainIntsOfEveryForm) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(4), 0);
    uintptr_t seven = 0;
    ASSERT_TRUE(int_word(7, seven));
    bool added = false;
    ASSERT_TRUE(array.slots.write_word(0, seven, &added));  // an undefined slot
    EXPECT_TRUE(added);
    ++array.defined_count;
    ASSERT_TRUE(array.slots.write_word(0, bool_word_of(0), &added));  // a compact one
    EXPECT_FALSE(added);
    EXPECT_EQ(array.get(0)->bool_word(), 0);

    int64_t value = 0;
    EXPECT_FALSE(array.slots.plain_int(0, value));  // a bool
    array.set(1, int_cell("9000000000000000000").get(), 0);
    ASSERT_TRUE(array.slots.plain_int(1, value));  // a cell whose payload is a word
    EXPECT_EQ(value, 9000000000000000000);
    ASSERT_TRUE(array.slots.write_word(1, seven, &added));
    EXPECT_EQ(int_of(array.get(1)), 7);
    array.set(2, str_cell("s").get(), 0);
    EXPECT_FALSE(array.slots.write_word(2, seven, &added));  // a text is no plain any cell
    EXPECT_EQ(array.get(2)->str_data()->text, "s");
    EXPECT_FALSE(array.slots.plain_int(3, value));  // undefined
}

TEST(ArrayStoreCompactSlots, CopiesKeepFormsAndCompactPlainCells) {
    ARRAY_DATA source;
    ASSERT_EQ(source.resize(5), 0);
    source.set(0, int_cell(3).get(), 0);
    source.set(1, int_cell(4).get(), 0);
    UNION_DATA* made = source.get(1);  // now a cell nothing links to
    source.set(2, str_cell("t").get(), 0);
    CELL outside = int_cell(8);
    source.set(3, outside.get(), assign_mode_reference);

    ARRAY_DATA copy;
    EXPECT_EQ(copy.copy_from(source), nullptr);
    EXPECT_EQ(copy.defined_count, 4);
    EXPECT_TRUE(compact(copy, 0));
    EXPECT_TRUE(compact(copy, 1));  // the plain cell's copy is a word
    EXPECT_FALSE(compact(copy, 2));
    EXPECT_FALSE(copy.is_defined(4));
    EXPECT_EQ(copy.get(3)->target(), outside.get());
    EXPECT_TRUE(copy == source);
    EXPECT_EQ(source.get(1), made);  // the source is untouched

    // A compact slot equals a cell of the same value, and differs from
    // another value and from another kind with the same bits.
    copy.set(1, int_cell(5).get(), 0);
    EXPECT_FALSE(copy == source);
    copy.set(1, int_cell(4).get(), 0);
    EXPECT_TRUE(copy == source);
    ARRAY_DATA ints, chars;
    ASSERT_EQ(ints.resize(1), 0);
    ASSERT_EQ(chars.resize(1), 0);
    ints.set(0, int_cell(1).get(), 0);
    chars.set(0, bool_cell(1).get(), 0);
    EXPECT_FALSE(ints == chars);
}

TEST(ArrayStoreCompactSlots, AViewFreesTheRecordAReaderBoxedItsIntInto) {
    uintptr_t word = 0;
    ASSERT_TRUE(int_word(-5, word));
    SLOT_VIEW view;
    UNION_DATA* shown = view.show(word);
    EXPECT_EQ(shown->int_data()->to_text(), "-5");  // boxed by the reader
    ASSERT_TRUE(int_word(6, word));
    shown = view.show(word);  // shown again: the record goes
    EXPECT_EQ(shown->int_data()->to_text(), "6");
    EXPECT_EQ(view.show(bool_word_of(1))->bool_word(), 1);
}

TEST(ArrayStoreCompactSlots, SortsMoveWordsAndCellsAlike) {
    ARRAY_DATA array;
    ASSERT_EQ(array.resize(4), 0);
    const int values[] = {3, 0, 2, 1};
    for (int i = 0; i < 4; ++i) array.set(i, int_cell(values[i]).get(), 0);
    UNION_DATA* two = array.get(2);  // one slot made a cell
    std::vector<SLOT_VIEW> views(4);
    std::vector<UNION_DATA*> keys;
    for (size_t at = 0; at < 4; ++at) keys.push_back(array.slots.view(at, views[at]));
    EXPECT_EQ(array.sort(keys.data(), true), nullptr);
    EXPECT_TRUE(compact(array, 0));
    EXPECT_TRUE(compact(array, 3));
    EXPECT_EQ(array.get(2), two);
    EXPECT_EQ(slot_values(array), (std::vector<int>{0, 1, 2, 3}));
}

TEST(ArrayStoreCompactSlots, SavedTextIsTheSameForWordsAndCells) {
    CELL cell = make_cell('a');
    ARRAY_DATA& array = *cell->array_data();
    ASSERT_EQ(array.resize(6), 0);
    array.set(0, int_cell(-12).get(), 0);
    array.set(1, bool_cell(1).get(), 0);
    array.set(2, char_cell('q').get(), 0);
    array.set(4, int_cell(5).get(), 0);
    array.set(5, array.get(4), assign_mode_reference);  // slot 4 becomes a cell, numbered
    const char* error = nullptr;
    const std::string text = serialize_value(cell.get(), nullptr, &error);
    EXPECT_EQ(said(error), "<none>");
    EXPECT_EQ(text, "a6ai-12ib1cqv$1$i5i@1@");
    EXPECT_TRUE(compact(array, 0));  // writing made no cell

    CELL back = make_cell('v');
    STR_DATA stream(text);
    ASSERT_TRUE(read_saved_value(back.get(), &stream, nullptr, &error));
    EXPECT_EQ(said(error), "<none>");
    EXPECT_TRUE(is_equal_value(back.get(), cell.get(), true));
    ARRAY_DATA& read = *follow_link(back.get())->array_data();
    EXPECT_EQ(read.get(5)->target(), read.get(4));
    EXPECT_EQ(read.defined_count, 5);
}

}  // namespace
}  // namespace morvu
