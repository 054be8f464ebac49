// The payload of hash and set values: 97 buckets, each null or a LIST_DATA
// whose nodes are the pairs (key cell and value cell; a set leaves its value
// cells empty). A bucket list exists exactly while it holds a pair. Each key
// occurs at most once; insert trusts its callers to have checked that.
// A hash whose pairs lie in a few buckets keeps only those lists, in a short
// row; the full table of 97 comes when the row overflows (BUCKETS).
//
// A key is held either by value (a copy, matched by value equality and
// placed by its key text, value_key_text, which equal keys share whatever
// the settings) or by reference (a reference cell, matched and placed by
// the identity of the cell it refers to). The two kinds never match.
// That identity is a number the cell gets when a reference key first
// refers to it, in order of first use, never its address: the pair order of
// reference keys, and so what a program prints, is the same on every run.
// Because a key lands in the same bucket in every hash, the set operations
// and comparisons work bucket by bucket.
//
// Pair order is bucket 0..96, then insertion order within a bucket. The
// cached array holds the pairs in that order (or as sorted) for positioned
// access; every change of the pairs drops it. A value assigned while a walk
// runs (iteration_count above 0) leaves the array to the walk that reads it;
// walk_ended drops it once the last walk is over.
//
// Beside the buckets an index finds every pair by a 64-bit code of its key
// (from the key text, or the referenced cell's number), so no lookup walks
// a bucket: the buckets give the order, the index the speed. The index is
// rebuilt from the buckets whenever the number of pairs it holds disagrees
// with pair_count (pairs linked into the buckets by other code). Nodes never
// change buckets, so each index slot also remembers its pair's bucket.

#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/block_pool.h"

namespace morvu {

class UNION_DATA;
class LIST_DATA;
struct LIST_NODE;

// The number of a cell that reference keys refer to: given at its first
// use, 1 upwards in the order of first use, and kept while the cell lives.
uint64_t reference_key_number(UNION_DATA* cell);
// Drops the number of a cell that is being destroyed.
void forget_key_number(const UNION_DATA* cell);

class HASH_DATA {
public:
    static constexpr int bucket_count = 97;
    // The bits of a key's code in the index.
    static constexpr int code_bits = 57;

    // The bucket lists by bucket number. A hash whose pairs lie in at most
    // row_capacity buckets, as most small hashes' do, keeps their lists in a
    // row in bucket order, and no table of all the buckets; the table is
    // made when a further bucket is needed, and given back when the hash is
    // emptied. A mask of the used buckets answers for the unused ones
    // without a look at the row or the table, and lists the used ones.
    // The row holds no null entries: begin() to end() are the lists in
    // bucket order, with the null entries of the table between them once
    // there is one. [b] reads (and writes) bucket b either way.
    class BUCKETS {
    public:
        static constexpr size_t row_capacity = 6;

        BUCKETS() = default;
        ~BUCKETS();
        BUCKETS(const BUCKETS&) = delete;
        BUCKETS& operator=(const BUCKETS&) = delete;

        static constexpr size_t size() { return bucket_count; }
        bool has_table() const { return table != nullptr; }
        bool is_used(size_t b) const { return (used_mask[b >> 6] >> (b & 63) & 1) != 0; }
        // The first used bucket from b on, or -1.
        int first_used_from(int b) const {
            for (; b < bucket_count; b = (b | 63) + 1) {
                const uint64_t bits = used_mask[b >> 6] >> (b & 63);
                if (bits != 0) return b + std::countr_zero(bits);
            }
            return -1;
        }
        // The last used bucket up to b, or -1.
        int last_used_upto(int b) const {
            for (; b >= 0; b = (b & ~63) - 1) {
                const uint64_t bits = used_mask[b >> 6] << (63 - (b & 63));
                if (bits != 0) return b - std::countl_zero(bits);
            }
            return -1;
        }

