#include "values/factories.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "values/result_list.h"
#include "frontend/token.h"
#include "frontend/type_services.h"
#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/error.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;

// Takes over the cell of an owned item.
CELL take(const RESULT_ITEM& item) {
    EXPECT_EQ(item.owned, 1);
    return CELL(item.cell);
}

TEST(FactoriesScalar, EachFactoryMakesAFreshTemporary) {
    RESULT_ITEM flag_item = make_bool_value(true, 3);
    EXPECT_EQ(flag_item.mode, 3u);
    CELL flag = take(flag_item);
    EXPECT_EQ(flag->tag, 'b');
    EXPECT_EQ(flag->bool_word(), 1);
    EXPECT_EQ(flag->access_mode, 6u);

    CELL letter = take(make_char_value('x'));
    EXPECT_EQ(letter->char_byte(), 'x');

    RESULT_ITEM number_item = make_int_value_from_number(-42);
    EXPECT_EQ(number_item.mode, 0u);
    CELL number = take(number_item);
    EXPECT_EQ(number->int_data()->to_text(), "-42");

    INT_DATA big("123456789012345678901234567890");
    CELL big_cell = take(make_int_value(big, 1));
    EXPECT_TRUE(*big_cell->int_data() == big);
    EXPECT_NE(static_cast<void*>(big_cell->int_data()), static_cast<void*>(&big));

    REAL_DATA real("2.50");
    CELL real_cell = take(make_real_value(real));
    EXPECT_EQ(real_cell->real_data()->scale, 2);

    CELL text = take(make_str_value("hello"));
    EXPECT_EQ(text->str_data()->text, "hello");
    CELL empty_text = take(make_str_value(""));
    EXPECT_TRUE(is_empty_value(empty_text.get()));

    CELL oper = take(make_oper_value('+', 0));
    EXPECT_EQ(oper->oper_chars()[0], '+');
    EXPECT_EQ(oper->oper_chars()[1], 0);
    EXPECT_FALSE(is_empty_value(oper.get()));
}

TEST(FactoriesCalendar, CopiesTheNumbersButNotTheCachedText) {
    DATE_DATA date(INT_DATA(7), INT_DATA(3), INT_DATA(2024));
    date.to_text(true);
    ASSERT_FALSE(date.text.empty());
    CELL date_cell = take(make_date_value(date));
    EXPECT_EQ(date_cell->tag, '0');
    EXPECT_TRUE(date_cell->date_data()->text.empty());
    EXPECT_TRUE(date_cell->date_data()->day == INT_DATA(7));
    EXPECT_FALSE(is_empty_value(date_cell.get()));

    CELL time = take(make_time_value(TIME_DATA(INT_DATA(1), INT_DATA(2), INT_DATA(3))));
    EXPECT_TRUE(time->time_data()->seconds == INT_DATA(3));
    CELL zone = take(make_timezone_value(TIMEZONE_DATA(INT_DATA(-5), INT_DATA(30))));
    EXPECT_TRUE(zone->timezone_data()->hours == INT_DATA(-5));
    CELL moment = take(make_datetime_value(DATETIME_DATA(date, TIME_DATA(INT_DATA(1), INT_DATA(2), INT_DATA(3)),
                                                         TIMEZONE_DATA(INT_DATA(0), INT_DATA(0)))));
    EXPECT_EQ(moment->tag, '4');
    EXPECT_TRUE(is_equal_value(moment.get(), moment.get(), true));
    EXPECT_TRUE(is_empty_value(take(make_time_value(TIME_DATA())).get()));
}

