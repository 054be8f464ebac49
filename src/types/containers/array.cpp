// Methods of array: a fixed row of slots indexed from 0, each undefined or
// owning one element. Only the call form gives an array its size; set, del
// and "[]" work within the slots it has. Capitalised keys (Get, Set, Del)
// count positions from the last slot.

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "runtime/messages.h"
#include "types/arg_checks.h"
#include "types/code_args.h"
#include "types/element_keys.h"
#include "types/method_call.h"
#include "values/array_store.h"
#include "values/factories.h"
#include "values/walk_pins.h"

namespace morvu {

namespace {

// Argument i as a slot position, from the last slot with from_end. Positions
// are computed in 64 bits, so that no huge index wraps into the slots.
int64_t slot_position(const CALL_ARGS& args, int32_t i, const ARRAY_DATA& store, bool from_end) {
    const int64_t index = int64_argument(args, i);
    int64_t position = index;
    if (from_end && __builtin_sub_overflow(int64_t{store.slot_count} - 1, index, &position)) position = INT64_MAX;
    return position;
}

// The message of a slot position that argument i names and no slot holds.
std::string index_not_defined(const CALL_ARGS& args, int32_t i, const ARRAY_DATA& store, bool from_end) {
    return format_numbers(msg_text("indnicdef"), shown_position(args, i, store.slot_count, from_end));
}

// Argument i must be an int naming a defined slot (the position taken from
// the end with from_end); the slot's position goes to *out.
std::string check_array_index(const CALL_ARGS& args, const ARRAY_DATA& store, int32_t i, bool from_end, int* out) {
    std::string failure = check_arg_type(args, i, tag_int, true);
    if (!failure.empty()) return failure;
    const int64_t position = slot_position(args, i, store, from_end);
    if (position < 0 || position >= store.slot_count || !store.is_defined(static_cast<int>(position)))
        return index_not_defined(args, i, store, from_end);
    *out = static_cast<int>(position);
    return {};
}

// The keys of the capitalised variants begin with an upper-case letter.
bool from_end_key(const std::string& key) { return key[0] >= 'A' && key[0] <= 'Z'; }

bool is_find_key(const std::string& key) {
    return key_has_prefix(key, "find\xA7") || key_has_prefix(key, "Find\xA7") || key_has_prefix(key, "find_all\xA7") ||
           key_has_prefix(key, "Find_all\xA7");
}

ARRAY_DATA& store_of(UNION_DATA* value) { return *value->array_data(); }

// The call form: argument 0 is the size n, then either nothing or exactly n
// values for the slots 0..n-1. Count and size are checked before anything
// changes; the new slots are built aside and only then replace the old ones,
// so a value may come from the array it replaces. A copy that fails stops
// the filling after the slots already made, which stay.
void fill_array(const METHOD_CALL& call, ARRAY_DATA& store) {
    const CALL_ARGS& args = *call.args;
    call.raise_if(check_arg_range(args, 1, -1));
    call.raise_if(check_arg_type(args, 0, tag_int, true));
    const int32_t size = int_argument(args, 0);
    if (size < 1) call.raise(msg_text("unzargerwposint"));
    if (args.count() != 1 && int64_t{args.count()} != int64_t{size} + 1) call.raise(msg_text("arrmusanznacargueb"));
    ARRAY_DATA fresh;
    try {
        fresh.resize(size);
    } catch (const std::bad_alloc&) {
        call.raise(msg_text("unzargerwposint"));  // more slots than memory holds
    }
    const char* failure = nullptr;
    for (int32_t i = 1; i < args.count() && failure == nullptr; ++i) {
        UNION_DATA* cell = nullptr;
        int mode = 0;
        transfer_out_arg(call.args, call.node, i, false, false, &cell, &mode);
        failure = fresh.set(i - 1, cell, mode);
    }
    std::swap(store.slots, fresh.slots);
    std::swap(store.slot_count, fresh.slot_count);
    std::swap(store.defined_count, fresh.defined_count);
    fresh.clear();  // the old elements go here, after the array is whole again
    if (failure != nullptr) call.raise(failure);
}

// Replaces the value of one slot, or defines it. The new element is made
// before the old one goes, so the value may lie inside the element it
// replaces; a copy that fails leaves the old element as it was and answers
// its failure.
const char* replace_slot(ARRAY_DATA& store, int position, UNION_DATA* cell, int mode) {
    return store.set(position, cell, mode);
}

void replace_slot(const METHOD_CALL& call, ARRAY_DATA& store, int position, UNION_DATA* cell, int mode) {
    if (const char* failure = replace_slot(store, position, cell, mode)) call.raise(failure);
}

// find, Find, find_all, Find_all: the positions of the defined slots whose
// element makes the code true, walked front to back ('F': back to front).
// The store is pinned as a walk pins it, so the code can neither resize it
// nor free it under the search; slots are fetched anew for every step, since
// the code may set or delete them.
void find_slots(METHOD_CALL& call, ARRAY_DATA& store) {
    check_loop_code_args(call);
    const std::string& key = call.key();
    const bool backwards = key[0] == 'F';
    const bool all = key[4] == '_';
    WALK_PIN pin('a', &store);
    const int size = store.slot_count;
    for (int step = 0; step < size; ++step) {
        const int position = backwards ? size - 1 - step : step;
        UNION_DATA* element = store.get(position);
        if (element == nullptr) continue;
        if (!element_matches(call, element, element_access(call))) continue;
        call.append(make_int_value_from_number(position));
        if (!all) return;
    }
}

// sort and Sort, exactly or with a loop variable and code. Every slot must be
// defined. The store stays pinned while keys are computed and compared, so
// no code run meanwhile can resize or free it.
void sort_slots(METHOD_CALL& call, ARRAY_DATA& store, bool with_code) {
    call.refuse_constant();
    call.refuse_during_iteration();
    if (with_code) check_loop_code_args(call);
    call.raise_if(store.check_defined());
    if (store.slot_count < 2) return;
    const bool ascending = call.key()[0] == 's';
    WALK_PIN pin('a', &store);
    if (!with_code) {
        // The values are their own keys: compact slots are shown, not made
        // into cells.
        const size_t size = store.slots.size();
        auto views = std::make_unique<SLOT_VIEW[]>(size);
        std::vector<UNION_DATA*> cells;
        cells.reserve(size);
        for (size_t at = 0; at < size; ++at) cells.push_back(store.slots.view(at, views[at]));
        ELEMENT_KEYS keys(std::move(cells));
        call.raise_if(store.sort(keys.data(), ascending));
        return;
    }
    std::vector<std::unique_ptr<UNION_DATA>> keys;
    keys.reserve(store.slots.size());
    for (size_t position = 0; position < store.slots.size(); ++position) {
        UNION_DATA* element = store.slots.cell(position);
        // The code may have deleted a slot meanwhile: it sorts as an empty value.
        keys.push_back(element != nullptr ? element_sort_key(call, element, access_variable)
                                          : std::make_unique<UNION_DATA>(tag_any));
    }
    std::vector<UNION_DATA*> cells;
    cells.reserve(keys.size());
    for (const auto& key_cell : keys) cells.push_back(key_cell.get());
    call.raise_if(store.sort(cells.data(), ascending));
}

}  // namespace

bool array_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        // The new array is a result before any check, so a refused call
        // leaves it to the caller's clean-up.
        auto* cell = new UNION_DATA(tag_array);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        fill_array(call, store_of(cell));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.append(make_int_value_from_number(store.slot_count));
        return true;
    }
    if (key_is(key, "def\xA7")) return false;  // the common method def
    if (key_has_prefix(key, "def\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.raise_if(check_arg_range(args, 1, -1));
        for (int32_t i = 0; i < args.count(); ++i) {
            call.raise_if(check_arg_type(args, i, tag_int, true));
            const int64_t position = slot_position(args, i, store, false);
            const bool defined =
                position >= 0 && position < store.slot_count && store.is_defined(static_cast<int>(position));
            call.append(make_bool_value(defined, 0));
        }
        return true;
    }
    if (key_has_prefix(key, "get\xA7") || key_has_prefix(key, "Get\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.raise_if(check_arg_range(args, 1, -1));
        const bool from_end = from_end_key(key);
        for (int32_t i = 0; i < args.count(); ++i) {
            int position = 0;
            call.raise_if(check_array_index(args, store, i, from_end, &position));
            SLOT_VIEW view;
            call.raise_if(make_copy_value(*call.results, store.slots.view(position, view), 4, false, false));
        }
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_range(args, 1, -1));
        for (int32_t i = 0; i < args.count(); ++i) {
            int position = 0;
            if (!check_array_index(args, store, i, false, &position).empty()) {
                // An undefined slot within the size is defined with an empty
                // value first, so that the caller can assign through it.
                call.raise_if(check_arg_type(args, i, tag_int, true));
                const int64_t wanted = slot_position(args, i, store, false);
                if (wanted >= 0 && wanted < store.slot_count) {
                    UNION_DATA empty('v');
                    replace_slot(call, store, static_cast<int>(wanted), &empty, 0);
                }
                call.raise_if(check_array_index(args, store, i, false, &position));
            }
            call.raise_if(make_copy_value(*call.results, store.get(position), 3, false, false));
        }
        return true;
    }
    if (key_is(key, "keys\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        for (int position = 0; position < store.slot_count; ++position) {
            if (store.is_defined(position)) call.append(make_int_value_from_number(position));
        }
        return true;
    }
    if (is_find_key(key)) {
        find_slots(call, store_of(call.checked_receiver()));
        return true;
    }
    return false;
}

