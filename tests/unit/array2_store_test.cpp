#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "numbers/int_data.h"
#include "test_support.h"
#include "values/array2_store.h"
#include "runtime/str_stream.h"
#include "values/assign_rules.h"
#include "values/saved_text.h"
#include "values/slot_row.h"
#include "values/union_data.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::int_of;
using test::make_cell;
using test::said;
using test::str_cell;

TEST(Array2Store, NeverSizedGridHasNoSlots) {
    ARRAY2_DATA grid, other;
    auto one = int_cell(1);
    EXPECT_FALSE(grid.exists(0, 0));
    EXPECT_EQ(grid.get(0, 0), nullptr);
    grid.set(0, 0, one.get(), 0);  // ignored
    grid.remove(0, 0);
    EXPECT_EQ(grid.count, 0);
    EXPECT_TRUE(grid.equals(other));
}

TEST(Array2Store, ResizeEmptiesAndRefusesBadSizes) {
    ARRAY2_DATA grid;
    auto one = int_cell(1);
    ASSERT_FALSE(grid.resize(3, 4));
    for (int i = 0; i < 5; ++i) grid.set(i / 4, i % 4, one.get(), 0);
    EXPECT_EQ(grid.count, 5);
    auto* array_before = grid.cells.data();
    ASSERT_FALSE(grid.resize(3, 4));  // same size: slots kept, all emptied
    EXPECT_EQ(grid.cells.data(), array_before);
    EXPECT_EQ(grid.count, 0);
    EXPECT_FALSE(grid.exists(0, 0));

    grid.set(2, 3, one.get(), 0);
    EXPECT_TRUE(grid.resize(0, 4));
    EXPECT_TRUE(grid.resize(4, -1));
    EXPECT_EQ(grid.rows, 3);
    EXPECT_EQ(grid.cols, 4);
    EXPECT_EQ(grid.count, 1);
    EXPECT_EQ(int_of(grid.get(2, 3)), 1);

    ASSERT_FALSE(grid.resize(2, 6));
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.cols, 6);
    EXPECT_EQ(grid.cells.size(), 12u);
    EXPECT_EQ(grid.count, 0);
}

TEST(Array2Store, SizesBeyondThirtyTwoBitsAreRefused) {
    ARRAY2_DATA grid;
    auto one = int_cell(1);
    ASSERT_FALSE(grid.resize(2, 2));
    grid.set(1, 1, one.get(), 0);
    // 46341 x 46341 and 65536 x 65536 overflow a 32-bit slot count; the grid
    // is refused whole, never made short.
    EXPECT_TRUE(grid.resize(46341, 46341));
    EXPECT_TRUE(grid.resize(65536, 65536));
    EXPECT_TRUE(grid.resize(2147483647, 2));
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.cols, 2);
    EXPECT_EQ(grid.cells.size(), 4u);
    EXPECT_EQ(int_of(grid.get(1, 1)), 1);
    // Large addresses on a small grid are simply outside it.
    EXPECT_FALSE(grid.exists(2147483647, 0));
    EXPECT_EQ(grid.get(0, 2147483647), nullptr);
}

TEST(Array2Store, SetReplaceRemoveAndRowMajorOrder) {
    ARRAY2_DATA grid;
    ASSERT_FALSE(grid.resize(2, 3));
    auto five = int_cell(5), six = int_cell(6);
    grid.set(1, 2, five.get(), 0);
    EXPECT_EQ(grid.count, 1);
    EXPECT_EQ(int_of(grid.cells.cell(5)), 5);  // row 1, column 2
    EXPECT_NE(grid.get(1, 2), five.get());     // the grid owns a copy
    grid.set(1, 2, six.get(), 0);
    EXPECT_EQ(grid.count, 1);
    EXPECT_EQ(int_of(grid.get(1, 2)), 6);
    // The slot's own element as the source.
    grid.set(1, 2, grid.get(1, 2), 0);
    EXPECT_EQ(int_of(grid.get(1, 2)), 6);
    EXPECT_EQ(grid.count, 1);
    grid.remove(0, 0);  // empty: nothing
    EXPECT_EQ(grid.count, 1);
    grid.remove(1, 2);
    EXPECT_EQ(grid.count, 0);
    EXPECT_FALSE(grid.exists(1, 2));
    grid.set(-1, 0, five.get(), 0);
    grid.set(2, 0, five.get(), 0);
    grid.set(0, 3, five.get(), 0);
    EXPECT_EQ(grid.count, 0);
}

