// What the methods of hash and set share: arguments taken as keys of the
// hash store (the keys of a hash, the elements of a set), and the sort of
// its pairs.
//
// A key argument is handed over as transfer_out_arg hands it: a copy, or a
// reference for a variable of a big type, which then matches only that same
// cell.

#pragma once

#include <cstdint>
#include <string>

#include "types/method_call.h"
#include "values/assign_rules.h"
#include "values/hash_store.h"

namespace morvu {

// One argument as a key: its cell and assignment mode, and whether it is
// matched by reference.
struct KEY_ARG {
    UNION_DATA* cell = nullptr;
    int mode = 0;
    bool by_reference() const { return is_reference_mode(mode); }
};

KEY_ARG key_arg(const METHOD_CALL& call, int32_t i);

// The value cell of the pair that argument i names as a key: null when the
// argument is undefined or the store does not hold it. A set's pairs have
// empty value cells, which are never null.
UNION_DATA* stored_value(const METHOD_CALL& call, HASH_DATA& store, int32_t i);

// Argument i as a present key: it must be defined, and the store must hold
// it; otherwise the message of the catalogue entry missing_id with the
// argument's text. The stored value cell goes to *out when out is given.
std::string check_present_key_arg(const METHOD_CALL& call, HASH_DATA& store, int32_t i, const char* missing_id,
                                  UNION_DATA** out = nullptr);

// find and its variants: the keys of the pairs for which the code is true,
// the code bound to each key (match_keys) or value, the first only unless
// collect_all. The key's first letter tells forward (lower case) from
// backward.
void find_stored_keys(const METHOD_CALL& call, bool match_keys, bool collect_all);

// del with arguments: each argument, a present key, is removed in turn; the
// message of missing_id names the first one that is not there.
void remove_key_args(const METHOD_CALL& call, const char* missing_id);

// sort, Sort and (hash) sort_keys, Sort_keys: the pairs ordered by their keys
// (by_key) or values, themselves or through the code's values (with_code).
// The key's first letter tells ascending (lower case) from descending.
void sort_stored_pairs(const METHOD_CALL& call, bool with_code, bool by_key);

}  // namespace morvu
