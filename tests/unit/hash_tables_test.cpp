#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "runtime/hash_tables.h"

namespace morvu {
namespace {

TEST(HashTables, LookupOfMissingKeyInserts) {
    INT_STR_TABLE names("", false, 97);
    EXPECT_EQ(names[4], "");
    EXPECT_EQ(names.entry_count(), 1);
    names[4] = "lib.mrv";
    EXPECT_EQ(names[4], "lib.mrv");
    EXPECT_EQ(names.entry_count(), 1);
    EXPECT_TRUE(names.contains(4));
    EXPECT_FALSE(names.contains(5));
    EXPECT_EQ(names.entry_count(), 1);
}

TEST(HashTables, NegativeKeysShareBucketButNotEntry) {
    INT_PTR_TABLE table(-1, false, 97);
    table[5] = 50;
    table[-5] = -50;
    EXPECT_EQ(table[5], 50);
    EXPECT_EQ(table[-5], -50);
    EXPECT_EQ(table.bucket_entry_count(5), 2);
    EXPECT_EQ(table[7], -1);
    // The most negative key has a bucket too.
    table[INT_MIN] = 1;
    EXPECT_EQ(table[INT_MIN], 1);
    EXPECT_EQ(table.bucket_entry_count(table_bucket_of(INT_MIN, 97)), table_bucket_of(INT_MIN, 97) == 5 ? 3 : 1);
}

TEST(HashTables, TextKeysByXorCode) {
    STR_INT_TABLE table(0, false, 97);
    table["abab"] = 1;
    table[""] = 2;
    EXPECT_EQ(table.bucket_entry_count(0), 2);
    EXPECT_EQ(table["abab"], 1);
    EXPECT_EQ(table[""], 2);
    // Values are pointer-sized, so a table can hold nodes.
    int node = 0;
    table["node"] = reinterpret_cast<intptr_t>(&node);
    EXPECT_EQ(reinterpret_cast<int*>(table["node"]), &node);
}

TEST(HashTables, OrderedTablesWalkInFirstLookupOrder) {
    STR_INT_TABLE ordered(0, true, 97);
    for (const char* key : {"zeta", "alpha", "mid", "alpha"}) ordered[key];
    std::vector<std::string> keys;
    std::string key;
    for (bool more = ordered.first(key); more; more = ordered.next(key)) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"zeta", "alpha", "mid"}));
    EXPECT_EQ(ordered.ordered_count(), 3);

    STR_INT_TABLE unordered(0, false, 97);
    for (const char* k : {"zeta", "alpha", "mid"}) unordered[k];
    EXPECT_EQ(unordered.ordered_count(), 0);
    int walked = 0;
    for (bool more = unordered.first(key); more; more = unordered.next(key)) ++walked;
    EXPECT_EQ(walked, 3);
    EXPECT_FALSE(unordered.next(key));
}

TEST(HashTables, ClearEmptiesAndLookupsInsertAgain) {
    INT_STR_TABLE table("x", true, 97);
    table[1];
    table[2] = "two";
    table.clear();
    EXPECT_EQ(table.entry_count(), 0);
    EXPECT_EQ(table.ordered_count(), 0);
    EXPECT_EQ(table[2], "x");
    EXPECT_EQ(table.entry_count(), 1);
}

TEST(HashTables, IdentityKeysUseTheWholePointer) {
    PTR_PTR_TABLE table(0, false, 97);
    uintptr_t low = 0x1000, high = (uintptr_t{1} << 40) | 0x1000;
    table[low] = 1;
    table[high] = 2;
    EXPECT_EQ(table[low], 1);
    EXPECT_EQ(table[high], 2);
}

// Keys whose xor codes collide (anagrams, and pairs of equal bytes that
// cancel out) crowd a few buckets, as the names of a long program do.
std::vector<std::string> crowded_keys(int count) {
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i) {
        std::string digits = std::to_string(i);
        keys.push_back("v" + digits);
        std::string reversed(digits.rbegin(), digits.rend());
        keys.push_back("w" + reversed + "zz");
    }
    return keys;
}

std::vector<std::string> walked_keys(STR_INT_TABLE& table) {
    std::vector<std::string> keys;
    std::string key;
    for (bool more = table.first(key); more; more = table.next(key)) keys.push_back(key);
    return keys;
}

TEST(HashTables, LargeTablesFindEveryKeyOnceAndKeepTheirReferences) {
    STR_INT_TABLE table(0, false, 97);
    const std::vector<std::string> keys = crowded_keys(3000);
    std::vector<intptr_t*> first_references;
    for (size_t i = 0; i < keys.size(); ++i) {
        intptr_t& value = table[keys[i]];
        EXPECT_EQ(value, 0);  // every key is new: none is taken for another
        value = static_cast<intptr_t>(i + 1);
        first_references.push_back(&value);
    }
    EXPECT_EQ(table.entry_count(), static_cast<int>(keys.size()));
    // The index grew many times; every entry stayed where it was.
    for (size_t i = 0; i < keys.size(); ++i) {
        ASSERT_NE(table.find(keys[i]), nullptr);
        EXPECT_EQ(*table.find(keys[i]), static_cast<intptr_t>(i + 1));
        EXPECT_EQ(&table[keys[i]], first_references[i]);
    }
    EXPECT_EQ(table.entry_count(), static_cast<int>(keys.size()));  // the look-ups inserted nothing
    EXPECT_FALSE(table.contains("v3000"));
    EXPECT_FALSE(table.contains(""));

    table.clear();
    EXPECT_FALSE(table.contains(keys[5]));
    EXPECT_EQ(table[keys[5]], 0);
    EXPECT_EQ(table.entry_count(), 1);
}

