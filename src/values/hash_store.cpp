#include "values/hash_store.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>

#include "runtime/text_utils.h"
#include "values/list_store.h"
#include "values/union_data.h"
#include "values/value_sort.h"
#include "values/value_text.h"

namespace morvu {

namespace {

// The key of a lookup or insertion is matched (and placed) by reference when
// it will be stored, or is stored, as a reference cell.
bool stored_by_reference(UNION_DATA* key, int key_mode) {
    if (key_mode == 1) return true;
    return (key_mode == 4 || key_mode == 5 || key_mode == 6) && is_reference_tag(key->tag);
}

bool is_reference_key(LIST_NODE* node) { return is_reference_tag(node->key.tag); }

// Whether the list holds a key matching the stored key of node.
bool holds_key_of(LIST_DATA* list, LIST_NODE* node) {
    return list != nullptr && list->find(&node->key, is_reference_key(node)) >= 0;
}

}  // namespace

HASH_DATA::HASH_DATA() = default;

HASH_DATA::~HASH_DATA() { clear(); }

int HASH_DATA::bucket_of(UNION_DATA* key, bool by_reference, const char** message) {
    if (by_reference) {
        if (message != nullptr) *message = nullptr;
        // Cells are at least 8-byte aligned: the low bits carry nothing.
        auto identity = reinterpret_cast<uintptr_t>(follow_link(key)) >> 3;
        return static_cast<int>(identity % bucket_count);
    }
    int code = str_xor_code(value_key_text(key, message));
    return (code < 0 ? -code : code) % bucket_count;
}

void HASH_DATA::clear() {
    // Take the lists out first, so that the hash is empty and consistent
    // while the pairs' links are dissolved.
    std::array<std::unique_ptr<LIST_DATA>, bucket_count> old = std::move(buckets);
    pair_count = 0;
    cached_array.reset();
}

bool HASH_DATA::contains(UNION_DATA* key, bool by_reference, const char** message) {
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    return list != nullptr && list->find(key, by_reference) >= 0;
}

UNION_DATA* HASH_DATA::get(UNION_DATA* key, bool by_reference, const char** message) {
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    if (list == nullptr || list->find(key, by_reference) < 0) return nullptr;
    return &list->cursor->value;
}

void HASH_DATA::set(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    bool by_reference = stored_by_reference(key, key_mode);
    LIST_DATA* list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))].get();
    if (list == nullptr) return;
    int index = list->find(key, by_reference);
    if (index < 0) return;
    const char* refusal = list->set_at(index, value, value_mode);
    if (refusal != nullptr && message != nullptr) *message = refusal;
    cached_array.reset();
}

void HASH_DATA::insert(UNION_DATA* key, int key_mode, UNION_DATA* value, int value_mode, const char** message) {
    bool by_reference = stored_by_reference(key, key_mode);
    std::unique_ptr<LIST_DATA>& list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))];
    if (list == nullptr) list = std::make_unique<LIST_DATA>();
    const char* failure = list->append_pair(key, key_mode, value, value_mode);
    if (failure != nullptr && message != nullptr) *message = failure;
    ++pair_count;
    cached_array.reset();
}

void HASH_DATA::remove(UNION_DATA* key, bool by_reference, const char** message) {
    std::unique_ptr<LIST_DATA>& list = buckets[static_cast<size_t>(bucket_of(key, by_reference, message))];
    if (list == nullptr) return;
    int index = list->find(key, by_reference);
    if (index < 0) return;
    list->remove_at(index);
    --pair_count;
    if (list->node_count == 0) list.reset();
    cached_array.reset();
}

void HASH_DATA::add_all_of(HASH_DATA& other) {
    cached_array.reset();
    if (&other == this) return;  // every key is found already
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        std::unique_ptr<LIST_DATA>& mine = buckets[b];
        if (mine == nullptr) mine = std::make_unique<LIST_DATA>();
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            if (holds_key_of(mine.get(), node)) continue;
            // A reference key refers to the same cell; any other key is copied.
            mine->append_pair(&node->key, is_reference_key(node) ? 1 : 0, nullptr, 0);
            ++pair_count;
        }
    }
}

// Both removals first collect the pairs to drop and then drop them: other
// is only read while nothing has changed yet, so other may be this hash, or
// a value inside one of the pairs that go.