namespace {

// The position an int argument names in an array reached without links,
// when it lies within the array's size; -1 otherwise (a position outside
// it, an undefined array or index: cases whose messages the handler gives).
int plain_position(const DIRECT_CALL& call, UNION_DATA* receiver) {
    int64_t index = 0;
    if (receiver == nullptr || lower_tag(receiver->tag) != tag_array || receiver->payload == nullptr ||
        !call.single_int(index))
        return -1;
    return index >= 0 && index < store_of(receiver).slot_count ? static_cast<int>(index) : -1;
}

// a[i] on an array variable: an alias of the slot's element, the slot
// defined with an empty value first when it has none.
bool slot_alias(const DIRECT_CALL& call) {
    if (call.receiver.mode < access_variable) return false;  // a constant refuses the method
    const int position = plain_position(call, call.receiver.cell);
    if (position < 0) return false;
    ARRAY_DATA& store = store_of(call.receiver.cell);
    if (!store.is_defined(position)) {
        UNION_DATA empty('v');
        if (const char* failure = replace_slot(store, position, &empty, 0)) call.raise("array", failure);
    }
    if (const char* message = make_copy_value(*call.results, store.get(position), 3, false, false))
        call.raise("array", message);
    return true;
}

// a.get(i) of a defined slot: a copy of its element.
bool slot_copy(const DIRECT_CALL& call) {
    UNION_DATA* receiver = call.defined_receiver(tag_array);
    const int position = plain_position(call, receiver);
    if (position < 0 || !store_of(receiver).is_defined(position)) return false;
    SLOT_VIEW view;
    if (const char* message =
            make_copy_value(*call.results, store_of(receiver).slots.view(position, view), 4, false, false))
        call.raise("array", message);
    return true;
}

}  // namespace

