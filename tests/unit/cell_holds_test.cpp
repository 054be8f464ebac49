#include <gtest/gtest.h>

#include <memory>

#include "test_support.h"
#include "values/assign_rules.h"
#include "values/cell_holds.h"
#include "values/list_store.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::int_cell;
using test::int_of;

// The value cell of the first element of a list of the given ints.
UNION_DATA* first_element(LIST_DATA& list, std::initializer_list<int> values) {
    for (int value : values) list.append(int_cell(value).get(), 0);
    return &list.head->value;
}

TEST(CellHolds, HeldElementOutlivesTheClearUntilItsScopeEnds) {
    LIST_DATA list;
    UNION_DATA* element = first_element(list, {7, 8});
    auto alias = std::make_unique<UNION_DATA>(tag_nothing);
    link_cell(alias.get(), element, 'q');
    {
        const HOLD_SCOPE scope;
        hold_item(RESULT_ITEM{alias.get(), 3, 1});  // an alias handed out: its target is held
        EXPECT_TRUE(is_held(element));
        list.clear();
        EXPECT_EQ(list.node_count, 0);
        EXPECT_TRUE(is_let_go(element));
        EXPECT_EQ(int_of(element), 7);  // kept whole, links and all
        EXPECT_EQ(alias->target(), element);
    }
    // Destroyed at the end of the scope, which dissolved the alias.
    EXPECT_FALSE(is_link_cell(alias.get()));
    EXPECT_EQ(held_count, 0u);
}

TEST(CellHolds, InnerHoldOfAHeldCellLeavesItToTheOuterOne) {
    auto cell = int_cell(3);
    UNION_DATA* raw = cell.release();
    {
        const HOLD_SCOPE outer;
        hold_cell(raw);
        {
            const HOLD_SCOPE inner;
            hold_cell(raw);
            delete raw;
            EXPECT_TRUE(is_let_go(raw));
        }
        EXPECT_TRUE(is_held(raw));
        EXPECT_EQ(int_of(raw), 3);
    }
    EXPECT_EQ(held_count, 0u);
}

TEST(CellHolds, NodeWaitsForBothOfItsCells) {
    auto* node = new LIST_NODE;  // a pair: value and own key
    UNION_DATA* key = &node->key();
    ASSERT_EQ(assign_value(key, int_cell(1).get()), nullptr);
    ASSERT_EQ(assign_value(&node->value, int_cell(2).get()), nullptr);
    {
        const HOLD_SCOPE outer;
        hold_cell(key);
        {
            const HOLD_SCOPE inner;
            hold_cell(&node->value);
            delete node;
        }
        EXPECT_FALSE(is_held(&node->value));
        EXPECT_TRUE(is_let_go(key));
        EXPECT_EQ(int_of(key), 1);
        EXPECT_EQ(int_of(&node->value), 2);
    }
}

TEST(CellHolds, VariablesAndOwnTemporariesAreNotHeld) {
    auto variable = int_cell(1);
    variable->scope_variable = 1;
    auto temporary = int_cell(2);
    auto element = int_cell(3);
    const HOLD_SCOPE scope;
    hold_item(RESULT_ITEM{variable.get(), 6, 0});
    hold_item(RESULT_ITEM{temporary.get(), 1, 1});
    hold_item(RESULT_ITEM{nullptr, 6, 0});
    EXPECT_EQ(held_count, 0u);
    hold_item(RESULT_ITEM{element.get(), 6, 0});
    EXPECT_TRUE(is_held(element.get()));
    EXPECT_FALSE(is_let_go(element.get()));
}

TEST(CellHolds, ScopeReleasesItsHoldsWhenAnErrorPasses) {
    auto cell = int_cell(4);
    UNION_DATA* raw = cell.release();
    try {
        const HOLD_SCOPE scope;
        hold_cell(raw);
        delete raw;
        throw 1;
    } catch (int) {}
    EXPECT_EQ(held_count, 0u);  // and the cell is gone: the leak check would say otherwise
}

}  // namespace
}  // namespace morvu
