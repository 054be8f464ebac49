// The hash store across the boundary between a hash that keeps its few
// bucket lists in a row and one with the table of every bucket: the pair
// order must be the same on both sides, whatever way the hash got there.
// The order is checked against its definition (bucket, then insertion
// order within a bucket), worked out here from the keys' buckets alone.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {
namespace {

using test::CELL;
using test::int_cell;
using test::str_cell;

constexpr size_t row_capacity = HASH_DATA::BUCKETS::row_capacity;

// A hash together with the keys it should hold, in insertion order.
struct TRACKED {
    HASH_DATA hash;
    std::vector<std::string> keys;

    void add(const std::string& key, int value = 0) {
        const char* message = nullptr;
        hash.insert(str_cell(key).get(), 0, int_cell(value).get(), 0, &message);
        EXPECT_EQ(message, nullptr);
        keys.push_back(key);
    }
    void remove(const std::string& key) {
        EXPECT_TRUE(hash.remove(str_cell(key).get(), false, nullptr));
        keys.erase(std::find(keys.begin(), keys.end(), key));
    }
    void clear() {
        hash.clear();
        keys.clear();
    }
};

int bucket_of(const std::string& key) { return HASH_DATA::bucket_of(str_cell(key).get(), false, nullptr); }

std::vector<std::string> expected_order(const std::vector<std::string>& keys) {
    std::vector<std::string> order;
    for (int b = 0; b < HASH_DATA::bucket_count; ++b)
        for (const std::string& key : keys)
            if (bucket_of(key) == b) order.push_back(key);
    return order;
}

// The pair order as every reader sees it: the cached array, the walk over
// the buckets from begin() to end(), and the walk by bucket number.
std::vector<std::string> pair_order(HASH_DATA& hash) {
    std::vector<std::string> by_entries;
    for (LIST_DATA* list : hash.buckets) {
        if (list == nullptr) continue;
        for (LIST_NODE* node = list->head; node != nullptr; node = node->next)
            by_entries.push_back(node->key().str_data()->text);
    }
    std::vector<std::string> by_number;
    for (size_t b = 0; b < hash.buckets.size(); ++b) {
        if (hash.buckets[b] == nullptr) continue;
        for (LIST_NODE* node = hash.buckets[b]->head; node != nullptr; node = node->next)
            by_number.push_back(node->key().str_data()->text);
    }
    EXPECT_EQ(by_entries, by_number);
    std::vector<uint8_t> used;
    for (const uint8_t b : hash.used_buckets()) used.push_back(b);
    std::vector<uint8_t> nonempty;
    for (size_t b = 0; b < hash.buckets.size(); ++b)
        if (hash.buckets[b] != nullptr) nonempty.push_back(static_cast<uint8_t>(b));
    EXPECT_EQ(used, nonempty);
    hash.build_array();
    std::vector<std::string> by_array;
    for (LIST_NODE* node : *hash.cached_array) by_array.push_back(node->key().str_data()->text);
    EXPECT_EQ(by_array, by_entries);
    return by_array;
}

void expect_consistent(TRACKED& tracked) {
    EXPECT_EQ(tracked.hash.pair_count, static_cast<int>(tracked.keys.size()));
    EXPECT_EQ(pair_order(tracked.hash), expected_order(tracked.keys));
    for (const std::string& key : tracked.keys) EXPECT_TRUE(tracked.hash.contains(str_cell(key).get(), false, nullptr));
    EXPECT_FALSE(tracked.hash.contains(str_cell("absent").get(), false, nullptr));
}

// Single letters lie in buckets of their own ('a' is 97, bucket 0); "" and
// "a" share bucket 0, "12" and "21" lie apart.
const std::vector<std::string> letters = {"q", "c", "x", "a", "m", "f", "z", "b", "k"};

TEST(HashStoreRow, GrowingPastTheRowKeepsThePairOrder) {
    TRACKED tracked;
    for (size_t i = 0; i < letters.size(); ++i) {
        tracked.add(letters[i]);
        // Another key in an already used bucket stays behind the first.
        if (i == 1) tracked.add("");
        if (letters[i] == "a") tracked.add("21");
        expect_consistent(tracked);
        EXPECT_EQ(tracked.hash.buckets.has_table(), tracked.hash.used_buckets().count > static_cast<int>(row_capacity));
    }
    EXPECT_TRUE(tracked.hash.buckets.has_table());
}

TEST(HashStoreRow, ShrinkingByDeletesKeepsThePairOrder) {
    TRACKED tracked;
    for (const std::string& key : letters) tracked.add(key);
    tracked.add("");
    ASSERT_TRUE(tracked.hash.buckets.has_table());
    // From the middle, the front and the back of the order, one bucket's
    // first pair before its second.
    for (const char* key : {"m", "a", "z", "q", "", "k", "c"}) {
        tracked.remove(key);
        expect_consistent(tracked);
    }
    // Keys come back behind the ones left in their buckets.
    tracked.add("a");
    tracked.add("y");
    expect_consistent(tracked);
    for (const char* key : {"x", "f", "b", "a", "y"}) tracked.remove(key);
    expect_consistent(tracked);
    EXPECT_FALSE(tracked.hash.buckets.has_table());  // an emptied hash gives its table back
    tracked.add("w");
    expect_consistent(tracked);
}

TEST(HashStoreRow, RemovalsFromTheRowCloseTheGap) {
    TRACKED tracked;
    for (const char* key : {"d", "b", "e", "a", "c"}) tracked.add(key);
    ASSERT_FALSE(tracked.hash.buckets.has_table());
    for (const char* key : {"c", "a", "e"}) {
        tracked.remove(key);
        expect_consistent(tracked);
    }
    EXPECT_FALSE(tracked.hash.remove(str_cell("c").get(), false, nullptr));
    tracked.add("c");
    tracked.add("a");
    expect_consistent(tracked);
}

TEST(HashStoreRow, ClearLeavesAHashThatFillsAgain) {
    TRACKED tracked;
    for (const std::string& key : letters) tracked.add(key);
    tracked.clear();
    EXPECT_FALSE(tracked.hash.buckets.has_table());
    for (const auto& list : tracked.hash.buckets) EXPECT_EQ(list, nullptr);
    expect_consistent(tracked);
    for (const char* key : {"b", "a"}) tracked.add(key);
    expect_consistent(tracked);
    for (const std::string& key : letters)
        if (key != "a" && key != "b") tracked.add(key);
    expect_consistent(tracked);
}

TEST(HashStoreRow, CopiesBetweenRowAndTable) {
    TRACKED large;
    for (const std::string& key : letters) large.add(key, static_cast<int>(key.size()));
    large.add("");
    TRACKED small;
    for (const char* key : {"k", "a", ""}) small.add(key);

    // Onto a hash with a row, then onto one with a table; a copy is a hash
    // of its own.
    TRACKED copy;
    copy.add("z");
    ASSERT_EQ(copy.hash.copy_from(large.hash), nullptr);
    copy.keys = large.keys;
    expect_consistent(copy);
    EXPECT_TRUE(copy.hash.equals(large.hash, true));
    copy.remove("q");
    EXPECT_TRUE(large.hash.contains(str_cell("q").get(), false, nullptr));
    ASSERT_EQ(copy.hash.copy_from(small.hash), nullptr);
    copy.keys = small.keys;
    expect_consistent(copy);
    EXPECT_FALSE(copy.hash.buckets.has_table());
    EXPECT_TRUE(copy.hash.equals(small.hash, true));
    EXPECT_EQ(pair_order(copy.hash), pair_order(small.hash));
}

TEST(HashStoreRow, HashesOfTheSameKeysAgreeWhateverTheirHistory) {
    // One hash shrank to three keys and keeps its table; the other never
    // had more.
    TRACKED shrunk;
    for (const std::string& key : letters) shrunk.add(key);
    for (const std::string& key : letters)
        if (key != "b" && key != "x" && key != "f") shrunk.remove(key);
    ASSERT_TRUE(shrunk.hash.buckets.has_table());
    TRACKED fresh;
    for (const char* key : {"x", "f", "b"}) fresh.add(key);
    ASSERT_FALSE(fresh.hash.buckets.has_table());
    EXPECT_TRUE(shrunk.hash.equals(fresh.hash, false));
    EXPECT_TRUE(fresh.hash.equals(shrunk.hash, false));
    EXPECT_TRUE(fresh.hash.includes_keys(shrunk.hash));
    EXPECT_FALSE(fresh.hash.is_proper_subset(shrunk.hash));
    EXPECT_EQ(pair_order(shrunk.hash), pair_order(fresh.hash));
    fresh.add("q");
    EXPECT_TRUE(shrunk.hash.is_proper_subset(fresh.hash));
    EXPECT_TRUE(fresh.hash.is_proper_superset(shrunk.hash));
}

TEST(HashStoreRow, SetOperationsAcrossTheBoundary) {
    TRACKED small;
    for (const char* key : {"k", "a"}) small.add(key);
    TRACKED large;
    for (const std::string& key : letters) large.add(key);
    large.add("");

    // The union grows the row into a table; its new keys follow the old
    // ones of their buckets.
    small.hash.add_all_of(large.hash);
    for (const std::string& key : large.keys)
        if (std::find(small.keys.begin(), small.keys.end(), key) == small.keys.end()) small.keys.push_back(key);
    expect_consistent(small);

    TRACKED few;
    for (const char* key : {"z", "", "c"}) few.add(key);
    small.hash.keep_all_of(few.hash);
    small.keys = {"c", "z", ""};
    expect_consistent(small);
    small.hash.remove_all_of(few.hash);
    small.keys.clear();
    expect_consistent(small);
    EXPECT_FALSE(small.hash.buckets.has_table());
}

TEST(HashStoreRow, SortedArrayOverARowAndOverATable) {
    for (size_t count : {size_t{4}, letters.size()}) {
        TRACKED tracked;
        for (size_t i = 0; i < count; ++i) tracked.add(letters[i]);
        tracked.hash.build_array();
        std::vector<UNION_DATA*> keys;
        for (LIST_NODE* node : *tracked.hash.cached_array) keys.push_back(&node->key());
        ASSERT_EQ(tracked.hash.sort(keys.data(), false), nullptr);
        std::vector<std::string> sorted;
        for (LIST_NODE* node : *tracked.hash.cached_array) sorted.push_back(node->key().str_data()->text);
        std::vector<std::string> descending(tracked.keys);
        std::sort(descending.rbegin(), descending.rend());
        EXPECT_EQ(sorted, descending);
        // A change of the pairs brings the bucket order back.
        tracked.add("");
        expect_consistent(tracked);
    }
}

TEST(HashStoreRow, ReferenceKeysInTheRowAndTheTable) {
    // Cells first used as reference keys here get numbers in this order,
    // and so buckets one after another (number modulo 97), some beyond
    // the row.
    std::vector<CELL> targets;
    for (int i = 0; i < 8; ++i) targets.push_back(int_cell(i));
    HASH_DATA hash;
    const char* message = nullptr;
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
        hash.insert(it->get(), 1, nullptr, 0, &message);
        EXPECT_EQ(message, nullptr);
    }
    hash.insert(int_cell(3).get(), 0, nullptr, 0, &message);  // equal value, no reference
    EXPECT_EQ(hash.pair_count, 9);
    hash.build_array();
    std::vector<int> buckets;
    for (LIST_NODE* node : *hash.cached_array)
        buckets.push_back(HASH_DATA::bucket_of(&node->key(), is_reference_tag(node->key().tag), nullptr));
    EXPECT_TRUE(std::is_sorted(buckets.begin(), buckets.end()));
    for (const CELL& target : targets) EXPECT_TRUE(hash.contains(target.get(), true, nullptr));
    for (size_t i = 0; i < targets.size(); i += 2) EXPECT_TRUE(hash.remove(targets[i].get(), true, nullptr));
    EXPECT_TRUE(hash.contains(int_cell(3).get(), false, nullptr));
    EXPECT_TRUE(hash.contains(targets[3].get(), true, nullptr));
    EXPECT_FALSE(hash.contains(targets[4].get(), true, nullptr));
    EXPECT_EQ(hash.pair_count, 5);
}

