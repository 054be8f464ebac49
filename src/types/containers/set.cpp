// Methods of set: collections of values without duplicates.
//
// A set is a hash store whose keys are the elements and whose values stay
// empty. An element is a copy of its argument, or a reference to it for a
// variable of a big type (containers, code, file, dir, objects), and then
// matches only that same cell.

#include <memory>
#include <string>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/keyed_args.h"
#include "types/method_call.h"
#include "types/pair_walk.h"
#include "values/factories.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/value_text.h"

namespace morvu {

namespace {

HASH_DATA& set_of(UNION_DATA* value) { return *value->hash_data(); }

// Whether argument i is a defined value that the set holds.
bool holds(const METHOD_CALL& call, HASH_DATA& set, int32_t i) { return stored_value(call, set, i) != nullptr; }

// Adds every argument that is not an element yet, in order; a value given
// twice is added once. An undefined argument is refused before it is added.
void insert_elements(const METHOD_CALL& call, HASH_DATA& set) {
    for (int32_t i = 0; i < call.count(); ++i) {
        call.raise_if(check_arg_defined(*call.args, i));
        KEY_ARG element = key_arg(call, i);
        if (set.contains(element.cell, element.by_reference(), nullptr)) continue;
        const char* message = nullptr;
        set.insert(element.cell, element.mode, nullptr, 0, &message);
        call.raise_if(message);
    }
}

// s.def(k) of one int or str element held by value in a defined set: a
// set keeps its elements as the keys of a hash store, so the lookup is the
// one the handler makes. Any other call takes the handler.
bool plain_def(const DIRECT_CALL& call) {
    UNION_DATA* receiver = call.defined_receiver(tag_set);
    if (receiver == nullptr || call.args.count != 1) return false;
    UNION_DATA* element = follow_aliases(call.args.head->item.cell);
    if (element == nullptr || element->payload == nullptr) return false;
    const char tag = lower_tag(element->tag);
    if (tag != tag_int && tag != tag_str) return false;
    HASH_DATA::KEY_PLACE place;
    call.results->append(make_bool_value(set_of(receiver).get(element, false, place) != nullptr, 0));
    return true;
}

}  // namespace

DIRECT_HANDLER set_direct_for(const std::string& key, bool function) {
    return function && (key == "def\xA7str;\xA7" || key == "def\xA7int;\xA7") ? plain_def : nullptr;
}

bool set_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key)) {
        auto* cell = new UNION_DATA(tag_set);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        insert_elements(call, set_of(cell));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        call.append(make_int_value_from_number(set_of(call.checked_receiver()).pair_count));
        return true;
    }
    if (key_is(key, "def\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "def\xA7")) {
        HASH_DATA& set = set_of(call.checked_receiver());
        call.raise_if(check_arg_range(*call.args, 1, -1));
        for (int32_t i = 0; i < call.count(); ++i) call.append(make_bool_value(holds(call, set, i), 0));
        return true;
    }
    if (key_is(key, "args\xA7")) {
        HASH_DATA& set = set_of(call.checked_receiver());
        for (auto& bucket : set.buckets) {
            if (bucket == nullptr) continue;
            for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next)
                call.raise_if(make_copy_value(*call.results, &node->key(), 4, false, false));
        }
        return true;
    }
    if (key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
        key_has_prefix(key, "Find_all\xA7")) {
        find_stored_keys(call, true, key[4] == '_');
        return true;
    }
    return false;
}

bool set_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key) || key_has_prefix(key, "ins\xA7")) {
        UNION_DATA* receiver = call.checked_receiver();
        call.refuse_constant();
        call.refuse_during_iteration();
        insert_elements(call, set_of(receiver));
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "del\xA7")) {
        remove_key_args(call, "keynicdef");
        return true;
    }
    if (key_is(key, "sort\xA7") || key_is(key, "Sort\xA7")) {
        sort_stored_pairs(call, false, true);
        return true;
    }
    if (key_has_prefix(key, "sort\xA7") || key_has_prefix(key, "Sort\xA7")) {
        sort_stored_pairs(call, true, true);
        return true;
    }
    return false;
}

}  // namespace morvu
