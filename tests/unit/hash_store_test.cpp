#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "numbers/int_data.h"
#include "numbers/real_data.h"
#include "runtime/settings.h"
#include "runtime/str_stream.h"
#include "test_support.h"
#include "values/assign_rules.h"
#include "values/calendar.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_text.h"

namespace morvu {
namespace {

using test::int_cell;
using test::real_cell;
using test::str_cell;
using test::CELL;
using test::make_cell;

int bucket(UNION_DATA* key) { return HASH_DATA::bucket_of(key, false, nullptr); }

// Inserts by value and checks that no message came back.
void put(HASH_DATA& hash, UNION_DATA* key, UNION_DATA* value = nullptr) {
    const char* message = nullptr;
    hash.insert(key, 0, value, 0, &message);
    EXPECT_EQ(message, nullptr);
}

bool has(HASH_DATA& hash, UNION_DATA* key) { return hash.contains(key, false, nullptr); }

// The key texts in pair order (the cached array, built for the purpose).
std::vector<std::string> key_texts(HASH_DATA& hash) {
    hash.build_array();
    std::vector<std::string> texts;
    for (LIST_NODE* node : *hash.cached_array) texts.push_back(value_key_text(&node->key(), nullptr));
    return texts;
}

// Restores the output precision however a test ends.
struct OUTPUT_PRECISION_GUARD {
    int saved = output_precision();
    ~OUTPUT_PRECISION_GUARD() { set_output_precision(saved); }
};

TEST(HashStoreBuckets, FoldTheKeyTextByteByByte) {
    EXPECT_EQ(bucket(int_cell(12).get()), 45);  // 0x3231 = 12849
    EXPECT_EQ(bucket(int_cell(21).get()), 0x3132 % 97);
    EXPECT_EQ(bucket(str_cell("a").get()), 0);
    EXPECT_EQ(bucket(str_cell("").get()), 0);
    EXPECT_EQ(bucket(str_cell("ab").get()), 0x6261 % 97);
    EXPECT_EQ(bucket(str_cell("ba").get()), 0x6162 % 97);
}

// An int key is placed without its key text, in the bucket that text
// gives: digit counts of either parity, a sign, the widest numbers.
TEST(HashStoreBuckets, IntKeysLandWhereTheirTextsDo) {
    const char* numbers[] = {"0",
                             "7",
                             "-7",
                             "12",
                             "-12",
                             "907",
                             "-4096",
                             "999999999999999999",
                             "-999999999999999999",
                             "1000000000000000000",
                             "-1000000000000000000",
                             "9223372036854775807",
                             "-9223372036854775808",
                             "123456789012345678901234"};
    for (const char* number : numbers) {
        EXPECT_EQ(bucket(int_cell(number).get()), bucket(str_cell(number).get())) << number;
        HASH_DATA hash;
        put(hash, int_cell(number).get(), int_cell(1).get());
        put(hash, str_cell(number).get(), int_cell(2).get());
        EXPECT_EQ(hash.get(int_cell(number).get(), false, nullptr)->int_data()->to_text(), "1") << number;
        EXPECT_EQ(hash.get(str_cell(number).get(), false, nullptr)->int_data()->to_text(), "2") << number;
        hash.remove(int_cell(number).get(), false, nullptr);
        EXPECT_FALSE(has(hash, int_cell(number).get())) << number;
        EXPECT_TRUE(has(hash, str_cell(number).get())) << number;
    }
    for (int i = -300; i <= 300; ++i)
        EXPECT_EQ(bucket(int_cell(i).get()), bucket(str_cell(std::to_string(i).c_str()).get())) << i;
    // Every pair of digits at every depth of a long number, of either sign.
    for (int64_t pair = 0; pair < 100; ++pair) {
        for (int64_t scale = 1; scale <= 10'000'000'000'000'000; scale *= 100) {
            for (const int64_t number : {pair * scale + 7, pair * (scale / 10) + 3, -(pair * scale + 1)}) {
                const std::string text = std::to_string(number);
                EXPECT_EQ(bucket(int_cell(text.c_str()).get()), bucket(str_cell(text.c_str()).get())) << text;
            }
        }
    }
}

TEST(HashStoreBuckets, EqualKeysShareTheirCanonicalText) {
    OUTPUT_PRECISION_GUARD guard;
    // An int read from "007" equals 7 and must be found under it.
    EXPECT_EQ(value_key_text(int_cell("007").get(), nullptr), "7");
    EXPECT_EQ(value_key_text(int_cell("-0").get(), nullptr), "0");
    EXPECT_EQ(value_key_text(int_cell(-1234567).get(), nullptr), "-1234567");
    UNION_DATA empty_int('i');
    EXPECT_EQ(value_key_text(&empty_int, nullptr), "0");  // the empty number equals 0
    EXPECT_EQ(value_key_text(real_cell("1.50").get(), nullptr), "1.5");
    EXPECT_EQ(value_key_text(real_cell("-0.050").get(), nullptr), "-0.05");
    EXPECT_EQ(value_key_text(real_cell("1.5e2").get(), nullptr), "150");
    EXPECT_EQ(value_key_text(real_cell("0.000").get(), nullptr), "0");

    HASH_DATA hash;
    put(hash, int_cell("007").get());
    put(hash, real_cell("2.50").get());
    EXPECT_TRUE(has(hash, int_cell(7).get()));
    EXPECT_TRUE(has(hash, real_cell("2.5").get()));
    // The output precision changes how reals print, never where keys live.
    set_output_precision(0);
    EXPECT_TRUE(has(hash, real_cell("2.5").get()));
    put(hash, real_cell("3.25").get());
    set_output_precision(-1);
    EXPECT_TRUE(has(hash, real_cell("3.250").get()));
    EXPECT_EQ(hash.pair_count, 3);
}

TEST(HashStoreBuckets, ContainerKeysIgnoreInsertionOrder) {
    // "a" and "" share bucket 0, so the two sets hold them in different orders.
    UNION_DATA first('m'), second('m');
    put(*first.hash_data(), str_cell("a").get());
    put(*first.hash_data(), str_cell("").get());
    put(*second.hash_data(), str_cell("").get());
    put(*second.hash_data(), str_cell("a").get());
    EXPECT_EQ(value_key_text(&first, nullptr), value_key_text(&second, nullptr));

    HASH_DATA of_sets;
    put(of_sets, &first);
    EXPECT_TRUE(has(of_sets, &second));

    UNION_DATA list('l');
    list.list_data()->append(real_cell("0.10").get(), 0);
    list.list_data()->append(str_cell("x").get(), 0);
    EXPECT_EQ(value_key_text(&list, nullptr), "(0.1,x)");
}

TEST(HashStoreBuckets, OneInstantInTwoZonesIsOneKey) {
    auto make = [](int hours, int zone_hours) {
        auto cell = std::make_unique<UNION_DATA>('4');
        DATETIME_DATA& value = *cell->datetime_data();
        value.date.day = INT_DATA(1);
        value.date.month = INT_DATA(1);
        value.date.year = INT_DATA(2024);
        value.time.hours = INT_DATA(hours);
        value.time.minutes = INT_DATA(0);
        value.time.seconds = INT_DATA(0);
        value.zone.hours = INT_DATA(zone_hours);
        value.zone.minutes = INT_DATA(0);
        return cell;
    };
    auto noon_plus_one = make(12, 1);
    auto eleven_utc = make(11, 0);
    ASSERT_TRUE(is_equal_value(noon_plus_one.get(), eleven_utc.get(), true));
    HASH_DATA hash;
    put(hash, noon_plus_one.get());
    EXPECT_TRUE(has(hash, eleven_utc.get()));
    EXPECT_FALSE(has(hash, make(12, 0).get()));
    UNION_DATA empty('4');
    EXPECT_FALSE(has(hash, &empty));
}

TEST(HashStoreBuckets, KeyWithoutTextReportsAndStillWorks) {
    UNION_DATA sys('n');
    const char* message = nullptr;
    HASH_DATA hash;
    hash.insert(&sys, 0, nullptr, 0, &message);
    EXPECT_STREQ(message, "Output of type 'sys' not allowed");
    EXPECT_EQ(hash.pair_count, 1);
    EXPECT_TRUE(hash.contains(&sys, false, &message));
    EXPECT_NE(message, nullptr);
}

TEST(HashStorePairs, LookupSetAndRemove) {
    HASH_DATA hash;
    auto key = str_cell("k");
    put(hash, key.get(), int_cell(1).get());
    put(hash, int_cell(12).get(), int_cell(2).get());
    EXPECT_EQ(hash.pair_count, 2);

    const char* message = nullptr;
    UNION_DATA* value = hash.get(str_cell("k").get(), false, &message);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->int_data()->to_text(), "1");
    EXPECT_EQ(hash.get(str_cell("K").get(), false, &message), nullptr);

