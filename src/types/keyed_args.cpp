#include "types/keyed_args.h"

#include <memory>
#include <utility>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/pair_walk.h"
#include "values/factories.h"
#include "values/list_store.h"
#include "values/value_text.h"

namespace morvu {

KEY_ARG key_arg(const METHOD_CALL& call, int32_t i) {
    KEY_ARG key;
    transfer_out_arg(call.args, call.node, i, false, false, &key.cell, &key.mode);
    return key;
}

UNION_DATA* stored_value(const METHOD_CALL& call, HASH_DATA& store, int32_t i) {
    if (!is_defined_value(argument_value(call.arg(i).cell))) return nullptr;
    KEY_ARG key = key_arg(call, i);
    return store.get(key.cell, key.by_reference(), nullptr);
}

std::string check_present_key_arg(const METHOD_CALL& call, HASH_DATA& store, int32_t i, const char* missing_id,
                                  UNION_DATA** out) {
    std::string message = check_arg_defined(*call.args, i);
    if (!message.empty()) return message;
    UNION_DATA* value = stored_value(call, store, i);
    if (out != nullptr) *out = value;
    if (value != nullptr) return {};
    const char* no_text = nullptr;
    std::string text = value_to_text(key_arg(call, i).cell, &no_text);
    return format_string(msg_text(missing_id), text.c_str());
}

void find_stored_keys(const METHOD_CALL& call, bool match_keys, bool collect_all) {
    HASH_DATA& store = *call.checked_receiver()->hash_data();
    check_loop_code_args(call);
    const bool forward = call.key()[0] == 'f';
    // The pairs cannot go while the code runs: insertions and removals are
    // refused during the walk, and an assignment leaves the array alone.
    // A key's place in the store follows its value: it is bound read-only.
    const uint32_t key_access = access_constant_object;
    const uint32_t value_access = element_access(call);
    WALK_END walk_end(store);
    ITERATION_HOLD hold(store.iteration_count);
    walk_pairs(store, forward, [&](LIST_NODE* node) {
        if (!element_matches(call, match_keys ? &node->key() : &node->value, match_keys ? key_access : value_access))
            return true;
        call.raise_if(make_copy_value(*call.results, &node->key(), 4, false, false));
        return collect_all;
    });
}

void remove_key_args(const METHOD_CALL& call, const char* missing_id) {
    UNION_DATA* receiver = call.checked_receiver();
    call.refuse_constant();
    call.refuse_during_iteration();
    HASH_DATA& store = *receiver->hash_data();
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_present_key_arg(call, store, i, missing_id));
        KEY_ARG key = key_arg(call, i);
        const char* message = nullptr;
        store.remove(key.cell, key.by_reference(), &message);
        call.raise_if(message);
    }
}

namespace {

// The pair order a sort starts from, given back unless the sort completes:
// a sort stopped by a message, or by an error of its code, leaves the pairs
// as the program saw them. Made after the walk's holds, it is given back
// before they end, so a walk that ends drops an outdated order as usual.
class PAIR_ORDER_KEEPER {
public:
    explicit PAIR_ORDER_KEEPER(HASH_DATA& store) : store(store), had_order(store.cached_array.has_value()) {
        if (had_order) before = *store.cached_array;
    }
    ~PAIR_ORDER_KEEPER() {
        if (kept) return;
        if (had_order) store.cached_array = std::move(before);
        else store.cached_array.reset();
    }
    PAIR_ORDER_KEEPER(const PAIR_ORDER_KEEPER&) = delete;
    PAIR_ORDER_KEEPER& operator=(const PAIR_ORDER_KEEPER&) = delete;

    void keep_new_order() { kept = true; }

private:
    HASH_DATA& store;
    const bool had_order;
    std::vector<LIST_NODE*> before;
    bool kept = false;
};

}  // namespace

void sort_stored_pairs(const METHOD_CALL& call, bool with_code, bool by_key) {
    UNION_DATA* receiver = call.checked_receiver();
    call.refuse_constant();
    call.refuse_during_iteration();
    if (with_code) check_loop_code_args(call);
    HASH_DATA& store = *receiver->hash_data();
    if (store.pair_count < 2) return;
    const bool ascending = call.key()[0] == 's';
    std::vector<UNION_DATA*> sort_keys;
    std::vector<std::unique_ptr<UNION_DATA>> made;
    // The code, and a user "<" of the values, may not take pairs away
    // while the sort holds them.
    WALK_END walk_end(store);
    ITERATION_HOLD hold(store.iteration_count);
    PAIR_ORDER_KEEPER order_before(store);
    store.build_array();
    sort_keys.reserve(store.cached_array->size());
    if (with_code) {
        made.reserve(store.cached_array->size());
        for (LIST_NODE* node : *store.cached_array) {
            made.push_back(
                element_sort_key(call, by_key ? &node->key() : &node->value,
                                 by_key ? access_constant_object : access_variable));  // keys stay where they are
            sort_keys.push_back(made.back().get());
        }
    } else {
        for (LIST_NODE* node : *store.cached_array) sort_keys.push_back(by_key ? &node->key() : &node->value);
    }
    call.raise_if(store.sort(sort_keys.data(), ascending));
    order_before.keep_new_order();
}

}  // namespace morvu