TEST(HashStoreRow, PairsLinkedIntoAFullRowMakeTheTable) {
    TRACKED tracked;
    for (size_t i = 0; i < row_capacity; ++i) tracked.add(letters[i]);
    ASSERT_FALSE(tracked.hash.buckets.has_table());
    // As a reader of saved values links a pair in.
    auto* node = new LIST_NODE();
    copy_value(&node->key(), str_cell("b").get(), true);
    const size_t b = static_cast<size_t>(bucket_of("b"));
    ASSERT_EQ(tracked.hash.buckets[b], nullptr);
    LIST_DATA& list = tracked.hash.buckets.make_list(b);
    list.head = list.tail = node;
    list.node_count = 1;
    ++tracked.hash.pair_count;
    tracked.keys.push_back("b");
    EXPECT_TRUE(tracked.hash.buckets.has_table());
    expect_consistent(tracked);
}

TEST(HashStoreRow, ATinyIndexThroughManyComingsAndGoings) {
    // One or two pairs at a time: the slots of the pairs that went must not
    // hide the ones that stay, nor fill the table.
    TRACKED tracked;
    tracked.add("k0");
    for (int i = 1; i < 200; ++i) {
        tracked.add("k" + std::to_string(i));
        tracked.remove("k" + std::to_string(i - 1));
        EXPECT_TRUE(tracked.hash.contains(str_cell("k" + std::to_string(i)).get(), false, nullptr));
        EXPECT_FALSE(tracked.hash.contains(str_cell("k" + std::to_string(i - 1)).get(), false, nullptr));
    }
    tracked.add("third");
    tracked.add("fourth");
    expect_consistent(tracked);
}