    hash.set(str_cell("k").get(), 0, int_cell(5).get(), 0, &message);
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(hash.get(key.get(), false, nullptr)->int_data()->to_text(), "5");
    hash.set(str_cell("absent").get(), 0, int_cell(6).get(), 0, &message);
    EXPECT_EQ(hash.pair_count, 2);

    // A refused assignment comes back through the message.
    hash.set(key.get(), 0, hash.get(key.get(), false, nullptr), 2, &message);
    EXPECT_STREQ(message, "Self-movement not allowed");

    hash.remove(str_cell("absent").get(), false, &message);
    EXPECT_EQ(hash.pair_count, 2);
    hash.remove(int_cell(12).get(), false, &message);
    EXPECT_EQ(hash.pair_count, 1);
    EXPECT_EQ(hash.buckets[45], nullptr);  // an emptied bucket list is freed
    hash.remove(key.get(), false, &message);
    EXPECT_EQ(hash.pair_count, 0);
    for (const auto& list : hash.buckets) EXPECT_EQ(list, nullptr);
}

TEST(HashStorePairs, ReferenceKeysMatchByIdentityOnly) {
    HASH_DATA hash;
    auto target = int_cell(4);
    auto equal_value = int_cell(4);
    const char* message = nullptr;
    hash.insert(target.get(), 1, nullptr, 0, &message);
    EXPECT_TRUE(hash.contains(target.get(), true, &message));
    EXPECT_FALSE(hash.contains(target.get(), false, &message));
    EXPECT_FALSE(hash.contains(equal_value.get(), true, &message));
    put(hash, equal_value.get());
    EXPECT_TRUE(has(hash, int_cell(4).get()));
    EXPECT_EQ(hash.pair_count, 2);
    hash.remove(target.get(), true, &message);
    EXPECT_EQ(hash.pair_count, 1);
    EXPECT_TRUE(has(hash, int_cell(4).get()));
}

TEST(HashStoreOrder, BucketOrderThenInsertionAndSortedArrayDropped) {
    HASH_DATA hash;
    put(hash, int_cell(12).get());   // bucket 45
    put(hash, str_cell("a").get());  // bucket 0
    put(hash, str_cell("").get());   // bucket 0, after "a"
    EXPECT_EQ(key_texts(hash), (std::vector<std::string>{"a", "", "12"}));
    ASSERT_TRUE(hash.cached_array.has_value());
    std::reverse(hash.cached_array->begin(), hash.cached_array->end());  // as a sort would
    put(hash, int_cell(1).get());
    EXPECT_FALSE(hash.cached_array.has_value());
    EXPECT_EQ(key_texts(hash), (std::vector<std::string>{"a", "", "12", "1"}));
}

// The cached array's key (or value) cells, as a caller supplies sort keys.
std::vector<UNION_DATA*> sort_keys(HASH_DATA& hash, bool values) {
    std::vector<UNION_DATA*> keys;
    for (LIST_NODE* node : *hash.cached_array) keys.push_back(values ? &node->value : &node->key());
    return keys;
}

std::vector<std::string> sorted_key_texts(HASH_DATA& hash) {
    std::vector<std::string> texts;
    for (LIST_NODE* node : *hash.cached_array) texts.push_back(value_key_text(&node->key(), nullptr));
    return texts;
}

TEST(HashStoreOrder, SortReordersTheCachedArrayOnly) {
    HASH_DATA hash;
    for (int key : {12, 21, 5, 1}) put(hash, int_cell(key).get(), int_cell(100 - key).get());
    std::vector<std::string> bucket_order = key_texts(hash);

    std::vector<UNION_DATA*> keys = sort_keys(hash, false);
    EXPECT_EQ(hash.sort(keys.data(), true), nullptr);
    EXPECT_EQ(sorted_key_texts(hash), (std::vector<std::string>{"1", "5", "12", "21"}));
    keys = sort_keys(hash, false);
    EXPECT_EQ(hash.sort(keys.data(), false), nullptr);
    EXPECT_EQ(sorted_key_texts(hash), (std::vector<std::string>{"21", "12", "5", "1"}));
    // By the values instead: 100 - key ascending is key descending.
    keys = sort_keys(hash, true);
    EXPECT_EQ(hash.sort(keys.data(), false), nullptr);
    EXPECT_EQ(sorted_key_texts(hash), (std::vector<std::string>{"1", "5", "12", "21"}));

    // The buckets did not move: every key is found, and a rebuilt array
    // shows the bucket order again.
    for (int key : {1, 5, 12, 21}) EXPECT_TRUE(has(hash, int_cell(key).get()));
    EXPECT_EQ(key_texts(hash), bucket_order);

    // Without a cached array the sort lays one out first.
    hash.cached_array.reset();
    HASH_DATA twin;
    for (int key : {12, 21, 5, 1}) put(twin, int_cell(key).get());
    twin.build_array();
    keys = sort_keys(twin, false);  // the same keys in the same pair order
    EXPECT_EQ(hash.sort(keys.data(), true), nullptr);
    ASSERT_TRUE(hash.cached_array.has_value());
    EXPECT_EQ(sorted_key_texts(hash), (std::vector<std::string>{"1", "5", "12", "21"}));
}

TEST(HashStoreOrder, AFailedSortKeepsThePairOrder) {
    HASH_DATA hash;
    put(hash, int_cell(3).get());
    put(hash, str_cell("x").get());
    put(hash, int_cell(1).get());
    hash.build_array();
    const std::vector<std::string> before = sorted_key_texts(hash);
    std::vector<UNION_DATA*> keys = sort_keys(hash, false);
    EXPECT_STREQ(hash.sort(keys.data(), true), "incompatible types");
    EXPECT_EQ(sorted_key_texts(hash), before);
}

// A set of int keys, for the set operations.
std::unique_ptr<UNION_DATA> int_set(std::initializer_list<int> keys) {
    auto set = std::make_unique<UNION_DATA>('m');
    for (int key : keys) put(*set->hash_data(), int_cell(key).get());
    return set;
}

TEST(HashStoreSets, UnionIntersectionDifference) {
    auto a = int_set({1, 2, 3, 12});
    auto b = int_set({2, 12, 40});
    HASH_DATA& ha = *a->hash_data();
    HASH_DATA& hb = *b->hash_data();

    ha.add_all_of(hb);
    EXPECT_EQ(ha.pair_count, 5);
    EXPECT_TRUE(has(ha, int_cell(40).get()));
    EXPECT_EQ(hb.pair_count, 3);

    ha.keep_all_of(hb);
    EXPECT_EQ(ha.pair_count, 3);
    EXPECT_TRUE(ha.equals(hb, false));

    auto c = int_set({12});
    ha.remove_all_of(*c->hash_data());
    EXPECT_EQ(ha.pair_count, 2);
    EXPECT_FALSE(has(ha, int_cell(12).get()));
    EXPECT_EQ(ha.buckets[45], nullptr);

    HASH_DATA empty;
    ha.keep_all_of(empty);
    EXPECT_EQ(ha.pair_count, 0);
    for (const auto& list : ha.buckets) EXPECT_EQ(list, nullptr);
}

TEST(HashStoreSets, TheSameSetOnBothSides) {
    auto a = int_set({1, 2, 3, 12, 13});
    HASH_DATA& ha = *a->hash_data();
    ha.add_all_of(ha);
    EXPECT_EQ(ha.pair_count, 5);
    ha.keep_all_of(ha);
    EXPECT_EQ(ha.pair_count, 5);
    ha.remove_all_of(ha);
    EXPECT_EQ(ha.pair_count, 0);
    for (const auto& list : ha.buckets) EXPECT_EQ(list, nullptr);
}

TEST(HashStoreSets, UnionKeepsReferenceKeysReferring) {
    auto target = int_cell(9);
    HASH_DATA source;
    const char* message = nullptr;
    source.insert(target.get(), 1, nullptr, 0, &message);
    HASH_DATA dest;
    dest.add_all_of(source);
    EXPECT_EQ(dest.pair_count, 1);
    EXPECT_TRUE(dest.contains(target.get(), true, &message));
    dest.add_all_of(source);  // found already: nothing added
    EXPECT_EQ(dest.pair_count, 1);
}

TEST(HashStoreSets, Comparisons) {
    auto a = int_set({1, 2});
    auto b = int_set({1, 2});
    auto c = int_set({1, 2, 12});
    HASH_DATA& ha = *a->hash_data();
    HASH_DATA& hb = *b->hash_data();
    HASH_DATA& hc = *c->hash_data();
    EXPECT_TRUE(ha.equals(hb, false));
    EXPECT_FALSE(ha.is_proper_subset(hb));
    EXPECT_TRUE(ha.includes_keys(hb));
    EXPECT_TRUE(ha.is_proper_subset(hc));
    EXPECT_TRUE(hc.is_proper_superset(ha));
    EXPECT_FALSE(hc.is_proper_subset(ha));
    EXPECT_FALSE(ha.includes_keys(hc));
    EXPECT_TRUE(hc.includes_keys(ha));
    EXPECT_FALSE(ha.equals(hc, false));
    EXPECT_FALSE(hc.equals(ha, false));

    // Hashes: the same keys with one different value.
    HASH_DATA x, y;
    put(x, str_cell("k").get(), int_cell(1).get());
    put(y, str_cell("k").get(), int_cell(2).get());
    EXPECT_TRUE(x.equals(y, false));
    EXPECT_FALSE(x.equals(y, true));
    EXPECT_FALSE(x.is_proper_subset(y));
    EXPECT_TRUE(x.includes_keys(y));
}

TEST(HashStoreCopy, CopyRebuildsEveryBucket) {
    HASH_DATA source;
    put(source, str_cell("a").get(), int_cell(1).get());
    put(source, str_cell("").get(), int_cell(2).get());
    put(source, int_cell(12).get(), int_cell(3).get());
    HASH_DATA copy;
    put(copy, int_cell(99).get());
    copy.build_array();
    EXPECT_EQ(copy.copy_from(source), nullptr);
    EXPECT_EQ(copy.pair_count, 3);
    EXPECT_FALSE(copy.cached_array.has_value());
    EXPECT_FALSE(has(copy, int_cell(99).get()));
    EXPECT_TRUE(copy.equals(source, true));
    EXPECT_EQ(key_texts(copy), key_texts(source));
    EXPECT_EQ(copy.copy_from(copy), nullptr);
    EXPECT_EQ(copy.pair_count, 3);
    copy.clear();
    EXPECT_EQ(copy.pair_count, 0);
}

// A small hash's copy takes over the source's index with its own nodes:
// keys sharing a bucket, a vacated slot, and later changes on either side.
TEST(HashStoreCopy, ACopiedIndexFindsTheCopysOwnPairs) {
    HASH_DATA source;
    put(source, str_cell("a").get(), int_cell(1).get());
    put(source, str_cell("").get(), int_cell(2).get());  // the bucket of "a"
    put(source, int_cell(12).get(), int_cell(3).get());
    put(source, str_cell("gone").get(), int_cell(4).get());
    put(source, str_cell("b").get(), int_cell(5).get());
    EXPECT_TRUE(source.remove(str_cell("gone").get(), false, nullptr));
    HASH_DATA copy;
    EXPECT_EQ(copy.copy_from(source), nullptr);
    const char* keys[] = {"a", "", "b"};
    for (const char* key : keys) {
        UNION_DATA* mine = copy.get(str_cell(key).get(), false, nullptr);
        UNION_DATA* theirs = source.get(str_cell(key).get(), false, nullptr);
        ASSERT_NE(mine, nullptr) << key;
        EXPECT_NE(mine, theirs) << key;
        EXPECT_EQ(mine->int_data()->to_text(), theirs->int_data()->to_text());
    }
    EXPECT_FALSE(has(copy, str_cell("gone").get()));
    EXPECT_TRUE(copy.remove(str_cell("a").get(), false, nullptr));
    put(copy, str_cell("gone").get(), int_cell(6).get());
    EXPECT_FALSE(has(copy, str_cell("a").get()));
    EXPECT_TRUE(has(copy, str_cell("").get()));
    EXPECT_TRUE(has(copy, int_cell(12).get()));
    EXPECT_TRUE(has(source, str_cell("a").get()));
    EXPECT_FALSE(has(source, str_cell("gone").get()));
    EXPECT_EQ(key_texts(copy), (std::vector<std::string>{"", "b", "12", "gone"}));
}

TEST(HashStoreIndex, ManyKeysFoundAndRemovedInBucketOrder) {
    HASH_DATA hash;
    // Strided numbers share their low bits; the index must still find them.
    for (int i = 0; i < 5000; ++i) put(hash, int_cell(i * 4096).get(), int_cell(i).get());
    put(hash, int_cell(-4096).get(), int_cell(-1).get());
    EXPECT_EQ(hash.pair_count, 5001);
    for (int i = 0; i < 5000; i += 7) {
        UNION_DATA* value = hash.get(int_cell(i * 4096).get(), false, nullptr);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->int_data()->to_text(), std::to_string(i));
    }
    EXPECT_FALSE(has(hash, int_cell(4095).get()));
    EXPECT_TRUE(has(hash, int_cell(-4096).get()));
    for (int i = 0; i < 5000; i += 2) hash.remove(int_cell(i * 4096).get(), false, nullptr);
    EXPECT_EQ(hash.pair_count, 2501);
    for (int i = 0; i < 5000; ++i) EXPECT_EQ(has(hash, int_cell(i * 4096).get()), i % 2 == 1) << i;
    // Removals leave the other pairs in bucket order, each bucket in
    // insertion order.
    std::vector<std::string> texts = key_texts(hash);
    for (size_t i = 1; i < texts.size(); ++i) {
        int before = bucket(int_cell(texts[i - 1].c_str()).get());
        int after = bucket(int_cell(texts[i].c_str()).get());
        ASSERT_LE(before, after);
        if (before == after && texts[i - 1] != "-4096" && texts[i] != "-4096") {
            EXPECT_LT(std::stoll(texts[i - 1]), std::stoll(texts[i]));
        }
    }
}

