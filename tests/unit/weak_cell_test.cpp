// Weak holds on cells (cut when the cell is destroyed, never left pointing
// at it), the object context of code values built on them, and the pins of
// walks, which keep a payload alive while its value lets it go.

#include "values/weak_cell.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "test_support.h"
#include "values/assign_rules.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/union_data.h"
#include "values/walk_pins.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::list_of;
using test::make_cell;

// Many cells held at once, their holds dropped in a scattered order while
// others are made: every cell keeps exactly its own holds, and only those
// are cut when it goes.
TEST(WeakCell, ManyHeldCellsKeepTheirOwnHolds) {
    constexpr int count = 3000;
    std::vector<CELL> cells;
    std::vector<std::unique_ptr<WEAK_CELL>> holds;
    for (int i = 0; i < count; ++i) {
        cells.push_back(int_cell(i));
        holds.push_back(std::make_unique<WEAK_CELL>(cells.back().get()));
    }
    for (int i = 0; i < count; i += 3) holds[static_cast<size_t>(i)]->reset(nullptr);
    for (int i = 0; i < count; ++i) {
        const bool dropped = i % 3 == 0;
        EXPECT_EQ(cells[static_cast<size_t>(i)]->weak_held, dropped ? 0 : 1) << i;
    }
    for (int i = 1; i < count; i += 2) cells[static_cast<size_t>(i)].reset();
    for (int i = 0; i < count; ++i) {
        const WEAK_CELL& hold = *holds[static_cast<size_t>(i)];
        if (i % 3 == 0) {
            EXPECT_EQ(hold.get(), nullptr);
            EXPECT_FALSE(hold.cut());
        } else if (i % 2 == 1) {
            EXPECT_EQ(hold.get(), nullptr) << i;
            EXPECT_TRUE(hold.cut()) << i;
        } else {
            EXPECT_EQ(hold.get(), cells[static_cast<size_t>(i)].get()) << i;
        }
    }
}

TEST(WeakCell, EveryHoldIsCutWhenTheCellGoes) {
    CELL cell = int_cell(1);
    WEAK_CELL first(cell.get());
    WEAK_CELL second(cell.get());
    WEAK_CELL copy = second;
    EXPECT_EQ(first.get(), cell.get());
    EXPECT_EQ(copy.get(), cell.get());
    EXPECT_EQ(cell->weak_held, 1);
    cell.reset();
    for (const WEAK_CELL* hold : {&first, &second, &copy}) {
        EXPECT_EQ(hold->get(), nullptr);
        EXPECT_TRUE(hold->cut());
    }
}

TEST(WeakCell, DroppedHoldsLeaveTheCellAlone) {
    CELL cell = int_cell(1);
    {
        WEAK_CELL passing(cell.get());
        WEAK_CELL other(cell.get());
        other.reset(nullptr);
        EXPECT_FALSE(other.cut());
    }
    EXPECT_EQ(cell->weak_held, 0);  // the last hold took the mark away

    WEAK_CELL kept(cell.get());
    CELL elsewhere = int_cell(2);
    kept = elsewhere.get();  // moves the hold to another cell
    cell.reset();
    EXPECT_EQ(kept.get(), elsewhere.get());
    EXPECT_FALSE(kept.cut());
    WEAK_CELL assigned;
    assigned = kept;
    elsewhere.reset();
    EXPECT_TRUE(kept.cut());
    EXPECT_TRUE(assigned.cut());
    assigned.reset(nullptr);
    EXPECT_FALSE(assigned.cut());  // a new hold starts afresh
}

TEST(WeakCell, ACodeValueKnowsWhenItsObjectIsGone) {
    CELL object = int_cell(5);
    CELL code = make_cell('x');
    code->code_data()->this_item = RESULT_ITEM{object.get(), 11, 1};
    CELL copy = make_cell('V');
    ASSERT_EQ(assign_value(copy.get(), code.get()), nullptr);  // the copy holds the object too

    RESULT_ITEM context;
    EXPECT_EQ(code_context(*code->code_data(), &context), nullptr);
    EXPECT_EQ(context.cell, object.get());
    EXPECT_EQ(context.mode, 11u);
    EXPECT_EQ(context.owned, 0);  // never owns the object

    object.reset();
    for (const CELL* holder : {&code, &copy}) {
        const CODE_DATA& data = *(*holder)->code_data();
        EXPECT_TRUE(data.this_item.gone());
        EXPECT_EQ(data.this_item.cell, nullptr);
        EXPECT_EQ(code_context(data, &context), std::string("Object does not exist"));
        EXPECT_EQ(context.cell, nullptr);
    }

    // Without an object there is nothing to lose.
    CELL plain = make_cell('x');
    EXPECT_EQ(code_context(*plain->code_data(), &context), nullptr);
    EXPECT_EQ(context.cell, nullptr);
}

TEST(WalkPin, TheCountIsRaisedForTheWalkOnly) {
    CELL list = list_of({1, 2});
    LIST_DATA* store = list->list_data();
    {
        WALK_PIN outer('l', store);
        WALK_PIN inner('l', store);
        EXPECT_EQ(store->iteration_count, 2);
        EXPECT_FALSE(outer.orphaned());
    }
    EXPECT_EQ(store->iteration_count, 0);
    CELL number = int_cell(1);
    WALK_PIN scalar('i', number->int_data());  // a payload without count: nothing to pin
    EXPECT_FALSE(scalar.orphaned());
}

TEST(WalkPin, APayloadLetGoDuringTheWalkLivesUntilTheWalkEnds) {
    CELL list = list_of({1, 2, 3});
    LIST_DATA* store = list->list_data();
    CELL alias = make_cell('V');
    alias->scope_variable = 1;
    {
        WALK_PIN pin('l', store);
        ASSERT_EQ(assign_link(alias.get(), &store->head->value, 'q'), nullptr);
        list.reset();  // the value goes; the walk still reads its nodes
        EXPECT_TRUE(pin.orphaned());
        EXPECT_EQ(store->node_count, 3);
        EXPECT_EQ(test::int_of(&store->head->next->value), 2);
        EXPECT_TRUE(is_link_cell(alias.get()));  // still an alias of a live element
    }
    // The last pin freed the payload: links into it are dissolved.
    EXPECT_FALSE(is_link_cell(alias.get()));
}

}  // namespace
}  // namespace morvu