TEST(HashTables, LargeTablesWalkBucketByBucketOrInInsertionOrder) {
    const std::vector<std::string> keys = crowded_keys(500);
    STR_INT_TABLE unordered(0, false, 97);
    STR_INT_TABLE ordered(0, true, 97);
    for (const std::string& key : keys) {
        unordered[key];
        ordered[key];
    }
    for (const std::string& key : keys) unordered[key] = 1;  // found again, not moved

    // Bucket by bucket, each chain in insertion order.
    std::vector<std::pair<int, size_t>> places;
    for (size_t i = 0; i < keys.size(); ++i) places.emplace_back(table_bucket_of(keys[i], 97), i);
    std::sort(places.begin(), places.end());
    std::vector<std::string> expected;
    for (const auto& place : places) expected.push_back(keys[place.second]);
    EXPECT_EQ(walked_keys(unordered), expected);
    EXPECT_EQ(walked_keys(ordered), keys);

    std::map<int, int> per_bucket;
    for (const auto& place : places) ++per_bucket[place.first];
    for (const auto& [bucket, count] : per_bucket) EXPECT_EQ(unordered.bucket_entry_count(bucket), count);
}

TEST(HashTables, WalksBeforeFollowsTheWalk) {
    for (bool is_ordered : {false, true}) {
        STR_INT_TABLE table(0, is_ordered, 97);
        const std::vector<std::string> keys = crowded_keys(40);
        for (const std::string& key : keys) table[key];
        const std::vector<std::string> walk = walked_keys(table);
        // The entries, reached through the groups of one part: the whole key.
        auto entry_of = [&table](const std::string& key) {
            return table.group(key, [](const std::string& k) { return std::string_view(k); })->front();
        };
        for (size_t i = 0; i + 1 < walk.size(); ++i) {
            EXPECT_TRUE(table.walks_before(entry_of(walk[i]), entry_of(walk[i + 1])));
            EXPECT_FALSE(table.walks_before(entry_of(walk[i + 1]), entry_of(walk[i])));
        }
    }
}

TEST(HashTables, GroupsKeepInsertionOrderAndLaterEntries) {
    STR_INT_TABLE table(0, false, 97);
    auto first_letter = [](const std::string& key) { return std::string_view(key).substr(0, 1); };
    for (const char* key : {"b1", "a1", "b2"}) table[key];
    const auto* bs = table.group("b", first_letter);
    ASSERT_NE(bs, nullptr);
    ASSERT_EQ(bs->size(), 2u);
    EXPECT_EQ((*bs)[0]->key, "b1");
    EXPECT_EQ((*bs)[1]->key, "b2");
    EXPECT_EQ(table.group("c", first_letter), nullptr);
    // Entries made after the groups were built join them; a key found again
    // is not filed twice.
    table["c1"];
    table["b3"];
    table["b1"] = 7;
    bs = table.group("b", first_letter);
    ASSERT_EQ(bs->size(), 3u);
    EXPECT_EQ((*bs)[2]->key, "b3");
    EXPECT_EQ((*bs)[0]->value, 7);
    ASSERT_NE(table.group("c", first_letter), nullptr);
    table.clear();
    EXPECT_EQ(table.group("b", first_letter), nullptr);
}

TEST(HashTables, FirstHoldingIsTheFirstOfTheWalkAndSeesLaterWrites) {
    for (bool is_ordered : {false, true}) {
        STR_INT_TABLE table(0, is_ordered, 97);
        const std::vector<std::string> keys = crowded_keys(200);
        for (size_t i = 0; i < keys.size(); ++i) table[keys[i]] = static_cast<intptr_t>(i % 3);
        auto first_by_walk = [&table](intptr_t value) {
            std::string key;
            for (bool more = table.first(key); more; more = table.next(key))
                if (*table.find(key) == value) return key;
            return std::string("<none>");
        };
        for (intptr_t value : {0, 1, 2}) EXPECT_EQ(table.first_holding(value)->key, first_by_walk(value));
        EXPECT_EQ(table.first_holding(3), nullptr);
        // A value written through a look-up is seen at the next request.
        table[keys[150]] = 3;
        ASSERT_NE(table.first_holding(3), nullptr);
        EXPECT_EQ(table.first_holding(3)->key, keys[150]);
        const std::string old_first = first_by_walk(1);
        table[old_first] = 4;
        EXPECT_EQ(table.first_holding(1)->key, first_by_walk(1));
        EXPECT_NE(table.first_holding(1)->key, old_first);
        table.clear();
        EXPECT_EQ(table.first_holding(0), nullptr);
    }
}

}  // namespace
}  // namespace morvu