TEST(HashStoreIndex, NumberedTextKeysAreFoundAndKeptApart) {
    // Texts that end in a number: their codes lie side by side, and texts
    // whose numbers are equal but written otherwise are still other keys.
    HASH_DATA hash;
    for (int i = 0; i < 4000; ++i) put(hash, str_cell(("k" + std::to_string(i)).c_str()).get(), int_cell(i).get());
    put(hash, str_cell("k007").get(), int_cell(-7).get());
    put(hash, str_cell("-k5").get(), int_cell(-5).get());
    put(hash, str_cell("12").get(), int_cell(-12).get());
    EXPECT_EQ(hash.pair_count, 4003);
    for (int i = 0; i < 4000; i += 3) {
        UNION_DATA* value = hash.get(str_cell(("k" + std::to_string(i)).c_str()).get(), false, nullptr);
        ASSERT_NE(value, nullptr) << i;
        EXPECT_EQ(value->int_data()->to_text(), std::to_string(i));
    }
    EXPECT_EQ(hash.get(str_cell("k007").get(), false, nullptr)->int_data()->to_text(), "-7");
    EXPECT_EQ(hash.get(str_cell("k7").get(), false, nullptr)->int_data()->to_text(), "7");
    EXPECT_EQ(hash.get(str_cell("-k5").get(), false, nullptr)->int_data()->to_text(), "-5");
    EXPECT_FALSE(has(hash, str_cell("k4000").get()));
    EXPECT_TRUE(has(hash, str_cell("12").get()));
    for (int i = 0; i < 4000; i += 2) hash.remove(str_cell(("k" + std::to_string(i)).c_str()).get(), false, nullptr);
    for (int i = 0; i < 4000; ++i)
        EXPECT_EQ(has(hash, str_cell(("k" + std::to_string(i)).c_str()).get()), i % 2 == 1) << i;
    EXPECT_TRUE(has(hash, str_cell("k007").get()));
}