TEST(FactoriesAny2, HalvesAreCopiesOrReferences) {
    CELL x = int_cell(1);
    CELL reference = std::make_unique<UNION_DATA>('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    CELL y = int_cell(2);
    CELL pair = take(make_any2_value(reference.get(), 4, y.get(), 0));
    EXPECT_EQ(pair->tag, 'u');
    UNION_DATA& first = pair->any2_data()->first;
    UNION_DATA& second = pair->any2_data()->second;
    EXPECT_EQ(first.tag, 'P');
    EXPECT_EQ(first.target(), x.get());
    EXPECT_EQ(second.tag, 'I');
    EXPECT_EQ(second.int_data()->to_text(), "2");
    // The temporary pair is gone: x is referred to by the two cells only.
    EXPECT_EQ(first_referrer(x.get(), tag_reference), &first);
    EXPECT_EQ(first.link()->next, reference.get());

    // An alias half becomes a copy of what it stands for.
    CELL aliased = take(make_any2_value(y.get(), 3, y.get(), 0));
    EXPECT_EQ(aliased->any2_data()->first.tag, 'I');
    EXPECT_EQ(first_referrer(y.get(), tag_alias), nullptr);

    CELL copy = std::make_unique<UNION_DATA>('V');
    copy_construct_value(copy.get(), pair.get());
    EXPECT_TRUE(is_equal_value(pair.get(), copy.get(), true));
}

TEST(FactoriesCopy, AccessModesByLinkAndFlags) {
    CELL x = int_cell(5);
    x->scope_variable = 1;
    RESULT_LIST list;
    ASSERT_EQ(make_copy_value(list, x.get(), 4, false, false), nullptr);
    ASSERT_EQ(make_copy_value(list, x.get(), 4, true, false), nullptr);
    ASSERT_EQ(make_copy_value(list, x.get(), 4, false, true), nullptr);
    ASSERT_EQ(make_copy_value(list, x.get(), 1, false, false), nullptr);
    ASSERT_EQ(make_copy_value(list, x.get(), 1, true, false), nullptr);
    ASSERT_EQ(make_copy_value(list, x.get(), 1, false, true), nullptr);
    EXPECT_EQ(list.count, 6u);
    const uint32_t expected[] = {3, 2, 0, 9, 7, 8};
    int index = 0;
    for (RESULT_NODE* node = list.head; node != nullptr; node = node->next, ++index) {
        EXPECT_EQ(node->item.mode, expected[index]) << index;
        EXPECT_EQ(node->item.owned, 1);
        EXPECT_EQ(node->item.cell->scope_variable, 0);
    }
    EXPECT_EQ(list.head->item.cell->tag, 'I');
    EXPECT_EQ(list.tail->item.cell->tag, 'P');
}

TEST(FactoriesCopy, AliasOfATemporaryAndRefusals) {
    CELL x = int_cell(5);
    RESULT_LIST list;
    ASSERT_EQ(make_copy_value(list, x.get(), 3, false, false), nullptr);
    EXPECT_EQ(list.head->item.mode, 9u);
    EXPECT_EQ(list.head->item.cell->tag, 'Q');
    // A source that is an alias is linked again: mode 9 as well.
    ASSERT_EQ(make_copy_value(list, list.head->item.cell, 6, false, false), nullptr);
    EXPECT_EQ(list.tail->item.mode, 9u);

    CELL reference = std::make_unique<UNION_DATA>('i');
    ASSERT_EQ(assign_link(reference.get(), x.get(), 'p'), nullptr);
    RESULT_LIST other;
    EXPECT_STREQ(make_copy_value(other, x.get(), 2, false, false), nullptr);
    EXPECT_STREQ(make_copy_value(other, other.head->item.cell, 2, false, false), nullptr);
    EXPECT_STREQ(make_copy_value(other, reference.get(), 0, false, false), nullptr);
    CELL alias_of_reference = std::make_unique<UNION_DATA>('i');
    alias_of_reference->scope_variable = 1;
    ASSERT_EQ(assign_link(alias_of_reference.get(), reference.get(), 'q'), nullptr);
    EXPECT_STREQ(make_copy_value(other, alias_of_reference.get(), 0, false, false),
                 "Assignment of a reference not allowed");
    EXPECT_EQ(other.count, 3u);
}

// A type definition as the parser builds it: the blank operator with the
// keyword on its left and the type's declaring node on its right.
struct TYPE_TREE {
    std::unique_ptr<TOKEN> blank;
    TOKEN* type;

    explicit TYPE_TREE(const char* keyword) : blank(std::make_unique<TOKEN>(' ', 0, nullptr, -1, 1, 1)) {
        blank->left = new TOKEN(std::string(keyword), blank.get(), -1, 1, 1);
        type = new TOKEN(std::string("point"), blank.get(), -1, 1, 1);
        type->op1 = '(';
        blank->right = type;
    }
};

TEST(FactoriesObjects, SmallObjectsAndSmallTypes) {
    TYPE_TREE tree("smalltype");
    TOKEN* type = tree.type;
    UNION_DATA initial('k');
    initial.holder()->type = type;
    auto* record = new OBJECT_RECORD();
    record->groups.resize(1);
    record->groups[0].type = type;
    record->groups[0].slots = std::make_unique<SLOT_ARRAY>(2);
    record->groups[0].slots->cells[0] = int_cell(1).release();
    record->groups[0].slots->cells[1] = new UNION_DATA('i');
    // The second member refers to the first: the copy's must refer to the copy.
    ASSERT_EQ(assign_link(record->groups[0].slots->cells[1], record->groups[0].slots->cells[0], 'p'), nullptr);
    initial.holder()->object = record;
    set_type_initial_object(type, &initial);

    UNION_DATA object('k');
    make_small_object(&object, &initial);
    ASSERT_NE(object.holder()->object, nullptr);
    EXPECT_EQ(object.holder()->type, type);
    auto& cells = object.holder()->object->groups[0].slots->cells;
    EXPECT_EQ(cells[1]->target(), cells[0]);
    EXPECT_TRUE(is_equal_value(&object, &initial, true));
    EXPECT_TRUE(is_empty_value(&object));
    EXPECT_TRUE(is_smalltype_value(&object, false));

    *cells[0]->int_data() = INT_DATA(9);
    EXPECT_FALSE(is_empty_value(&object));
    clear_payload(&object);  // back to a copy of the initial object
    EXPECT_TRUE(is_empty_value(&object));
    set_type_initial_object(type, nullptr);

    TYPE_TREE big("bigtype");
    UNION_DATA big_object('k');
    big_object.holder()->type = big.type;
    EXPECT_FALSE(is_smalltype_value(&big_object, false));
}

TEST(FactoriesObjects, SmallTypeValuesByTag) {
    CELL list = std::make_unique<UNION_DATA>('l');
    EXPECT_FALSE(is_smalltype_value(list.get(), true));
    CELL text = std::make_unique<UNION_DATA>('S');
    EXPECT_FALSE(is_smalltype_value(text.get(), false));
    EXPECT_TRUE(is_smalltype_value(text.get(), true));
    CELL date = std::make_unique<UNION_DATA>('1');
    EXPECT_TRUE(is_smalltype_value(date.get(), true));
}

TEST(FactoriesResults, PopTakesTheHead) {
    RESULT_LIST list;
    list.append(make_int_value_from_number(1));
    list.append(make_int_value_from_number(2));
    RESULT_ITEM first = pop(list);
    CELL cell(first.cell);
    EXPECT_EQ(cell->int_data()->to_text(), "1");
    EXPECT_EQ(list.count, 1u);
    EXPECT_EQ(list.head, list.tail);
    CELL second(pop(list).cell);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    try {
        pop(list);
        FAIL() << "pop of an empty list must throw";
    } catch (const ERROR& error) {
        EXPECT_EQ(error.message, "internal error in pop(): list is empty");
        EXPECT_EQ(error.kind, 's');
        EXPECT_EQ(error.line, 0);
        EXPECT_TRUE(error.file.empty());
    }
}

TEST(FactoriesResults, ChecksOnObjects) {
    EXPECT_STREQ(is_object_present(RESULT_ITEM{}), "Object does not exist");
    CELL x = int_cell(1);
    CELL alias = std::make_unique<UNION_DATA>('i');
    alias->scope_variable = 1;
    ASSERT_EQ(assign_link(alias.get(), x.get(), 'q'), nullptr);
    EXPECT_EQ(is_object_present(RESULT_ITEM{alias.get(), 6, 0}), nullptr);
    CELL never_set = std::make_unique<UNION_DATA>('i');
    EXPECT_EQ(is_object_defined(never_set.get()), nullptr);
    EXPECT_STREQ(is_object_nonempty(never_set.get()), "Object is empty");
    CELL any = std::make_unique<UNION_DATA>('V');
    EXPECT_STREQ(is_object_nonempty(any.get()), "Object is not defined");
    EXPECT_EQ(is_object_nonempty(x.get()), nullptr);
}

}  // namespace
}  // namespace morvu
