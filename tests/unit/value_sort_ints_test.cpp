// sort_values orders ints within 64 bits as machine words. Its result must be
// the very permutation that the general comparison gives, ties included (the
// sort is not stable), so reals of the same values, which take the general
// path, are the oracle. The radix sort of packed numbers is checked against
// std::sort.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "test_support.h"
#include "values/radix_sort.h"
#include "values/value_order.h"
#include "values/value_sort.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::real_cell;

std::vector<int> order_of(std::vector<CELL>& cells, bool ascending) {
    std::vector<UNION_DATA*> keys;
    for (CELL& cell : cells) keys.push_back(cell.get());
    std::vector<int> permutation(cells.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    EXPECT_EQ(sort_values(keys.data(), permutation.data(), static_cast<int>(keys.size()), ascending), nullptr);
    return permutation;
}

TEST(ValueSortInts, SamePermutationAsTheGeneralOrderWithTies) {
    std::mt19937 random(21);
    for (int round = 0; round < 200; ++round) {
        const int size = static_cast<int>(random() % 60);
        const int spread = 1 + static_cast<int>(random() % 8);  // few distinct values: many ties
        std::vector<CELL> ints;
        std::vector<CELL> reals;
        for (int i = 0; i < size; ++i) {
            const int value = static_cast<int>(random() % spread) - spread / 2;
            ints.push_back(int_cell(value));
            reals.push_back(real_cell(std::to_string(value).c_str()));
        }
        for (bool ascending : {true, false}) {
            EXPECT_EQ(order_of(ints, ascending), order_of(reals, ascending)) << "round " << round;
        }
    }
}

TEST(ValueSortInts, NumbersBeyondSixtyFourBitsTakeTheGeneralOrder) {
    std::vector<CELL> cells;
    cells.push_back(int_cell("100000000000000000000"));
    cells.push_back(int_cell(-5));
    cells.push_back(int_cell("-100000000000000000000"));
    cells.push_back(int_cell(7));
    EXPECT_EQ(order_of(cells, true), (std::vector<int>{2, 1, 3, 0}));
    EXPECT_EQ(order_of(cells, false), (std::vector<int>{0, 3, 1, 2}));
}

TEST(ValueSortInts, AnEmptyIntStillGetsTheOperandMessage) {
    std::vector<CELL> cells;
    cells.push_back(int_cell(3));
    cells.push_back(test::make_cell('i'));  // an int without number
    std::vector<UNION_DATA*> keys{cells[0].get(), cells[1].get()};
    int permutation[2] = {0, 1};
    EXPECT_NE(sort_values(keys.data(), permutation, 2, true), nullptr);
}

// radix_sort_field at lengths around its changes of method and with fields
// of every width, wide or with few distinct values: the fields ascend, and
// the words are the same ones.
TEST(ValueSortRadix, OrdersByTheFieldAloneAtEveryLength) {
    std::mt19937_64 random(8);
    const std::pair<unsigned, unsigned> fields[] = {{0, 1}, {0, 8}, {3, 9}, {20, 31}, {8, 56}, {0, 64}};
    for (size_t n : {0, 1, 2, 31, 32, 33, 1000, 65536, 65537, 300000}) {
        for (auto [low, width] : fields) {
            for (uint64_t distinct : {uint64_t{0}, uint64_t{5}}) {
                const uint64_t field_mask = width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
                const uint64_t low_mask = (uint64_t{1} << low) - 1;
                std::vector<uint64_t> words(n);
                for (uint64_t& word : words) {
                    const uint64_t field = (distinct == 0 ? random() : random() % distinct) & field_mask;
                    word = field << low | (random() & low_mask);
                }
                std::vector<uint64_t> sorted = words;
                radix_sort_field(sorted.data(), n, low, width);
                const bool ascending = std::is_sorted(sorted.begin(), sorted.end(),
                                                      [low](uint64_t a, uint64_t b) { return a >> low < b >> low; });
                EXPECT_TRUE(ascending) << n << " " << low << " " << width;
                std::sort(words.begin(), words.end());
                std::sort(sorted.begin(), sorted.end());
                EXPECT_EQ(sorted, words) << n << " " << low << " " << width;
            }
        }
    }
}

// The half-word form sorts the same way, across the lengths where it
// changes method, up to fields of its full width.
TEST(ValueSortRadix, SortsHalfWordsAsWholeWords) {
    std::mt19937 random(9);
    for (size_t n : {0, 1, 33, 1000, 65537, 200000}) {
        for (unsigned width : {1u, 12u, 31u, 32u}) {
            const uint64_t mask = (uint64_t{1} << width) - 1;
            std::vector<uint32_t> words(n);
            for (uint32_t& word : words) word = static_cast<uint32_t>(random() & mask);
            std::vector<uint32_t> sorted = words;
            radix_sort_field(sorted.data(), n, 0, width);
            std::sort(words.begin(), words.end());
            EXPECT_EQ(sorted, words) << n << " " << width;
        }
    }
}

}  // namespace
}  // namespace morvu