TEST(HashStoreIndex, KeysOfOneTextButDifferentTypesStayApart) {
    HASH_DATA hash;
    put(hash, int_cell(1).get(), int_cell(10).get());
    put(hash, str_cell("1").get(), int_cell(20).get());
    EXPECT_EQ(hash.get(str_cell("1").get(), false, nullptr)->int_data()->to_text(), "20");
    hash.remove(int_cell(1).get(), false, nullptr);
    EXPECT_FALSE(has(hash, int_cell(1).get()));
    EXPECT_TRUE(has(hash, str_cell("1").get()));
}

TEST(HashStoreIndex, APairWhoseKeyChangedInPlaceLeavesNothingBehind) {
    HASH_DATA hash;
    put(hash, int_cell(5).get(), int_cell(1).get());
    put(hash, int_cell(6).get(), int_cell(2).get());
    // As a loop variable bound to the key would: the key 5 becomes 8. It is
    // no longer found under either number.
    hash.build_array();
    *(*hash.cached_array)[0]->key().int_data() = INT_DATA(8);
    EXPECT_FALSE(has(hash, int_cell(5).get()));
    EXPECT_FALSE(has(hash, int_cell(8).get()));
    // Removing every pair by node also clears its slot in the index: a
    // later lookup under the old code meets no freed pair.
    HASH_DATA none;
    hash.keep_all_of(none);
    EXPECT_EQ(hash.pair_count, 0);
    put(hash, int_cell(5).get());
    EXPECT_TRUE(has(hash, int_cell(5).get()));
    EXPECT_FALSE(has(hash, int_cell(8).get()));
}

