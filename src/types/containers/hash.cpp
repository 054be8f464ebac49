// Methods of hash: tables of key-value pairs.
//
// A hash is read in bucket order, or in the order of its cached pair array
// from a sort until the next insertion, value assignment or removal. Keys
// and values taken from arguments follow transfer_out_arg: copies, or
// references for variables of the big types.

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

HASH_DATA& hash_of(UNION_DATA* value) { return *value->hash_data(); }

// Argument i as a present key of the hash; the stored value cell goes to *out.
std::string check_hash_key_arg(const METHOD_CALL& call, HASH_DATA& hash, int32_t i, UNION_DATA** out) {
    return check_present_key_arg(call, hash, i, "schxxxnicdef", out);
}

// Inserts the arguments as (key, value) pairs in order; a key already in
// the hash, or given twice, is refused.
void insert_pairs(const METHOD_CALL& call, HASH_DATA& hash) {
    if (call.count() % 2 != 0) call.raise(msg_text("anzargger"));
    for (int32_t i = 0; i < call.count(); i += 2) {
        KEY_ARG key = key_arg(call, i);
        if (hash.contains(key.cell, key.by_reference(), nullptr)) call.raise(msg_text("schmehdef"));
        KEY_ARG value = key_arg(call, i + 1);
        const char* message = nullptr;
        hash.insert(key.cell, key.mode, value.cell, value.mode, &message);
        call.raise_if(message);
    }
}

// A key argument held by value that is an int or a str.
bool is_plain_text_or_int(const KEY_ARG& key) {
    if (key.by_reference()) return false;
    switch (key.cell->tag) {
    case 'i':
    case 'I':
    case 's':
    case 'S': return key.cell->payload != nullptr;
    default: return false;
    }
}

bool is_sort_key(const std::string& key) {
    return key_has_prefix(key, "sort\xA7") || key_has_prefix(key, "Sort\xA7") || key_has_prefix(key, "sort_keys\xA7") ||
           key_has_prefix(key, "Sort_keys\xA7");
}

bool is_find_key(const std::string& key) {
    static const char* const names[] = {"find\xA7",      "Find\xA7",      "find_all\xA7",      "Find_all\xA7",
                                        "find_keys\xA7", "Find_keys\xA7", "find_all_keys\xA7", "Find_all_keys\xA7"};
    for (const char* name : names)
        if (key_has_prefix(key, name)) return true;
    return false;
}

}  // namespace

bool hash_functions(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key)) {
        if (call.count() % 2 != 0) call.raise(msg_text("anzargger"));
        auto* cell = new UNION_DATA(tag_hash);
        call.append(RESULT_ITEM{cell, access_function_result, 1});
        insert_pairs(call, hash_of(cell));
        return true;
    }
    if (key_is(key, "size\xA7")) {
        call.append(make_int_value_from_number(hash_of(call.checked_receiver()).pair_count));
        return true;
    }
    if (key_has_prefix(key, "def\xA7") && call.count() > 0) {
        HASH_DATA& hash = hash_of(call.checked_receiver());
        for (int32_t i = 0; i < call.count(); ++i)
            call.append(make_bool_value(stored_value(call, hash, i) != nullptr, 0));
        return true;
    }
    if (key_has_prefix(key, "get\xA7")) {
        HASH_DATA& hash = hash_of(call.checked_receiver());
        call.raise_if(check_arg_range(*call.args, 1, -1));
        for (int32_t i = 0; i < call.count(); ++i) {
            UNION_DATA* value = nullptr;
            call.raise_if(check_hash_key_arg(call, hash, i, &value));
            call.raise_if(make_copy_value(*call.results, value, 4, false, false));
        }
        return true;
    }
    if (key_has_prefix(key, "[]\xA7")) {
        HASH_DATA& hash = hash_of(call.checked_receiver());
        call.refuse_constant();
        call.raise_if(check_arg_range(*call.args, 1, -1));
        for (int32_t i = 0; i < call.count(); ++i) {
            // An undefined key is refused before anything is inserted.
            call.raise_if(check_arg_defined(*call.args, i));
            KEY_ARG key_cell = key_arg(call, i);
            HASH_DATA::KEY_PLACE place;
            UNION_DATA* value = hash.get(key_cell.cell, key_cell.by_reference(), place);
            if (value == nullptr) {
                // A walk reads the pairs: a new one may not join meanwhile.
                call.refuse_during_iteration();
                UNION_DATA empty('v');
                const char* message = nullptr;
                value = hash.insert(key_cell.cell, key_cell.mode, &empty, 0, &message, place);
                call.raise_if(message);
                // An int or text key always equals its copy; a key of another
                // type must be found again under its own value.
                if (!is_plain_text_or_int(key_cell)) call.raise_if(check_hash_key_arg(call, hash, i, &value));
            }
            if (call.element_used_at_once && call.count() == 1 && !is_link_cell(value) &&
                base_type_code(value) != tag_object) {
                // Nothing runs before the caller is done with it: the pair's
                // own value stands for the alias, with the alias's access.
                call.append(RESULT_ITEM{value, access_handed_out, 0});
            } else {
                call.raise_if(make_copy_value(*call.results, value, 3, false, false));
            }
        }
        return true;
    }
    if (key_is(key, "keys\xA7")) {
        HASH_DATA& hash = hash_of(call.checked_receiver());
        for (auto& bucket : hash.buckets) {
            if (bucket == nullptr) continue;
            for (LIST_NODE* node = bucket->head; node != nullptr; node = node->next)
                call.raise_if(make_copy_value(*call.results, &node->key(), 4, false, false));
        }
        return true;
    }
    if (is_find_key(key)) {
        const std::string name = key.substr(0, key.find(method_key_mark));
        const bool collect_all = name.find("_all") != std::string::npos;
        const bool match_keys = name.size() > 5 && name.compare(name.size() - 5, 5, "_keys") == 0;
        find_stored_keys(call, match_keys, collect_all);
        return true;
    }
    return false;
}

