#include <gtest/gtest.h>

#include <climits>
#include <string>
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

}  // namespace
}  // namespace morvu