TEST(HashStoreIndex, PairsLinkedIntoTheBucketsAreFoundToo) {
    HASH_DATA hash;
    put(hash, int_cell(1).get());
    EXPECT_TRUE(has(hash, int_cell(1).get()));
    // A reader of saved values links pairs in directly.
    auto node = std::make_unique<LIST_NODE>();
    copy_value(&node->key(), int_cell(2).get(), true);
    int b = bucket(int_cell(2).get());
    if (hash.buckets[static_cast<size_t>(b)] == nullptr)
        hash.buckets[static_cast<size_t>(b)] = std::make_unique<LIST_DATA>();
    LIST_DATA& list = *hash.buckets[static_cast<size_t>(b)];
    LIST_NODE* raw = node.release();
    raw->prev = list.tail;
    if (list.tail != nullptr) list.tail->next = raw;
    else list.head = raw;
    list.tail = raw;
    ++list.node_count;
    ++hash.pair_count;
    EXPECT_TRUE(has(hash, int_cell(2).get()));
    hash.remove(int_cell(1).get(), false, nullptr);
    EXPECT_FALSE(has(hash, int_cell(1).get()));
    EXPECT_TRUE(has(hash, int_cell(2).get()));
}

TEST(HashStoreIndex, ALargeHashLetsGoOfPairsThatReferToEachOther) {
    // Enough pairs for the clearing by address; each value after the first
    // refers to the value of the pair before, and a cell outside refers to
    // one in the middle. Every link is dissolved, whatever goes first.
    UNION_DATA outside('V');
    {
        HASH_DATA hash;
        put(hash, int_cell(0).get(), int_cell(0).get());
        UNION_DATA* previous = hash.get(int_cell(0).get(), false, nullptr);
        for (int i = 1; i < 3000; ++i) {
            const char* message = nullptr;
            hash.insert(int_cell(i).get(), 0, previous, 1, &message);
            ASSERT_EQ(message, nullptr);
            previous = hash.get(int_cell(i).get(), false, nullptr);
            ASSERT_NE(previous, nullptr);
        }
        ASSERT_EQ(assign_link(&outside, hash.get(int_cell(1500).get(), false, nullptr), 'p'), nullptr);
        EXPECT_TRUE(is_link_cell(&outside));
        hash.clear();
        EXPECT_EQ(hash.pair_count, 0);
        EXPECT_FALSE(has(hash, int_cell(7).get()));
        EXPECT_FALSE(is_link_cell(&outside));
        put(hash, int_cell(7).get());
        EXPECT_TRUE(has(hash, int_cell(7).get()));
    }
    EXPECT_FALSE(is_link_cell(&outside));
}

