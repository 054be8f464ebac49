#include "runtime/slab_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "runtime/memory_pages.h"

namespace morvu {
namespace {

// Blocks of 48 bytes in slabs of 4 KiB, pooled even in sanitizer builds.
struct BLOCK {
    std::uint64_t words[6];
};
using POOL = SLAB_POOL<BLOCK, 4096, true>;

std::uintptr_t slab_of(void* block) { return reinterpret_cast<std::uintptr_t>(block) & ~std::uintptr_t{4095}; }

TEST(SlabPool, BlocksFollowOneAnotherAndDoNotOverlap) {
    std::vector<void*> blocks;
    for (std::uint32_t i = 0; i < 3 * POOL::blocks_per_slab; ++i) blocks.push_back(POOL::allocate(sizeof(BLOCK)));
    std::set<std::uintptr_t> slabs;
    for (size_t i = 0; i < blocks.size(); ++i) {
        slabs.insert(slab_of(blocks[i]));
        if (i % POOL::blocks_per_slab != 0) {
            EXPECT_EQ(static_cast<char*>(blocks[i]) - static_cast<char*>(blocks[i - 1]),
                      static_cast<std::ptrdiff_t>(sizeof(BLOCK)));
        }
        // Every block lies whole inside its slab.
        EXPECT_EQ(slab_of(static_cast<char*>(blocks[i]) + sizeof(BLOCK) - 1), slab_of(blocks[i]));
    }
    EXPECT_EQ(slabs.size(), 3u);
    for (void* block : blocks) POOL::release(block, sizeof(BLOCK));
    EXPECT_EQ(POOL::slab_count(), 1u);  // the spare stays
}

TEST(SlabPool, EmptySlabsGoBackAndGivenBackBlocksAreReused) {
    std::vector<void*> blocks;
    for (std::uint32_t i = 0; i < 4 * POOL::blocks_per_slab; ++i) blocks.push_back(POOL::allocate(sizeof(BLOCK)));
    EXPECT_EQ(POOL::slab_count(), 4u);
    // Free all but one block of every slab in a shuffled order: no slab empties.
    std::vector<void*> survivors;
    std::vector<void*> freed;
    for (size_t i = 0; i < blocks.size(); ++i)
        (i % POOL::blocks_per_slab == 5 ? survivors : freed).push_back(blocks[i]);
    std::mt19937 order(11);
    std::shuffle(freed.begin(), freed.end(), order);
    for (void* block : freed) POOL::release(block, sizeof(BLOCK));
    EXPECT_EQ(POOL::slab_count(), 4u);
    // New blocks come from the given-back ones before any new slab.
    std::set<void*> given_back(freed.begin(), freed.end());
    std::vector<void*> again;
    for (size_t i = 0; i < freed.size(); ++i) {
        again.push_back(POOL::allocate(sizeof(BLOCK)));
        EXPECT_EQ(given_back.count(again.back()), 1u);
    }
    EXPECT_EQ(std::set<void*>(again.begin(), again.end()).size(), again.size());
    EXPECT_EQ(POOL::slab_count(), 4u);
    for (void* block : again) POOL::release(block, sizeof(BLOCK));
    for (void* block : survivors) POOL::release(block, sizeof(BLOCK));
    EXPECT_EQ(POOL::slab_count(), 1u);
}

TEST(SlabPool, GrowingAndShrinkingAcrossASlabBoundaryKeepsOneSpare) {
    std::vector<void*> blocks;
    for (std::uint32_t i = 0; i < POOL::blocks_per_slab; ++i) blocks.push_back(POOL::allocate(sizeof(BLOCK)));
    for (int round = 0; round < 50; ++round) {
        void* extra = POOL::allocate(sizeof(BLOCK));  // the first block of a second slab
        EXPECT_NE(slab_of(extra), slab_of(blocks[0]));
        POOL::release(extra, sizeof(BLOCK));
        EXPECT_LE(POOL::slab_count(), 2u);
    }
    for (void* block : blocks) POOL::release(block, sizeof(BLOCK));
    EXPECT_EQ(POOL::slab_count(), 1u);
}

TEST(SlabPool, OtherSizesPassToTheHeap) {
    const size_t before = POOL::slab_count();
    void* larger = POOL::allocate(sizeof(BLOCK) + 16);
    EXPECT_EQ(POOL::slab_count(), before);
    POOL::release(larger, sizeof(BLOCK) + 16);
    POOL::release(nullptr, sizeof(BLOCK));
}

// Committing pages is only a hint to the system: what the range holds
// stays, and a range that is not page-aligned, shorter than a page or empty
// is fine.
TEST(SlabPool, CommittedPagesKeepWhatTheyHold) {
    std::vector<unsigned char> bytes(5 * 4096 + 123);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    commit_pages(bytes.data() + 1, bytes.size() - 1);
    commit_pages(bytes.data() + 17, 100);
    commit_pages(bytes.data(), 0);
    for (size_t i = 0; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], static_cast<unsigned char>(i * 7 + 1)) << i;
    // Pages committed before they are first written read as zero.
    std::vector<std::uint64_t> fresh(1 << 16);
    commit_pages(fresh.data(), fresh.size() * sizeof(std::uint64_t));
    EXPECT_TRUE(std::all_of(fresh.begin(), fresh.end(), [](std::uint64_t word) { return word == 0; }));
}

// A pool that outgrows its first slab commits the next ones whole: the
// blocks cut from them are the pool's as before.
TEST(SlabPool, LaterSlabsServeAsTheFirst) {
    using LARGE = SLAB_POOL<BLOCK, std::size_t{1} << 16, true>;
    std::vector<void*> blocks;
    for (std::uint32_t i = 0; i < 3 * LARGE::blocks_per_slab; ++i) {
        blocks.push_back(LARGE::allocate(sizeof(BLOCK)));
        static_cast<BLOCK*>(blocks.back())->words[0] = i;
    }
    EXPECT_EQ(LARGE::slab_count(), 3u);
    for (std::uint32_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(static_cast<BLOCK*>(blocks[i])->words[0], i);
    for (void* block : blocks) LARGE::release(block, sizeof(BLOCK));
    EXPECT_EQ(LARGE::slab_count(), 1u);
}

}  // namespace
}  // namespace morvu