namespace {

// h[k] for one int or str key held by value, on a hash variable reached
// without links: the pair's value cell when the element is used at once,
// else an alias of it, the pair made first when the key is new. Anything
// else is left to hash_functions.
bool element_at_once(const DIRECT_CALL& call) {
    UNION_DATA* receiver = call.receiver.cell;
    if (receiver == nullptr || lower_tag(receiver->tag) != tag_hash || receiver->payload == nullptr) return false;
    // A constant refuses the method; an input alias (7) refuses it for args only.
    if (call.receiver.mode < access_variable || call.args.count != 1) return false;
    // A key reached through aliases (a walk's variable) is the value they stand for.
    UNION_DATA* key = follow_aliases(call.args.head->item.cell);
    if (key == nullptr) return false;
    const char key_tag = lower_tag(key->tag);
    if ((key_tag != tag_int && key_tag != tag_str) || key->payload == nullptr) return false;
    HASH_DATA& hash = hash_of(receiver);
    HASH_DATA::KEY_PLACE place;
    UNION_DATA* value = hash.get(key, false, place);
    if (value == nullptr) {
        if (hash.iteration_count != 0) return false;
        UNION_DATA empty('v');
        const char* message = nullptr;
        value = hash.insert(key, 0, &empty, 0, &message, place);
        if (message != nullptr) call.raise("hash", message);
    }
    if (!call.element_used_at_once || is_link_cell(value) || base_type_code(value) == tag_object) {
        if (const char* message = make_copy_value(*call.results, value, 3, false, false)) call.raise("hash", message);
        return true;
    }
    call.results->append(RESULT_ITEM{value, access_handed_out, 0});
    return true;
}

// An int or str key or value as an argument hands it: through its aliases,
// held by value. Null for anything else.
UNION_DATA* plain_argument(const RESULT_ITEM& item) {
    UNION_DATA* cell = follow_aliases(item.cell);
    if (cell == nullptr) return nullptr;
    const char tag = lower_tag(cell->tag);
    return tag == tag_int || tag == tag_str ? cell : nullptr;
}

// Looks the one int or str key (held by value) of a call on a defined
// hash up: false for any other call, else true with the key's value cell
// in value (null for a key the hash lacks).
bool look_up_plain_key(const DIRECT_CALL& call, UNION_DATA*& value) {
    UNION_DATA* receiver = call.defined_receiver(tag_hash);
    if (receiver == nullptr || call.args.count != 1) return false;
    UNION_DATA* key = plain_argument(call.args.head->item);
    if (key == nullptr || key->payload == nullptr) return false;
    HASH_DATA::KEY_PLACE place;
    value = hash_of(receiver).get(key, false, place);
    return true;
}

// h.get(k) of a key the hash holds: a copy of its value.
bool plain_get(const DIRECT_CALL& call) {
    UNION_DATA* value = nullptr;
    if (!look_up_plain_key(call, value) || value == nullptr) return false;  // the handler names a missing key
    if (const char* message = make_copy_value(*call.results, value, 4, false, false)) call.raise("hash", message);
    return true;
}

// h.def(k) of one int or str key.
bool plain_def(const DIRECT_CALL& call) {
    UNION_DATA* value = nullptr;
    if (!look_up_plain_key(call, value)) return false;
    call.results->append(make_bool_value(value != nullptr, 0));
    return true;
}

// The hash of a call on a hash variable reached without links, that no
// walk holds, with this many arguments whose first one is an int or str key
// held by value (left in key); null for any other call.
HASH_DATA* changeable_hash(const DIRECT_CALL& call, uint32_t count, UNION_DATA*& key) {
    UNION_DATA* receiver = call.receiver.cell;
    if (receiver == nullptr || lower_tag(receiver->tag) != tag_hash || receiver->payload == nullptr ||
        call.receiver.mode < access_variable || call.args.count != count)
        return nullptr;
    HASH_DATA& hash = hash_of(receiver);
    if (hash.iteration_count != 0) return nullptr;
    key = plain_argument(call.args.head->item);
    return key != nullptr && key->payload != nullptr ? &hash : nullptr;
}

// h.del(k) of one int or str key that the hash holds, on a hash variable
// that no walk holds.
bool remove_plain_key(const DIRECT_CALL& call) {
    UNION_DATA* key = nullptr;
    HASH_DATA* hash = changeable_hash(call, 1, key);
    if (hash == nullptr) return false;
    // An int or str key held by value is placed without a message.
    return hash->remove(key, false, nullptr);  // the handler names a missing key
}

// h.ins(k, v) of a new int or str key and an int or str value, on a hash
// variable that no walk holds.
bool insert_plain_pair(const DIRECT_CALL& call) {
    UNION_DATA* key = nullptr;
    HASH_DATA* hash = changeable_hash(call, 2, key);
    if (hash == nullptr) return false;
    UNION_DATA* value = plain_argument(call.args.head->next->item);
    if (value == nullptr) return false;
    HASH_DATA::KEY_PLACE place;
    if (hash->get(key, false, place) != nullptr) return false;  // the handler refuses a key given again
    const char* message = nullptr;
    hash->insert(key, 0, value, 0, &message, place);
    if (message != nullptr) call.raise("hash", message);
    return true;
}

// h.size() of a defined hash.
bool plain_size(const DIRECT_CALL& call) {
    UNION_DATA* value = call.defined_receiver(tag_hash);
    if (value == nullptr) return false;
    call.results->append(make_int_value_from_number(hash_of(value).pair_count));
    return true;
}

}  // namespace