TEST(HashStoreWalk, AnAssignmentDuringAWalkKeepsTheArrayUntilTheWalkEnds) {
    HASH_DATA hash;
    put(hash, int_cell(1).get(), int_cell(1).get());
    put(hash, int_cell(2).get(), int_cell(2).get());
    hash.build_array();
    ++hash.iteration_count;
    const char* message = nullptr;
    hash.set(int_cell(1).get(), 0, int_cell(5).get(), 0, &message);
    EXPECT_TRUE(hash.cached_array.has_value());
    --hash.iteration_count;
    hash.walk_ended();
    EXPECT_FALSE(hash.cached_array.has_value());
    // A sort after the assignment keeps its order.
    ++hash.iteration_count;
    hash.build_array();
    hash.set(int_cell(1).get(), 0, int_cell(6).get(), 0, &message);
    UNION_DATA* keys[] = {&(*hash.cached_array)[0]->value, &(*hash.cached_array)[1]->value};
    EXPECT_EQ(hash.sort(keys, true), nullptr);
    --hash.iteration_count;
    hash.walk_ended();
    EXPECT_TRUE(hash.cached_array.has_value());
    // Without a walk the assignment drops the array at once.
    hash.set(int_cell(1).get(), 0, int_cell(7).get(), 0, &message);
    EXPECT_FALSE(hash.cached_array.has_value());
}

