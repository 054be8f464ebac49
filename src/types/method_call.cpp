#include "types/method_call.h"

#include "numbers/int_data.h"
#include "runtime/error.h"
#include "runtime/file_stream.h"
#include "runtime/file_system.h"
#include "runtime/messages.h"
#include "runtime/str_stream.h"
#include "values/array2_store.h"
#include "values/array_store.h"
#include "values/assign_rules.h"
#include "values/factories.h"
#include "values/graph_store.h"
#include "values/hash_store.h"
#include "values/list_store.h"
#include "values/payload_records.h"
#include "values/value_copy.h"

#include <unordered_set>

namespace morvu {

const std::string& intern_call_key(const std::string& key) {
    // Node-based: an element never moves, and none is ever erased, nor the
    // set itself, so a key borrowed by a call made at process exit stays.
    static auto* const keys = new std::unordered_set<std::string>();
    return *keys->insert(key).first;
}

CALL_OUTCOME (*call_routine_entry)(const ROUTINE_REQUEST& request) = nullptr;
std::string (*not_defined_entry)() = nullptr;
void (*run_block_entry)(TOKEN* block, RESULT_ITEM this_item, bool own_variables) = nullptr;

bool element_objects_at_once = false;

bool is_plain_object_element(const UNION_DATA* element) {
    if (element->tag != raise_tag(tag_object) || element->referrers != nullptr || element->payload == nullptr)
        return false;
    const OBJECT_HOLDER* holder = element->holder();
    if (holder == nullptr || holder->object == nullptr) return false;
    return every_member_plain(*holder->object);
}

namespace {

// "<context> <message>", the key standing in for the context when no type
// name is given; raised without routine kind and name.
[[noreturn]] void raise_refusal(const TOKEN* node, std::string_view type_name, const std::string& key,
                                const char* identifier) {
    std::string text = !type_name.empty() ? method_context(node, type_name, key, false) : key;
    text += ' ';
    text += msg_text(identifier);
    raise_system_error(node, text);
}

}  // namespace

void METHOD_CALL::raise(const std::string& message) const {
    raise_error(node, is_function() ? 'f' : 'p', context().c_str(), message, error_kind_system);
}

void DIRECT_CALL::raise(const char* type_name, const std::string& message) const {
    raise_error(node, results != nullptr ? 'f' : 'p', method_context(node, type_name, key, false).c_str(), message,
                error_kind_system);
}

UNION_DATA* DIRECT_CALL::defined_receiver(char tag) const {
    UNION_DATA* value = receiver.cell != nullptr ? argument_value(receiver.cell) : nullptr;
    return value != nullptr && lower_tag(value->tag) == tag && value->payload != nullptr ? value : nullptr;
}

bool DIRECT_CALL::single_int(int64_t& out) const {
    if (args.count != 1) return false;
    const UNION_DATA* argument = argument_value(args.head->item.cell);
    return argument != nullptr && lower_tag(argument->tag) == tag_int && argument->payload != nullptr &&
           cell_int64(argument, out);
}

UNION_DATA* METHOD_CALL::checked_receiver(bool non_empty) const {
    raise_if(is_object_present(receiver));
    UNION_DATA* value = argument_value(receiver.cell);
    raise_if(non_empty ? is_object_nonempty(value) : is_object_defined(value));
    return value;
}

void METHOD_CALL::refuse_constant(bool strict) const {
    raise_infeasible_for_constant(node, receiver, type_name, args->key.text(), strict);
}

void METHOD_CALL::refuse_during_iteration() const {
    raise_infeasible_during_iteration(node, receiver, type_name, args->key.text());
}

int32_t iteration_mark(UNION_DATA* cell) {
    UNION_DATA* value = argument_value(cell);
    if (value == nullptr || value->payload == nullptr) return 0;
    switch (lower_tag(value->tag)) {
    case tag_array: return value->array_data()->iteration_count;
    case tag_hash:
    case tag_set: return value->hash_data()->iteration_count;
    case tag_dir: return value->dir_data()->iteration_count;
    case tag_file: return value->file_data()->iteration_count;
    case tag_str: return value->str_data()->walks();
    case tag_list:
    case tag_args: return value->list_data()->iteration_count;
    case tag_array2: return value->array2_data()->iterations;
    case tag_graph: return value->graph_data()->iterations;
    default: return 0;
    }
}

void raise_infeasible_for_constant(const TOKEN* node, RESULT_ITEM item, std::string_view type_name,
                                   const std::string& key, bool strict) {
    uint32_t mode = item.mode;
    // A variable, member or element that is, or leads through, a link made
    // read-only.
    if (is_variable_mode(mode) && item.cell != nullptr) {
        const uint32_t lent = lent_access(item.cell);
        if (!is_variable_mode(lent)) mode = lent;
    }
    switch (mode) {
    case 0: raise_refusal(node, type_name, key, "unzfuekonlit");
    case 1: raise_refusal(node, type_name, key, "unzfuekonexpr");
    case 2:
        if (strict) raise_refusal(node, type_name, key, "unzfuekoninpobj");
        return;
    case 3:
        if (strict) raise_refusal(node, type_name, key, "unzfuekonfunerg");
        return;
    case 4:
        if (strict) raise_refusal(node, type_name, key, "unzfuememkonobj");
        return;
    case 5:
        if (strict) raise_refusal(node, type_name, key, "unzfuekonobj");
        return;
    case 7: {
        UNION_DATA* value = follow_aliases(item.cell);
        if (strict && value != nullptr && lower_tag(value->tag) == tag_args)
            raise_refusal(node, type_name, key, "unzfueinpobjarg");
        return;
    }
    default: return;  // 6 and above 7: variables
    }
}

void raise_infeasible_during_iteration(const TOKEN* node, RESULT_ITEM item, std::string_view type_name,
                                       const std::string& key) {
    if (iteration_mark(item.cell) != 0) raise_refusal(node, type_name, key, "unzwaeite");
}

int32_t int_argument(const CALL_ARGS& call_args, int32_t index) {
    UNION_DATA* value = argument_value(call_args[index].cell);
    if (value == nullptr || value->payload == nullptr || base_type_code(value) != tag_int) return 0;
    return machine_int(*value->int_data());
}

int64_t int64_argument(const CALL_ARGS& call_args, int32_t index) {
    UNION_DATA* value = argument_value(call_args[index].cell);
    if (value == nullptr || value->payload == nullptr || base_type_code(value) != tag_int) return 0;
    int64_t number = 0;
    return cell_int64(value, number) ? number : machine_int64(*value->int_data());
}

INT_DATA int_argument_number(const CALL_ARGS& call_args, int32_t index) {
    UNION_DATA* value = argument_value(call_args[index].cell);
    INT_DATA number(0);
    if (value == nullptr || value->payload == nullptr || base_type_code(value) != tag_int) return number;
    INT_DATA spare;
    number += int_view(value, spare);  // a new number: no text kept as it was written
    return number;
}

namespace {

// An item that raise_infeasible_for_constant lets pass: a variable with no
// read-only loop variable behind it, or a ":$" parameter whose value is not
// an argument object. Such an item needs no message key, which a recursive
// routine handing its ":$" parameter on would otherwise look up per call.
bool passes_as_variable(RESULT_ITEM item) {
    if (item.cell != nullptr && !is_variable_mode(lent_access(item.cell))) return false;
    if (item.mode == access_variable || item.mode > access_variable_input) return true;
    if (item.mode != access_variable_input) return false;
    const UNION_DATA* value = follow_aliases(item.cell);
    return value == nullptr || lower_tag(value->tag) != tag_args;
}

}  // namespace

void transfer_out_arg(const CALL_ARGS* args, TOKEN* node, int index, bool must_be_variable, bool input,
                      UNION_DATA** out_cell, int* out_mode) {
    const RESULT_ITEM& item = (*args)[index];
    UNION_DATA* cell = item.cell;
    if (must_be_variable) {
        if (!passes_as_variable(item))
            raise_infeasible_for_constant(node, item, "", msg_text(input ? "uebinpvar" : "uebvaroutobjarg"), true);
        if (item.mode >= 7 && item.mode <= 9 && is_link_cell(cell)) cell = cell->target();
        *out_cell = cell;
        *out_mode = 7;  // a call-alias: the routine's assignments reach the caller
        return;
    }
    const char tag = cell->tag;
    if (tag == tag_alias || tag == raise_tag(tag_alias) || tag == tag_call_alias || tag == raise_tag(tag_call_alias)) {
        *out_cell = follow_aliases(cell);
        *out_mode = is_reference_tag((*out_cell)->tag) ? 1 : 0;
    } else {
        *out_cell = cell;
        if (is_variable_mode(item.mode)) {
            // Values of the small types are copied, objects of bigtype types
            // and containers are passed by reference.
            *out_mode = is_smalltype_value(follow_link(cell), true) ? 0 : 1;
        } else {
            *out_mode = is_reference_tag(tag) ? 1 : 0;
        }
    }
    // A value given read-only goes into a container as a reference that
    // stays read-only: the container's owner cannot write through it what
    // the giver may not write. A parameter bound from it is read-only by its
    // own declaration.
    if (*out_mode == 1 && !input) {
        const uint32_t lent = lent_item_access(item.mode, cell);
        if (!is_variable_mode(lent)) *out_mode = lent_reference_mode(lent);
    }
}

void append_key_type_name(std::string& key, UNION_DATA* cell) {
    const TYPE_NAME name = value_type_name(cell, true);
    if (!name.is_user_type) {
        if (name.text != nullptr) key += name.text;  // built-in names hold no "::"
        return;
    }
    const std::string text = type_name_text(name);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            key += static_cast<char>(27);
            ++i;
        } else {
            key += text[i];
        }
    }
}

std::string key_type_name(UNION_DATA* cell) {
    std::string text;
    append_key_type_name(text, cell);
    return text;
}

}  // namespace morvu
