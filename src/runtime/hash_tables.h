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
//
// The buckets give the order of a walk over a table without insertion order
// (bucket by bucket, each chain in insertion order); they are made with the
// first entry of such a table, and an ordered table never needs them. The
// bucket of a text key comes from a weak code (the xor of its bytes), so
// chains can grow long; no look-up walks them. Every entry is also on a list
// in insertion order, which a small table searches, and beside it a larger
// table keeps an index: open addressing over a 64-bit code of each key. So a
// look-up costs the same in a table of ten entries and of a million.
//
// A table can also group its entries by a part of their key (the routine name
// of a method key), each group in insertion order: the group index is built
// on the first request and kept up to date by every later insertion. And it
// finds the first entry of its walk that holds a value (the name under which
// a type is entered) through a map from values, rebuilt on the first request
// after any access that could have written a value.

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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

// The index code of a key: every bit of it matters.
inline uint64_t table_index_code(const std::string& key) { return std::hash<std::string_view>{}(key); }
inline uint64_t table_index_code(uint64_t key) {
    key ^= key >> 33;  // the finaliser of a well-known 64-bit mixer
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    return key ^ (key >> 33);
}
inline uint64_t table_index_code(int key) { return table_index_code(static_cast<uint64_t>(static_cast<int64_t>(key))); }

template <typename KEY, typename VALUE>
class CHAINED_TABLE {
public:
    struct ENTRY {
        KEY key;
        VALUE value;
        ENTRY* chain_next = nullptr;  // next entry in the same bucket
        ENTRY* order_next = nullptr;  // next entry in insertion order (ordered tables)
        ENTRY* all_next = nullptr;    // next entry in insertion order (every table)
        uint64_t code = 0;            // the key's index code
        int bucket = 0;
        int serial = 0;  // insertion number: the order within a bucket
    };

    // The part of a key that a group index files its entries under.
    using PART_OF = std::string_view (*)(const KEY& key);

    explicit CHAINED_TABLE(VALUE default_value = VALUE(), bool ordered = false, int bucket_count = 97)
        : buckets_wanted(bucket_count > 0 ? bucket_count : 97),
          default_value(std::move(default_value)),
          ordered(ordered) {}

    CHAINED_TABLE(const CHAINED_TABLE&) = delete;
    CHAINED_TABLE& operator=(const CHAINED_TABLE&) = delete;
    ~CHAINED_TABLE() { clear(); }

    // Find-or-insert.
    VALUE& operator[](const KEY& key) {
        ++writable_accesses;  // the caller may write through the reference
        const uint64_t code = table_index_code(key);
        if (ENTRY* entry = find_entry(key, code)) return entry->value;
        return insert(key, code)->value;
    }

    // Whether the key has an entry; inserts nothing.
    bool contains(const KEY& key) const { return find(key) != nullptr; }

    // The entry's value, or null; inserts nothing.
    const VALUE* find(const KEY& key) const {
        const ENTRY* entry = find_entry(key, table_index_code(key));
        return entry != nullptr ? &entry->value : nullptr;
    }

    void clear() {
        ENTRY* entry = all_head;
        while (entry != nullptr) {
            ENTRY* next = entry->all_next;
            delete entry;
            entry = next;
        }
        buckets.reset();
        index.clear();
        index.shrink_to_fit();
        groups.reset();
        group_part = nullptr;
        holders.reset();
        all_head = all_tail = nullptr;
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
            while (cursor == nullptr && buckets != nullptr && cursor_bucket + 1 < bucket_count())
                cursor = buckets[static_cast<size_t>(++cursor_bucket)].head;
            if (buckets == nullptr) cursor_bucket = bucket_count();
        }
        if (cursor == nullptr) return false;
        key_out = cursor->key;
        return true;
    }

    // Entries in insertion order (ordered tables only).
    const ENTRY* order_first() const { return order_head; }

    // Whether a walk over the table meets entry a before entry b.
    bool walks_before(const ENTRY* a, const ENTRY* b) const {
        if (ordered || a->bucket == b->bucket) return a->serial < b->serial;
        return a->bucket < b->bucket;
    }

    // The entries whose key has the part `part` under part_of, in insertion
    // order; null when there are none. A table is grouped by one function
    // only: the first one asked for.
    const std::vector<const ENTRY*>* group(std::string_view part, PART_OF part_of) {
        if (groups == nullptr) {
            groups = std::make_unique<GROUPS>();
            group_part = part_of;
            for (const ENTRY* entry = all_head; entry != nullptr; entry = entry->all_next) file_in_group(entry);
        }
        auto found = groups->find(part);
        return found != groups->end() ? &found->second : nullptr;
    }

    // The first entry of the table's walk whose value is `value`; null when
    // no entry holds it.
    const ENTRY* first_holding(const VALUE& value) {
        if (holders == nullptr || holders_made_at != writable_accesses) {
            holders = std::make_unique<HOLDERS>();
            holders_made_at = writable_accesses;
            for (const ENTRY* entry = all_head; entry != nullptr; entry = entry->all_next) {
                auto [place, fresh] = holders->emplace(entry->value, entry);
                if (!fresh && walks_before(entry, place->second)) place->second = entry;
            }
        }
        auto found = holders->find(value);
        return found != holders->end() ? found->second : nullptr;
    }

    int bucket_count() const { return buckets_wanted; }
    int entry_count() const { return size; }
    int ordered_count() const { return order_count; }
    bool is_ordered() const { return ordered; }
    int bucket_entry_count(int bucket) const {
        int count = 0;
        for (const ENTRY* entry = all_head; entry != nullptr; entry = entry->all_next) count += entry->bucket == bucket;
        return count;
    }