// The used buckets found from the mask, forwards and backwards, agree with
// asking every bucket, across both words of the mask, in a row and a table.
TEST(HashStoreRow, UsedBucketsFoundFromTheMaskAgreeWithEveryBucket) {
    for (const std::vector<int>& used :
         {std::vector<int>{}, std::vector<int>{0}, std::vector<int>{96}, std::vector<int>{5, 63, 64},
          std::vector<int>{0, 1, 62, 63, 64, 65, 95, 96}, std::vector<int>{3, 10, 20, 30, 40, 50, 60, 70, 80, 90}}) {
        HASH_DATA::BUCKETS buckets;
        for (int b : used) buckets.put(static_cast<size_t>(b), new LIST_DATA());
        std::vector<int> forwards;
        for (int b = buckets.first_used_from(0); b >= 0; b = buckets.first_used_from(b + 1)) forwards.push_back(b);
        std::vector<int> backwards;
        for (int b = buckets.last_used_upto(HASH_DATA::bucket_count - 1); b >= 0; b = buckets.last_used_upto(b - 1))
            backwards.push_back(b);
        std::vector<int> expected;
        for (int b = 0; b < HASH_DATA::bucket_count; ++b) {
            if (buckets.list(static_cast<size_t>(b)) != nullptr) expected.push_back(b);
        }
        EXPECT_EQ(forwards, expected);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(backwards, expected);
    }
}

}  // namespace
}  // namespace morvu
