#include "runtime/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvu {
namespace {

using POINTERS = std::vector<std::uintptr_t, POOLED_ALLOCATOR<std::uintptr_t>>;

// Growth carries a vector through every size class and past the largest:
// what it holds survives each move, and a copy is a vector of its own.
TEST(PooledAllocator, GrowthAcrossSizeClassesKeepsTheElements) {
    POINTERS values;
    for (std::uintptr_t i = 0; i < 40; ++i) {
        values.push_back(i * 7919);
        for (std::uintptr_t j = 0; j <= i; ++j) ASSERT_EQ(values[j], j * 7919) << "after " << i + 1 << " pushes";
    }
    POINTERS copy = values;
    copy[3] = 1;
    EXPECT_EQ(values[3], 3u * 7919);
    values.assign(3, 5);
    values.shrink_to_fit();
    EXPECT_EQ(values, (POINTERS{5, 5, 5}));
    EXPECT_EQ(copy.size(), 40u);
}

// Many short vectors alive at once get blocks that do not overlap; elements
// with a destructor of their own are destroyed with their vector.
TEST(PooledAllocator, LiveVectorsDoNotShareTheirBlocks) {
    std::vector<POINTERS> vectors;
    for (std::uintptr_t v = 0; v < 300; ++v) {
        POINTERS one;
        for (std::uintptr_t i = 0; i < v % 9; ++i) one.push_back(v * 100 + i);
        vectors.push_back(std::move(one));
    }
    for (std::uintptr_t v = 0; v < 300; ++v) {
        ASSERT_EQ(vectors[v].size(), v % 9);
        for (std::uintptr_t i = 0; i < v % 9; ++i) ASSERT_EQ(vectors[v][i], v * 100 + i);
    }
    std::vector<std::unique_ptr<std::string>, POOLED_ALLOCATOR<std::unique_ptr<std::string>>> owners;
    for (int i = 0; i < 10; ++i) owners.push_back(std::make_unique<std::string>(40, static_cast<char>('a' + i)));
    owners.erase(owners.begin() + 2);
    EXPECT_EQ(*owners[2], std::string(40, 'd'));
}

}  // namespace
}  // namespace morvu
