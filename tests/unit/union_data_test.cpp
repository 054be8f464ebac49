#include "values/union_data.h"
#include "values/value_copy.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "values/result_list.h"
#include "frontend/token.h"
#include "frontend/type_services.h"
#include "numbers/int_data.h"
#include "runtime/str_stream.h"
#include "values/saved_text.h"
#include "test_support.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"

namespace morvu {
namespace {

using test::CELL;
using test::element;
using test::int_cell;
using test::int_of;
using test::list_of;
using test::make_cell;
using test::str_cell;

// ---- construction and the empty state of every tag ----

// Every element of a container is a cell: its size is the containers' memory.
static_assert(sizeof(UNION_DATA) <= 40, "a cell grew");
static_assert(sizeof(STR_DATA) <= 48, "a text payload grew");
static_assert(sizeof(LIST_NODE) <= 56, "a list element grew");

TEST(UnionDataCell, EveryTypedTagStartsDefinedAndEmpty) {
    for (char tag : std::string("024abcdefghilmnorstuxyz")) {
        CELL cell = make_cell(tag);
        EXPECT_TRUE(is_defined_value(cell.get())) << tag;
        EXPECT_TRUE(is_empty_value(cell.get())) << tag;
        EXPECT_EQ(base_type_code(cell.get()), tag);
        EXPECT_EQ(saved_id_of(cell.get()), -1);
        EXPECT_EQ(cell->access_mode, 6u);
        EXPECT_FALSE(value_type_name(cell.get(), true).is_user_type);
        EXPECT_STRNE(value_type_name(cell.get(), true).text, "?") << tag;
    }
}

TEST(UnionDataCell, AnyCellsObjectsAndUnknownTags) {
    EXPECT_FALSE(is_defined_value(make_cell('V').get()));
    EXPECT_TRUE(is_defined_value(make_cell('v').get()));
    CELL object = make_cell('k');
    EXPECT_NE(object->holder(), nullptr);
    EXPECT_FALSE(is_defined_value(object.get()));
    CELL odd = make_cell('#');
    EXPECT_FALSE(is_defined_value(odd.get()));
    EXPECT_TRUE(is_empty_value(odd.get()));
    EXPECT_STREQ(value_type_name(odd.get(), true).text, "?");
}

TEST(UnionDataCell, EmptinessOfScalars) {
    CELL flag = make_cell('b');
    EXPECT_TRUE(is_empty_value(flag.get()));
    flag->bool_word() = 0;
    EXPECT_FALSE(is_empty_value(flag.get()));
    EXPECT_TRUE(is_empty_value(make_cell('n').get()));
    CELL number = int_cell(0);
    EXPECT_FALSE(is_empty_value(number.get()));
    CELL target = int_cell(3);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    EXPECT_FALSE(is_empty_value(reference.get()));
}

TEST(UnionDataCell, BaseTypeCodeAndTypeNames) {
    CELL any_real = make_cell('R');
    EXPECT_EQ(base_type_code(any_real.get()), 'r');
    CELL date = make_cell('1');
    CELL reference = make_cell('V');
    ASSERT_EQ(assign_link(reference.get(), date.get(), 'p'), nullptr);
    EXPECT_EQ(reference->tag, 'P');
    EXPECT_EQ(base_type_code(reference.get()), '0');
    EXPECT_EQ(base_type_code(make_cell('V').get()), 'v');

    CELL any_int = int_cell(4, 'V');
    EXPECT_EQ(any_int->tag, 'I');
    EXPECT_STREQ(value_type_name(any_int.get(), false).text, "any");
    EXPECT_STREQ(value_type_name(any_int.get(), true).text, "int");
    CELL list = make_cell('l');
    CELL list_reference = make_cell('l');
    ASSERT_EQ(assign_link(list_reference.get(), list.get(), 'p'), nullptr);
    EXPECT_STREQ(value_type_name(list_reference.get(), false).text, "list");
    EXPECT_STREQ(value_type_name(list_reference.get(), true).text, "list");
}

TEST(UnionDataCell, TagLoweringAndRaising) {
    EXPECT_EQ(lower_tag('I'), 'i');
    EXPECT_EQ(lower_tag('5'), '4');
    EXPECT_EQ(lower_tag('4'), '4');
    EXPECT_EQ(raise_tag('0'), '1');
    EXPECT_EQ(raise_tag('s'), 'S');
    EXPECT_TRUE(is_any_tag('3'));
    EXPECT_FALSE(is_any_tag('2'));
}

// ---- destruction dissolves the links that point at a cell ----

TEST(UnionDataDestroy, ReferrersBecomeEmptyValuesOfTheTargetType) {
    CELL target = int_cell(7);
    target->scope_variable = 1;
    CELL first = make_cell('i');
    CELL second = make_cell('i');
    CELL alias = make_cell('i');
    alias->scope_variable = 1;
    CELL any_reference = make_cell('V');
    ASSERT_EQ(assign_link(first.get(), target.get(), 'p'), nullptr);
    ASSERT_EQ(assign_link(second.get(), target.get(), 'p'), nullptr);
    ASSERT_EQ(assign_link(alias.get(), target.get(), 'q'), nullptr);
    ASSERT_EQ(assign_link(any_reference.get(), target.get(), 'p'), nullptr);
    EXPECT_EQ(first_referrer(target.get(), tag_reference), any_reference.get());  // newest first
    target.reset();
    for (UNION_DATA* cell : {first.get(), second.get(), alias.get()}) {
        EXPECT_EQ(cell->tag, 'i');
        EXPECT_TRUE(is_defined_value(cell));
        EXPECT_TRUE(is_empty_value(cell));
    }
    EXPECT_EQ(any_reference->tag, 'v');
}

TEST(UnionDataDestroy, DestroyingAReferrerUnlinksItFromItsTarget) {
    CELL target = int_cell(1);
    CELL first = make_cell('i');
    CELL second = make_cell('i');
    CELL third = make_cell('i');
    for (UNION_DATA* cell : {first.get(), second.get(), third.get()})
        ASSERT_EQ(assign_link(cell, target.get(), 'p'), nullptr);
    second.reset();  // the middle of the list
    EXPECT_EQ(first_referrer(target.get(), tag_reference), third.get());
    EXPECT_EQ(third->link()->next, first.get());
    EXPECT_EQ(first->link()->prev, third.get());
    third.reset();  // the head
    EXPECT_EQ(first_referrer(target.get(), tag_reference), first.get());
    EXPECT_EQ(first->link()->prev, target.get());
}

TEST(UnionDataDestroy, LinksOfEveryKindShareOneListAndLeaveItAlone) {
    CELL target = int_cell(3);
    target->scope_variable = 1;
    CELL reference = make_cell('i');
    CELL alias = make_cell('i');
    alias->scope_variable = 1;
    CELL call_alias = make_cell('i');
    call_alias->scope_variable = 1;
    CELL newer_reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    ASSERT_EQ(assign_link(alias.get(), target.get(), 'q'), nullptr);
    ASSERT_EQ(assign_link(call_alias.get(), target.get(), 'j'), nullptr);
    ASSERT_EQ(assign_link(newer_reference.get(), target.get(), 'p'), nullptr);
    EXPECT_EQ(first_referrer(target.get(), tag_reference), newer_reference.get());
    EXPECT_EQ(first_referrer(target.get(), tag_alias), alias.get());
    EXPECT_EQ(first_referrer(target.get(), tag_call_alias), call_alias.get());

    alias.reset();  // from the middle: the kinds around it stay
    EXPECT_EQ(first_referrer(target.get(), tag_alias), nullptr);
    EXPECT_EQ(first_referrer(target.get(), tag_call_alias), call_alias.get());
    EXPECT_EQ(call_alias->link()->next, reference.get());
    EXPECT_EQ(reference->link()->prev, call_alias.get());

    target.reset();
    for (UNION_DATA* cell : {reference.get(), call_alias.get(), newer_reference.get()}) {
        EXPECT_EQ(cell->tag, 'i');
    }
}

TEST(UnionDataDestroy, DissolveLinkValueLeavesNoValue) {
    CELL target = int_cell(2);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    dissolve_link_value(reference.get());
    EXPECT_EQ(reference->tag, 'i');
    EXPECT_FALSE(is_defined_value(reference.get()));
    EXPECT_EQ(first_referrer(target.get(), tag_reference), nullptr);
}

TEST(UnionDataDestroy, ClearPayloadKeepsTheType) {
    CELL any_int = int_cell(5, 'V');
    clear_payload(any_int.get());
    EXPECT_EQ(any_int->tag, 'v');
    CELL list = make_cell('l');
    CELL one = int_cell(1);
    list->list_data()->append(one.get(), 0);
    clear_payload(list.get());
    EXPECT_EQ(list->tag, 'l');
    EXPECT_EQ(list->list_data()->node_count, 0);
    CELL text = str_cell("abc");
    clear_payload(text.get());
    EXPECT_TRUE(is_empty_value(text.get()));
    destroy_payload(any_int.get(), true);
    EXPECT_EQ(any_int->tag, 'V');
}

TEST(UnionDataDestroy, ClearValueListFreesOnlyOwnedCells) {
    CELL kept = int_cell(1);
    {
        RESULT_LIST list;
        list.append(RESULT_ITEM{new UNION_DATA('i'), 0, 1});
        list.append(RESULT_ITEM{kept.get(), 6, 0});
        list.append(RESULT_ITEM{nullptr, 0, 1});
        clear_value_list(list);
        EXPECT_EQ(list.count, 0u);
        EXPECT_EQ(list.head, nullptr);
        EXPECT_EQ(list.tail, nullptr);
    }
    EXPECT_EQ(int_of(kept.get()), 1);
}

// ---- deep copies ----

TEST(UnionDataCopy, EveryTagCopiesEqual) {
    for (char tag : std::string("024abcdefghilmnorstuxyz")) {
        CELL cell = make_cell(tag);
        CELL copy = make_cell('V');
        copy_construct_value(copy.get(), cell.get());
        EXPECT_EQ(copy->tag, tag);
        EXPECT_TRUE(is_equal_value(cell.get(), copy.get(), true)) << tag;
    }
}

TEST(UnionDataCopy, FilledContainersAreIndependent) {
    CELL list = make_cell('l');
    CELL one = int_cell(1);
    CELL word = str_cell("a");
    list->list_data()->append(one.get(), 0);
    list->list_data()->append(word.get(), 0);
    CELL copy = make_cell('l');
    copy_value(copy.get(), list.get(), false);
    EXPECT_TRUE(is_equal_value(list.get(), copy.get(), true));
    *element(copy.get(), 0)->int_data() = INT_DATA(9);
    EXPECT_EQ(int_of(element(list.get(), 0)), 1);
    EXPECT_FALSE(is_equal_value(list.get(), copy.get(), true));

    CELL array = make_cell('a');
    ASSERT_EQ(array->array_data()->resize(3), 0);
    array->array_data()->set(0, one.get(), 0);
    array->array_data()->set(2, word.get(), 0);
    CELL array_copy = make_cell('V');
    copy_construct_value(array_copy.get(), array.get());
    EXPECT_FALSE(array_copy->array_data()->is_defined(1));
    EXPECT_NE(array_copy->array_data()->get(0), array->array_data()->get(0));
    EXPECT_TRUE(is_equal_value(array.get(), array_copy.get(), true));

    CELL hash = make_cell('h');
    const char* message = nullptr;
    hash->hash_data()->insert(word.get(), 0, one.get(), 0, &message);
    CELL hash_copy = make_cell('h');
    copy_value(hash_copy.get(), hash.get(), false);
    EXPECT_EQ(hash_copy->hash_data()->pair_count, 1);
    EXPECT_TRUE(is_equal_value(hash.get(), hash_copy.get(), true));

    CELL grid = make_cell('z');
    ASSERT_FALSE(grid->array2_data()->resize(2, 3));
    grid->array2_data()->set(1, 2, one.get(), 0);
    CELL grid_copy = make_cell('V');
    copy_construct_value(grid_copy.get(), grid.get());
    EXPECT_EQ(grid_copy->array2_data()->count, 1);
    EXPECT_TRUE(is_equal_value(grid.get(), grid_copy.get(), true));

    CELL graph = make_cell('g');
    ASSERT_EQ(graph->graph_data()->append_node(one.get(), 0), nullptr);
    ASSERT_EQ(graph->graph_data()->append_node(word.get(), 0), nullptr);
    ASSERT_EQ(graph->graph_data()->add_edge(0, 1, one.get(), 0), nullptr);
    CELL graph_copy = make_cell('g');
    copy_value(graph_copy.get(), graph.get(), false);
    EXPECT_TRUE(is_equal_value(graph.get(), graph_copy.get(), true));
}

TEST(UnionDataCopy, ReferencesInsideTheCopyPointIntoTheCopy) {
    CELL outside = int_cell(5);
    CELL list = make_cell('l');
    CELL first = int_cell(1);
    list->list_data()->append(first.get(), 0);
    list->list_data()->append(element(list.get(), 0), 1);  // a reference to the first element
    list->list_data()->append(outside.get(), 1);
    CELL copy = make_cell('V');
    copy_construct_value(copy.get(), list.get());
    EXPECT_EQ(element(copy.get(), 1)->target(), element(copy.get(), 0));
    EXPECT_EQ(element(list.get(), 1)->target(), element(list.get(), 0));
    EXPECT_EQ(element(copy.get(), 2)->target(), outside.get());
    // No copy partner survives the copy.
    EXPECT_TRUE(copy_partners.empty());
}

TEST(UnionDataCopy, ReferenceToTheCopiedValueItselfFollowsTheCopy) {
    CELL list = make_cell('l');
    list->list_data()->append(list.get(), 1);
    CELL copy = make_cell('l');
    ASSERT_EQ(assign_value(copy.get(), list.get()), nullptr);
    EXPECT_EQ(element(copy.get(), 0)->target(), copy.get());
    EXPECT_EQ(element(list.get(), 0)->target(), list.get());
}

TEST(UnionDataCopy, ValueWithoutValueLeavesDestinationWithout) {
    CELL empty = make_cell('i');
    dissolve_link_value(empty.get());
    ASSERT_FALSE(is_defined_value(empty.get()));
    CELL dest = int_cell(3);
    ASSERT_EQ(assign_value(dest.get(), empty.get()), nullptr);
    EXPECT_EQ(dest->tag, 'i');
    EXPECT_FALSE(is_defined_value(dest.get()));
}

TEST(UnionDataCopy, AnyCellTakesTheNewType) {
    CELL any = int_cell(1, 'V');
    CELL text = str_cell("x");
    ASSERT_EQ(assign_value(any.get(), text.get()), nullptr);
    EXPECT_EQ(any->tag, 'S');
    EXPECT_EQ(any->str_data()->text, "x");
}

// ---- equality ----

TEST(UnionDataEqual, InnerReferencesCompareByPlace) {
    auto self_referring = [] {
        CELL list = make_cell('l');
        CELL one = int_cell(1);
        list->list_data()->append(one.get(), 0);
        list->list_data()->append(element(list.get(), 0), 1);
        return list;
    };
    CELL a = self_referring();
    CELL b = self_referring();
    EXPECT_TRUE(is_equal_value(a.get(), b.get(), true));
    EXPECT_TRUE(equality_partners.empty());

    CELL x = int_cell(2);
    CELL y = int_cell(2);
    CELL to_x = make_cell('l');
    CELL to_y = make_cell('l');
    to_x->list_data()->append(x.get(), 1);
    to_y->list_data()->append(y.get(), 1);
    EXPECT_FALSE(is_equal_value(to_x.get(), to_y.get(), true));
    CELL also_to_x = make_cell('l');
    also_to_x->list_data()->append(x.get(), 1);
    EXPECT_TRUE(is_equal_value(to_x.get(), also_to_x.get(), true));
}

TEST(UnionDataEqual, TopLevelReferenceStandsForItsTarget) {
    CELL x = int_cell(4);
    CELL y = int_cell(4);
    CELL reference = make_cell('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    EXPECT_TRUE(is_equal_value(reference.get(), y.get(), true));
    EXPECT_FALSE(is_equal_value(reference.get(), y.get(), false));
    CELL text = str_cell("4");
    EXPECT_FALSE(is_equal_value(x.get(), text.get(), true));
}

TEST(UnionDataEqual, ObjectsCompareMemberByMember) {
    TOKEN type;
    type.text = std::string("point");
    auto make_object = [&](int a, int b) {
        CELL cell = make_cell('k');
        cell->holder()->type = &type;
        auto* record = new OBJECT_RECORD();
        record->groups.resize(1);
        record->groups[0].type = &type;
        record->groups[0].slots = std::make_unique<SLOT_ARRAY>(2);
        record->groups[0].slots->cells[0] = int_cell(a).release();
        record->groups[0].slots->cells[1] = int_cell(b).release();
        cell->holder()->object = record;
        return cell;
    };
    CELL p = make_object(1, 2);
    CELL q = make_object(1, 2);
    CELL r = make_object(1, 3);
    EXPECT_TRUE(is_equal_value(p.get(), q.get(), true));
    EXPECT_FALSE(is_equal_value(p.get(), r.get(), true));
    CELL copy = make_cell('V');
    copy_construct_value(copy.get(), p.get());
    EXPECT_EQ(copy->tag, 'k');
    EXPECT_TRUE(is_equal_value(p.get(), copy.get(), true));
    EXPECT_NE(copy->holder()->object, p->holder()->object);
    EXPECT_EQ(value_type_name(copy.get(), true).type, &type);
    EXPECT_EQ(type_name_text(value_type_name(copy.get(), true)), "point");
    EXPECT_TRUE(contains_cell(p.get(), p->holder()));
    EXPECT_FALSE(contains_cell(p.get(), q->holder()));
    EXPECT_TRUE(is_within_value(p.get(), p->holder()->object->groups[0].slots->cells[1]));
}

// ---- values nested very deep ----

// A list holding a list holding ... depth levels, built inside out by moves.
CELL nested_list(int depth) {
    CELL inner = make_cell('l');
    for (int level = 0; level < depth; ++level) {
        CELL outer = make_cell('l');
        outer->list_data()->append(inner.get(), 2);
        inner = std::move(outer);
    }
    return inner;
}

TEST(UnionDataDeep, DestroyingAMillionLevelsUsesNoDeepRecursion) {
    CELL deep = nested_list(1000000);
    deep.reset();
    SUCCEED();
}

// The innermost list of a nested_list.
UNION_DATA* innermost(UNION_DATA* list) {
    while (list->list_data()->node_count != 0) list = element(list, 0);
    return list;
}

TEST(UnionDataDeep, CopiesOfAnyDepthAreWholeAndIndependent) {
    CELL deep = nested_list(200000);
    CELL dest = make_cell('l');
    CELL one = int_cell(1);
    dest->list_data()->append(one.get(), 0);
    EXPECT_EQ(assign_value(dest.get(), deep.get()), nullptr);
    EXPECT_TRUE(is_equal_value(dest.get(), deep.get(), true));
    EXPECT_TRUE(copy_partners.empty());
    // The copy's bottom is its own.
    innermost(dest.get())->list_data()->append(one.get(), 0);
    EXPECT_EQ(innermost(deep.get())->list_data()->node_count, 0);
    EXPECT_FALSE(is_equal_value(dest.get(), deep.get(), true));

    CELL fresh = make_cell('V');
    copy_construct_value(fresh.get(), deep.get());
    EXPECT_TRUE(is_equal_value(fresh.get(), deep.get(), true));

    CELL slot = make_cell('v');
    EXPECT_EQ(copy_into_slot(slot.get(), deep.get(), 0), nullptr);
    EXPECT_TRUE(is_equal_value(slot.get(), deep.get(), true));
    EXPECT_TRUE(copy_partners.empty());
}

TEST(UnionDataEquality, PlainElementsAroundNestedOnes) {
    // (1, (2), x) against (1, (2), y), and the same nested one level more.
    auto make = [](int last, int nested) {
        CELL list = list_of({1});
        CELL inner = list_of({nested});
        list->list_data()->append(inner.get(), 0);
        list->list_data()->append(int_cell(last).get(), 0);
        CELL outer = list_of({0});
        outer->list_data()->append(list.get(), 0);
        return outer;
    };
    EXPECT_TRUE(is_equal_value(make(3, 2).get(), make(3, 2).get(), true));
    EXPECT_FALSE(is_equal_value(make(3, 2).get(), make(4, 2).get(), true));
    EXPECT_FALSE(is_equal_value(make(3, 2).get(), make(3, 5).get(), true));
    EXPECT_TRUE(equality_partners.empty());
}

TEST(UnionDataDeep, EqualityLooksAtTheBottom) {
    CELL a = nested_list(200000);
    CELL b = nested_list(200000);
    EXPECT_TRUE(is_equal_value(a.get(), b.get(), true));
    CELL one = int_cell(1);
    innermost(b.get())->list_data()->append(one.get(), 0);
    EXPECT_FALSE(is_equal_value(a.get(), b.get(), true));
    EXPECT_FALSE(is_equal_value(b.get(), a.get(), true));
    EXPECT_TRUE(equality_partners.empty());
}

TEST(UnionDataDeep, ValuesOfModerateDepthCopyAndCompare) {
    for (int depth : {1999, 2000, 2001}) {
        CELL a = nested_list(depth);
        CELL b = make_cell('l');
        EXPECT_EQ(assign_value(b.get(), a.get()), nullptr);
        EXPECT_TRUE(is_equal_value(a.get(), b.get(), true));
    }
}

// ---- ints held in the payload word ----

TEST(UnionDataInlineInt, TheWordHoldsExactlyItsRange) {
    for (int64_t value : {inline_int_min, inline_int_min + 1, int64_t{-1}, int64_t{0}, int64_t{1}, inline_int_max}) {
        void* word = nullptr;
        ASSERT_TRUE(make_inline_int(value, word)) << value;
        EXPECT_TRUE(is_inline_int(word));
        EXPECT_EQ(inline_int_value(word), value);
    }
    for (int64_t value : {INT64_MIN, inline_int_min - 1, inline_int_max + 1, INT64_MAX}) {
        void* word = nullptr;
        EXPECT_FALSE(make_inline_int(value, word)) << value;
        EXPECT_EQ(word, nullptr);
    }
    CELL record = int_cell(7);
    EXPECT_FALSE(is_inline_int(record->payload));
}

// Only a number whose copy looks as assign_int64 makes it may become a word:
// a zero with the sign -1, extra groups of a text, the empty number and
// magnitudes beyond the range keep their records.
TEST(UnionDataInlineInt, OnlyPlainCopiesBecomeWords) {
    void* word = nullptr;
    EXPECT_TRUE(inline_copy_of(INT_DATA(-42), word));
    EXPECT_EQ(inline_int_value(word), -42);
    INT_DATA negative_zero = INT_DATA(0) * INT_DATA(-3);
    ASSERT_EQ(negative_zero.sign(), -1);
    INT_DATA huge("4611686018427387904");
    INT_DATA padded("007");
    for (const INT_DATA* number : {&negative_zero, &huge, &padded}) {
        word = nullptr;
        EXPECT_FALSE(inline_copy_of(*number, word)) << number->to_text();
        EXPECT_EQ(word, nullptr);
    }
    EXPECT_FALSE(inline_copy_of(INT_DATA(), word));
    // "00" keeps its text, which a copy drops: the copy may be a word, the
    // number itself is not in the plain form.
    INT_DATA kept("00");
    int64_t value = -1;
    EXPECT_TRUE(inline_copy_of(kept, word));
    EXPECT_FALSE(kept.plain_int64(value));
    EXPECT_TRUE(INT_DATA(-5).plain_int64(value));
    EXPECT_EQ(value, -5);
}

// An any cell given a plain int holds the word; the first reader of the
// record gets one of the same value, and the cell reads the same after.
TEST(UnionDataInlineInt, TheRecordIsMadeOnFirstUseWithTheSameValue) {
    CELL source = int_cell(-12345678);
    CELL cell = make_cell('v');
    ASSERT_EQ(assign_value(cell.get(), source.get()), nullptr);
    ASSERT_TRUE(is_inline_int(cell->payload));
    EXPECT_EQ(cell->tag, raise_tag(tag_int));
    EXPECT_TRUE(is_equal_value(cell.get(), source.get(), true));
    int64_t before = 0;
    ASSERT_TRUE(cell_int64(cell.get(), before));
    INT_DATA* number = cell->int_data();
    EXPECT_FALSE(is_inline_int(cell->payload));
    EXPECT_EQ(cell->int_data(), number);
    EXPECT_EQ(number->to_text(), "-12345678");
    EXPECT_EQ(number->sign(), -1);
    int64_t after = 0;
    ASSERT_TRUE(cell_int64(cell.get(), after));
    EXPECT_EQ(before, after);
    // A typed variable keeps its record when given a word.
    CELL variable = int_cell(1);
    variable->scope_variable = 1;
    CELL word_cell = make_cell('v');
    ASSERT_EQ(assign_value(word_cell.get(), source.get()), nullptr);
    ASSERT_EQ(assign_value(variable.get(), word_cell.get()), nullptr);
    EXPECT_FALSE(is_inline_int(variable->payload));
    EXPECT_TRUE(is_inline_int(word_cell->payload));
    EXPECT_EQ(variable->int_data()->to_text(), "-12345678");
}

}  // namespace
}  // namespace morvu