        // The list of bucket b, or null.
        LIST_DATA* list(size_t b) const {
            if (!is_used(b)) return nullptr;
            if (table != nullptr) return table[b];
            size_t at = 0;
            while (row_buckets[at] != b) ++at;
            return row_lists[at];
        }
        // The list of bucket b, made when it has none.
        LIST_DATA& make_list(size_t b) {
            LIST_DATA* found = list(b);
            return found != nullptr ? *found : add_list(b);
        }
        // Makes list (may be null) the list of bucket b; the one it had goes.
        void put(size_t b, LIST_DATA* list);
        // Destroys the list of bucket b, if any.
        void drop(size_t b) { put(b, nullptr); }
        // Hands every list to take(LIST_DATA*), in bucket order, and is left
        // an empty row.
        template <typename TAKE>
        void take_all(TAKE take) {
            if (table == nullptr && row_count == 0) return;
            LIST_DATA** const entries = table != nullptr ? table.get() : row_lists;
            const size_t count = entry_count();
            for (size_t i = 0; i < count; ++i) {
                if (entries[i] == nullptr) continue;
                take(entries[i]);
                entries[i] = nullptr;
            }
            used_mask[0] = used_mask[1] = 0;
            row_count = 0;
            table.reset();
        }

        // The used buckets' numbers in ascending order into at; their count.
        int used(uint8_t* at) const;

        LIST_DATA* const* begin() const { return table != nullptr ? table.get() : row_lists; }
        LIST_DATA* const* end() const { return begin() + entry_count(); }

        // Bucket b as its own unique_ptr would read and be written.
        class ENTRY {
        public:
            ENTRY(const BUCKETS& buckets, size_t b) : buckets(const_cast<BUCKETS&>(buckets)), b(b) {}
            LIST_DATA* get() const { return buckets.list(b); }
            LIST_DATA* operator->() const { return get(); }
            LIST_DATA& operator*() const { return *get(); }
            explicit operator bool() const { return get() != nullptr; }
            friend bool operator==(const ENTRY& entry, std::nullptr_t) { return entry.get() == nullptr; }
            ENTRY& operator=(std::unique_ptr<LIST_DATA> list) {
                buckets.put(b, list.release());
                return *this;
            }
            void reset() { buckets.drop(b); }

        private:
            BUCKETS& buckets;
            size_t b;
        };
        ENTRY operator[](size_t b) { return ENTRY(*this, b); }
        const ENTRY operator[](size_t b) const { return ENTRY(*this, b); }

    private:
        size_t entry_count() const { return table != nullptr ? bucket_count : row_count; }
        void mark(size_t b, bool used) {
            const uint64_t bit = uint64_t{1} << (b & 63);
            used_mask[b >> 6] = used ? used_mask[b >> 6] | bit : used_mask[b >> 6] & ~bit;
        }
        // Moves the row into a new table.
        void make_table();
        // A new list for bucket b, which has none.
        LIST_DATA& add_list(size_t b);

        std::unique_ptr<LIST_DATA*[]> table;
        uint64_t used_mask[2] = {0, 0};
        LIST_DATA* row_lists[row_capacity] = {};
        uint8_t row_buckets[row_capacity] = {};
        uint8_t row_count = 0;
    };

    int pair_count = 0;
    BUCKETS buckets;
    std::optional<std::vector<LIST_NODE*>> cached_array;
    int iteration_count = 0;
    // A value was assigned while a walk held the cached array.
    bool array_outdated = false;

    HASH_DATA();
    ~HASH_DATA();
    HASH_DATA(const HASH_DATA&) = delete;
    HASH_DATA& operator=(const HASH_DATA&) = delete;

    // Every copy of a hash makes one, and a nested value many: recycled.
    static void* operator new(std::size_t size) { return BLOCK_POOL<HASH_DATA>::allocate(size); }
    static void operator delete(void* hash, std::size_t size) noexcept { BLOCK_POOL<HASH_DATA>::release(hash, size); }

    // The bucket of a key: by reference from the referenced cell's number,
    // else from the key's canonical text. A key type without text form puts
    // its message in *message (when message is not null) and the text built
    // so far still chooses the bucket.
    static int bucket_of(UNION_DATA* key, bool by_reference, const char** message);

    void clear();

    // The buckets that hold lists, in ascending order.
    struct USED_BUCKETS {
        std::array<uint8_t, bucket_count> at;
        int count = 0;
        const uint8_t* begin() const { return at.data(); }
        const uint8_t* end() const { return at.data() + count; }
    };
    // Read from the mask of the used buckets, without passing the others.
    USED_BUCKETS used_buckets() const;

    bool contains(UNION_DATA* key, bool by_reference, const char** message);

    // The value cell of the matching pair, or null.
    UNION_DATA* get(UNION_DATA* key, bool by_reference, const char** message);