TEST(Array2Store, ReferencesInSlots) {
    ARRAY2_DATA grid;
    ASSERT_FALSE(grid.resize(1, 3));
    auto target = int_cell(9);
    grid.set(0, 0, target.get(), 1);  // a reference to target
    ASSERT_TRUE(is_reference_tag(grid.get(0, 0)->tag));
    grid.set(0, 1, grid.get(0, 0), 4);  // a reference stays a reference
    ASSERT_TRUE(is_reference_tag(grid.get(0, 1)->tag));
    EXPECT_EQ(grid.get(0, 1)->target(), target.get());
    grid.set(0, 2, grid.get(0, 0), 0);  // a plain copy of what it refers to
    EXPECT_FALSE(is_link_cell(grid.get(0, 2)));
    EXPECT_EQ(int_of(grid.get(0, 2)), 9);
    // Destroying the target dissolves the references in the grid.
    target.reset();
    EXPECT_FALSE(is_link_cell(grid.get(0, 0)));
    EXPECT_EQ(grid.count, 3);
    grid.clear();
    EXPECT_EQ(grid.count, 0);
}

TEST(Array2Store, EqualityAndCopies) {
    // Grids that are compared live in cells: equality is asked as the value
    // layer asks it, which also clears the marks that a comparison leaves.
    auto cell_a = std::make_unique<UNION_DATA>('z'), cell_b = std::make_unique<UNION_DATA>('z'),
         cell_c = std::make_unique<UNION_DATA>('z');
    ARRAY2_DATA& a = *cell_a->array2_data();
    ARRAY2_DATA& b = *cell_b->array2_data();
    ARRAY2_DATA& c = *cell_c->array2_data();
    auto same = [](const std::unique_ptr<UNION_DATA>& x, const std::unique_ptr<UNION_DATA>& y) {
        return is_equal_value(x.get(), y.get(), true);
    };
    EXPECT_TRUE(same(cell_a, cell_b));  // never sized
    ASSERT_FALSE(a.resize(2, 3));
    ASSERT_FALSE(b.resize(3, 2));
    EXPECT_FALSE(same(cell_a, cell_b));  // same slot count, other shape
    ASSERT_FALSE(c.resize(2, 3));
    EXPECT_TRUE(same(cell_a, cell_c));
    auto one = int_cell(1), two = int_cell(2);
    a.set(0, 1, one.get(), 0);
    EXPECT_FALSE(same(cell_a, cell_c));
    c.set(0, 1, two.get(), 0);
    EXPECT_FALSE(same(cell_a, cell_c));
    c.set(0, 1, one.get(), 0);
    EXPECT_TRUE(same(cell_a, cell_c));
    c.set(1, 2, one.get(), 0);
    EXPECT_FALSE(same(cell_a, cell_c));
    EXPECT_FALSE(same(cell_c, cell_a));

    auto cell_copy = std::make_unique<UNION_DATA>('z');
    ARRAY2_DATA& copy = *cell_copy->array2_data();
    EXPECT_EQ(copy.copy_from(c), nullptr);
    EXPECT_EQ(copy.rows, 2);
    EXPECT_EQ(copy.cols, 3);
    EXPECT_EQ(copy.count, 2);
    EXPECT_TRUE(same(cell_copy, cell_c));
    EXPECT_NE(copy.get(0, 1), c.get(0, 1));
    EXPECT_EQ(copy.get(0, 0), nullptr);
    EXPECT_EQ(copy.copy_from(copy), nullptr);  // onto itself: nothing
    EXPECT_EQ(copy.count, 2);
}

TEST(Array2Store, IterationRefusesStructureChanges) {
    ARRAY2_DATA grid;
    EXPECT_EQ(grid.check_not_iterating(), nullptr);
    ++grid.iterations;
    ASSERT_NE(grid.check_not_iterating(), nullptr);
    EXPECT_STREQ(grid.check_not_iterating(), "infeasible during iteration");
    --grid.iterations;
    EXPECT_EQ(grid.check_not_iterating(), nullptr);
}