DIRECT_HANDLER array_direct_for(const std::string& key, bool function) {
    if (!function) return nullptr;
    if (key == "[]\xA7int;\xA7") return slot_alias;
    return key == "get\xA7int;\xA7" ? slot_copy : nullptr;
}

bool array_reads_int_arguments(const std::string& key) { return key == "[]\xA7int;\xA7" || key == "get\xA7int;\xA7"; }

bool array_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    const CALL_ARGS& args = *call.args;
    if (is_call_form_key(key)) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.refuse_during_iteration();
        fill_array(call, store);
        return true;
    }
    if (key_has_prefix(key, "set\xA7") || key_has_prefix(key, "Set\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        if (args.count() == 0 || args.count() % 2 != 0) call.raise(msg_text("anzargposger"));
        const bool from_end = from_end_key(key);
        for (int32_t i = 0; i + 1 < args.count(); i += 2) {
            call.raise_if(check_arg_type(args, i, tag_int, true));
            const int64_t position = slot_position(args, i, store, from_end);
            if (position < 0 || position >= store.slot_count) call.raise(index_not_defined(args, i, store, from_end));
            UNION_DATA* cell = nullptr;
            int mode = 0;
            transfer_out_arg(call.args, call.node, i + 1, false, false, &cell, &mode);
            replace_slot(call, store, static_cast<int>(position), cell, mode);
        }
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the common method del
    if (key_has_prefix(key, "del\xA7") || key_has_prefix(key, "Del\xA7")) {
        ARRAY_DATA& store = store_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_range(args, 1, -1));
        const bool from_end = from_end_key(key);
        for (int32_t i = 0; i < args.count(); ++i) {
            int position = 0;
            call.raise_if(check_array_index(args, store, i, from_end, &position));
            store.remove(position);
        }
        return true;
    }
    if (key_is(key, "sort\xA7") || key_is(key, "Sort\xA7")) {
        sort_slots(call, store_of(call.checked_receiver()), false);
        return true;
    }
    if (key_has_prefix(key, "sort\xA7") || key_has_prefix(key, "Sort\xA7")) {
        sort_slots(call, store_of(call.checked_receiver()), true);
        return true;
    }
    return false;
}

}  // namespace morvu