    // Where a key was placed by a lookup, for an insertion of the same,
    // unchanged key right after it: known only for int and str keys held by
    // value, whose place is found without a message. A lookup needs only
    // the code: the bucket stays -1 until the insertion finds it.
    struct KEY_PLACE {
        int bucket = 0;
        uint64_t code = 0;
        bool known = false;
        bool by_reference = false;
    };
    // get (without message) that also tells where the key was placed.
    UNION_DATA* get(UNION_DATA* key, bool by_reference, KEY_PLACE& place);
    // get(key, false, place) for an insertion likely to follow: a str key's
    // bucket is found too, in the same pass over its text as its code.
    UNION_DATA* get_text_key(UNION_DATA* key, KEY_PLACE& place);
    // get(key, false, place) for an int key cell holding number, found
    // without the cell: true with the value cell (null for a key the hash
    // lacks) and the place. False, with both untouched, when a pair of the
    // number's code has a key that is no plain int: get then decides.
    bool find_int(int64_t number, UNION_DATA*& value, KEY_PLACE& place);

    // Assigns value by value_mode to the value of the pair whose key matches
    // (by reference when key_mode makes a reference key: 1, or 4 to 6 with a
    // reference given). An absent key changes nothing. A refused assignment
    // leaves its message in *message.
    void set(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message);

    // Adds a pair; the key must be absent. A null value leaves the value cell
    // empty (sets). A failed element copy leaves its message in *message.
    // Returns the new pair's value cell.
    UNION_DATA* insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message);
    // The same at a place a lookup of the same key gave.
    UNION_DATA* insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message,
                       const KEY_PLACE& place);

    // Removes the matching pair; an absent key changes nothing. Whether a
    // pair went.
    bool remove(UNION_DATA* key, bool by_reference, const char** message);

    // Set union, intersection and difference with other (only this hash
    // changes; other may be this hash itself).
    void add_all_of(HASH_DATA& other);
    void keep_all_of(HASH_DATA& other);
    void remove_all_of(HASH_DATA& other);

    // Same keys; with compare_values also equal values.
    bool equals(HASH_DATA& other, bool compare_values);
    // The pair whose key matches the stored key of a node of another hash,
    // or null; its bucket into *bucket.
    LIST_NODE* find_key_of(LIST_NODE* node, int* bucket = nullptr);

    // Every key here is in other, and other has one more.
    bool is_proper_subset(HASH_DATA& other);
    bool is_proper_superset(HASH_DATA& other);

    // Every key of other is a key here.
    bool includes_keys(HASH_DATA& other);

    // (Re)builds the cached array in pair order.
    void build_array();

    // Called after a walk lets go of the hash: with no walk left, drops a
    // cached array that a value assignment during the walks outdated.
    void walk_ended();

    // Reorders the cached array by the sort keys, one per entry in its order
    // (an absent array is built first, in pair order). Returns the sort's
    // message; a sort that fails leaves the array as it was. The buckets do
    // not change. Defined with the sort (value_sort.cpp).
    const char* sort(UNION_DATA** keys, bool ascending);

    // Makes this hash a copy of source: every bucket list rebuilt in order,
    // key and value copied with mode 4. Copying a hash onto itself does
    // nothing. Passes on the first failure of an element copy.
    const char* copy_from(HASH_DATA& source);