// An insertion at the place its lookup found lands where a plain insertion
// would; keys without a place of their own (a reference, a number past 64
// bits, a real) are placed anew. Int and str keys of equal text stay
// distinct, an int read from text with leading zeros matches its number.
TEST(HashStoreLookups, InsertAtTheFoundPlaceAndPlainKeyMatches) {
    HASH_DATA hash;
    HASH_DATA plain;
    CELL keys[] = {str_cell("k1"),   int_cell(7), str_cell("7"), int_cell("123456789012345678901234"),
                   real_cell("2.5"), int_cell(-3)};
    for (CELL& key : keys) {
        HASH_DATA::KEY_PLACE place;
        EXPECT_EQ(hash.get(key.get(), false, place), nullptr);
        const char* message = "unset";
        hash.insert(key.get(), 0, int_cell(1).get(), 0, &message, place);
        EXPECT_EQ(message, nullptr);
        put(plain, key.get(), int_cell(1).get());
    }
    EXPECT_EQ(key_texts(hash), key_texts(plain));
    EXPECT_EQ(hash.pair_count, 6);
    for (CELL& key : keys) {
        HASH_DATA::KEY_PLACE place;
        EXPECT_NE(hash.get(key.get(), false, place), nullptr);
    }
    EXPECT_TRUE(has(hash, int_cell("007").get()));
    EXPECT_TRUE(has(hash, int_cell("-3").get()));
    EXPECT_FALSE(has(hash, str_cell("007").get()));
    EXPECT_FALSE(has(hash, str_cell("k").get()));
    EXPECT_FALSE(has(hash, int_cell(3).get()));

    // A lookup by reference knows no place: the insertion finds its own.
    CELL target = str_cell("k1");
    CELL reference = make_cell('s');
    ASSERT_EQ(assign_link(reference.get(), target.get(), 'p'), nullptr);
    HASH_DATA::KEY_PLACE place;
    EXPECT_EQ(hash.get(reference.get(), true, place), nullptr);
    EXPECT_FALSE(place.known);
    const char* message = nullptr;
    hash.insert(reference.get(), 1, nullptr, 0, &message, place);
    EXPECT_EQ(message, nullptr);
    EXPECT_TRUE(hash.contains(reference.get(), true, nullptr));
    EXPECT_EQ(hash.pair_count, 7);
}

