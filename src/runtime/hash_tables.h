// The interpreter's own chained hash tables: 97 fixed buckets, chains kept in
// insertion order, and an optional insertion-order list over all entries.
// Looking up a missing key creates its entry with the table's default value;
// callers that must not insert ask contains() first. Entries are never removed
// one by one, only all together by clear().
//
// One template serves the three tables, which differ only in key and value:
//   INT_STR_TABLE  int  -> text            (file-name table)
//   STR_INT_TABLE  text -> pointer-sized   (scope symbol tables hold nodes)
//   INT_PTR_TABLE  int  -> pointer-sized   (identity maps of saved values)
// Entries live in stable heap nodes, so a reference returned by operator[]
// stays valid until clear().

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/text_utils.h"

namespace morvu {

inline int table_bucket_of(int key, int bucket_count) {
    // Widen before taking the magnitude so the most negative key has one too.
    int64_t magnitude = key < 0 ? -static_cast<int64_t>(key) : key;
    return static_cast<int>(magnitude % bucket_count);
}

// Identity keys use every bit of the pointer.
inline int table_bucket_of(uintptr_t key, int bucket_count) {
    return static_cast<int>(key % static_cast<uintptr_t>(bucket_count));
}

inline int table_bucket_of(const std::string& key, int bucket_count) { return str_xor_code(key) % bucket_count; }

template <typename KEY, typename VALUE>
class CHAINED_TABLE {
public:
    struct ENTRY {
        KEY key;
        VALUE value;
        ENTRY* chain_next = nullptr;  // next entry in the same bucket
        ENTRY* order_next = nullptr;  // next entry in insertion order (ordered tables)
    };

    explicit CHAINED_TABLE(VALUE default_value = VALUE(), bool ordered = false, int bucket_count = 97)
        : buckets(static_cast<size_t>(bucket_count > 0 ? bucket_count : 97)),
          default_value(std::move(default_value)),
          ordered(ordered) {}

    CHAINED_TABLE(const CHAINED_TABLE&) = delete;
    CHAINED_TABLE& operator=(const CHAINED_TABLE&) = delete;
    ~CHAINED_TABLE() { clear(); }

    // Find-or-insert.
    VALUE& operator[](const KEY& key) {
        BUCKET& bucket = buckets[static_cast<size_t>(table_bucket_of(key, bucket_count()))];
        for (ENTRY* entry = bucket.head; entry != nullptr; entry = entry->chain_next)
            if (entry->key == key) return entry->value;
        auto* entry = new ENTRY{key, default_value};
        if (bucket.tail != nullptr) bucket.tail->chain_next = entry;
        else bucket.head = entry;
        bucket.tail = entry;
        ++bucket.entry_count;
        if (ordered) {
            if (order_tail != nullptr) order_tail->order_next = entry;
            else order_head = entry;
            order_tail = entry;
            ++order_count;
        }
        ++size;
        return entry->value;
    }

    // Whether the key has an entry; inserts nothing.
    bool contains(const KEY& key) const { return find(key) != nullptr; }

    // The entry's value, or null; inserts nothing.
    const VALUE* find(const KEY& key) const {
        const BUCKET& bucket = buckets[static_cast<size_t>(table_bucket_of(key, bucket_count()))];
        for (const ENTRY* entry = bucket.head; entry != nullptr; entry = entry->chain_next)
            if (entry->key == key) return &entry->value;
        return nullptr;
    }

    void clear() {
        for (BUCKET& bucket : buckets) {
            ENTRY* entry = bucket.head;
            while (entry != nullptr) {
                ENTRY* next = entry->chain_next;
                delete entry;
                entry = next;
            }
            bucket = BUCKET();
        }
        order_head = order_tail = nullptr;
        order_count = 0;
        size = 0;
        cursor = nullptr;
        cursor_bucket = 0;
    }

    // Starts the table's one walk over its keys (insertion order when the
    // table keeps one, else bucket by bucket) and yields the first key.
    bool first(KEY& key_out) {
        cursor = nullptr;
        cursor_bucket = -1;
        return next(key_out);
    }

    // Continues the walk; false at the end.
    bool next(KEY& key_out) {
        bool starting = cursor_bucket < 0;
        if (ordered) {
            cursor = starting ? order_head : (cursor != nullptr ? cursor->order_next : nullptr);
            cursor_bucket = 0;
        } else {
            if (cursor != nullptr) cursor = cursor->chain_next;
            while (cursor == nullptr && cursor_bucket + 1 < bucket_count())
                cursor = buckets[static_cast<size_t>(++cursor_bucket)].head;
        }
        if (cursor == nullptr) return false;
        key_out = cursor->key;
        return true;
    }

    // Entries in insertion order (ordered tables only).
    const ENTRY* order_first() const { return order_head; }

    int bucket_count() const { return static_cast<int>(buckets.size()); }
    int entry_count() const { return size; }
    int ordered_count() const { return order_count; }
    bool is_ordered() const { return ordered; }
    int bucket_entry_count(int bucket) const { return buckets[static_cast<size_t>(bucket)].entry_count; }

private:
    struct BUCKET {
        int entry_count = 0;
        ENTRY* head = nullptr;
        ENTRY* tail = nullptr;
    };

    std::vector<BUCKET> buckets;
    VALUE default_value;
    bool ordered;
    int order_count = 0;
    ENTRY* order_head = nullptr;
    ENTRY* order_tail = nullptr;
    int size = 0;
    ENTRY* cursor = nullptr;
    int cursor_bucket = 0;
};

using INT_STR_TABLE = CHAINED_TABLE<int, std::string>;
using STR_INT_TABLE = CHAINED_TABLE<std::string, intptr_t>;
using INT_PTR_TABLE = CHAINED_TABLE<int, intptr_t>;
using PTR_PTR_TABLE = CHAINED_TABLE<uintptr_t, intptr_t>;  // keyed by an object's address

}  // namespace morvu