DIRECT_HANDLER hash_direct_for(const std::string& key, bool function) {
    if (!function) {
        for (const char* pair :
             {"ins\xA7int;int;\xA7", "ins\xA7int;str;\xA7", "ins\xA7str;int;\xA7", "ins\xA7str;str;\xA7"})
            if (key == pair) return insert_plain_pair;
        return key == "del\xA7str;\xA7" || key == "del\xA7int;\xA7" ? remove_plain_key : nullptr;
    }
    if (key == "[]\xA7str;\xA7" || key == "[]\xA7int;\xA7") return element_at_once;
    if (key == "get\xA7str;\xA7" || key == "get\xA7int;\xA7") return plain_get;
    if (key == "def\xA7str;\xA7" || key == "def\xA7int;\xA7") return plain_def;
    return key == "size\xA7" ? plain_size : nullptr;
}

bool hash_procedures(METHOD_CALL& call) {
    const std::string& key = call.key();
    if (is_call_form_key(key) || key_has_prefix(key, "ins\xA7")) {
        UNION_DATA* receiver = call.checked_receiver();
        call.refuse_constant();
        call.refuse_during_iteration();
        insert_pairs(call, hash_of(receiver));
        return true;
    }
    if (key_has_prefix(key, "set\xA7")) {
        HASH_DATA& hash = hash_of(call.checked_receiver());
        call.refuse_constant();
        if (call.count() == 0 || call.count() % 2 != 0) call.raise(msg_text("anzargposger"));
        for (int32_t i = 0; i < call.count(); i += 2) {
            KEY_ARG key_cell = key_arg(call, i);
            if (!hash.contains(key_cell.cell, key_cell.by_reference(), nullptr)) call.raise(msg_text("schnicdef"));
            KEY_ARG value = key_arg(call, i + 1);
            const char* message = nullptr;
            hash.set(key_cell.cell, key_cell.mode, value.cell, value.mode, &message);
            call.raise_if(message);
        }
        return true;
    }
    if (key_is(key, "del\xA7")) return false;  // the method common to all types
    if (key_has_prefix(key, "del\xA7")) {
        remove_key_args(call, "schxxxnicdef");
        return true;
    }
    if (key_is(key, "sort\xA7") || key_is(key, "Sort\xA7") || key_is(key, "sort_keys\xA7") ||
        key_is(key, "Sort_keys\xA7")) {
        sort_stored_pairs(call, false, key[4] == '_');
        return true;
    }
    if (is_sort_key(key)) {
        sort_stored_pairs(call, true, key[4] == '_');
        return true;
    }
    return false;
}

}  // namespace morvu