// ---- compact slots ----

bool compact(const ARRAY2_DATA& grid, int row, int col) {
    return is_compact_word(grid.cells.word(grid.slot_of(row, col)));
}

TEST(Array2StoreCompactSlots, WordsBecomeCellsOnlyWhereACellIsAskedFor) {
    ARRAY2_DATA grid;
    ASSERT_FALSE(grid.resize(2, 3));
    for (int i = 0; i < 6; ++i) grid.set(i / 3, i % 3, int_cell(i * 10).get(), 0);
    grid.set(0, 1, str_cell("wide").get(), 0);
    EXPECT_EQ(grid.count, 6);
    EXPECT_FALSE(compact(grid, 0, 1));
    EXPECT_TRUE(compact(grid, 1, 2));
    EXPECT_TRUE(grid.exists(1, 2));  // no cell made by asking
    EXPECT_TRUE(compact(grid, 1, 2));

    // A reference to (1, 2) makes its cell; writes go into that cell.
    grid.set(0, 0, grid.get(1, 2), assign_mode_reference);
    UNION_DATA* target = grid.get(1, 2);
    EXPECT_EQ(grid.get(0, 0)->target(), target);
    uintptr_t word = 0;
    ASSERT_TRUE(int_word(-3, word));
    bool added = true;
    ASSERT_TRUE(grid.cells.write_word(grid.slot_of(1, 2), word, &added));
    EXPECT_FALSE(added);
    EXPECT_EQ(grid.get(1, 2), target);
    EXPECT_EQ(int_of(grid.get(0, 0)), -3);

    // Removing and clearing take words and cells alike.
    grid.remove(1, 0);
    EXPECT_EQ(grid.count, 5);
    EXPECT_FALSE(grid.exists(1, 0));
    grid.remove(1, 2);
    EXPECT_FALSE(is_link_cell(grid.get(0, 0)));
    grid.clear();
    EXPECT_EQ(grid.count, 0);
    EXPECT_FALSE(grid.exists(1, 1));
}

TEST(Array2StoreCompactSlots, CopiesAndEqualityAcrossForms) {
    ARRAY2_DATA grid;
    ASSERT_FALSE(grid.resize(2, 2));
    grid.set(0, 0, int_cell(1).get(), 0);
    grid.set(1, 1, int_cell(2).get(), 0);
    UNION_DATA* made = grid.get(1, 1);
    ARRAY2_DATA copy;
    EXPECT_EQ(copy.copy_from(grid), nullptr);
    EXPECT_EQ(copy.count, 2);
    EXPECT_TRUE(compact(copy, 1, 1));
    EXPECT_TRUE(copy.equals(grid));
    EXPECT_EQ(grid.get(1, 1), made);
    copy.set(1, 1, int_cell(3).get(), 0);
    EXPECT_FALSE(copy.equals(grid));
    copy.set(1, 1, int_cell(2).get(), 0);
    copy.set(0, 1, int_cell(2).get(), 0);
    EXPECT_FALSE(copy.equals(grid));  // defined against empty
}

TEST(Array2StoreCompactSlots, SavedTextRoundTrip) {
    CELL cell = make_cell('z');
    ARRAY2_DATA& grid = *cell->array2_data();
    ASSERT_FALSE(grid.resize(2, 2));
    grid.set(0, 0, int_cell(7).get(), 0);
    grid.set(1, 0, int_cell("2305843009213693952").get(), 0);
    grid.set(1, 1, grid.get(0, 0), assign_mode_reference);
    const char* error = nullptr;
    const std::string text = serialize_value(cell.get(), nullptr, &error);
    EXPECT_EQ(said(error), "<none>");
    EXPECT_EQ(text, "z2z2z$1$i7ivi2305843009213693952i@1@");
    CELL back = make_cell('v');
    STR_DATA stream(text);
    ASSERT_TRUE(read_saved_value(back.get(), &stream, nullptr, &error));
    EXPECT_EQ(said(error), "<none>");
    EXPECT_TRUE(is_equal_value(back.get(), cell.get(), true));
    ARRAY2_DATA& read = *follow_link(back.get())->array2_data();
    EXPECT_EQ(read.get(1, 1)->target(), read.get(0, 0));
}

}  // namespace
}  // namespace morvu
