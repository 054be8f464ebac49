#include "eval/decline_hints.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "frontend/token.h"

namespace morvu {
namespace {

struct TEST_KIND;
using HINTS = DECLINE_HINTS<TEST_KIND>;

// Declines the node on every run its roads are tried; returns how many of
// the runs skipped them.
int skipped_runs(const TOKEN* node, int runs) {
    int skipped = 0;
    for (int run = 0; run < runs; ++run) {
        HINTS::SLOT& slot = HINTS::slot_of(node);
        if (HINTS::skips(slot, node)) {
            ++skipped;
            continue;
        }
        HINTS::declined(slot, node);
    }
    return skipped;
}

TEST(DeclineHints, ANodeThatAlwaysDeclinesIsHeldBackEverLonger) {
    auto node = std::make_unique<TOKEN>();
    // Tried on runs 1, 2, 4, 7, 12, ...: the waits between tries are
    // 0, 1, 2, 4, 8, ... and never more than 64.
    std::vector<int> tried;
    for (int run = 1; run <= 300; ++run) {
        HINTS::SLOT& slot = HINTS::slot_of(node.get());
        if (HINTS::skips(slot, node.get())) continue;
        tried.push_back(run);
        HINTS::declined(slot, node.get());
    }
    ASSERT_GE(tried.size(), 8u);
    EXPECT_EQ(tried[0], 1);
    EXPECT_EQ(tried[1], 2);
    EXPECT_EQ(tried[2], 4);
    EXPECT_EQ(tried[3], 7);
    EXPECT_EQ(tried[4], 12);
    for (size_t i = 1; i < tried.size(); ++i) EXPECT_LE(tried[i] - tried[i - 1], 65);
    EXPECT_EQ(tried.back() - tried[tried.size() - 2], 65);
}

TEST(DeclineHints, AnAnswerStartsTheCountAnew) {
    auto node = std::make_unique<TOKEN>();
    EXPECT_GT(skipped_runs(node.get(), 100), 80);
    HINTS::SLOT& slot = HINTS::slot_of(node.get());
    // A node held back is tried again at the latest after 64 runs.
    while (HINTS::skips(slot, node.get())) {}
    HINTS::answered(slot, node.get());
    // One decline after an answer holds nothing back.
    HINTS::declined(slot, node.get());
    EXPECT_FALSE(HINTS::skips(slot, node.get()));
    HINTS::declined(slot, node.get());
    EXPECT_TRUE(HINTS::skips(slot, node.get()));
    EXPECT_FALSE(HINTS::skips(slot, node.get()));
}

TEST(DeclineHints, NodesSharingASlotOnlyLoseTheirCount) {
    std::vector<std::unique_ptr<TOKEN>> nodes;
    for (int i = 0; i < 600; ++i) nodes.push_back(std::make_unique<TOKEN>());
    for (const auto& node : nodes) skipped_runs(node.get(), 5);
    // Whatever another node left in its slot, a node that was never
    // declined is never held back.
    auto fresh = std::make_unique<TOKEN>();
    HINTS::SLOT& slot = HINTS::slot_of(fresh.get());
    EXPECT_FALSE(HINTS::skips(slot, fresh.get()));
}

}  // namespace
}  // namespace morvu