private:
    struct BUCKET {
        ENTRY* head = nullptr;
        ENTRY* tail = nullptr;
    };
    // Up to this many entries a look-up searches the insertion list.
    static constexpr int unindexed_size = 8;
    // The group index's keys view the keys of its entries.
    using GROUPS = std::unordered_map<std::string_view, std::vector<const ENTRY*>>;
    using HOLDERS = std::unordered_map<VALUE, const ENTRY*>;

    int buckets_wanted;
    std::unique_ptr<BUCKET[]> buckets;  // made with the first entry of an unordered table
    std::vector<ENTRY*> index;          // open addressing, a power of two in size, at most half full
    std::unique_ptr<GROUPS> groups;
    PART_OF group_part = nullptr;
    std::unique_ptr<HOLDERS> holders;
    uint64_t writable_accesses = 0;
    uint64_t holders_made_at = 0;
    VALUE default_value;
    bool ordered;
    int order_count = 0;
    ENTRY* all_head = nullptr;
    ENTRY* all_tail = nullptr;
    ENTRY* order_head = nullptr;
    ENTRY* order_tail = nullptr;
    int size = 0;
    ENTRY* cursor = nullptr;
    int cursor_bucket = 0;

    ENTRY* find_entry(const KEY& key, uint64_t code) const {
        if (index.empty()) {
            for (ENTRY* entry = all_head; entry != nullptr; entry = entry->all_next)
                if (entry->code == code && entry->key == key) return entry;
            return nullptr;
        }
        const size_t mask = index.size() - 1;
        for (size_t at = code & mask;; at = (at + 1) & mask) {
            ENTRY* entry = index[at];
            if (entry == nullptr) return nullptr;
            if (entry->code == code && entry->key == key) return entry;
        }
    }

    ENTRY* insert(const KEY& key, uint64_t code) {
        auto* entry = new ENTRY{key, default_value};
        entry->code = code;
        entry->bucket = table_bucket_of(key, bucket_count());
        entry->serial = size;
        if (!ordered) {
            if (buckets == nullptr) buckets = std::make_unique<BUCKET[]>(static_cast<size_t>(bucket_count()));
            BUCKET& bucket = buckets[static_cast<size_t>(entry->bucket)];
            if (bucket.tail != nullptr) bucket.tail->chain_next = entry;
            else bucket.head = entry;
            bucket.tail = entry;
        } else {
            if (order_tail != nullptr) order_tail->order_next = entry;
            else order_head = entry;
            order_tail = entry;
            ++order_count;
        }
        if (all_tail != nullptr) all_tail->all_next = entry;
        else all_head = entry;
        all_tail = entry;
        ++size;
        if (size > unindexed_size) add_to_index(entry);
        if (groups != nullptr) file_in_group(entry);
        return entry;
    }

    void add_to_index(ENTRY* entry) {
        if (static_cast<size_t>(size) * 2 > index.size()) {
            // The first index takes every entry; a full one doubles.
            size_t capacity = index.empty() ? 32 : index.size() * 2;
            while (static_cast<size_t>(size) * 2 > capacity) capacity *= 2;
            index.assign(capacity, nullptr);
            for (ENTRY* each = all_head; each != nullptr; each = each->all_next) place(each);
            return;
        }
        place(entry);
    }

    void place(ENTRY* entry) {
        const size_t mask = index.size() - 1;
        size_t at = entry->code & mask;
        while (index[at] != nullptr) at = (at + 1) & mask;
        index[at] = entry;
    }

    void file_in_group(const ENTRY* entry) { (*groups)[group_part(entry->key)].push_back(entry); }
};

using INT_STR_TABLE = CHAINED_TABLE<int, std::string>;
using STR_INT_TABLE = CHAINED_TABLE<std::string, intptr_t>;
using INT_PTR_TABLE = CHAINED_TABLE<int, intptr_t>;
using PTR_PTR_TABLE = CHAINED_TABLE<uintptr_t, intptr_t>;  // keyed by an object's address

}  // namespace morvu
