// The walk of the methods of hash and set that evaluate code per pair (find
// and its variants): the order they read the pairs in, and the end of such a
// walk.

#pragma once

#include <cstddef>
#include <vector>

#include "values/hash_store.h"
#include "values/list_store.h"

namespace morvu {

// Calls visit(node) for every pair in the order a find reads them: the
// cached array while the hash is sorted, else bucket order; from the end
// unless forward. Stops when visit answers false. While the code of a find
// runs, insertions and removals are refused and an assigned value leaves the
// array alone, so every node visited stays where it is.
template <typename VISIT>
void walk_pairs(HASH_DATA& hash, bool forward, VISIT visit) {
    if (hash.cached_array) {
        const std::vector<LIST_NODE*>& pairs = *hash.cached_array;
        const size_t n = pairs.size();
        for (size_t i = 0; i < n; ++i)
            if (!visit(pairs[forward ? i : n - 1 - i])) return;
        return;
    }
    for (int b = 0; b < HASH_DATA::bucket_count; ++b) {
        LIST_DATA* bucket = hash.buckets[static_cast<size_t>(forward ? b : HASH_DATA::bucket_count - 1 - b)].get();
        if (bucket == nullptr) continue;
        for (LIST_NODE* node = forward ? bucket->head : bucket->tail; node != nullptr;
             node = forward ? node->next : node->prev)
            if (!visit(node)) return;
    }
}

// Drops a cached array that an assignment during a walk outdated, once no
// walk is left: before this walk reads the hash, and at its end. Made before
// the walk's ITERATION_HOLD, so that its end comes after the hold's.
class WALK_END {
public:
    explicit WALK_END(HASH_DATA& hash) : hash(hash) { hash.walk_ended(); }
    ~WALK_END() { hash.walk_ended(); }
    WALK_END(const WALK_END&) = delete;
    WALK_END& operator=(const WALK_END&) = delete;

private:
    HASH_DATA& hash;
};

}  // namespace morvu