// A lookup by number finds what get finds for the number's key cell, places
// a missing key where get would, and leaves a pair of the same code whose
// key is no plain int (the text "5" beside the number 5) to get.
TEST(HashStoreLookups, NumbersFoundWithoutAKeyCell) {
    HASH_DATA hash;
    HASH_DATA plain;  // the same pairs, each put by its key cell
    const int64_t numbers[] = {0, 7, -7, 999'999'999'999'999'999, -1'000'000'000'000'000'000};
    for (const int64_t number : numbers) {
        CELL key = int_cell(std::to_string(number).c_str());
        put(hash, key.get(), int_cell(1).get());
        put(plain, key.get(), int_cell(1).get());
    }
    for (int number = -20; number <= 20; ++number) {
        if (number == 0) continue;  // there already
        put(hash, int_cell(number * 100).get());
        put(plain, int_cell(number * 100).get());
    }
    for (const int64_t number : numbers) {
        const std::string text = std::to_string(number);
        UNION_DATA* value = nullptr;
        HASH_DATA::KEY_PLACE place;
        ASSERT_TRUE(hash.find_int(number, value, place)) << text;
        EXPECT_NE(value, nullptr) << text;
        EXPECT_EQ(value, hash.get(int_cell(text.c_str()).get(), false, nullptr)) << text;
    }
    for (const int64_t number : {int64_t{8}, int64_t{-8}, int64_t{1'000'000'000'000'000'000}, int64_t{250}}) {
        const std::string text = std::to_string(number);
        UNION_DATA* value = &LIST_NODE::no_key;
        HASH_DATA::KEY_PLACE place;
        ASSERT_TRUE(hash.find_int(number, value, place)) << text;
        EXPECT_EQ(value, nullptr) << text;
        CELL key = int_cell(text.c_str());
        hash.insert(key.get(), 0, int_cell(2).get(), 0, nullptr, place);
        put(plain, key.get(), int_cell(2).get());
        EXPECT_TRUE(has(hash, key.get())) << text;
    }
    EXPECT_EQ(key_texts(hash), key_texts(plain));
    put(hash, str_cell("5").get());
    UNION_DATA* value = nullptr;
    HASH_DATA::KEY_PLACE place;
    EXPECT_FALSE(hash.find_int(5, value, place));
    EXPECT_EQ(value, nullptr);
    EXPECT_FALSE(place.known);
}

// A removal takes its pair out of the index at the slot its lookup found:
// keys sharing the first slot of their probe, removed among the others,
// leave every other pair found and the order of the rest as if never put.
TEST(HashStoreLookups, RemovalsAmongCollidingKeys) {
    HASH_DATA hash;
    for (int i = 0; i < 40; ++i) put(hash, int_cell(i * 64).get());
    for (int i = 0; i < 40; i += 3) EXPECT_TRUE(hash.remove(int_cell(i * 64).get(), false, nullptr)) << i;
    EXPECT_FALSE(hash.remove(int_cell(0).get(), false, nullptr));
    HASH_DATA plain;
    for (int i = 0; i < 40; ++i) {
        UNION_DATA* value = nullptr;
        HASH_DATA::KEY_PLACE place;
        ASSERT_TRUE(hash.find_int(i * 64, value, place)) << i;
        EXPECT_EQ(value != nullptr, i % 3 != 0) << i;
        if (i % 3 != 0) put(plain, int_cell(i * 64).get());
    }
    EXPECT_EQ(hash.pair_count, plain.pair_count);
    EXPECT_EQ(key_texts(hash), key_texts(plain));
    // Put back, they are found again and the removed text key goes too.
    for (int i = 0; i < 40; i += 3) put(hash, int_cell(i * 64).get());
    put(hash, str_cell("x64").get());
    EXPECT_TRUE(hash.remove(str_cell("x64").get(), false, nullptr));
    for (int i = 0; i < 40; ++i) EXPECT_TRUE(has(hash, int_cell(i * 64).get())) << i;
    EXPECT_FALSE(has(hash, str_cell("x64").get()));
    EXPECT_EQ(hash.pair_count, 40);
}

}  // namespace
}  // namespace morvu