private:
    // Where a key lives: its bucket and its index code.
    struct PLACE {
        int bucket;
        uint64_t code;
    };
    static PLACE place_of(UNION_DATA* key, bool by_reference, const char** message);
    // The index code alone of place_of, found without the bucket for int,
    // str and char keys held by value.
    static uint64_t code_of(UNION_DATA* key, bool by_reference, const char** message);
    // The code of plain_key_place's keys, without the bucket; false, with
    // code untouched, for any other key.
    static bool plain_key_code(const UNION_DATA* key, uint64_t& code);
    static PLACE place_of_text(std::string_view text);
    static int bucket_of_text(std::string_view text);
    // The bucket of a key whose code plain_key_code gave.
    static int plain_key_bucket(const UNION_DATA* key);
    // The place of a defined int (within 64 bits), str or char key held by value,
    // the one place_of_text gives its key text, found without that text;
    // false, with place untouched, for any other key.
    static bool plain_key_place(const UNION_DATA* key, PLACE& place);
    static PLACE place_of_int(int64_t number);
    static uint64_t code_of_node(LIST_NODE* node);
    [[gnu::noinline]] bool find_int_general(int64_t number, UNION_DATA*& value, KEY_PLACE& place);

    // One slot of the index, an open-addressing table of a power-of-two
    // size, at most three quarters used (the four slots of a hash of one or
    // two pairs at most half): the node, and its code and bucket
    // in one word (codes have code_bits bits). A free slot has no node and
    // the word 0; a slot whose pair went has no node and the word 1, and
    // lookups probe past it. Sixteen bytes a slot: a large hash keeps twice
    // as many slots as pairs.
    struct INDEX_SLOT {
        LIST_NODE* node = nullptr;
        uint64_t word = 0;

        INDEX_SLOT() = default;
        INDEX_SLOT(LIST_NODE* node, int bucket, uint64_t code)
            : node(node), word(code << (64 - code_bits) | static_cast<uint64_t>(bucket)) {}
        uint64_t code() const { return word >> (64 - code_bits); }
        int bucket() const { return static_cast<int>(word & ((uint64_t{1} << (64 - code_bits)) - 1)); }
        bool is_free() const { return node == nullptr && word == 0; }
    };
    static_assert(bucket_count < (1 << (64 - code_bits)), "a bucket number fits beside its code");

    // The index's slots, all free when made. A large index comes zeroed from
    // the system, so it is neither filled nor touched before use; the
    // smallest, which nearly every small hash and each of its copies has, is
    // recycled as the hashes are.
    class SLOTS {
    public:
        SLOTS() = default;
        explicit SLOTS(size_t count);
        SLOTS(SLOTS&& other) noexcept : slots(other.slots), count(other.count) {
            other.slots = nullptr;
            other.count = 0;
        }
        SLOTS& operator=(SLOTS&& other) noexcept {
            std::swap(slots, other.slots);
            std::swap(count, other.count);
            return *this;
        }
        SLOTS(const SLOTS&) = delete;
        SLOTS& operator=(const SLOTS&) = delete;
        ~SLOTS();

        size_t size() const { return count; }
        bool empty() const { return count == 0; }
        INDEX_SLOT& operator[](size_t i) { return slots[i]; }
        INDEX_SLOT* begin() { return slots; }
        INDEX_SLOT* end() { return slots + count; }
        const INDEX_SLOT* begin() const { return slots; }
        const INDEX_SLOT* end() const { return slots + count; }
        // Gives the slots back; none are left.
        void clear() { *this = SLOTS(); }

        // The sizes of the recycled tables: the one of a hash of one or two
        // pairs, and the next.
        static constexpr size_t tiny_count = 4;
        static constexpr size_t small_count = 8;

    private:
        template <size_t COUNT>
        struct BLOCK {
            INDEX_SLOT slots[COUNT];
        };
        using TINY_BLOCK = BLOCK<tiny_count>;
        using SMALL_BLOCK = BLOCK<small_count>;
        INDEX_SLOT* slots = nullptr;
        size_t count = 0;
    };

    // The pair whose key matches, or null; its bucket into *bucket.
    LIST_NODE* find_node(UNION_DATA* key, bool by_reference, uint64_t code, int* bucket = nullptr);
    void index_node(LIST_NODE* node, int bucket, uint64_t code);
    void unindex_node(LIST_NODE* node);
    void rebuild_index();
    // Gives this hash, just copied from source bucket by bucket, the
    // source's index with this hash's nodes in it; false, with nothing
    // changed, when source's index is not complete or the hash not small.
    bool copy_index_of(HASH_DATA& source);

    // Destroys the emptied list of a bucket; a hash left without pairs gives
    // its table of the buckets back.
    void drop_list(size_t bucket);

    // Unlinks and destroys one pair of the bucket: out of the index, out of
    // its list, and the list gone once empty.
    void unlink_pair(size_t bucket, LIST_NODE* node);

    // Unlinks and destroys the given pairs (bucket number, node), each once.
    void remove_nodes(std::vector<std::pair<size_t, LIST_NODE*>>& doomed);

    // Rehashes every pair into a table of the given size.
    void grow_index(size_t capacity);

    SLOTS index;
    size_t indexed = 0;  // slots holding a pair
    size_t vacated = 0;  // slots whose pair went
};

}  // namespace morvu