void HASH_DATA::keep_all_of(HASH_DATA& other) {
    cached_array.reset();
    if (&other == this) return;
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr) continue;
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (!holds_key_of(other.buckets[b].get(), node)) doomed.emplace_back(b, node);
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_all_of(HASH_DATA& other) {
    cached_array.reset();
    std::vector<std::pair<size_t, LIST_NODE*>> doomed;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        LIST_DATA* theirs = other.buckets[b].get();
        if (mine == nullptr || theirs == nullptr) continue;
        if (mine == theirs) {  // the same hash: every pair goes
            for (LIST_NODE* node = mine->head; node != nullptr; node = node->next) doomed.emplace_back(b, node);
            continue;
        }
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (holds_key_of(mine, node)) doomed.emplace_back(b, mine->cursor);
    }
    remove_nodes(doomed);
}

void HASH_DATA::remove_nodes(std::vector<std::pair<size_t, LIST_NODE*>>& doomed) {
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (const auto& [b, node] : doomed) {
        std::unique_ptr<LIST_DATA>& list = buckets[b];
        list->remove_node(node);
        --pair_count;
        if (list->node_count == 0) list.reset();
    }
    cached_array.reset();
}

bool HASH_DATA::equals(HASH_DATA& other, bool compare_values) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) {
            if (mine != nullptr) return false;
            continue;
        }
        if (mine == nullptr || mine->node_count != theirs->node_count) return false;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            if (!holds_key_of(mine, node)) return false;
            if (compare_values && !is_equal_value(&mine->cursor->value, &node->value, false)) return false;
        }
    }
    return true;
}

bool HASH_DATA::is_proper_subset(HASH_DATA& other) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr) continue;
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr || theirs->node_count < mine->node_count) return false;
        for (LIST_NODE* node = mine->head; node != nullptr; node = node->next)
            if (!holds_key_of(theirs, node)) return false;
    }
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr || theirs->node_count > mine->node_count) return true;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (!holds_key_of(mine, node)) return true;
    }
    return false;
}

bool HASH_DATA::is_proper_superset(HASH_DATA& other) { return other.is_proper_subset(*this); }

bool HASH_DATA::includes_keys(HASH_DATA& other) {
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = other.buckets[b].get();
        if (theirs == nullptr) continue;
        LIST_DATA* mine = buckets[b].get();
        if (mine == nullptr || mine->node_count < theirs->node_count) return false;
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next)
            if (!holds_key_of(mine, node)) return false;
    }
    return true;
}

void HASH_DATA::build_array() {
    std::vector<LIST_NODE*> pairs;
    pairs.reserve(static_cast<size_t>(pair_count));
    for (auto& bucket : buckets) {
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next) pairs.push_back(node);
    }
    cached_array = std::move(pairs);
}

const char* HASH_DATA::sort(UNION_DATA** keys, bool ascending) {
    if (!cached_array) build_array();  // the keys then follow the pair order
    std::vector<LIST_NODE*>& pairs = *cached_array;
    std::vector<int> permutation(pairs.size());
    std::iota(permutation.begin(), permutation.end(), 0);
    const char* message = sort_values(keys, permutation.data(), static_cast<int>(pairs.size()), ascending);
    // Entry i takes the node of entry permutation[i], also after a sort that
    // a message stopped half-way. The buckets stay as they are.
    std::vector<LIST_NODE*> old = pairs;
    for (size_t i = 0; i < pairs.size(); ++i) pairs[i] = old[static_cast<size_t>(permutation[i])];
    return message;
}

const char* HASH_DATA::copy_from(HASH_DATA& source) {
    if (&source == this) return nullptr;
    // Build the copy aside, then drop the old pairs: the source may lie
    // inside one of them.
    std::array<std::unique_ptr<LIST_DATA>, bucket_count> fresh;
    const char* message = nullptr;
    for (size_t b = 0; b < buckets.size(); ++b) {
        LIST_DATA* theirs = source.buckets[b].get();
        if (theirs == nullptr) continue;
        fresh[b] = std::make_unique<LIST_DATA>();
        for (LIST_NODE* node = theirs->head; node != nullptr; node = node->next) {
            const char* failure = fresh[b]->append_pair(&node->key, 4, &node->value, 4);
            if (message == nullptr) message = failure;
        }
    }
    std::swap(buckets, fresh);
    pair_count = source.pair_count;
    cached_array.reset();
    return message;  // fresh now holds the old lists and destroys them
}

}  // namespace morvu
